#include "gui/backend/ProcessPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace saver;

namespace {

// A scratch TMPDIR without a runtime folder, so the fallback is used.
std::filesystem::path ScratchTmp(const std::string& name)
{
    const auto dir = std::filesystem::path(SAVER_BINARY_DIR) / "tempfolder" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ::setenv("TMPDIR", dir.c_str(), 1);
    ::unsetenv("XDG_RUNTIME_DIR");
    return dir;
}

std::string Expected(const std::filesystem::path& base)
{
    return (base / ("quorbel-" + std::to_string(::getuid()))).string() + "/";
}

} // namespace

TEST(PrivateTempFolder, IsCreatedClosedToOthers)
{
    const auto base = ScratchTmp("fresh");
    EXPECT_EQ(PrivateTempFolder(), Expected(base));
    struct stat st{};
    ASSERT_EQ(::lstat(Expected(base).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(PrivateTempFolder(), Expected(base)) << "an existing private folder is reused";
}

TEST(PrivateTempFolder, RefusesAPlantedSymbolicLink)
{
    const auto base = ScratchTmp("symlink");
    std::filesystem::create_directories(base / "elsewhere");
    std::filesystem::create_directory_symlink(base / "elsewhere", base / ("quorbel-" + std::to_string(::getuid())));
    EXPECT_THROW(PrivateTempFolder(), std::exception);
}

TEST(PrivateTempFolder, RefusesAFolderOthersMayUse)
{
    const auto base = ScratchTmp("open");
    const auto folder = base / ("quorbel-" + std::to_string(::getuid()));
    std::filesystem::create_directories(folder);
    ::chmod(folder.c_str(), 0777);
    try {
        PrivateTempFolder();
        FAIL() << "accepted a world-writable folder";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("others may use it"), std::string::npos) << e.what();
    }
}

TEST(PrivateTempFolder, UsesTheRuntimeFolderWhenThereIsOne)
{
    const auto base = ScratchTmp("runtime");
    const auto runtime = base / "run";
    std::filesystem::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    EXPECT_EQ(PrivateTempFolder(), (runtime / "quorbel").string() + "/");
}
