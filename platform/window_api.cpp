#include "platform/window_api.h"

#include <system_error>

#include "platform/text.h"

namespace vantrel::platform {

std::string WindowText(HWND window, int maxChars) {
    // A character takes up to four bytes of UTF-8; the buffer holds `maxChars` whole characters
    // of any script, and the cut is made between characters.
    const int bytes = TextIsUtf8() ? 4 * maxChars : maxChars;
    std::string text(static_cast<size_t>(bytes) + 1, '\0');
    const int n = ::GetWindowTextA(window, text.data(), bytes + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return FirstChars(text, static_cast<size_t>(maxChars));
}

std::string ClassNameOf(HWND window) {
    // Room for kClassBuffer characters of four UTF-8 bytes each.
    char buffer[4 * kClassBuffer + 1] = {};
    const int n = ::GetClassNameA(window, buffer, TextIsUtf8() ? 4 * kClassBuffer : kClassBuffer);
    return FirstChars(std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0), kClassBuffer);
}

LONG StyleOf(HWND window) {
    return ::GetWindowLongA(window, GWL_STYLE);
}
LONG ExStyleOf(HWND window) {
    return ::GetWindowLongA(window, GWL_EXSTYLE);
}
void SetExStyle(HWND window, LONG exStyle) {
    ::SetWindowLongA(window, GWL_EXSTYLE, exStyle);
}

HWND OwnerOf(HWND window) {
    return reinterpret_cast<HWND>(::GetWindowLongPtrA(window, GWLP_HWNDPARENT));
}

DWORD ProcessIdOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

DWORD ThreadIdOf(HWND window, DWORD* processId) {
    return ::GetWindowThreadProcessId(window, processId);
}

HWND FirstChild(HWND window) {
    return ::GetWindow(window, GW_CHILD);
}
HWND NextSibling(HWND window) {
    return ::GetWindow(window, GW_HWNDNEXT);
}

namespace {
BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}
} // namespace

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    windows.reserve(256);
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::future<std::vector<HWND>> TopLevelWindowsElsewhere() {
    try {
        return std::async(std::launch::async, TopLevelWindows);
    } catch (const std::system_error&) {
        // No thread to spare: listed here, as before.
        std::promise<std::vector<HWND>> here;
        here.set_value(TopLevelWindows());
        return here.get_future();
    }
}

int ScreenWidth() {
    return ::GetSystemMetrics(SM_CXSCREEN);
}
int ScreenHeight() {
    return ::GetSystemMetrics(SM_CYSCREEN);
}

RECT MonitorRectOf(HWND window) {
    // Asks the window manager about the window's rectangle; the window itself is never sent a
    // message, so a hung program cannot hold this up.
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (monitor == nullptr || !::GetMonitorInfoA(monitor, &info)) {
        return RECT{0, 0, ScreenWidth(), ScreenHeight()};
    }
    return info.rcMonitor;
}

} // namespace vantrel::platform
