#include "EffectTestSupport.h"
#include "core/Random.h"
#include "transitions/PSEffect.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

using namespace saver;
using namespace saver::test;

TEST(ShowStyles, LookupByNumber)
{
    EXPECT_EQ(ShowStyleName(0), "Custom");
    EXPECT_EQ(FindShowStyle(0), nullptr) << "Custom has no row and no procedure";
    EXPECT_EQ(FindShowStyle(150), &ShowStyles[149]);
    EXPECT_EQ(ShowStyleName(150), "Rotational star");
    for (const unsigned style : {151u, 255u, 256u, 100000u}) {
        EXPECT_EQ(FindShowStyle(style), nullptr) << style;
        EXPECT_TRUE(ShowStyleName(style).empty()) << style;
    }
}

TEST(ShowStyles, EveryNameLeadsBackToItsOwnStyleButTheTwoStoredTwice)
{
    for (unsigned style = 1; style <= kLastShowStyle; ++style) {
        std::string upper(ShowStyleName(style));
        for (char& c : upper)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        // The first row with a name wins, so 33 and 34 are never found.
        const unsigned expected = style == 33 ? 18 : style == 34 ? 25 : style;
        EXPECT_EQ(FindShowStyleByName(ShowStyleName(style)), TShowStyle(expected)) << style;
        EXPECT_EQ(FindShowStyleByName(upper), TShowStyle(expected)) << upper;
    }
    EXPECT_EQ(ShowStyleName(33), "Expand from bottom");
    EXPECT_EQ(ShowStyleName(34), "Expand in from top");
}

TEST(ShowStyles, NamesMatchAsStoredIgnoringCaseOnly)
{
    for (const char* name : {"Custom", "custom", "CUSTOM", "cUsToM"})
        EXPECT_EQ(FindShowStyleByName(name), TShowStyle{0}) << name;
    EXPECT_EQ(FindShowStyleByName("expand FROM bottom"), TShowStyle{18});
    EXPECT_EQ(FindShowStyleByName("Expand in from top"), TShowStyle{25});
    EXPECT_EQ(FindShowStyleByName("Unven shred from bottom"), TShowStyle{76});
    EXPECT_EQ(FindShowStyleByName("Push and sqeeze down"), TShowStyle{134});
    EXPECT_EQ(FindShowStyleByName("Rectangles apear from left and disapear to right"), TShowStyle{145});
    for (const char* unknown : {"Uneven shred from bottom", "Push and squeeze down", "", "Custom ", "Fad"})
        EXPECT_FALSE(FindShowStyleByName(unknown).has_value()) << '"' << unknown << '"';
}

// The capabilities a row declares are what its procedure does: a style
// that needs 32 bits a pixel leaves a 24-bit frame alone while every other
// style draws there, and a style changes the generator's seed exactly when
// its row says it draws from it.
TEST(ShowStyles, RowsSayWhichStylesNeed32BitsAndWhichDrawFromTheGenerator)
{
    const auto picture = MakePicture(30, 20);
    const auto old = MakeOldImage(30, 20);
    for (unsigned style = 1; style <= kLastShowStyle; ++style) {
        const TShowStyleEntry& row = ShowStyles[style - 1];
        SCOPED_TRACE(testing::Message() << style << ' ' << row.Name);
        ASSERT_NE(row.Proc, nullptr);
        EXPECT_EQ(row.RegionOf != nullptr, row.Composition == FrameComposition::RegionReveal);
        EXPECT_FALSE(StyleFamilyName(row.Family).empty());
        auto screen = MakeOldImage(30, 20);
        SetRandSeed(5);
        row.Proc(*screen, *picture, {0, 0, 30, 20}, 4, 50);
        EXPECT_EQ(SamePixels(*screen, *old), row.Needs32Bit);
        EXPECT_EQ(RandSeed() != 5, row.UsesRandom);
        EXPECT_EQ(StyleNeeds32Bit(style), row.Needs32Bit);
    }
    EXPECT_FALSE(StyleNeeds32Bit(0));
    EXPECT_FALSE(StyleNeeds32Bit(151));
}
