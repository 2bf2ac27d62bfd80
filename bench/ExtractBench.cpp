// Extraction at scale: a payload of 100 pictures of 3 MB each (300 MB).
// Times ReadPayload writing every picture into a folder beside the time cp
// takes to copy the same file, both with the file in the page cache and the
// best of five runs each; then the saver's start-up with that payload, from
// creating its window to the first transition frame on screen.
//
//   bench_extract [WORKDIR]    (default: bench-extract in the current folder)
//
// Prints the payload, "ours T ms", "cp T ms", the start-up time and last
// "ratio R" (ours / cp).

#include "FilesOnlyTarget.h"
#include "HeadlessTestSupport.h"

#include "gdi/Bitmap.h"
#include "gdi/Jpeg.h"
#include "payload/PayloadWriter.h"
#include "payload/ReadPayload.h"
#include "saver/unithead.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include <unistd.h>

using namespace saver;
namespace fs = std::filesystem;

namespace {

constexpr int kPictures = 100;
constexpr size_t kPictureBytes = 3'000'000;

// A 1920 x 1080 picture of noise, which JPEG cannot squeeze much, padded to
// 3 MB: the header check reads only its start.
Bytes BigPicture(int index)
{
    static const Bytes encoded = [] {
        Bitmap b(1920, 1080, PixelFormat::pf24bit);
        std::mt19937 random(7);
        for (int32_t y = 0; y < b.Height(); ++y) {
            uint8_t* row = b.ScanLine(y);
            for (int32_t x = 0; x < b.Width() * 3; ++x)
                row[x] = uint8_t(random());
        }
        return EncodeJpeg(b, 90);
    }();
    Bytes picture = encoded;
    picture.resize(std::max(kPictureBytes, picture.size()), uint8_t(index));
    return picture;
}

double Milliseconds(const std::function<void()>& body)
{
    const auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The best of five runs, each after `prepare` (not timed): copies of this
// size vary with the page cache's state far more than with the copier.
double BestOfFive(const std::function<void()>& prepare, const std::function<void()>& body)
{
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        prepare();
        best = std::min(best, Milliseconds(body));
    }
    return best;
}

// An empty folder, with the writes of earlier runs flushed so that no run
// pays for another's write-back.
void FreshFolder(const fs::path& dir)
{
    fs::remove_all(dir);
    fs::create_directories(dir);
    ::sync();
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path work = argc > 1 ? fs::path(argv[1]) : fs::path("bench-extract");
    fs::create_directories(work);
    const fs::path saverFile = work / "pictures.scr";
    {
        PayloadDescription payload;
        for (int k = 0; k < kPictures; ++k)
            payload.items.push_back(BigPicture(k));
        payload.pictureInterval = 2;
        payload.effectTable[52] = 1;
        std::ofstream(work / "runtime", std::ios::binary) << std::string(4096, 'R');
        WritePayloadFile(work / "runtime", saverFile, payload);
    }
    const auto length = fs::file_size(saverFile);
    std::printf("payload: %d pictures, %ju bytes\n", kPictures, uintmax_t(length));
    // Both copies start from the page cache.
    if (std::system(("cat '" + saverFile.string() + "' > /dev/null").c_str()) != 0)
        return 1;

    const fs::path temp = work / "temp";
    bool ok = true;
    const double ours = BestOfFive([&] { FreshFolder(temp); },
                                    [&] {
                                        test::FilesOnlyTarget target(temp.string() + "/");
                                        ok = ReadPayload(saverFile.string(), target) && ok;
                                    });
    if (!ok) {
        std::fprintf(stderr, "bench_extract: the payload did not read\n");
        return 1;
    }
    std::printf("ours %.0f ms\n", ours);
    const std::string copy = "cp '" + saverFile.string() + "' '" + (temp / "copy").string() + "'";
    const double cp = BestOfFive([&] { FreshFolder(temp); }, [&] { ok = std::system(copy.c_str()) == 0 && ok; });
    std::printf("cp %.0f ms\n", cp);

    // Start-up: the saver window reads the payload as it is created, and
    // the first transition starts at the first timer tick (virtual time).
    {
        FreshFolder(temp);
        HeadlessBackend::Options options;
        options.Screen = {1920, 1080};
        options.Executable = saverFile.string();
        options.TempPath = temp.string() + "/";
        std::atomic<bool> framed{false};
        const auto start = std::chrono::steady_clock::now();
        test::HeadlessApp h(options);
        h.App->SetTitle("Lumivex");
        auto& form = static_cast<TForm1&>(h.App->AddForm(Form::Create<TForm1>()));
        form.PicShow1->OnAfterNewFrame = [&](Component*, Bitmap&, Bitmap&) { framed = true; };
        form.Show();
        // The frame is on screen once the loop has handled its paint.
        while (!framed && h.Backend->Now() < 10000)
            h.RunUntil(h.Backend->Now() + 10);
        const double startup = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (!framed) {
            std::fprintf(stderr, "bench_extract: no frame within 10 virtual seconds\n");
            return 1;
        }
        std::printf("start-up to first frame: %.0f ms (window, extraction, decoding, first frame; "
                    "the first tick's virtual second takes no time)\n",
                    startup);
    }
    fs::remove_all(temp);
    std::printf("ratio %.2f\n", ours / cp);
    return ok ? 0 : 1;
}
