#pragma once
// Small helpers that many tests share: rules-file text, window probes, file probes, handle casts
// for window messages, the popup-menu finder and a deadline for modal dialogs.
#include <gtest/gtest.h>
#include <windows.h>

#include <tlhelp32.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/gdi.h"
#include "platform/handles.h"
#include "support/wait.h"
#include "ui/web_links.h"

namespace vantrel {
class TfrmMain;
class TfrmSetRule;
struct WindowRule;
class RuleList;
} // namespace vantrel

namespace vt {

// One [WindowN] section of rules.dat, each field as the program itself writes it.
std::string RuleSection(int k, const std::string& cls, int action, int zOrder = 0,
                        const std::string& caption = "", const std::string& autoRefresh = "-",
                        int interval = -1);
// A whole rules.dat: the [Options] count, then the sections.
std::string RulesFile(const std::vector<std::string>& sections);

bool Topmost(HWND window);
bool IsGroupBox(HWND control);
// The window's rectangle on the screen.
RECT WindowRectOf(HWND window);
// The control's rectangle in its parent's client area.
RECT ClientRectOf(HWND control);
// A shown top-level window of this thread with nothing in it: a target the program may act on
// without another process, or a dialog's owner.
vantrel::platform::UniqueWindow PlainWindow(const char* caption);

// Checks a form's layout as a user meets it: every visible control inside its parent's client
// area, no two of them overlapping (except inside a group box that holds them), every caption
// fitting its control in the control's own font.
void ExpectSoundLayout(HWND form);

// The file's bytes; empty when it cannot be read.
std::string FileText(const std::string& path);

// A window handle as a message's parameter.
inline WPARAM W(HWND window) {
    return reinterpret_cast<WPARAM>(window);
}
inline LPARAM L(HWND window) {
    return reinterpret_cast<LPARAM>(window);
}

// The visible popup menu of the thread, or of any thread with 0; null when none is open.
HWND FindPopupMenu(DWORD threadId = 0);

// While it lives, a popup menu of this thread is looked at from a thread timer that the menu's own
// loop dispatches: `onTick` runs at every tick while the menu is open, told how many ticks that
// menu had before, and the menu is ended when it returns true. Without `onTick` each menu is ended
// at its first tick.
class MenuWatch : NoCopy {
public:
    using OnTick = std::function<bool(HWND menuWindow, int tick)>;
    explicit MenuWatch(OnTick onTick = nullptr);
    ~MenuWatch();
    // Menus that opened so far, and where the latest one stood on the screen.
    int Seen() const { return seen_; }
    const RECT& Where() const { return where_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD);
    MenuWatch* outer_;
    OnTick onTick_;
    int seen_ = 0;
    int ticks_ = -1; // of the menu open now; -1 while none is
    RECT where_{};
    UINT_PTR timer_;
};

// While it lives, a modal dialog (or message box) of this thread still open `ms` after it was
// made is ended with `result`, and again every few milliseconds until it has closed: a script
// that leaves its dialog open then fails its test instead of hanging the test program.
class ModalDeadline : NoCopy {
public:
    static constexpr int kExpired = 99;
    explicit ModalDeadline(UINT ms = 10000, int result = kExpired);
    ~ModalDeadline();
    // Dialogs the deadline had to end.
    int Ended() const { return ended_; }

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR timer, DWORD);
    ModalDeadline* outer_;
    int result_;
    int ended_ = 0;
    UINT_PTR timer_;
};

// Every command of the window list on the selected window (the nine places included), then the
// mass commands, each by name. Each dialog they open is ended at once: OK, Cancel for properties.
std::vector<std::pair<std::string, std::function<void()>>> ListCommands(vantrel::TfrmMain& form);

// Pictures of what owner-drawn controls paint (flat menus, tabs and buttons), read pixel by pixel.

// A colour as a 32-bit DIB holds it.
DWORD Packed(COLORREF c);

