// The screensaver executable: picks the platform backend and runs the
// start-up with the command-line arguments.

#include "core/Error.h"
#include "gui/backend/BackendFactory.h"
#include "platform/InstallPlatformServices.h"
#include "saver/SaverHead.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::unique_ptr<saver::Backend> backend;
    try {
        backend = saver::CreateBackend(std::cerr);
        saver::InstallPlatformServices(*backend);
    } catch (const std::exception& error) {
        std::cerr << "saver: " << error.what() << std::endl;
        return 2;
    }
    return saver::SaverMain(std::vector<std::string>(argv + 1, argv + argc), *backend);
}
