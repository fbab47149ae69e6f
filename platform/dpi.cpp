#include "platform/dpi.h"

#include "platform/gdi.h"

namespace vantrel::platform {

namespace {

template <typename Fn> Fn User32Function(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), name)));
}

} // namespace

int ScreenDpi() {
    const WindowDc screen(nullptr);
    const int dpi =
        screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : kLayoutDpi;
    return dpi > 0 ? dpi : kLayoutDpi;
}

int WindowDpi(HWND window) {
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn fn = User32Function<Fn>("GetDpiForWindow");
    const UINT dpi = fn != nullptr && window != nullptr ? fn(window) : 0;
    return dpi != 0 ? static_cast<int>(dpi) : ScreenDpi();
}

int SystemMetricAt(int index, int dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static const Fn fn = User32Function<Fn>("GetSystemMetricsForDpi");
    if (fn != nullptr) {
        return fn(index, static_cast<UINT>(dpi));
    }
    return ::MulDiv(::GetSystemMetrics(index), dpi, ScreenDpi());
}

SIZE FrameSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) {
    using Fn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const Fn fn = User32Function<Fn>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, clientWidth, clientHeight};
    if (fn == nullptr || !fn(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        frame = RECT{0, 0, clientWidth, clientHeight};
        ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

} // namespace vantrel::platform
