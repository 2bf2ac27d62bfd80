// Peak memory of a 1920x1080 slideshow: runs the saver with PAYLOAD on a
// 1920x1080 headless screen and prints the peak resident size beside the
// bitmaps a transition needs (old image, new image, frame, back buffer and
// the decoded picture). The excess is everything else the process holds:
// code, libraries, the headless screen, queues and the allocator's slack.
//
//   bench_memory PAYLOAD [SECONDS]   (default: 20 virtual seconds)
//
// Exits 1 when the excess is 40 MB or more.

#include "HeadlessTestSupport.h"
#include "ProcessUsage.h"

#include "saver/unithead.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace saver;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kExcessLimitMiB = 40.0;

// Bytes of a bitmap's rows, each padded to four bytes.
double BitmapBytes(int32_t width, int32_t height, int bytesPerPixel)
{
    return double((int64_t(width) * bytesPerPixel + 3) / 4 * 4) * height;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_memory PAYLOAD [SECONDS]\n");
        return 2;
    }
    const uint64_t seconds = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20;
    const auto temp = std::filesystem::path(argv[1]).parent_path() / "memory-temp";
    std::filesystem::remove_all(temp);
    std::filesystem::create_directories(temp);

    HeadlessBackend::Options options;
    options.Screen = {1920, 1080};
    options.Executable = argv[1];
    options.TempPath = temp.string() + "/";
    test::HeadlessApp h(options);
    h.App->SetTitle("Lumivex");
    auto& form = static_cast<TForm1&>(h.App->AddForm(Form::Create<TForm1>()));
    // The largest transition seen: old, new and frame at the picture's size
    // and four bytes a pixel, the decoded picture at three.
    double transitionBytes = 0;
    int transitions = 0;
    form.PicShow1->OnStart = [&](Component*, Bitmap& picture, Bitmap&) {
        const int32_t w = picture.Width(), h = picture.Height();
        transitionBytes = std::max(transitionBytes, 3 * BitmapBytes(w, h, 4) + BitmapBytes(w, h, 3));
        ++transitions;
    };
    form.Show();
    h.RunUntil(500); // shown, payload read, no transition yet
    const double before = double(test::StatusKb("VmRSS")) * 1024.0;
    h.RunUntil(seconds * 1000);
    const Size client = form.PicShow1->ClientRect().GetSize();
    const double needed = transitionBytes + BitmapBytes(client.Width, client.Height, 4);
    const double peak = double(test::StatusKb("VmHWM")) * 1024.0;
    if (transitions == 0) {
        std::fprintf(stderr, "bench_memory: no transition ran\n");
        return 1;
    }
    std::printf("transitions: %d in %llu virtual seconds\n", transitions, static_cast<unsigned long long>(seconds));
    std::printf("bitmaps a transition needs: %.1f MB\n", needed / kMiB);
    std::printf("resident before the first transition: %.1f MB\n", before / kMiB);
    std::printf("peak resident size: %.1f MB\n", peak / kMiB);
    std::printf("excess %.1f MB (limit %.0f MB)\n", (peak - needed) / kMiB, kExcessLimitMiB);
    return (peak - needed) / kMiB < kExcessLimitMiB ? 0 : 1;
}
