// ReadPayload on a generated file, writing into a private folder: whatever
// the file holds, the folder ends up with nothing but the fixed item names.

#include "FuzzSupport.h"
#include "FilesOnlyTarget.h"

#include "core/Diagnostics.h"

#include <regex>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    namespace fs = std::filesystem;
    // Skipped pictures are reported; here only the folder's contents count.
    static const bool quiet = (saver::SetDiagnosticSink([](std::string_view) {}), true);
    (void)quiet;
    const std::string saverFile = saver::fuzz::WriteInput("saver.scr", data, size);
    const fs::path temp = saver::fuzz::PrivateFolder() + "temp";
    fs::create_directory(temp);
    saver::test::FilesOnlyTarget target(temp.string() + "/");
    (void)saver::ReadPayload(saverFile, target);

    static const std::regex itemName(R"((fpics\d+\.jpg)|(qorvane\d+\.(swf|mid|mp3|wav)))");
    uintmax_t written = 0;
    for (const auto& entry : fs::directory_iterator(temp)) {
        if (!std::regex_match(entry.path().filename().string(), itemName))
            __builtin_trap();
        written += entry.file_size();
    }
    // Each item is written once, from the file's own bytes.
    if (written > size)
        __builtin_trap();
    fs::remove_all(temp);
    return 0;
}
