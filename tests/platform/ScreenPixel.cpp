// screen-pixel: prints the colour of one pixel of the X screen as rrggbb,
// for the checks that watch what the saver shows (scripts/flash-check);
// reading one pixel costs next to nothing beside a whole screen capture.
//   screen-pixel X Y

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: screen-pixel X Y\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "screen-pixel: cannot open the display\n");
        return 1;
    }
    XImage* image = XGetImage(display, DefaultRootWindow(display), std::atoi(argv[1]), std::atoi(argv[2]), 1, 1,
                              AllPlanes, ZPixmap);
    if (!image) {
        XCloseDisplay(display);
        return 1;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XColor color;
    color.pixel = pixel;
    XQueryColor(display, DefaultColormap(display, DefaultScreen(display)), &color);
    std::printf("%02x%02x%02x\n", color.red >> 8, color.green >> 8, color.blue >> 8);
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}
