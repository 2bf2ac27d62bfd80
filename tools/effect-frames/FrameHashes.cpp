#include "effect-frames/FrameHashes.h"

#include "effect-frames/TestPictures.h"
#include "effect-frames/TransitionFrames.h"
#include "gdi/Bitmap.h"
#include "transitions/PSEffect.h"

#include <cstdio>

namespace saver {

uint64_t FrameHash(const Bitmap& frame)
{
    constexpr uint64_t kOffsetBasis = 0xcbf29ce484222325u, kPrime = 0x100000001b3u;
    const int bytesPerPixel = BitsPerPixel(frame.GetPixelFormat()) / 8;
    const int colourBytes = bytesPerPixel < 3 ? bytesPerPixel : 3;
    uint64_t hash = kOffsetBasis;
    for (int32_t y = 0; y < frame.Height(); ++y) {
        const uint8_t* row = frame.ScanLine(y);
        for (int32_t x = 0; x < frame.Width(); ++x)
            for (int i = 0; i < colourBytes; ++i)
                hash = (hash ^ row[size_t(x) * size_t(bytesPerPixel) + size_t(i)]) * kPrime;
    }
    return hash;
}

void WriteStyleFrameHashes(std::ostream& out)
{
    struct FrameSize {
        int32_t Width, Height;
    };
    // Odd sizes, so that halves and fifths round somewhere; 44 x 30 has a
    // StepLength of 0 at Step 1.
    constexpr FrameSize kSizes[] = {{97, 61}, {120, 160}, {44, 30}};
    constexpr uint32_t kSteps[] = {1, 4, 37};
    constexpr uint32_t kProgress[] = {1, 13, 50, 87, 99};
    for (const FrameSize size : kSizes) {
        const auto oldPicture = MakeOldTestPicture(size.Width, size.Height);
        const auto newPicture = MakeNewTestPicture(size.Width, size.Height);
        for (unsigned style = 1; style <= kLastShowStyle; ++style) {
            TransitionFrames frames(*oldPicture, *newPicture, style);
            for (const uint32_t step : kSteps)
                for (const uint32_t progress : kProgress) {
                    char line[96];
                    std::snprintf(line, sizeof line, "style %u %dx%d step %u progress %u %016llx\n", style,
                                  size.Width, size.Height, step, progress,
                                  static_cast<unsigned long long>(FrameHash(frames.Compose(step, progress))));
                    out << line;
                }
        }
    }
}

} // namespace saver
