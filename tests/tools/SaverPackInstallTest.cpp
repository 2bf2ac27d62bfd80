// saverpack --install-xscreensaver: the edit of ~/.xscreensaver (one entry
// added at one place, every other byte kept, malformed files refused) and
// the installed screensaver file.

#include "payload/TestFiles.h"
#include "payload/Trailer.h"
#include "saverpack/SaverPack.h"
#include "saverpack/XScreenSaverConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using namespace saver;
using namespace saver::test;

namespace {

const char* const kEntry = "\"Demo\"\t/h/Demo.scr -root";
// The entry as it is laid out on its own line.
const char* const kEntryLine = "\t\t\t\t\"Demo\"\t/h/Demo.scr -root \\n\\\n";

struct EditCase {
    const char* name;
    std::string before;
    std::string systemPrograms;
    std::string after;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class ProgramsEdit : public testing::TestWithParam<EditCase> {};

// The layout XScreenSaver writes: the list ends with an entry's "\n\" and a
// blank line.
const std::string kWritten = "timeout:\t0:10:00\n"
                             "programs:\t\t\t\t\t\\\n"
                             "\t\t\t\tmaze -root\t\t\\n\\\n"
                             "  GL:\t\t\t\tsuperquadrics -root\t\\n\\\n"
                             "\n"
                             "pointerPollTime:\t0:00:05\n";

} // namespace

TEST_P(ProgramsEdit, AddsTheEntryAtOnePlace)
{
    const EditCase& c = GetParam();
    EXPECT_EQ(AddProgram(c.before, kEntry, c.systemPrograms), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ProgramsEdit,
    testing::Values(
        EditCase{"AsXScreenSaverWritesIt", kWritten, "",
                 "timeout:\t0:10:00\n"
                 "programs:\t\t\t\t\t\\\n"
                 "\t\t\t\tmaze -root\t\t\\n\\\n"
                 "  GL:\t\t\t\tsuperquadrics -root\t\\n\\\n" +
                     std::string(kEntryLine) +
                     "\n"
                     "pointerPollTime:\t0:00:05\n"},
        // The last entry on the list's last line: the new one goes before it.
        EditCase{"LastEntryEndsTheList", "programs: \\\n  maze -root \\n\\\n  xflame -root\nmode: random\n", "",
                 "programs: \\\n  maze -root \\n\\\n" + std::string(kEntryLine) + "  xflame -root\nmode: random\n"},
        // Entries not yet separated: the new one brings its separator.
        EditCase{"NoSeparatorBefore", "programs: \\\n  maze -root \\\n  xflame -root\n", "",
                 "programs: \\\n  maze -root \\\n\t\t\t\t\\n\"Demo\"\t/h/Demo.scr -root \\n\\\n  xflame -root\n"},
        EditCase{"OneLineList", "! settings\nprograms:\tmaze -root\n", "",
                 "! settings\nprograms:\\\n" + std::string(kEntryLine) + "\tmaze -root\n"},
        // A file without a list keeps the system's programs offered.
        EditCase{"NoListTakesTheSystemList", "mode:\trandom\n", "\t\\\n\t\tmaze -root \\n\\\n\n",
                 "mode:\trandom\nprograms:\t\\\n\t\tmaze -root \\n\\\n" + std::string(kEntryLine) + "\n"},
        EditCase{"EmptyFile", "", "", "programs:\\\n" + std::string(kEntryLine) + "\n"},
        EditCase{"NoFinalLineBreak", "mode:\trandom", "", "mode:\trandom\nprograms:\\\n" + std::string(kEntryLine) + "\n"}),
    CaseName);

TEST(ProgramsEdit, TheSystemListIsTakenRaw)
{
    const std::string appDefaults = "*mode:\trandom\n*programs:\t\\\n\t\tmaze -root \\n\\\n\n*timeout:\t0:10:00\n";
    EXPECT_EQ(RawProgramsValue(appDefaults), "\t\\\n\t\tmaze -root \\n\\\n\n");
    EXPECT_EQ(RawProgramsValue("*mode:\trandom\n"), "");
    EXPECT_EQ(RawProgramsValue("no resource here\n"), "");
}

TEST(ProgramsEdit, MalformedFilesAreRefused)
{
    for (const std::string& text : {std::string("programs:\t\\\n  maze -root \\n\\"), // continued past the end
                                    std::string("mode: random\nhello world\n"),     // neither comment nor resource
                                    std::string(": value\n"),                       // no name
                                    std::string("programs: a\n*programs: b\n"),     // two lists
                                    std::string("mode: ran\0dom\n", 15)})
        EXPECT_THROW(AddProgram(text, kEntry, ""), MalformedSettings) << text;
}

namespace {

// A home folder with pictures and a runtime; HOME points there while the test
// runs.
// The selected position counts every entry that is not blank, disabled ones
// included, from 0.
TEST(ProgramsSelection, CountsTheEntriesXScreenSaverCounts)
{
    const std::string text = "programs:\t\\\n"
                             "\t\t\t\tmaze -root\t\\n\\\n"
                             "\t\t\t\t\\n\\\n"
                             "-\t\t\t\tbsod -root\t\\n\\\n"
                             "\t\t\t\t\"Demo\"\t/h/Demo.scr -root \\n\\\n"
                             "\n";
    EXPECT_EQ(ProgramIndex(text, "maze"), 0);
    EXPECT_EQ(ProgramIndex(text, "bsod"), 1);
    EXPECT_EQ(ProgramIndex(text, "/h/Demo.scr"), 2);
    EXPECT_EQ(ProgramIndex(text, "/h/Other.scr"), std::nullopt);
    EXPECT_THROW((void)SelectProgram(text, "/h/Other.scr"), MalformedSettings);
}

// Only the two values change, their spacing kept; missing ones are added.
TEST(ProgramsSelection, ChangesModeAndSelectedOnly)
{
    const std::string list = "programs:\tmaze -root \\n\\\n\t\"Demo\" /h/Demo.scr -root\n";
    const std::string before = "timeout:\t0:10:00\nmode:\t\trandom\r\n" + list + "selected:  17\n! end\n";
    EXPECT_EQ(SelectProgram(before, "/h/Demo.scr"),
              "timeout:\t0:10:00\nmode:\t\tone\r\n" + list + "selected:  1\n! end\n");
    EXPECT_EQ(SelectProgram("! only\n" + list, "maze"), "! only\n" + list + "mode:\t\tone\nselected:\t\t0\n");
}

class InstallXScreenSaver : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = ScratchDir();
        m_home = m_dir / "home";
        std::filesystem::create_directories(m_home);
        WriteFile(m_dir / "runtime", Pattern(1024, 1));
        WriteFile(m_dir / "a.jpg", TinyJpeg(500));
        WriteFile(m_dir / "b.jpg", TinyJpeg(700));
        const char* home = std::getenv("HOME");
        m_oldHome = home ? home : "";
        setenv("HOME", m_home.c_str(), 1);
        unsetenv("XDG_DATA_HOME");
    }
    void TearDown() override { setenv("HOME", m_oldHome.c_str(), 1); }

    int Install(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{"--install-xscreensaver", "Demo", "--runtime", (m_dir / "runtime").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back((m_dir / "a.jpg").string());
        args.push_back((m_dir / "b.jpg").string());
        std::ostringstream out, err;
        const int code = RunSaverPack(args, out, err);
        m_out = out.str();
        m_err = err.str();
        return code;
    }

    std::string Settings() const
    {
        const Bytes bytes = ReadFile(m_home / ".xscreensaver");
        return {bytes.begin(), bytes.end()};
    }
    void WriteSettings(const std::string& text) const { WriteFile(m_home / ".xscreensaver", Bytes(text.begin(), text.end())); }
    std::filesystem::path SaverPath() const { return m_home / ".local/share/quorbel/Demo.scr"; }

    std::filesystem::path m_dir, m_home;
    std::string m_oldHome, m_out, m_err;
};

} // namespace

TEST_F(InstallXScreenSaver, WritesTheSaverAndAddsItsEntryOnce)
{
    WriteSettings(kWritten);
    ASSERT_EQ(Install(), SaverPackOk) << m_err;

    // The saver: the runtime, the two pictures and the trailer, executable.
    const std::filesystem::path saver = SaverPath();
    EXPECT_EQ(std::filesystem::file_size(saver), 1024u + 500u + 700u + TrailerSize);
    EXPECT_NE(std::filesystem::status(saver).permissions() & std::filesystem::perms::owner_exec,
              std::filesystem::perms::none);

    // The settings: the original with exactly one line more, at the list's end.
    const std::string line = "\t\t\t\t\"Demo\"\t" + saver.string() + " -root \\n\\\n";
    const std::string settings = Settings();
    const size_t at = settings.find(line);
    ASSERT_NE(at, std::string::npos) << settings;
    EXPECT_EQ(settings.substr(0, at) + settings.substr(at + line.size()), kWritten);
    EXPECT_EQ(settings.substr(at + line.size(), 1), "\n") << "before the blank line that ends the list";

    // Installing again rewrites the saver but lists it only once.
    ASSERT_EQ(Install({"--interval", "9"}), SaverPackOk) << m_err;
    EXPECT_EQ(Settings(), settings);
    EXPECT_NE(m_out.find("already lists it"), std::string::npos) << m_out;
}

TEST_F(InstallXScreenSaver, SelectMakesTheNewEntryTheOneThatRuns)
{
    WriteSettings(kWritten + "mode:\t\trandom\nselected:\t-1\n");
    ASSERT_EQ(Install({"--select"}), SaverPackOk) << m_err;
    const std::string line = "\t\t\t\t\"Demo\"\t" + SaverPath().string() + " -root \\n\\\n";
    std::string expected = kWritten + "mode:\t\tone\nselected:\t2\n";
    expected.insert(expected.find("\n\npointerPollTime") + 1, line);
    EXPECT_EQ(Settings(), expected);
    EXPECT_NE(m_out.find("\"Demo\" is the selected saver"), std::string::npos) << m_out;
}

TEST_F(InstallXScreenSaver, AMalformedFileIsRefusedAndNothingIsWritten)
{
    const std::string malformed = "mode: random\nthis is not a resource line\n";
    WriteSettings(malformed);
    EXPECT_EQ(Install(), SaverPackUsageError);
    EXPECT_NE(m_err.find("line 2 is neither a comment nor"), std::string::npos) << m_err;
    EXPECT_EQ(Settings(), malformed);
    EXPECT_FALSE(std::filesystem::exists(SaverPath()));
}

TEST_F(InstallXScreenSaver, NamesAndOptionsThatCannotBeUsedAreRefused)
{
    EXPECT_EQ(Install({"--out", (m_dir / "x.scr").string()}), SaverPackUsageError);
    for (const char* name : {"", "../evil", "-x", "a\"b", "semi;colon"}) {
        std::ostringstream out, err;
        EXPECT_EQ(RunSaverPack({"--install-xscreensaver", name, (m_dir / "a.jpg").string()}, out, err),
                  SaverPackUsageError)
            << name;
    }
    std::ostringstream out, err;
    EXPECT_EQ(RunSaverPack({"--install-xscreensaver"}, out, err), SaverPackUsageError);
    EXPECT_FALSE(std::filesystem::exists(m_home / ".xscreensaver"));
}
