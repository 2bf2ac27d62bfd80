#include "ForeignWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace saver::test {

namespace {
Display* AsDisplay(void* display) { return static_cast<Display*>(display); }
} // namespace

ForeignWindow::ForeignWindow(int32_t x, int32_t y, int32_t width, int32_t height) : m_display(XOpenDisplay(nullptr))
{
    Display* display = AsDisplay(m_display);
    if (!display)
        return;
    const int screen = DefaultScreen(display);
    m_window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, unsigned(width), unsigned(height), 0,
                                   0, BlackPixel(display, screen));
    XMapWindow(display, m_window);
    XSync(display, False);
}

ForeignWindow::~ForeignWindow()
{
    if (!m_display)
        return;
    Destroy();
    XCloseDisplay(AsDisplay(m_display));
}

void ForeignWindow::Destroy()
{
    if (m_window)
        XDestroyWindow(AsDisplay(m_display), m_window);
    m_window = 0;
    XSync(AsDisplay(m_display), False);
}

namespace {

TColor ReadPixel(Display* display, ::Window window, int32_t x, int32_t y)
{
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return clNone;
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return RGB(uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p));
}

} // namespace

TColor ForeignWindow::PixelAt(int32_t x, int32_t y)
{
    if (!m_window)
        return clNone;
    return ReadPixel(AsDisplay(m_display), m_window, x, y);
}

TColor ForeignWindow::RootPixelAt(int32_t x, int32_t y)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return clNone;
    const TColor color = ReadPixel(display, DefaultRootWindow(display), x, y);
    XCloseDisplay(display);
    return color;
}

void ForeignWindow::WarpPointer(int32_t x, int32_t y)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
    XSync(display, False);
    XCloseDisplay(display);
}

} // namespace saver::test
