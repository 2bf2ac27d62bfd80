// Transition frame cost: one frame of every implemented style as the
// transition control composes it (the old image drawn into the frame, then
// the style's effect), at Step 4 and progress 25, 50 and 75, beside a plain
// memcpy of the frame's pixels at the same size. bench/compare reads the
// JSON output and prints each style's time as a multiple of the copy.
//
// Names: Frame/style:N/w:W/h:H/progress:P and FrameCopy/w:W/h:H.
// Extra flag, taken before Google Benchmark's own:
//   --sizes=WxH[,WxH...]   frame sizes (default 1920x1080,3840x2160)

#include "core/FrameMemory.h"
#include "effect-frames/TestPictures.h"
#include "effect-frames/TransitionFrames.h"
#include "gdi/Bitmap.h"
#include "transitions/PSEffect.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace saver;

namespace {

constexpr uint32_t kStep = 4;
constexpr uint32_t kProgressValues[] = {25, 50, 75};

// Built once per size and pixel-format class: converting 4K pictures costs
// more than many frames, and Google Benchmark calls each function several
// times.
TransitionFrames& FramesFor(Size size, unsigned style)
{
    static std::map<std::tuple<int32_t, int32_t, bool>, std::unique_ptr<TransitionFrames>> cache;
    auto& slot = cache[{size.Width, size.Height, StyleNeeds32Bit(style)}];
    if (!slot) {
        const auto oldPicture = MakeOldTestPicture(size.Width, size.Height);
        const auto newPicture = MakeNewTestPicture(size.Width, size.Height);
        slot = std::make_unique<TransitionFrames>(*oldPicture, *newPicture, style);
    }
    slot->SetStyle(style);
    return *slot;
}

void BM_Frame(benchmark::State& state, Size size, unsigned style, uint32_t progress)
{
    TransitionFrames& frames = FramesFor(size, style);
    for (auto _ : state) {
        Bitmap& frame = frames.Compose(kStep, progress);
        benchmark::DoNotOptimize(frame.ScanLine(0));
        benchmark::ClobberMemory();
    }
}

// The frame's whole pixel buffer copied with memcpy (rows are stored
// bottom-up, so the buffer begins at the last row). A transition frame
// touches three frame-sized bitmaps (old image, new picture, frame), which
// at 1920x1080 and above do not stay in the processor's caches, so the copy
// it is measured against cycles through bitmaps that together are twice the
// size of the last-level cache: like a frame, it reads and writes memory.
// FrameCopyCached copies one pair over and over, which after the first
// round only moves data within the cache; it is reported for reference.
size_t LastLevelCacheBytes()
{
    const long bytes = sysconf(_SC_LEVEL3_CACHE_SIZE);
    return bytes > 0 ? size_t(bytes) : size_t{32} << 20;
}

void CopyFrames(benchmark::State& state, Size size, size_t pairs)
{
    std::vector<std::unique_ptr<Bitmap>> sources, targets;
    for (size_t i = 0; i < pairs; ++i) {
        sources.push_back(std::make_unique<Bitmap>(size.Width, size.Height, PixelFormat::pfDevice));
        targets.push_back(std::make_unique<Bitmap>(size.Width, size.Height, PixelFormat::pfDevice));
    }
    const size_t bytes = sources[0]->Stride() * size_t(size.Height);
    size_t next = 0;
    for (auto _ : state) {
        uint8_t* to = targets[next]->ScanLine(size.Height - 1);
        std::memcpy(to, sources[next]->ScanLine(size.Height - 1), bytes);
        benchmark::DoNotOptimize(to);
        benchmark::ClobberMemory();
        next = (next + 1) % pairs;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

void BM_FrameCopy(benchmark::State& state, Size size)
{
    const size_t frameBytes = RowStride(size.Width, PixelFormat::pfDevice) * size_t(size.Height);
    const size_t pairs = std::clamp<size_t>(LastLevelCacheBytes() / frameBytes + 1, 2, 64);
    CopyFrames(state, size, pairs);
}

void BM_FrameCopyCached(benchmark::State& state, Size size) { CopyFrames(state, size, 1); }

bool ParseSizes(const char* text, std::vector<Size>& sizes)
{
    sizes.clear();
    std::string list(text);
    size_t begin = 0;
    while (begin <= list.size()) {
        const size_t comma = std::min(list.find(',', begin), list.size());
        int w = 0, h = 0;
        char tail = 0;
        const std::string item = list.substr(begin, comma - begin);
        if (std::sscanf(item.c_str(), "%dx%d%c", &w, &h, &tail) != 2 || w < 1 || h < 1 || w > 8192 || h > 8192)
            return false;
        sizes.push_back({w, h});
        begin = comma + 1;
    }
    return !sizes.empty();
}

} // namespace

int main(int argc, char** argv)
{
    // Frames are timed with the heap the saver runs with.
    KeepFrameMemoryForReuse();
    std::vector<Size> sizes{{1920, 1080}, {3840, 2160}};
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strncmp(argv[i], "--sizes=", 8) == 0) {
            if (!ParseSizes(argv[i] + 8, sizes)) {
                std::fprintf(stderr, "bench_effects: bad --sizes '%s': expected WxH[,WxH...], 1 to 8192 a side\n",
                             argv[i] + 8);
                return 2;
            }
            continue;
        }
        rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 2;

    for (const Size size : sizes) {
        const std::string suffix = "/w:" + std::to_string(size.Width) + "/h:" + std::to_string(size.Height);
        benchmark::RegisterBenchmark(("FrameCopy" + suffix).c_str(), BM_FrameCopy, size)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("FrameCopyCached" + suffix).c_str(), BM_FrameCopyCached, size)
            ->Unit(benchmark::kMillisecond);
        for (unsigned style = 1; style <= kLastShowStyle; ++style)
            for (const uint32_t progress : kProgressValues)
                benchmark::RegisterBenchmark(("Frame/style:" + std::to_string(style) + suffix +
                                              "/progress:" + std::to_string(progress))
                                                 .c_str(),
                                             BM_Frame, size, style, progress)
                    ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
