#include "transitions/effects/RectangleEffects.h"

#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <iterator>
#include <vector>

namespace saver {
namespace {

// Every copy of these styles is a product of one interval along x and one
// along y, each given by its destination and source ends. A style's row
// names the move along each axis; the moves are written for the x axis
// (start = left, end = right) and read the same way along y (start = top).
// L is the axis length (W or H), P the progress length (PW or PH), and
// division truncates toward zero as the frame arithmetic does.
enum class Move : uint8_t {
    None,                 // ends a row
    Whole,                // [0, L) in place
    SqueezeAtStart,       // [0, P) <- [0, L)
    SqueezeAtEnd,         // [L - P, L) <- [0, L)
    SqueezeAtMiddle,      // [(L - P) / 2, (L + P) / 2) <- [0, L)
    SlideFromStart,       // [P - L, P) <- [0, L)
    SlideFromEnd,         // [L - P, 2L - P) <- [0, L)
    RevealAtStart,        // [0, P) in place
    RevealAtEnd,          // [L - P, L) in place
    RevealAtMiddle,       // [(L - P) / 2, (L + P) / 2) in place
    ZoomAtStart,          // [0, 2L - P) <- [0, P)
    ZoomAtEnd,            // [P - L, L) <- [L - P, L)
    ZoomAtMiddle,         // [P - L, 2L - P) <- [(L - P) / 2, (L + P) / 2)
    HalfRevealAtStart,    // [0, P / 2) in place
    HalfRevealAtEnd,      // [L - P / 2, L) in place
    WideRevealAtStart,    // [0, P / 2 + 1) in place
    WideRevealAtEnd,      // [L - P / 2 - 1, L) in place
    HalfSqueezeAtStart,   // [0, P / 2 + 1) <- [0, L / 2 + 1)
    HalfSqueezeAtEnd,     // [L - P / 2, L) <- [L / 2 + 1, L)
    WideHalfSqueezeAtEnd, // [L - P / 2 - 1, L) <- [L / 2, L)
    FirstHalf,            // [0, L / 2 + 1) in place
    LastHalf,             // [L / 2 - 1, L) in place
    HalfSlideFromStart,   // [(P - L) / 2, P / 2 + 1) <- [0, L / 2 + 1)
    HalfSlideFromEnd,     // [L - P / 2, L + (L - P) / 2) <- [L / 2 + 1, L)
    RollFromStart,        // the roll past [0, P), mirrored: [P, P + r) <- [P + r, P + 2r)
    RollFromEnd,          // the roll before [L - P, L), mirrored: [E - r, E) <- [E - 2r, E - r), E = L - P
    SmearFromStart,       // [P, L) <- [P, min(P + L / K, L))
    SmearFromEnd,         // [0, L - P) <- [max(L - P - L / K, 0), L - P)
};

struct Piece {
    Move X = Move::None;
    Move Y = Move::None;
};

// Up to four pieces, drawn in order.
struct StyleRow {
    constexpr StyleRow() = default;
    constexpr StyleRow(std::initializer_list<Piece> pieces)
    {
        std::copy(pieces.begin(), pieces.end(), Pieces.begin());
    }
    std::array<Piece, 4> Pieces{};
};

using enum Move;

// Styles 1 to 17, along x. Styles 18 to 34 are the same turned onto y.
constexpr StyleRow kHorizontalRows[] = {
    {{SqueezeAtEnd, Whole}},                                       // 1 Expand from right
    {{SqueezeAtStart, Whole}},                                     // 2 Expand from left
    {{SlideFromEnd, Whole}},                                       // 3 Slide in from right
    {{SlideFromStart, Whole}},                                     // 4 Slide in from left
    {{RevealAtStart, Whole}},                                      // 5 Reveal from left
    {{RevealAtEnd, Whole}},                                        // 6 Reveal from right
    {{ZoomAtStart, Whole}},                                        // 7 Expand in from right
    {{ZoomAtEnd, Whole}},                                          // 8 Expand in from left
    {{ZoomAtMiddle, Whole}},                                       // 9 Expand in to middle
    {{SqueezeAtMiddle, Whole}},                                    // 10 Expand out from middle
    {{RevealAtMiddle, Whole}},                                     // 11 Reveal out from middle
    {{WideRevealAtStart, Whole}, {WideRevealAtEnd, Whole}},        // 12 Reveal in from sides
    {{HalfSqueezeAtStart, Whole}, {WideHalfSqueezeAtEnd, Whole}},  // 13 Expand in from sides
    {{RollFromStart, Whole}, {RevealAtStart, Whole}},              // 14 Unroll from left
    {{RollFromEnd, Whole}, {RevealAtEnd, Whole}},                  // 15 Unroll from right
    {{RevealAtStart, Whole}, {SmearFromStart, Whole}},             // 16 Build up from right
    {{RevealAtEnd, Whole}, {SmearFromEnd, Whole}},                 // 17 Build up from left
};

// Styles 35 to 57, moving along both axes.
constexpr StyleRow kTwoAxisRows[] = {
    {{SqueezeAtEnd, SqueezeAtEnd}},                                // 35 Expand from bottom right
    {{SqueezeAtEnd, SqueezeAtStart}},                              // 36 Expand from top right
    {{SqueezeAtStart, SqueezeAtStart}},                            // 37 Expand from top left
    {{SqueezeAtStart, SqueezeAtEnd}},                              // 38 Expand from bottom left
    {{SlideFromEnd, SlideFromEnd}},                                // 39 Slide in from bottom right
    {{SlideFromEnd, SlideFromStart}},                              // 40 Slide in from top right
    {{SlideFromStart, SlideFromStart}},                            // 41 Slide in from top left
    {{SlideFromStart, SlideFromEnd}},                              // 42 Slide in from bottom left
    {{RevealAtStart, RevealAtStart}},                              // 43 Reveal from top left
    {{RevealAtStart, RevealAtEnd}},                                // 44 Reveal from bottom left
    {{RevealAtEnd, RevealAtEnd}},                                  // 45 Reveal from bottom right
    {{RevealAtEnd, RevealAtStart}},                                // 46 Reveal from top right
    {{ZoomAtStart, ZoomAtStart}},                                  // 47 Appear and Contract to top left
    {{ZoomAtStart, ZoomAtEnd}},                                    // 48 Appear and Contract to bottom left
    {{ZoomAtEnd, ZoomAtEnd}},                                      // 49 Appear and Contract to bottom right
    {{ZoomAtEnd, ZoomAtStart}},                                    // 50 Appear and Contract to top right
    {{ZoomAtMiddle, ZoomAtMiddle}},                                // 51 Appear and Contract to middle
    {{SqueezeAtMiddle, SqueezeAtMiddle}},                          // 52 Expand out from centre
    {{RevealAtMiddle, RevealAtMiddle}},                            // 53 Reveal out from centre
    // 54 Reveal in to centre
    {{Whole, HalfRevealAtStart}, {Whole, HalfRevealAtEnd}, {HalfRevealAtStart, Whole}, {HalfRevealAtEnd, Whole}},
    // 55 Quarters Reveal in to middle
    {{WideRevealAtStart, WideRevealAtStart}, {WideRevealAtStart, WideRevealAtEnd},
     {WideRevealAtEnd, WideRevealAtEnd}, {WideRevealAtEnd, WideRevealAtStart}},
    // 56 Quarters Expand to middle
    {{HalfSqueezeAtStart, HalfSqueezeAtStart}, {HalfSqueezeAtStart, HalfSqueezeAtEnd},
     {HalfSqueezeAtEnd, HalfSqueezeAtEnd}, {HalfSqueezeAtEnd, HalfSqueezeAtStart}},
    // 57 Quarters Slide in to middle: top left from the left, top right from
    // the top, bottom right from the right, bottom left from the bottom
    {{HalfSlideFromStart, FirstHalf}, {LastHalf, HalfSlideFromStart},
     {HalfSlideFromEnd, LastHalf}, {FirstHalf, HalfSlideFromEnd}},
};

// The family is styles 1 to 57; row k - 1 is style k.
constexpr TShowStyle kLastRectangleStyle = 57;

constexpr std::array<StyleRow, kLastRectangleStyle> MakeRows()
{
    constexpr size_t horizontal = std::size(kHorizontalRows);
    static_assert(2 * horizontal + std::size(kTwoAxisRows) == kLastRectangleStyle);
    std::array<StyleRow, kLastRectangleStyle> rows{};
    for (size_t i = 0; i < horizontal; ++i) {
        rows[i] = kHorizontalRows[i];
        for (size_t p = 0; p < rows[i].Pieces.size(); ++p)
            rows[horizontal + i].Pieces[p] = {rows[i].Pieces[p].Y, rows[i].Pieces[p].X};
    }
    std::copy(std::begin(kTwoAxisRows), std::end(kTwoAxisRows), rows.begin() + 2 * horizontal);
    return rows;
}

constexpr std::array<StyleRow, kLastRectangleStyle> kRows = MakeRows();

// One axis of a copy.
struct Span {
    int32_t DestLow, DestHigh, SourceLow, SourceHigh;
    bool Mirrored = false;
};

constexpr Span InPlace(int32_t low, int32_t high) { return {low, high, low, high}; }

// Width of the unrolling roll: half the unrolled length at the start, a
// tenth of the axis in the middle, half of what remains at the end. Chosen
// so that the mirrored strip never reads past the picture's far edge.
int32_t RollWidth(int32_t L, int32_t P)
{
    if (P < L / 5)
        return P / 2;
    if (P + L / 5 > L)
        return (L - P) / 2;
    return L / 10;
}

Span Evaluate(Move move, int32_t L, int32_t P, int32_t K)
{
    // The build-up strip is L / K wide. K is 0 when the longer side times
    // Step is below 45; dividing by 1 then continues the K = 1 case, where
    // the strip is the whole rest of the axis.
    const int32_t strip = L / std::max(K, 1);
    switch (move) {
    case None:
    case Whole:
        return InPlace(0, L);
    case SqueezeAtStart:
        return {0, P, 0, L};
    case SqueezeAtEnd:
        return {L - P, L, 0, L};
    case SqueezeAtMiddle:
        return {(L - P) / 2, (L + P) / 2, 0, L};
    case SlideFromStart:
        return {P - L, P, 0, L};
    case SlideFromEnd:
        return {L - P, 2 * L - P, 0, L};
    case RevealAtStart:
        return InPlace(0, P);
    case RevealAtEnd:
        return InPlace(L - P, L);
    case RevealAtMiddle:
        return InPlace((L - P) / 2, (L + P) / 2);
    case ZoomAtStart:
        return {0, 2 * L - P, 0, P};
    case ZoomAtEnd:
        return {P - L, L, L - P, L};
    case ZoomAtMiddle:
        return {P - L, 2 * L - P, (L - P) / 2, (L + P) / 2};
    case HalfRevealAtStart:
        return InPlace(0, P / 2);
    case HalfRevealAtEnd:
        return InPlace(L - P / 2, L);
    case WideRevealAtStart:
        return InPlace(0, P / 2 + 1);
    case WideRevealAtEnd:
        return InPlace(L - P / 2 - 1, L);
    case HalfSqueezeAtStart:
        return {0, P / 2 + 1, 0, L / 2 + 1};
    case HalfSqueezeAtEnd:
        return {L - P / 2, L, L / 2 + 1, L};
    case WideHalfSqueezeAtEnd:
        return {L - P / 2 - 1, L, L / 2, L};
    case FirstHalf:
        return InPlace(0, L / 2 + 1);
    case LastHalf:
        return InPlace(L / 2 - 1, L);
    case HalfSlideFromStart:
        return {(P - L) / 2, P / 2 + 1, 0, L / 2 + 1};
    case HalfSlideFromEnd:
        return {L - P / 2, L + (L - P) / 2, L / 2 + 1, L};
    case RollFromStart: {
        const int32_t edge = P + RollWidth(L, P);
        return {P, edge, edge, 2 * edge - P, true};
    }
    case RollFromEnd: {
        const int32_t end = L - P, edge = end - RollWidth(L, P);
        return {edge, end, 2 * edge - end, edge, true};
    }
    case SmearFromStart:
        return {P, L, P, std::min(P + strip, L)};
    case SmearFromEnd:
        return {0, L - P, std::max(L - P - strip, 0), L - P};
    }
    return InPlace(0, L);
}

} // namespace

std::vector<RectCopy> RectangleCopies(TShowStyle style, const ProgressMetrics& m)
{
    std::vector<RectCopy> copies;
    if (style < 1 || style > kLastRectangleStyle)
        return copies;
    for (const Piece& piece : kRows[style - 1].Pieces) {
        if (piece.X == None)
            break;
        const Span x = Evaluate(piece.X, m.FullWidth, m.ProgressWidth, m.StepLength);
        const Span y = Evaluate(piece.Y, m.FullHeight, m.ProgressHeight, m.StepLength);
        copies.push_back({{x.DestLow, y.DestLow, x.DestHigh, y.DestHigh},
                          {x.SourceLow, y.SourceLow, x.SourceHigh, y.SourceHigh},
                          x.Mirrored,
                          y.Mirrored});
    }
    return copies;
}

void DrawCopies(Bitmap& Screen, const Bitmap& Picture, std::span<const RectCopy> copies)
{
    Canvas& canvas = Screen.GetCanvas();
    // Plain copies next to each other in the list go together, so each row
    // of the frame is written in one sweep; mirrored ones keep their place.
    std::vector<StretchCopy> plain;
    const auto drawPlain = [&] {
        canvas.StretchBlts(plain, Picture);
        plain.clear();
    };
    for (const RectCopy& c : copies) {
        if (c.FlipHorizontally || c.FlipVertically) {
            drawPlain();
            MirrorStretchCopy(canvas, c.Dest, Picture, c.Source, c.FlipHorizontally, c.FlipVertically);
            continue;
        }
        plain.push_back({c.Dest.Left, c.Dest.Top, c.Dest.Width(), c.Dest.Height(), c.Source.Left, c.Source.Top,
                         c.Source.Width(), c.Source.Height()});
    }
    drawPlain();
}

void DrawRectangleStyle(TShowStyle style, Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step,
                        uint32_t Progress)
{
    // The control passes 1 to 99; anything beyond 100 draws as 100, which
    // keeps every coordinate within a few frame lengths.
    const ProgressMetrics m = CalcProgressMetrics(R, Step, std::min<uint32_t>(Progress, 100));
    // A frame no bitmap can have (empty or beyond the largest size) draws
    // nothing, so the arithmetic below cannot overflow.
    if (m.FullWidth <= 0 || m.FullHeight <= 0 || m.FullWidth > Bitmap::kMaxDimension ||
        m.FullHeight > Bitmap::kMaxDimension)
        return;
    DrawCopies(Screen, Picture, RectangleCopies(style, m));
}

} // namespace saver
