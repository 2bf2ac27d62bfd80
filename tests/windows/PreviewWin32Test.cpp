// The preview run on the Win32 backend, in this process: `/p HWND` with a
// window of ours as the host. The banner must be drawn inside the host (blue
// "Zentavo" first, black "Orlith" after the cross-fade), and the run must end
// when the host is destroyed.
#include "gui/backend/win32/Win32Backend.h"
#include "saver/SaverHead.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

// After the framework's headers: see Win32Backend.cpp.
#include <windows.h>

namespace saver {
namespace {

struct Ink {
    int Blue = 0;
    int Dark = 0;
};

struct PreviewProbe {
    ::HWND Host = nullptr;
    Ink First, Second;
    bool ChildFound = false;
};
PreviewProbe* g_probe = nullptr;

// Counts the banner's coloured pixels in what the preview's window shows.
Ink ReadInk(::HWND window)
{
    Ink ink;
    HDC dc = GetDC(window);
    for (int y = 24; y < 24 + 34; ++y)
        for (int x = 0; x < 145; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            ink.Blue += b > r + 80 && b > g + 80;
            ink.Dark += r < 80 && g < 80 && b < 80;
        }
    ReleaseDC(window, dc);
    return ink;
}

void CALLBACK OnProbeTimer(::HWND host, UINT, UINT_PTR id, DWORD)
{
    KillTimer(host, id);
    ::HWND child = GetWindow(host, GW_CHILD);
    g_probe->ChildFound = g_probe->ChildFound || child != nullptr;
    if (id == 1 && child)
        g_probe->First = ReadInk(child);
    if (id == 2 && child)
        g_probe->Second = ReadInk(child);
    if (id != 1)
        DestroyWindow(host); // the second reading, or the guard against a hang
}

TEST(Win32Preview, BannerIsDrawnInsideTheHostAndTheRunEndsWithIt)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Win32PreviewTestHost";
    RegisterClassA(&wc);
    PreviewProbe probe;
    g_probe = &probe;
    probe.Host = CreateWindowExA(0, wc.lpszClassName, "Preview", WS_POPUP | WS_VISIBLE, 40, 40, 152, 112, nullptr,
                                 nullptr, wc.hInstance, nullptr);
    ASSERT_NE(probe.Host, nullptr);
    SetTimer(probe.Host, 1, 1500, OnProbeTimer); // "Zentavo" shown
    SetTimer(probe.Host, 2, 4500, OnProbeTimer); // "Orlith" shown
    SetTimer(probe.Host, 3, 20000, OnProbeTimer);

    std::ostringstream log;
    Win32Backend backend(log);
    const int code = SaverMain({"/p", std::to_string(reinterpret_cast<uintptr_t>(probe.Host))}, backend);
    g_probe = nullptr;

    EXPECT_EQ(code, 0);
    EXPECT_FALSE(IsWindow(probe.Host));
    ASSERT_TRUE(probe.ChildFound) << "the preview made no window inside the host";
    EXPECT_GT(probe.First.Blue, 50) << "Zentavo is blue";
    EXPECT_EQ(probe.Second.Blue, 0);
    EXPECT_GT(probe.Second.Dark, 50) << "Orlith is black";
}

} // namespace
} // namespace saver
