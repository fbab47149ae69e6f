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
inline constexpr char kActiveTitle64[] = "Vantrel relay, 64-bit hooks";
inline constexpr char kActiveTitle32[] = "Vantrel relay, 32-bit hooks";

// The two pairs sit side by side in one folder: a hook DLL can only be loaded into processes of
// its own bitness, so on 64-bit Windows both relays run, each serving the programs of its kind.
inline constexpr char kExecutableName64[] = "vantrel_relay.exe";
inline constexpr char kHookDllName64[] = "vantrel_hook.dll";
inline constexpr char kExecutableName32[] = "vantrel_relay32.exe";
inline constexpr char kHookDllName32[] = "vantrel_hook32.dll";

#ifdef _WIN64
inline constexpr const char* kActiveTitle = kActiveTitle64;
inline constexpr char kHookMutex[] = "Local\\VantrelRelayHooks64";
inline constexpr const char* kExecutableName = kExecutableName64;
inline constexpr const char* kHookDllName = kHookDllName64;
#else
inline constexpr const char* kActiveTitle = kActiveTitle32;
inline constexpr char kHookMutex[] = "Local\\VantrelRelayHooks32";
inline constexpr const char* kExecutableName = kExecutableName32;
inline constexpr const char* kHookDllName = kHookDllName32;
#endif

inline constexpr char kParentSwitch[] = "--parent";
// The shell's notices reach the program already (see kShellReportsWindows).
inline constexpr char kShellReportsSwitch[] = "--shell-reports";
// No relay of the other bitness runs on this system (32-bit Windows), so the 32-bit relay may
// install the hook types that the 64-bit relay uses elsewhere (see vantrel_hook.cpp).
inline constexpr char kAloneSwitch[] = "--alone";
// The other way round: the hook types a 32-bit relay uses beside a 64-bit one, in a relay of
// either bitness, so that the set can be tried where only 64-bit programs run.
inline constexpr char kPairedSetSwitch[] = "--paired-set";
// The shell's and the system's notices tell the program of every window: the relay installs no
// global hook, only hooks for the threads whose windows carry the program's items
// (kWindowCarriesItems), and announces no windows.
inline constexpr char kMenusOnlySwitch[] = "--menus-only";

// Raw observations posted by the hooks to the active relay window. The relay, not the hook,
// decides what the main window is told, because only the relay remembers which windows it has
// already announced.
inline constexpr UINT kRawWindowEvent = WM_APP + 0x40; // wParam: a kEvent* value; lParam: window
inline constexpr UINT kRawSysCommand = WM_APP + 0x41;  // wParam: window; lParam: command id

inline constexpr WPARAM kEventShown = 1;   // became visible, or the shell says it was created
inline constexpr WPARAM kEventGone = 2;    // hidden, or about to be destroyed
inline constexpr WPARAM kEventRenamed = 3; // caption set, or the shell asks for a redraw

// A system-menu choice is passed on only once the window's own process has confirmed it. The
// relay's window takes posts from every process (the hooks run in all of them), so a process of
// lower rights could otherwise name any window and command to the elevated program. The relay
// sends kConfirmMessageName (registered) to the window with wParam: a random token, lParam: the
// command id, as a sent message that does not wait (SendNotifyMessage), so that the hooks on sent
// messages see it; the hook in that window's thread answers with kRawConfirmed only when that
// thread has itself just handled that choice and the window's menu carries the program's items.
inline constexpr char kConfirmMessageName[] = "VantrelRelayConfirm";
inline constexpr UINT kRawConfirmed = WM_APP + 0x42; // wParam: the token; lParam: window

// Posted by the program to its relays: the shell's own notices of created and destroyed windows
// reach it, so the relay no longer announces those (each event would count twice otherwise).
inline constexpr UINT kShellReportsWindows = WM_APP + 0x43;

// Posted by the program to its relays where they watch only the windows that carry its items.
// wParam: a window whose system menu now carries them (lParam TRUE); or none, lParam FALSE: the
// items are out of every window. The relay whose bitness is the window's process's hooks its
// thread until no window of the thread carries the items any more.
inline constexpr UINT kWindowCarriesItems = WM_APP + 0x44;

// The first item the program inserts into another window's system menu; a menu that contains
// this text carries the program's items.
inline constexpr char kProgramItemMarker[] = "&Minimize to tray";

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

// Whether the menu carries the program's items: an item whose text contains the marker. Written
// without the C runtime, which the hook DLL does not have.
inline bool CarriesProgramItems(HMENU menu) {
    if (menu == nullptr) {
        return false;
    }
    const int count = GetMenuItemCount(menu);
    constexpr int kMarkerLength = sizeof(kProgramItemMarker) - 1;
    for (int i = 0; i < count; ++i) {
        char text[250];
        const int length = GetMenuStringA(menu, static_cast<UINT>(i), text, 250, MF_BYPOSITION);
        for (int at = 0; at + kMarkerLength <= length; ++at) {
            int same = 0;
            while (same < kMarkerLength && text[at + same] == kProgramItemMarker[same]) {
                ++same;
            }
            if (same == kMarkerLength) {
                return true;
            }
        }
    }
    return false;
}

// The procedures the relay hands to SetWindowsHookExA, fetched with GetProcAddress under this
// plain (cdecl, undecorated) name so that both bitnesses export it the same way.
struct HookProcedures {
    HOOKPROC shell;
    HOOKPROC callWndProcRet;
    HOOKPROC getMessage;
    HOOKPROC callWndProc;
    HOOKPROC cbt;
    // Called by the relay on its own copy of the DLL: in the relay the hooks only stand in for
    // processes of the other bitness or see its own windows, and report none of it.
    void(__cdecl* markRelayProcess)();
};
using GetHookProcedures = const HookProcedures*(__cdecl*)();
inline constexpr char kHookProceduresExport[] = "VantrelHookProcedures";

} // namespace vantrel::relay