// A 32-bit top-down picture with a DC of its own.
class Canvas : NoCopy {
public:
    Canvas(int width, int height, COLORREF fill);
    ~Canvas();
    HDC dc() const { return dc_.get(); }
    void Set(int x, int y, COLORREF c);
    COLORREF At(int x, int y) const;

private:
    int width_;
    vantrel::platform::ScratchDc dc_;
    void* bits_ = nullptr;
    vantrel::platform::UniqueGdiObject bitmap_;
    HGDIOBJ old_ = nullptr;
};

// What the control paints of its client area when asked (WM_PRINTCLIENT), over a colour that no
// drawing of the program uses.
std::unique_ptr<Canvas> Shot(HWND control);

// Processes that tests start, pause and look into from outside.

// A program of the test program's folder, started with arguments and CreateProcess flags of the
// test's choosing (CREATE_SUSPENDED: a process that never runs a line), its standard output and
// error going to `output` when given; one that a failed test leaves running is terminated rather
// than left in the Wine prefix.
class LaunchedProcess : NoCopy {
public:
    LaunchedProcess(const std::string& program, const std::string& arguments, DWORD flags = 0,
                    HANDLE output = nullptr);
    ~LaunchedProcess();
    HANDLE get() const { return process_.get(); }
    explicit operator bool() const { return static_cast<bool>(process_); }

private:
    vantrel::platform::UniqueHandle process_;
};

// Whether a process runs whose executable's name starts with `prefix`.
bool ProcessRuns(const std::string& prefix);

// Whether the process has loaded the module of that full path (in any letter case), read from
// outside as a user's tool would. Fails the test when the module list cannot be read, so that an
// empty list proves nothing.
bool ModuleLoadedInto(DWORD processId, const std::string& path);

// Suspends every thread of a process for as long as it lives.
class PausedProcess : NoCopy {
public:
    explicit PausedProcess(DWORD processId);
    ~PausedProcess();
    bool Paused() const { return !threads_.empty(); }

private:
    std::vector<vantrel::platform::UniqueHandle> threads_;
};

// What the rule dialog shows, as one line: "class name|caption|action|z order|interval|marks",
// the marks being those of "editable" (the class name), "nocaption" (the caption disabled), "ie"
// (the Internet Explorer group and all its controls enabled; "ie-partly" for some of them),
// "refresh" and "exclude" (their boxes ticked) that hold.
std::string SetRuleShown(const vantrel::TfrmSetRule& dialog);

// The bitmap copied pixel for pixel into a Canvas of its size.
std::unique_ptr<Canvas> Picture(HBITMAP bitmap);
// Every pixel of the picture, top row first.
std::vector<COLORREF> Pixels(const Canvas& picture);

// The window list's rows and the notification area's icons, as the catalogue, main-window and
// rule tests read them.

// One field of every row of a window list, in list order (ColumnOf(rows, &WindowEntry::handle)).
template <class List, class Field> auto ColumnOf(const List& list, Field field) {
    std::vector<std::decay_t<decltype(list.Rows().front().*field)>> column;
    for (const auto& row : list.Rows()) {
        column.push_back(row.*field);
    }
    return column;
}

// A bare notify-icon request for the icon `id` of `owner`: NIM_MODIFY asks whether the shell
// knows the icon, NIM_DELETE makes it forget it.
bool ShellIconCall(DWORD message, HWND owner, UINT id);

// The program seen from outside: once its main window shows, asks it to minimize the window to the
// tray as its system menu item does, and waits until the window is out of sight.
bool HideToTray(HWND main, HWND window);

// A rule as one line, for tests that compare held, saved and loaded rules: the six fields joined
// by '|'; the newer fields follow only on a rule that uses one of them, so that the many rules
// without them stay short.
std::string RuleText(const vantrel::WindowRule& rule);
// Every rule's text, each followed by a line break.
std::string RuleLines(const vantrel::RuleList& rules);

