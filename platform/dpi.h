#pragma once
// Display scaling. The program's layout is written in pixels at 96 DPI; every size it creates is
// that figure scaled to the DPI of the monitor its window stands on.
#include <windows.h>

namespace vantrel::platform {

constexpr int kLayoutDpi = 96;

// The DPI a window is drawn at: the system's answer for that window where it has one (Windows
// 10 1607 and later), else the screen's DPI.
int WindowDpi(HWND window);
// The screen's DPI, for what is made before there is a window (the tray icon's size).
int ScreenDpi();

// A figure of the 96-DPI layout at `dpi`, rounded to the nearest pixel.
inline int Scaled(int value, int dpi) {
    return ::MulDiv(value, dpi, kLayoutDpi);
}
inline RECT Scaled(const RECT& r, int dpi) {
    return RECT{Scaled(r.left, dpi), Scaled(r.top, dpi), Scaled(r.right, dpi),
                Scaled(r.bottom, dpi)};
}

// A system metric at `dpi` (the small icon's size, say); where the system cannot say so for
// another DPI than its own, its own figure scaled.
int SystemMetricAt(int index, int dpi);

// The outer size of a window of that style whose client area is `clientWidth` by
// `clientHeight`, with the frame drawn at `dpi`.
SIZE FrameSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

} // namespace vantrel::platform
