#pragma once
// What the hook DLL, the relay program and the main program's launcher agree on. Everything here
// is header-only and free of the C++ runtime, because the hook DLL is built without one.
#include <windows.h>

namespace vantrel::relay {

// Class of the relay's message-only window (HWND_MESSAGE): it never shows, never appears in
// EnumWindows or the taskbar, and is found with FindWindowExA(HWND_MESSAGE, ...).
inline constexpr char kWindowClass[] = "VantrelRelay";

// Only the relay whose hooks are installed carries this title, so the hooks find it among
// waiting relays. The two bitnesses differ because each hook DLL reports to its own relay.
#ifdef _WIN64
inline constexpr char kActiveTitle[] = "Vantrel relay, 64-bit hooks";
inline constexpr char kHookMutex[] = "Local\\VantrelRelayHooks64";
#else
inline constexpr char kActiveTitle[] = "Vantrel relay, 32-bit hooks";
inline constexpr char kHookMutex[] = "Local\\VantrelRelayHooks32";
#endif

inline constexpr char kExecutableName[] = "vantrel_relay.exe";
inline constexpr char kHookDllName[] = "vantrel_hook.dll";
inline constexpr char kParentSwitch[] = "--parent";

// Raw observations posted by the hooks to the active relay window. The relay, not the hook,
// decides what the main window is told, because only the relay remembers which windows it has
// already announced.
inline constexpr UINT kRawWindowEvent = WM_APP + 0x40; // wParam: a kEvent* value; lParam: window
inline constexpr UINT kRawSysCommand = WM_APP + 0x41;  // wParam: window; lParam: command id

inline constexpr WPARAM kEventShown = 1;   // became visible, or the shell says it was created
inline constexpr WPARAM kEventGone = 2;    // hidden, or about to be destroyed
inline constexpr WPARAM kEventRenamed = 3; // caption set, or the shell asks for a redraw

// The ids of the items that the main program inserts into other windows' system menus. They
// travel in WM_SYSCOMMAND's wParam as they are, not in the SC_* encoding.
constexpr bool IsRelayedCommand(WPARAM id) {
    return id == 11 || id == 21 || id == 22 || (id >= 30 && id <= 42) || (id >= 51 && id <= 59) ||
           id == 61;
}

// A direct child of the desktop. Message-only windows and children fail, so the relay's own
// window is never reported.
inline bool IsTopLevel(HWND hwnd) {
    return hwnd != nullptr && GetAncestor(hwnd, GA_PARENT) == GetDesktopWindow();
}

// The shell's own rule for windows that get a taskbar button; every window the main program
// lists passes it, so nothing it could list is left unreported.
inline bool IsAppWindow(HWND hwnd) {
    const LONG_PTR exStyle = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
    if (exStyle & WS_EX_APPWINDOW) {
        return true;
    }
    return !(exStyle & WS_EX_TOOLWINDOW) && GetWindow(hwnd, GW_OWNER) == nullptr;
}

// The procedures the relay hands to SetWindowsHookExA, fetched with GetProcAddress under this
// plain (cdecl, undecorated) name so that both bitnesses export it the same way.
struct HookProcedures {
    HOOKPROC shell;
    HOOKPROC callWndProcRet;
    HOOKPROC getMessage;
};
using GetHookProcedures = const HookProcedures*(__cdecl*)();
inline constexpr char kHookProceduresExport[] = "VantrelHookProcedures";

} // namespace vantrel::relay
