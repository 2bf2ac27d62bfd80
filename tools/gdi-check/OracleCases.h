#pragma once
// The case language of the GDI reference corpus, evaluated with our raster
// layer:
//   rgn NAME W H EXPR          EXPR in postfix: rect L T R B, ellipse L T R B,
//                              roundrect L T R B EW EH,
//                              poly winding|alternate N X1 Y1 ... XN YN,
//                              operators or and xor diff, and offset DX DY
//                              (moves the region on top of the stack)
//   blt NAME MODE SW SH DW DH XD YD WD HD XS YS WS HS
// and the corpus of a real GDI's answers to such cases: each case line is
// followed by a line starting "gdi" that holds the answer,
//   gdi TYPE L T R B PIXELS    a region: GetRgnBox's type and box, then the
//                              mask of the case's canvas (1 inside)
//   gdi PIXELS                 a blit: the destination's 32-bit pixels
// PIXELS in row order as hexadecimal values, a run of equal ones as
// VALUE*COUNT.

#include "gdi/Bitmap.h"
#include "gdi/Region.h"
#include "gdi/StretchBlt.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace saver::oracle {

struct RegionCase {
    std::string Name;
    int32_t Width = 0, Height = 0;
    std::string Expression;
};

struct BlitCase {
    std::string Name;
    std::string Mode; // coloroncolor, blackonwhite, whiteonblack, halftone, default
    int32_t SW, SH, DW, DH, XD, YD, WD, HD, XS, YS, WS, HS;
};

struct CaseFile {
    std::vector<RegionCase> Regions;
    std::vector<BlitCase> Blits;
};

// Throws saver::Exception naming the line for anything malformed.
CaseFile ParseCases(const std::string& text);

// Evaluates a postfix region expression; throws on a malformed one.
// `afterStep`, when given, sees the top of the stack after every operation.
Region EvaluateRegion(const std::string& expression,
                      const std::function<void(const std::string& op, const Region& top)>& afterStep = {});

// The reference's blit: the pattern source, a destination filled with
// 0xFF808080, then StretchBlt in the case's mode (a new canvas's default
// mode is BLACKONWHITE). The destination is 32-bit.
std::unique_ptr<Bitmap> RunBlit(const BlitCase& blit);
// The reference's source pattern at (x, y).
uint32_t PatternPixel(int32_t x, int32_t y);

// The pixels of a region's mask (1 inside, 0 outside) and of a blit's
// 32-bit destination, in row order.
std::vector<uint32_t> RegionMask(const Region& region, int32_t width, int32_t height);
std::vector<uint32_t> BitmapPixels(const Bitmap& bitmap);

// ---------------------------------------------------------------- the corpus

struct RecordedRegion {
    RegionCase Case;
    int Type = 0; // GetRgnBox's answer: 1 null, 2 simple, 3 complex
    Rect Box;
    std::vector<uint32_t> Mask;
};

struct RecordedBlit {
    BlitCase Case;
    std::vector<uint32_t> Pixels;
};

struct Corpus {
    std::vector<RecordedRegion> Regions;
    std::vector<RecordedBlit> Blits;
};

// The answer lines as the corpus writes them, without the line end.
std::string RegionAnswerLine(int type, const Rect& box, std::span<const uint32_t> mask);
std::string BlitAnswerLine(std::span<const uint32_t> pixels);
// The case line of a case, as ParseCases reads it.
std::string CaseLine(const RegionCase& c);
std::string CaseLine(const BlitCase& c);

// Throws saver::Exception naming the line for a malformed corpus: a case
// without its answer, an answer without a case, a wrong pixel count.
Corpus ParseCorpus(const std::string& text);

// A case's family: its name without the number parts (r_poly_0012 ->
// r_poly, b_r_0003_coc -> b_r_coc).
std::string CaseFamily(const std::string& name);

// Our layer against a recorded answer: empty when they agree, else what
// differs. A region must cover the same pixels, answer point queries the
// same way, stay valid after every step of its expression, and for
// expressions without curves have the GDI's box and type (the GDI keeps
// zero-width rectangles at the tips of even-width ellipses and leaves equal
// rows of curved shapes unmerged, so its box and type are canonical only
// without curves). A blit must write every destination pixel the same.
std::string CheckRecorded(const RecordedRegion& recorded);
std::string CheckRecorded(const RecordedBlit& recorded);

// Empty when the pictures agree; else how many pixels differ and the first.
std::string ComparePixels(std::span<const uint32_t> expected, std::span<const uint32_t> actual, int32_t width,
                          const char* expectedName, bool mask);

} // namespace saver::oracle
