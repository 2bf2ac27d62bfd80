// Extracted files on Windows land under folder names outside the ANSI code
// page (a user called Zoë) and are read back from there; a failure names the
// path as it was given.
#include "payload/ReadPayload.h"

#include "TestFiles.h"
#include "core/Error.h"
#include "core/Utf16Win32.h"
#include "gdi/Bitmap.h"
#include "gdi/Jpeg.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace saver;

TEST(ExtractedFileWin32, WritesUnderAFolderNamedOutsideTheAnsiCodePage)
{
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
    const std::wstring folder = temp + (L"Zo\u00EB-\u9ED1-" + std::to_wstring(GetCurrentProcessId()));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring file = folder + L"\\fpics0.jpg";
    const Bytes jpeg = test::TinyJpeg();

    WriteExtractedFile(Narrow(file), jpeg.data(), jpeg.size());
    WIN32_FILE_ATTRIBUTE_DATA written{};
    EXPECT_TRUE(GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &written));
    EXPECT_EQ(written.nFileSizeLow, jpeg.size());
    Bitmap picture;
    LoadJpegFile(Narrow(file), picture);
    EXPECT_EQ(picture.Width(), 8);

    const std::string missing = Narrow(folder + L"\\absent\\fpics1.jpg");
    try {
        WriteExtractedFile(missing, jpeg.data(), jpeg.size());
        ADD_FAILURE() << "no folder, no file";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Cannot write " + missing + ": ", 0), 0u) << error.what();
    }
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}
