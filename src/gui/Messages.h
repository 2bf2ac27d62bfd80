#pragma once
// Window messages with the Win32 numbers, so that message hooks and handlers
// read the same on every platform.

#include "core/Geometry.h"

#include <cstdint>

namespace saver {

// A window handle: an opaque number, 0 for none. Windows of this process get
// small numbers from the application; foreign windows keep the platform's.
using HWND = uintptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_ERASEBKGND = 0x0014;
constexpr uint32_t WM_SHOWWINDOW = 0x0018;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_USER = 0x0400;

// Private messages of the framework (above WM_USER + 0xB000, as such
// frameworks do, so they never meet an application's own WM_USER + n).
constexpr uint32_t CM_BASE = 0xB000;
constexpr uint32_t CM_RELEASE = CM_BASE + 33;
constexpr uint32_t CM_MOUSEENTER = CM_BASE + 19;
constexpr uint32_t CM_MOUSELEAVE = CM_BASE + 20;
constexpr uint32_t CM_HOSTDESTROYED = CM_BASE + 100;

constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_SCREENSAVE = 0xF140;

constexpr uint16_t VK_RETURN = 0x0D;
constexpr uint16_t VK_ESCAPE = 0x1B;
constexpr uint16_t VK_SPACE = 0x20;
constexpr uint16_t VK_MENU = 0x12;
constexpr uint16_t VK_F4 = 0x73;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

constexpr LPARAM MakeLParam(int32_t low, int32_t high)
{
    return LPARAM(uint32_t(uint16_t(low)) | (uint32_t(uint16_t(high)) << 16));
}
constexpr int16_t LoWord(LPARAM l) { return int16_t(uint16_t(uintptr_t(l))); }
constexpr int16_t HiWord(LPARAM l) { return int16_t(uint16_t(uintptr_t(l) >> 16)); }

struct Message {
    HWND Hwnd = 0;
    uint32_t Msg = WM_NULL;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
    uint32_t Time = 0; // application clock when queued
    Point Pt;          // cursor position in screen coordinates when queued
};

} // namespace saver
