#include "platform/foreign_window.h"

#include "platform/window_api.h"

namespace vantrel::platform::foreign {

namespace {
bool g_ownProcessWindowsAreTargets = false;
HWND g_shellWindowForTests = nullptr;

bool IsShellWindow(HWND window, const std::string& cls, HWND shellWindow) {
    // The desktop window is no program's window: posted commands may still name it.
    if (window == shellWindow || window == ::GetDesktopWindow()) {
        return true;
    }
    // The taskbar: its class name is the same on Windows and under Wine.
    return cls == "Shell_TrayWnd" || cls == "Shell_SecondaryTrayWnd";
}
} // namespace

HWND ShellWindow() {
    return g_shellWindowForTests != nullptr ? g_shellWindowForTests : ::GetShellWindow();
}

void SetShellWindowForTests(HWND window) {
    g_shellWindowForTests = window;
}

void SetOwnProcessWindowsAreTargets(bool on) {
    g_ownProcessWindowsAreTargets = on;
}

bool IsTarget(HWND window) {
    if (window == nullptr) {
        return false;
    }
    if (!g_ownProcessWindowsAreTargets && ProcessIdOf(window) == ::GetCurrentProcessId()) {
        return false;
    }
    return !IsShellWindow(window, ClassNameOf(window), ShellWindow());
}

bool IsTarget(HWND window, DWORD processId, const std::string& className, HWND shellWindow) {
    if (window == nullptr) {
        return false;
    }
    if (!g_ownProcessWindowsAreTargets && processId == ::GetCurrentProcessId()) {
        return false;
    }
    return !IsShellWindow(window, className, shellWindow);
}

bool Answers(HWND window, UINT timeoutMs) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

void Show(HWND window, int showCommand) {
    if (IsTarget(window)) {
        ::ShowWindowAsync(window, showCommand);
    }
}

void ShowInFront(HWND window) {
    if (!IsTarget(window)) {
        return;
    }
    // The window's own thread activates it while it carries out the show, so its process may
    // take the foreground too (this process may grant that only while it holds the right).
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    ::AllowSetForegroundWindow(process);
    // Minimized and hidden, it would come back as a button only; SW_RESTORE brings back the
    // size it had before it was minimized, maximized included.
    ::ShowWindowAsync(window, ::IsIconic(window) ? SW_RESTORE : SW_SHOW);
    // Posted to the window's thread, so it does not wait for a hung program either.
    ::SetForegroundWindow(window);
}

void Place(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    if (IsTarget(window)) {
        ::SetWindowPos(window, insertAfter, x, y, width, height, flags | SWP_ASYNCWINDOWPOS);
    }
}

void SetTopmost(HWND window, bool topmost) {
    Place(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool SetExStyle(HWND window, LONG exStyle) {
    if (!IsTarget(window) || !Answers(window)) {
        return false;
    }
    ::SetWindowLongA(window, GWL_EXSTYLE, exStyle);
    return true;
}

bool SetLayeredAttributes(void* setLayeredAttributes, HWND window, COLORREF key, BYTE alpha,
                          DWORD flags) {
    using Fn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    // Unlike the style change it belongs with, this one sends the window nothing.
    if (setLayeredAttributes == nullptr || !IsTarget(window)) {
        return false;
    }
    return reinterpret_cast<Fn>(setLayeredAttributes)(window, key, alpha, flags) != FALSE;
}

Layering LayeringOf(HWND window) {
    Layering layering;
    if ((ExStyleOf(window) & WS_EX_LAYERED) == 0) {
        return layering;
    }
    // Fails for a window drawn with UpdateLayeredWindow: only attributes set before are known.
    layering.kind =
        ::GetLayeredWindowAttributes(window, &layering.key, &layering.alpha, &layering.flags)
            ? Layering::Kind::Attributes
            : Layering::Kind::Drawn;
    return layering;
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsTarget(window)) {
        ::PostMessageA(window, message, wParam, lParam);
    }
}

void Close(HWND window) {
    Post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

HMENU SystemMenu(HWND window) {
    return IsTarget(window) ? ::GetSystemMenu(window, FALSE) : nullptr;
}

void InsertMenuItem(HMENU menu, UINT position, UINT flags, UINT_PTR id, const char* text) {
    ::InsertMenuA(menu, position, flags | MF_BYPOSITION, id, text);
}

void SetMenuItemChecked(HMENU menu, UINT id, bool checked) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    if (!::GetMenuItemInfoA(menu, id, FALSE, &info)) {
        return;
    }
    info.fState = checked ? (info.fState | MFS_CHECKED) : (info.fState & ~MFS_CHECKED);
    ::SetMenuItemInfoA(menu, id, FALSE, &info);
}

bool MenuItemChecked(HMENU menu, UINT id) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    return ::GetMenuItemInfoA(menu, id, FALSE, &info) && (info.fState & MFS_CHECKED);
}

void DeleteMenuItemAt(HMENU menu, UINT position) {
    ::DeleteMenu(menu, position, MF_BYPOSITION);
}

} // namespace vantrel::platform::foreign
