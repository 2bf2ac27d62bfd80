#include "platform/RuffleFlash.h"

#include "core/Diagnostics.h"
#include "core/Error.h"
#include "gdi/Canvas.h"
#include "platform/SwfHeader.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace saver {
namespace fs = std::filesystem;

std::variant<FlashPlayerFiles, std::string> LocateFlashPlayer(const std::vector<FlashPlayerFiles>& places)
{
    for (const FlashPlayerFiles& place : places) {
        std::error_code ec;
        if (!fs::is_regular_file(place.Program, ec) || access(place.Program.c_str(), X_OK) != 0)
            continue;
        for (const char* name : {"index.html", "player.js", "ruffle/ruffle.js"})
            if (!fs::is_regular_file(place.Data / name, ec))
                return "Ruffle's files are missing (no " + (place.Data / name).string() + ")";
        bool wasm = false;
        for (const auto& entry : fs::directory_iterator(place.Data / "ruffle", ec))
            wasm = wasm || entry.path().extension() == ".wasm";
        if (!wasm)
            return "Ruffle's files are missing (no WebAssembly in " + (place.Data / "ruffle").string() + ")";
        return place;
    }
    std::string looked;
    for (const FlashPlayerFiles& place : places)
        looked += (looked.empty() ? "" : ", ") + place.Program.parent_path().string();
    return "the Flash player saver-flash-player is not installed (looked in " + looked + ")";
}

std::vector<FlashPlayerFiles> FlashPlayerPlaces(const fs::path& executable)
{
    const fs::path beside = executable.parent_path();
    std::vector<FlashPlayerFiles> places = {
        {beside / "saver-flash-player", beside / "flash-player"},
        {fs::path(SAVER_INSTALL_LIBEXECDIR) / "quorbel-saver/saver-flash-player",
         fs::path(SAVER_INSTALL_DATADIR) / "quorbel-saver/flash-player"},
        // The Debian package installs under /usr whatever the build's prefix.
        {"/usr/libexec/quorbel-saver/saver-flash-player", "/usr/share/quorbel-saver/flash-player"},
        // A packed saver run from anywhere on the developer's machine.
        {fs::path(SAVER_BUILD_DIR) / "saver-flash-player", fs::path(SAVER_BUILD_DIR) / "flash-player"},
    };
    return places;
}

RuffleFlash::RuffleFlash(Clock& clock, FlashPlayerFiles files, std::function<unsigned long(HWND)> nativeWindow)
    : m_clock(clock), m_files(std::move(files)), m_nativeWindow(std::move(nativeWindow)),
      m_session([this](const JsonLine& command) { Send(command); })
{
}

RuffleFlash::~RuffleFlash() { Stop(); }

void RuffleFlash::Start()
{
    int link[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, link) != 0)
        throw Exception(std::string("Cannot start the Flash player: ") + std::strerror(errno));
    const std::string program = m_files.Program.string();
    const std::string data = m_files.Data.string();
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--data"),
                          const_cast<char*>(data.c_str()), nullptr};
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        close(link[0]);
        close(link[1]);
        throw Exception(std::string("Cannot start the Flash player: ") + std::strerror(errno));
    }
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec. The player
        // dies with the saver, however the saver ends.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        dup2(link[1], 0);
        dup2(link[1], 1);
        // Nothing else of the saver's (its X connection, its sound device)
        // stays open in the player.
        close_range(3, ~0U, 0);
        execv(argv[0], argv);
        _exit(127);
    }
    close(link[1]);
    m_link = link[0];
    fcntl(m_link, F_SETFL, fcntl(m_link, F_GETFL) | O_NONBLOCK);
    m_pid = pid;
    m_received.clear();
    m_placed = false;
}

void RuffleFlash::Stop()
{
    if (m_pid <= 0)
        return;
    // End of input asks the player to end; one that hangs is killed.
    close(m_link);
    m_link = -1;
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i) {
        ended = waitpid(m_pid, &status, WNOHANG) == m_pid;
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &status, 0);
    }
    m_pid = -1;
}

void RuffleFlash::Send(const JsonLine& command)
{
    if (m_link < 0)
        return;
    const std::string line = command.Format() + "\n";
    size_t sent = 0;
    // A player that has not read its input for a second (a full buffer of
    // commands) hangs: it is ended rather than waited for.
    for (int waited = 0; sent < line.size() && waited < 1000;) {
        const ssize_t n = send(m_link, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++waited;
        } else {
            return; // the player is gone: Poll hears of it
        }
    }
    if (sent < line.size()) {
        Stop();
        m_session.PlayerEnded();
    }
}

void RuffleFlash::Poll()
{
    if (m_link < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = recv(m_link, buffer, sizeof buffer, 0);
        if (n > 0) {
            m_received.append(buffer, size_t(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n < 0 && errno == EINTR)
            continue;
        // The player ended on its own.
        Stop();
        m_session.PlayerEnded();
        break;
    }
    size_t end;
    while ((end = m_received.find('\n')) != std::string::npos) {
        const std::string line = m_received.substr(0, end);
        m_received.erase(0, end + 1);
        try {
            m_session.OnAnswer(JsonLine::Parse(line), m_clock.GetTickCount());
        } catch (const Exception& error) {
            ReportDiagnostic(std::string("flash: ") + error.what());
        }
    }
}

void RuffleFlash::SendPlace()
{
    if (m_pid <= 0 || m_placed)
        return;
    m_placed = true;
    Send(JsonLine()
             .Set("cmd", "place")
             .Set("parent", int64_t(m_parent))
             .Set("x", m_bounds.Left)
             .Set("y", m_bounds.Top)
             .Set("width", m_bounds.Width())
             .Set("height", m_bounds.Height())
             .Set("visible", m_visible));
}

void RuffleFlash::LoadMovie(const std::string& path)
{
    Poll();
    const SwfHeader header = ReadSwfHeader(path);
    if (m_pid <= 0) {
        Start();
        SendPlace();
    }
    m_session.Load(path, header);
}

void RuffleFlash::Play()
{
    Poll();
    m_session.Play();
}

int32_t RuffleFlash::TotalFrames()
{
    Poll();
    m_session.ThrowFailure();
    return m_session.TotalFrames();
}

int32_t RuffleFlash::CurrentFrame()
{
    Poll();
    m_session.ThrowFailure();
    return m_session.CurrentFrame(m_clock.GetTickCount());
}

void RuffleFlash::Paint(Canvas& canvas, const Rect& client)
{
    Poll();
    canvas.Brush.Style = BrushStyle::bsSolid;
    canvas.Brush.Color = clBlack;
    canvas.FillRect(client);
}

void RuffleFlash::Place(HWND frameworkParent, const Rect& bounds, bool visible)
{
    const unsigned long parent = frameworkParent ? m_nativeWindow(frameworkParent) : 0;
    // The saver's window is going away: the player goes first, so that it
    // never outlives its place on the screen.
    if (parent == 0 && m_parent != 0) {
        Stop();
        m_session.Drop();
    }
    if (parent == m_parent && bounds == m_bounds && visible == m_visible)
        return;
    m_parent = parent;
    m_bounds = bounds;
    m_visible = visible;
    m_placed = false;
    SendPlace();
}

} // namespace saver
