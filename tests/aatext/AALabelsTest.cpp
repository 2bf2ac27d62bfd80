// Font sets, user labels and the tags in a line of text.
#include "aatext/AAFont.h"
#include "aatext/RegisteredUser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace saver {
namespace {

// The default collections, a registered owner "Tester", a fixed clock
// (2024-03-07 13:05:09) and the C locale's formats (%m/%d/%y, %H:%M:%S).
class TagTest : public ::testing::Test {
protected:
    TagTest()
    {
        if (const char* old = std::getenv("LC_ALL"))
            m_oldLocale = old;
        setenv("LC_ALL", "C", 1);
        AddDefaultFontSets(Fonts);
        AddFadeTextFontSets(Fonts);
        AddDefaultUserLabels(Labels);
        Labels.Now = [] {
            std::tm t{};
            t.tm_year = 124;
            t.tm_mon = 2;
            t.tm_mday = 7;
            t.tm_hour = 13;
            t.tm_min = 5;
            t.tm_sec = 9;
            return t;
        };
    }
    ~TagTest() override
    {
        if (m_oldLocale)
            setenv("LC_ALL", m_oldLocale->c_str(), 1);
        else
            unsetenv("LC_ALL");
    }

    // Font tags, then label tags, as a text control prepares a line.
    std::string Prepare(std::string line)
    {
        Fonts.ApplyFontTags(line, &Font, &Effect);
        Labels.ApplyLabelTags(line, Alignment);
        return line;
    }