// A private stand-in for the machine-wide Run key, for the auto-start tests: a key of its own under
// HKEY_LOCAL_MACHINE\Software\VantrelTest, removed with everything in it and with the logon task of
// an Options dialog that writes it; the shared parent goes too once nothing else is left in it.
class TestRunKey : NoCopy {
public:
    TestRunKey();
    ~TestRunKey();
    const std::string& path() const { return path_; }
    std::string task() const;
    // The value's bytes, a text without its terminating null; none when it is missing.
    std::optional<std::string> Value(const char* name = "Vantrel") const;
    // Creates the key when missing; a text is stored with its terminating null.
    void Set(const char* name, const std::string& data, DWORD type = REG_SZ) const;

private:
    std::string path_;
};

// Where a window stands and how see-through it is, as the rule, command and dialog tests read it.

// "x,y wxh" of the window's rectangle on the screen, or of a rectangle.
std::string PlaceOf(HWND window);
std::string PlaceOf(const RECT& r);
// The alpha of a window layered through attributes; -1 when it has none to read.
int AlphaOf(HWND window);

// A window's state, its system-menu commands, and windows of the test's own classes, shared by
// the rule, command and catalogue tests.

// "min", "max" or "normal".
std::string ShownAs(HWND window);

// A command chosen in `window`'s system menu, as the relay hands it to the program's `main`
// window: sent, or with `post` queued behind what the program has still to do. False when it
// could not be posted.
bool SysMenuCommand(HWND main, HWND window, int id, bool post = false);

// Unregisters a window class of this process.
struct ClassTraits {
    using Handle = ATOM;
    static Handle Invalid() noexcept { return 0; }
    static void Close(Handle atom) noexcept {
        ::UnregisterClassA(MAKEINTATOM(atom), ::GetModuleHandleA(nullptr));
    }
};

// A window class of this process and a window of it made on this thread, the window going before
// the class; a class that another window already registered is used as it stands. `param` reaches
// the procedure at WM_NCCREATE.
struct OwnWindow {
    OwnWindow() = default;
    OwnWindow(const std::string& cls, const std::string& caption, WNDPROC proc = &::DefWindowProcA,
              DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, HWND parent = nullptr,
              RECT place = {0, 0, 200, 150}, void* param = nullptr);
    HWND get() const { return window.get(); }
    explicit operator bool() const { return static_cast<bool>(window); }
    vantrel::platform::Unique<ClassTraits> registered;
    vantrel::platform::UniqueWindow window;
};

// Another process by its id, and registry values that a test changes for as long as it runs.

// The process, opened to wait for its end and to ask its times and exit code; null when gone.
vantrel::platform::UniqueHandle OpenedProcess(DWORD processId);
// Its entry in a process snapshot (its parent, its file name); all zero when none has that id.
PROCESSENTRY32 ProcessEntry(DWORD processId);

// A registry value set for as long as this lives; the one it replaced, or none, comes back after
// however the test ends, so that later tests meet the prefix as it was.
class RegValueOverride : NoCopy {
public:
    RegValueOverride(HKEY root, const char* key, const char* name, DWORD type, const void* data,
                     DWORD size);
    RegValueOverride(HKEY root, const char* key, const char* name, const std::string& text)
        : RegValueOverride(root, key, name, REG_SZ, text.c_str(), DWORD(text.size() + 1)) {}
    ~RegValueOverride();
    explicit operator bool() const { return set_; } // the new value was written

private:
    HKEY root_;
    std::string key_, name_, old_;
    DWORD oldType_ = REG_NONE;
    bool had_ = false, set_ = false;
};

// How a control looks to the user (its font, the cursor it sets over the arrow) and what the
// program hands the shell, for the dialog, layout and flat-control tests.

inline LOGFONTA FontOf(HWND control) {
    LOGFONTA font{};
    const auto handle = reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0));
    ::GetObjectA(handle, sizeof(font), &font);
    return font;
}
inline HCURSOR CursorOver(HWND control) {
    ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))); // IDC_ARROW
    ::SendMessageA(control, WM_SETCURSOR, W(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor();
}
// Records every shell opening, owner and target, for its lifetime.
struct OpenRecorder {
    using Calls = std::vector<std::pair<HWND, std::string>>;
    Calls calls;
    vantrel::ScopedShellOpener scope{
        [this](HWND owner, const std::string& target) { calls.emplace_back(owner, target); }};
};

} // namespace vt
