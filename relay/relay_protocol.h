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
inline constexpr const char* kExecutableName = kExecutableName64;
inline constexpr const char* kHookDllName = kHookDllName64;
#else
inline constexpr const char* kActiveTitle = kActiveTitle32;
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
// Lets the relay's clock be moved on with kAdvanceClock, so that tests see a question outlive its
// life without waiting it out. The program never passes it: anyone could then age every question.
inline constexpr char kTestClockSwitch[] = "--test-clock";

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

// Only with kTestClockSwitch: the relay's clock goes on by wParam milliseconds.
inline constexpr UINT kAdvanceClock = WM_APP + 0x45;

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

// Who is at the other end of a message. Window classes and titles are open to every process, and
// so is a message-only window of the relay's class and title, or a window of the main class: a
// process of lower rights that made one first would be sent every event and confirmation. The
// relay and the hooks therefore look at the process behind a window before they post to it.
// Written without the C runtime (the hook DLL has none), and without waiting on anyone.

// Closes a kernel handle once; the hook DLL cannot use the program's own handle types.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle) : handle_(handle) {}
    ~KernelHandle() {
        if (Valid()) {
            CloseHandle(handle_);
        }
    }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Where a file lives: the same file named through a short name, another letter case or a
// different form of its path has the same identity.
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool known = false;
};

inline FileIdentity IdentityOf(const char* path) {
    FileIdentity identity;
    if (path == nullptr || path[0] == '\0') {
        return identity;
    }
    // Only the attributes are read, which every process may do with the program's files.
    const KernelHandle file(CreateFileA(
        path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (file.Valid() && GetFileInformationByHandle(file.get(), &info)) {
        identity.volume = info.dwVolumeSerialNumber;
        identity.indexHigh = info.nFileIndexHigh;
        identity.indexLow = info.nFileIndexLow;
        identity.known = true;
    }
    return identity;
}

inline bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.known && b.known && a.volume == b.volume && a.indexHigh == b.indexHigh &&
           a.indexLow == b.indexLow;
}

// The executable file of a running process, read with the least right there is to ask for (one
// that a process of lower integrity is granted too); false where it cannot be read.
inline bool ProcessImagePath(DWORD processId, char* path, DWORD size) {
    if (processId == 0 || size == 0) {
        return false;
    }
    const KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    DWORD length = size;
    const bool read =
        process.Valid() && QueryFullProcessImageNameA(process.get(), 0, path, &length);
    if (!read) {
        path[0] = '\0';
    }
    return read;
}

// Whether the process runs the file whose identity is given. A process that cannot be looked at
// does not pass.
inline bool ProcessRunsFile(DWORD processId, const FileIdentity& file) {
    char image[MAX_PATH * 2];
    return file.known && ProcessImagePath(processId, image, sizeof(image)) &&
           SameFile(IdentityOf(image), file);
}

// The hooks post to a relay window only when its process runs the relay executable that lies
// beside the hook DLL (`relayFile`), the one whose relay installed them.
inline bool IsGenuineRelayWindow(HWND window, const FileIdentity& relayFile) {
    DWORD processId = 0;
    return window != nullptr && GetWindowThreadProcessId(window, &processId) != 0 &&
           ProcessRunsFile(processId, relayFile);
}

// A relay tells a main window only when it belongs to the program that started the relay
// (`parent`) or to another instance of the same executable (`programFile`, the parent's own), which
// hears the notices from this relay while it holds the hooks for all of them.
inline bool MayTellMainWindow(HWND window, DWORD parent, const FileIdentity& programFile) {
    DWORD processId = 0;
    if (window == nullptr || parent == 0 || GetWindowThreadProcessId(window, &processId) == 0) {
        return false;
    }
    return processId == parent || ProcessRunsFile(processId, programFile);
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

// Moves the clock of the hooks in the calling process on by that many milliseconds, so that tests
// see a choice outlive its life without waiting it out. Only forward, and only for the caller's
// own copy of the DLL: a process can do no more than let its own choices lapse sooner.
using AdvanceHookClock = void(__cdecl*)(DWORD milliseconds);
inline constexpr char kAdvanceHookClockExport[] = "VantrelHookAdvanceClock";

} // namespace vantrel::relay
