#include "gui/backend/sdl/X11Host.h"

#include <X11/Xlib.h>

#include <atomic>

namespace saver {

namespace {

// Errors of X requests about foreign windows; the handler is process-wide,
// so it also keeps SDL's drawing into a host that has just gone away from
// ending the process.
std::atomic<int> g_lastError{0};
std::atomic<int> g_hosts{0};
XErrorHandler g_previousHandler = nullptr;

int RecordError(Display*, XErrorEvent* event)
{
    g_lastError = event->error_code;
    return 0;
}

Display* AsDisplay(void* display) { return static_cast<Display*>(display); }

} // namespace

X11Host::X11Host()
{
    m_display = XOpenDisplay(nullptr);
    if (m_display && g_hosts++ == 0)
        g_previousHandler = XSetErrorHandler(RecordError);
}

X11Host::~X11Host()
{
    if (!m_display)
        return;
    XCloseDisplay(AsDisplay(m_display));
    if (--g_hosts == 0)
        XSetErrorHandler(g_previousHandler);
}

uint32_t X11Host::RootWindowId() const
{
    return m_display ? uint32_t(XDefaultRootWindow(AsDisplay(m_display))) : 0;
}

std::optional<Point> X11Host::PointerPosition() const
{
    if (!m_display)
        return std::nullopt;
    Display* display = AsDisplay(m_display);
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int buttons = 0;
    if (!XQueryPointer(display, XDefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &buttons))
        return std::nullopt;
    return Point{rootX, rootY};
}

bool X11Host::DirectRendering() const
{
    if (!m_display)
        return true; // another video driver: its renderers are its own affair
    int opcode = 0, event = 0, error = 0;
    Display* display = AsDisplay(m_display);
    return XQueryExtension(display, "DRI3", &opcode, &event, &error) ||
           XQueryExtension(display, "DRI2", &opcode, &event, &error);
}

std::optional<Rect> X11Host::WindowRect(uint32_t window)
{
    if (!m_display || window == 0)
        return std::nullopt;
    Display* display = AsDisplay(m_display);
    XSync(display, False);
    g_lastError = 0;
    XWindowAttributes attributes{};
    const Status ok = XGetWindowAttributes(display, Window(window), &attributes);
    XSync(display, False);
    if (!ok || g_lastError != 0)
        return std::nullopt;
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display, Window(window), attributes.root, 0, 0, &x, &y, &child);
    XSync(display, False);
    if (g_lastError != 0)
        return std::nullopt;
    return Rect::FromSize(x, y, attributes.width, attributes.height);
}

} // namespace saver
