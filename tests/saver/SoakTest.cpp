// The saver left running for a long stretch of virtual time: a slideshow of
// 98 pictures with two music items (the size area's 100 entries hold no
// more), every usable style enabled. Throughout, the pictures come in order
// at their interval and the music plays in turn; at the end the process
// holds about the memory, and exactly the file descriptors and threads, it
// held after the first minute.
//
// Not part of ctest: scripts/soak runs it.
//   SAVER_SOAK_HOURS=H   virtual hours to run (default 24)

#include "ProcessUsage.h"
#include "SaverTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

using namespace saver;
using namespace saver::test;

namespace {

constexpr int kPictures = 98;
constexpr int32_t kInterval = 3;         // seconds a picture stays
constexpr uint32_t kMusicLength = 200000; // ms a music item plays
constexpr int32_t kBaseWidth = 100;       // picture k is kBaseWidth + k wide

PayloadDescription SoakPayload()
{
    PayloadDescription p;
    for (int k = 0; k < kPictures; ++k)
        p.items.push_back(JpegPicture(kBaseWidth + k, 60 + k % 50, RGB(uint8_t(k * 37), uint8_t(255 - k), 90)));
    p.music = {{Bytes(64, 1), MusicTypeMp3}, {Bytes(64, 2), MusicTypeWav}};
    p.pictureInterval = kInterval;
    for (int style = 1; style < EffectTableSize; ++style)
        p.effectTable[size_t(style)] = 1;
    p.exitMode = 0; // no input ends the run
    return p;
}

} // namespace

TEST(Soak, PicturesMusicAndResourcesStaySteady)
{
    const char* hoursText = std::getenv("SAVER_SOAK_HOURS");
    const double hours = hoursText && *hoursText ? std::strtod(hoursText, nullptr) : 24.0;
    const auto endMs = uint64_t(hours * 3600.0 * 1000.0);
    ASSERT_GT(endMs, 120000u) << "run at least two virtual minutes";

    SaverScenario s("soak");
    s.Screen = {320, 240};
    s.MusicLengthMs = kMusicLength;
    const PayloadDescription payload = SoakPayload();
    const std::vector<uint8_t> enabled = EnabledStyles(payload.effectTable);
    const std::set<int> usable(enabled.begin(), enabled.end());
    SaverRun run(s, s.Build(payload));

    // Each start: the picture must follow the one before, one interval later.
    uint64_t starts = 0;
    uint32_t lastStartMs = 0;
    int32_t lastPicture = -1;
    std::vector<std::string> faults;
    auto fault = [&](const std::string& what) {
        if (faults.size() < 20)
            faults.push_back(std::to_string(run.H.App->GetTickCount()) + " ms: " + what);
    };
    run.Form->PicShow1->OnStart = [&](Component*, Bitmap& picture, Bitmap&) {
        const uint32_t now = run.H.App->GetTickCount();
        const int32_t index = picture.Width() - kBaseWidth;
        const uint32_t expectedMs = starts == 0 ? 1000 : lastStartMs + kInterval * 1000;
        if (index != (lastPicture + 1) % kPictures)
            fault("picture " + std::to_string(index) + " after " + std::to_string(lastPicture));
        if (now != expectedMs)
            fault("transition started, expected at " + std::to_string(expectedMs));
        if (!usable.count(run.Form->PicShow1->Style()))
            fault("style " + std::to_string(run.Form->PicShow1->Style()) + " is not enabled");
        lastPicture = index;
        lastStartMs = now;
        ++starts;
    };

    // Samples fall between transitions: one starts at 1000 + 3000k ms and
    // ends within a second, so at every multiple of 3000 ms the control is
    // idle.
    auto idleBefore = [](uint64_t ms) { return ms - ms % 3000; };
    const uint64_t firstSampleMs = 63000;
    run.H.RunUntil(firstSampleMs);
    const ProcessUsage first = MeasureProcess();
    std::printf("after %llu ms: rss %ld kB, %zu fds, %zu threads\n", static_cast<unsigned long long>(firstSampleMs),
                first.rssKb, first.fds, first.threads);

    const uint64_t hourMs = 3600000;
    const uint64_t lastSampleMs = idleBefore(endMs);
    uint64_t sampleMs = firstSampleMs;
    while (sampleMs < lastSampleMs && faults.empty()) {
        sampleMs = std::min(lastSampleMs, (sampleMs / hourMs + 1) * hourMs);
        run.H.RunUntil(sampleMs);
        const ProcessUsage u = MeasureProcess();
        std::printf("at %.2f virtual hours: rss %ld kB, %zu fds, %zu threads, %llu transitions\n",
                    double(sampleMs) / double(hourMs), u.rssKb, u.fds, u.threads,
                    static_cast<unsigned long long>(starts));
        std::fflush(stdout);
    }
    const ProcessUsage last = MeasureProcess();

    EXPECT_TRUE(faults.empty()) << faults.size() << " faults, the first: " << faults.front();
    EXPECT_LE(last.rssKb, first.rssKb + first.rssKb / 10) << "resident memory grew more than 10 %";
    EXPECT_EQ(last.fds, first.fds);
    EXPECT_EQ(last.threads, first.threads);
    EXPECT_TRUE(run.H.Backend->MessageBoxes().empty()) << run.H.Backend->MessageBoxes().front();

    // Every interval brings the next picture: nothing was skipped or late.
    EXPECT_EQ(starts, (sampleMs - 1000) / (kInterval * 1000) + 1);
    // The two music items take turns, each the length of a piece.
    const auto opens = s.Log.Matching("open qorvane");
    // (A piece that ends at the very last moment may or may not have handed over.)
    const size_t due = (sampleMs - 1) / kMusicLength + 1;
    ASSERT_GE(opens.size(), due);
    ASSERT_LE(opens.size(), due + 1);
    for (size_t i = 0; i < opens.size(); ++i) {
        const std::string expected =
            std::to_string(i * kMusicLength) + (i % 2 ? " open qorvane1.wav" : " open qorvane0.mp3");
        if (opens[i] != expected) {
            ADD_FAILURE() << "music open " << i << ": " << opens[i] << ", expected " << expected;
            break;
        }
    }
}
