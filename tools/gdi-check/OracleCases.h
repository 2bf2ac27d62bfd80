#pragma once
// The case language of the GDI reference corpus, evaluated with our raster
// layer:
//   rgn NAME W H EXPR          EXPR in postfix: rect L T R B, ellipse L T R B,
//                              roundrect L T R B EW EH,
//                              poly winding|alternate N X1 Y1 ... XN YN,
//                              operators or and xor diff
//   blt NAME MODE SW SH DW DH XD YD WD HD XS YS WS HS
// and the reference's output formats (PBM masks, PAM blit results).

#include "gdi/Bitmap.h"
#include "gdi/Region.h"
#include "gdi/StretchBlt.h"

#include <cstdint>
#include <memory>
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
Region EvaluateRegion(const std::string& expression);

// The reference's blit: the pattern source, a destination filled with
// 0xFF808080, then StretchBlt in the case's mode (a new canvas's default
// mode is BLACKONWHITE). The destination is 32-bit.
std::unique_ptr<Bitmap> RunBlit(const BlitCase& blit);
// The reference's source pattern at (x, y).
uint32_t PatternPixel(int32_t x, int32_t y);

// Output in the reference's formats.
std::string RegionMaskPbm(const Region& region, int32_t width, int32_t height);
std::string BlitResultPam(const Bitmap& result);

} // namespace saver::oracle