    std::optional<std::string> m_oldLocale;
    TFontLabels Fonts;
    TUserLabels Labels{{}, RegisteredUser{"Tester", "Quorbel Ltd"}};
    CanvasFont Font;
    TAAEffect Effect;
    TAlignment Alignment = TAlignment::taLeftJustify;
};

TEST_F(TagTest, FontAndAlignmentTagsAreTakenOut)
{
    EXPECT_EQ(Prepare("<Title2><Center>Zentavo"), "Zentavo");
    EXPECT_EQ(Alignment, TAlignment::taCenter);
    EXPECT_EQ(Font.Name, "黑体");
    EXPECT_EQ(Font.Height, -12);
    EXPECT_EQ(Font.Color, clBlue);
    EXPECT_EQ(Font.Style, uint32_t(fsBold));
    EXPECT_TRUE(Effect.Shadow().Enabled());
    EXPECT_EQ(Effect.Shadow().OffsetX(), 1);
}

TEST_F(TagTest, AsciiLettersMatchInEitherCase)
{
    EXPECT_EQ(Prepare("<title2>a"), "a");
    EXPECT_EQ(Font.Height, -12);
    Font = {};
    EXPECT_EQ(Prepare("b<TITLE2>"), "b");
    EXPECT_EQ(Font.Height, -12);

    // Only ASCII letters are folded: the other letters must match exactly.
    TFontLabel* label = Fonts.AddFont("Überschrift", "x", 30, clBlack, fsNone, false, 0, 0);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(Prepare("<überschrift>c"), "<überschrift>c");
    EXPECT_EQ(Prepare("<ÜBERSCHRIFT>c"), "c");
    EXPECT_EQ(Font.Height, -40);

    // Names, unlike tags, compare under the locale's folding.
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(Fonts.IndexOf("überschrift"), 7);
    EXPECT_EQ(Fonts.AddFont("üBERSCHRIFT", "x", 30, clBlack, fsNone, false, 0, 0), nullptr);
}

TEST_F(TagTest, TheLastMatchingFontSetInTheCollectionDecides)
{
    EXPECT_EQ(Prepare("<Text1>x<Title1>y<Title1>"), "xy<Title1>");
    EXPECT_EQ(Font.Height, -12) << "Text1 comes after Title1";
    EXPECT_FALSE(Effect.Shadow().Enabled());
}

TEST_F(TagTest, ValuesAreInserted)
{
    EXPECT_EQ(Prepare("<Owner> - <Date>"), "Tester - 03/07/24");
    EXPECT_EQ(Prepare("<Organization>"), "Quorbel Ltd");
    EXPECT_EQ(Prepare("<Date><Date>"), "03/07/24<Date>");
    EXPECT_EQ(Prepare("<Time>"), "13:05:09");
    EXPECT_EQ(Prepare("<Nope>Hi"), "<Nope>Hi");
}

TEST_F(TagTest, AlignmentFollowsTheCollectionOrder)
{
    EXPECT_EQ(Prepare("<Right>text<Left>"), "text");
    EXPECT_EQ(Alignment, TAlignment::taRightJustify);
}

TEST_F(TagTest, CustomLabelTextIsScannedByLaterLabelsOnly)
{
    TUserLabels labels({}, RegisteredUser{});
    labels.Now = Labels.Now;
    ASSERT_NE(labels.AddLabel("Stamp", "at <Time> <Title1>", TLabelStyle::lsCustom), nullptr);
    AddDefaultUserLabels(labels);
    std::string line = "<Stamp>!";
    Fonts.ApplyFontTags(line, &Font, &Effect);
    labels.ApplyLabelTags(line, Alignment);
    EXPECT_EQ(line, "at 13:05:09 <Title1>!");

    labels.Items(0).OnGetText = [](TUserLabel*, std::string& text) { text += "?"; };
    EXPECT_EQ(labels.Items(0).Text(), "at <Time> <Title1>?");
}

TEST_F(TagTest, RenamesKeepNamesUnique)
{
    int reports = 0;
    Fonts.OnChange = [&](TPersistent*) { ++reports; };
    TFontLabel& title1 = Fonts.Items(Fonts.IndexOf("title1"));
    title1.SetName("TITLE1");
    EXPECT_EQ(title1.Name(), "TITLE1");
    EXPECT_EQ(reports, 1);
    try {
        title1.SetName("title2");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Duplicate string!");
    }
    EXPECT_EQ(title1.Name(), "TITLE1");
    EXPECT_THROW(Labels.Items(0).SetName("DATE"), Exception);
    EXPECT_EQ(Fonts.AddFont("TEXT3", "x", 9, clBlack, fsNone, false, 0, 0), nullptr);
    EXPECT_EQ(Labels.AddLabel("time", "", TLabelStyle::lsCustom), nullptr);
    EXPECT_EQ(reports, 1);
}

TEST_F(TagTest, UserLabelTextIsWrittenOnlyForCustomLabels)
{
    TUserLabel& date = Labels.Items(Labels.IndexOf("Date"));
    date.SetText("fixed");
    EXPECT_EQ(date.StoredText(), "");
    date.SetStyle(TLabelStyle::lsCustom);
    date.SetText("fixed");
    EXPECT_EQ(Prepare("<Date>"), "fixed");
}

struct DefaultFontRow {
    const char* Name;
    const char* Face;
    int32_t Height;
    TColor Color;
    uint32_t Style;
    bool Shadow;
    int OffsetX;
    int OffsetY;
};

class DefaultFontSetTest : public ::testing::TestWithParam<std::pair<int, DefaultFontRow>> {};

TEST_P(DefaultFontSetTest, SetAsThePreviewConfiguresIt)
{
    TFontLabels fonts;
    AddDefaultFontSets(fonts);
    AddFadeTextFontSets(fonts);
    ASSERT_EQ(fonts.Count(), 7);
    const auto& [index, row] = GetParam();
    TFontLabel& label = fonts.Items(index);
    EXPECT_EQ(label.Name(), row.Name);
    EXPECT_EQ(label.Font().Name(), row.Face);
    EXPECT_EQ(label.Font().Height(), row.Height);
    EXPECT_EQ(label.Font().Color(), row.Color);
    EXPECT_EQ(label.Font().Style(), row.Style);
    EXPECT_EQ(label.Effect().Shadow().Enabled(), row.Shadow);
    EXPECT_EQ(label.Effect().Shadow().OffsetX(), row.OffsetX);
    EXPECT_EQ(label.Effect().Shadow().OffsetY(), row.OffsetY);
}

// Heights as the preview window's form stores them.
INSTANTIATE_TEST_SUITE_P(
    Rows, DefaultFontSetTest,
    ::testing::Values(std::pair{0, DefaultFontRow{"Title1", "黑体", -16, clBlack, fsBold, true, 2, 2}},
                      std::pair{1, DefaultFontRow{"Title2", "黑体", -12, clBlue, fsBold, true, 1, 1}},
                      std::pair{2, DefaultFontRow{"Title3", "楷体_GB2312", -15, clBlue, fsNone, true, 2, 2}},
                      std::pair{3, DefaultFontRow{"Text1", "楷体_GB2312", -12, clBlack, fsNone, false, 1, 1}},
                      std::pair{4, DefaultFontRow{"Text2", "楷体_GB2312", -11, clTeal, fsNone, true, 1, 1}},
                      std::pair{5, DefaultFontRow{"Title4", "隶书", -29, clBlack, fsNone, true, 2, 2}},
                      std::pair{6, DefaultFontRow{"Text3", "隶书", -15, clBlue, fsNone, true, 1, 1}}));

TEST(DefaultContentsTest, FadeTextSetsAndLabels)
{
    TFontLabels fonts;
    AddFadeTextFontSets(fonts);
    const TAAEffect& title4 = fonts.Items(0).Effect();
    EXPECT_EQ(title4.Gradual().StartColor(), TColor(16720384));
    EXPECT_EQ(title4.Gradual().EndColor(), TColor(2232575));
    EXPECT_TRUE(title4.Outline());
    EXPECT_EQ(title4.Blur(), 50);
    EXPECT_EQ(fonts.Items(1).Effect().Gradual().Style(), TGradualStyle::gsTopToBottom);
    EXPECT_EQ(fonts.Items(1).Effect().Gradual().EndColor(), TColor(16720554));

    TUserLabels labels({}, RegisteredUser{});
    AddDefaultUserLabels(labels);
    const char* names[] = {"Left", "Center", "Right", "Owner", "Organization", "AppTitle", "Date", "Time"};
    ASSERT_EQ(labels.Count(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(labels.Items(i).Name(), names[i]);
        EXPECT_EQ(int(labels.Items(i).Style()), i);
    }
}

TEST(DefaultContentsTest, CopiedCollectionsReportOnceAndThenPerChange)
{
    TFontLabels source;
    AddDefaultFontSets(source);
    AddFadeTextFontSets(source);
    int reports = 0;
    TFontLabels copy([&](TPersistent*) { ++reports; });
    copy.Assign(source);
    EXPECT_EQ(reports, 1);
    ASSERT_EQ(copy.Count(), 7);
    EXPECT_EQ(copy.Items(5).Name(), "Title4");
    EXPECT_EQ(copy.Items(5).Font().Height(), -29);
    EXPECT_TRUE(copy.Items(5).Effect().Outline());

    copy.Items(5).Effect().SetBlur(10);
    EXPECT_EQ(reports, 2);
    EXPECT_EQ(source.Items(5).Effect().Blur(), 50);
    copy.Items(5).Font().SetColor(clRed);
    EXPECT_EQ(reports, 3);
    copy.Move(5, 0);
    EXPECT_EQ(copy.Items(0).Name(), "Title4");
    EXPECT_EQ(copy.Items(1).Name(), "Title1");
    copy.Delete(0);
    EXPECT_EQ(copy.Count(), 6);
    EXPECT_EQ(reports, 5);
}

TEST(RegisteredUserTest, OrganizationComesFromTheEnvironment)
{
    setenv("ORGANIZATION", "Quorbel Ltd", 1);
    EXPECT_EQ(ReadRegisteredUser().Organization, "Quorbel Ltd");
    unsetenv("ORGANIZATION");
    EXPECT_EQ(ReadRegisteredUser().Organization, "");
    EXPECT_FALSE(ReadRegisteredUser().Owner.empty());
}

} // namespace
} // namespace saver
