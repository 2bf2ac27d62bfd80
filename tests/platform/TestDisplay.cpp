#include "TestDisplay.h"

#include <dlfcn.h>
#include <poll.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace saver::test {
namespace {

pid_t g_server = 0;

void StopServer()
{
    if (g_server > 0) {
        kill(g_server, SIGTERM);
        waitpid(g_server, nullptr, 0);
        g_server = 0;
    }
}

std::string FindOnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string candidate = dir + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

std::string StartXvfb()
{
    const std::string xvfb = FindOnPath("Xvfb");
    if (xvfb.empty())
        return "DISPLAY is unset and Xvfb is not installed";
    int fds[2];
    if (pipe(fds) != 0)
        return "cannot create a pipe for Xvfb";
    const pid_t pid = fork();
    if (pid < 0)
        return "cannot start Xvfb";
    if (pid == 0) {
        // The server ends with this program even when it dies without
        // running its exit handlers (a sanitizer abort, a crash).
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        // Xvfb writes the display number it chose to the descriptor when it
        // is ready for clients. Without -noreset it would reset whenever its
        // last client leaves and refuse the next test's connection meanwhile.
        execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
              "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    g_server = pid;
    std::atexit(StopServer);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    // Xvfb starts in well under a second; ten are for a loaded machine.
    while (number.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char buffer[16];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, size_t(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        StopServer();
        return "Xvfb did not start";
    }
    number.erase(number.find('\n'));
    setenv("DISPLAY", (":" + number).c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    return {};
}

// SDL loads GL (and through it Mesa's software driver on a display without
// a GPU, such as Xvfb) when its video starts, and unloads it when it quits;
// what the driver still holds then would look leaked to LeakSanitizer at
// exit. Loaded once more here and never unloaded, the libraries keep their
// globals and their memory stays reachable.
void KeepGlLoaded()
{
    void* gl = dlopen("libGL.so.1", RTLD_NOW | RTLD_NODELETE);
    Dl_info info{};
    if (!gl || !dladdr(dlsym(gl, "glXGetProcAddress"), &info) || !info.dli_fname)
        return;
    const std::filesystem::path driver =
        std::filesystem::path(info.dli_fname).parent_path() / "dri" / "swrast_dri.so";
    dlopen(driver.c_str(), RTLD_NOW | RTLD_NODELETE);
}

} // namespace

std::string EnsureTestDisplay()
{
    static const std::string reason = [] {
        KeepGlLoaded();
        const char* display = std::getenv("DISPLAY");
        if (display && *display)
            return std::string();
        return StartXvfb();
    }();
    return reason;
}

} // namespace saver::test
