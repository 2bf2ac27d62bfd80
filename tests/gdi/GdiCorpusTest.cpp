// Our regions and stretch blits against a real GDI's answers: the corpus in
// tests/data was recorded by gdi-crosscheck drawing each case with the
// platform's GDI (scripts/gdi-corpus), and every case must come out the
// same from our layer, family by family.

#include "OracleCases.h"

#include "core/Error.h"

#include <gtest/gtest.h>

#include <lzma.h>

#include <fstream>
#include <map>
#include <sstream>

namespace saver {
namespace {

const std::string kCorpusPath = SAVER_SOURCE_DIR "/tests/data/gdi-corpus.txt.xz";

std::string ReadXz(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Exception("cannot read " + path);
    const std::string packed{std::istreambuf_iterator<char>(in), {}};
    lzma_stream z = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&z, UINT64_MAX, 0) != LZMA_OK)
        throw Exception("cannot start the xz decoder");
    std::string text;
    char buffer[1 << 16];
    z.next_in = reinterpret_cast<const uint8_t*>(packed.data());
    z.avail_in = packed.size();
    lzma_ret rc = LZMA_OK;
    while (rc == LZMA_OK) {
        z.next_out = reinterpret_cast<uint8_t*>(buffer);
        z.avail_out = sizeof buffer;
        rc = lzma_code(&z, LZMA_FINISH);
        text.append(buffer, sizeof buffer - z.avail_out);
    }
    lzma_end(&z);
    if (rc != LZMA_STREAM_END)
        throw Exception(path + " is not a whole xz file");
    return text;
}

const oracle::Corpus& TheCorpus()
{
    static const oracle::Corpus corpus = oracle::ParseCorpus(ReadXz(kCorpusPath));
    return corpus;
}

// Each family's cases, by name: the reference's edge cases (e, b_e_*), its
// random ones (r_*, b_r_*) and the cross-check's own (g_*).
std::map<std::string, std::vector<const void*>> Families(bool regions)
{
    std::map<std::string, std::vector<const void*>> families;
    if (regions)
        for (const oracle::RecordedRegion& r : TheCorpus().Regions)
            families[oracle::CaseFamily(r.Case.Name)].push_back(&r);
    else
        for (const oracle::RecordedBlit& b : TheCorpus().Blits)
            families[oracle::CaseFamily(b.Case.Name)].push_back(&b);
    return families;
}

std::vector<std::string> FamilyNames(bool regions)
{
    std::vector<std::string> names;
    for (const auto& [name, cases] : Families(regions))
        names.push_back(name);
    return names;
}

template <class Recorded>
void ExpectFamilyAgrees(const std::vector<const void*>& cases)
{
    ASSERT_FALSE(cases.empty());
    int failures = 0;
    for (const void* p : cases) {
        const auto& recorded = *static_cast<const Recorded*>(p);
        std::string difference;
        try {
            difference = oracle::CheckRecorded(recorded);
        } catch (const std::exception& e) {
            difference = std::string("cannot be drawn: ") + e.what();
        }
        if (!difference.empty() && ++failures <= 10)
            ADD_FAILURE() << recorded.Case.Name << ": " << difference;
    }
    EXPECT_EQ(failures, 0) << "of " << cases.size() << " cases";
}

class RegionCorpus : public testing::TestWithParam<std::string> {};
class BlitCorpus : public testing::TestWithParam<std::string> {};

TEST_P(RegionCorpus, EveryCaseCoversTheGdisPixels)
{
    ExpectFamilyAgrees<oracle::RecordedRegion>(Families(true).at(GetParam()));
}

TEST_P(BlitCorpus, EveryCaseWritesTheGdisPixels)
{
    ExpectFamilyAgrees<oracle::RecordedBlit>(Families(false).at(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Gdi, RegionCorpus, testing::ValuesIn(FamilyNames(true)));
INSTANTIATE_TEST_SUITE_P(Gdi, BlitCorpus, testing::ValuesIn(FamilyNames(false)));

// Guards against the corpus shrinking unnoticed: the reliable cases of
// tests/data/gdi/cases.txt (1707 regions less 65 unreliable ones; 964
// blits less the 241 halftone ones) and the cross-check's own (360 regions
// less 26 whose curved shapes Wine drew unreliably; 120 blits, and 400
// narrow mirrored ones less one that Wine copies from outside its source).
TEST(GdiCorpus, HoldsEveryRecordedCase)
{
    EXPECT_EQ(TheCorpus().Regions.size(), 1642u + 334u);
    EXPECT_EQ(TheCorpus().Blits.size(), 723u + 120u + 399u);
}

// A damaged corpus is refused rather than read as fewer cases.
TEST(GdiCorpus, RefusesAnswersThatDoNotFitTheirCase)
{
    const std::string region = "rgn a 2 2 rect 0 0 1 1\n";
    EXPECT_EQ(oracle::ParseCorpus(region + "gdi 2 0 0 1 1 1 0*3\n").Regions.at(0).Mask,
              (std::vector<uint32_t>{1, 0, 0, 0}));
    EXPECT_THROW(oracle::ParseCorpus(region + "gdi 2 0 0 1 1 1 0*2\n"), Exception); // a pixel short
    EXPECT_THROW(oracle::ParseCorpus(region + "gdi 2 0 0 1 1 1 0*4\n"), Exception); // one too many
    EXPECT_THROW(oracle::ParseCorpus(region), Exception);                          // no answer
    EXPECT_THROW(oracle::ParseCorpus("gdi 1*4\n"), Exception);                     // no case
    EXPECT_THROW(oracle::ParseCorpus(region + region + "gdi 2 0 0 1 1 1 0*3\n"), Exception);
}

} // namespace
} // namespace saver
