// The screensaver executable: picks the platform backend and runs the
// start-up with the command-line arguments.

#include "core/Error.h"
#include "core/FrameMemory.h"
#include "gui/backend/BackendFactory.h"
#include "platform/InstallPlatformServices.h"
#include "saver/SaverHead.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include "core/Utf16Win32.h"

#include <windows.h>
#include <shellapi.h>
#endif

namespace {

// The arguments after the program's name, in UTF-8. On Windows the narrow
// argv is in the ANSI code page, so they are taken from the wide command line.
std::vector<std::string> Arguments(int argc, char** argv)
{
#ifdef _WIN32
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> args;
        for (int i = 1; i < count; ++i)
            args.push_back(saver::Narrow(wide[i]));
        LocalFree(wide);
        return args;
    }
#endif
    return {argv + std::min(argc, 1), argv + argc};
}

} // namespace

int main(int argc, char** argv)
{
    saver::KeepFrameMemoryForReuse();
    const std::vector<std::string> args = Arguments(argc, argv);
#ifndef _WIN32
    // A terminal user's questions are answered before any display is opened.
    const std::string program = argc > 0 ? std::filesystem::path(argv[0]).filename().string() : "saver";
    switch (saver::ChooseInfoRequest(args)) {
    case saver::InfoRequest::Usage:
        std::cout << saver::UsageText(program);
        return 0;
    case saver::InfoRequest::Version:
        std::cout << saver::VersionText(program);
        return 0;
    case saver::InfoRequest::None:
        break;
    }
#endif
    std::unique_ptr<saver::Backend> backend;
    try {
        backend = saver::CreateBackend(std::cerr);
        saver::InstallPlatformServices(*backend);
    } catch (const std::exception& error) {
        std::cerr << "saver: " << error.what() << std::endl;
        return 1;
    }
    return saver::SaverMain(args, *backend);
}
