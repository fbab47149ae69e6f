#pragma once
// Every call that changes another program's window goes through here, so that one file holds
// the rule: such a call never waits for that program. A program whose thread has stopped handling
// messages (hung, or stopped in a debugger) must cost the caller nothing but the command.
//
// - Showing, hiding, maximizing and minimizing use ShowWindowAsync, and moving, sizing and
//   restacking use SetWindowPos with SWP_ASYNCWINDOWPOS: the window's own thread carries them
//   out when it next takes its messages, so a hung program gets them when it wakes, or never.
// - Closing and the other requests are posted.
// - Style changes have no non-waiting form (the window is sent WM_STYLECHANGING and
//   WM_STYLECHANGED and the call returns only after it answered). They are made only after the
//   window's thread has answered a WM_NULL within kAnswerTimeoutMs; a window that does not is
//   skipped. The layered attributes that follow such a change send the window nothing.
// - System menus are menu objects that the window's thread takes no part in reading or changing,
//   so they are used as they are.
//
// The same functions leave alone the windows of this process and the shell's desktop and
// taskbar: they can be listed, but rules and commands are never carried out on them.
#include <windows.h>

#include <string>

namespace vantrel::platform::foreign {

// Long enough for a busy but working program to answer, short enough that a command on a hung
// one is not felt; a thread that has not taken a message for 5 s fails at once.
inline constexpr UINT kAnswerTimeoutMs = 150;

// False for no window, a window of this process, and the shell's desktop and taskbar.
bool IsTarget(HWND window);
// The shell's desktop window as the system names it now.
HWND ShellWindow();
// Under Wine the shell's desktop is no listed window: tests name one of theirs (none: the
// system's answer again).
void SetShellWindowForTests(HWND window);
// The same for a window whose process and class are known already, against a shell window read
// once for many windows. A pass reads it after listing its windows: a shell that starts again
// makes a new desktop window, which is not among them.
bool IsTarget(HWND window, DWORD processId, const std::string& className, HWND shellWindow);
// True when the window's thread answered a WM_NULL within the timeout.
bool Answers(HWND window, UINT timeoutMs = kAnswerTimeoutMs);

void Show(HWND window, int showCommand);
// Shows the window (restored if it was minimized, as its program left it otherwise) and makes it
// the foreground window. Only for a window the person just asked for: the foreground is granted
// to this process because it received the last input.
void ShowInFront(HWND window);
// SetWindowPos, carried out by the window's own thread.
void Place(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
void SetTopmost(HWND window, bool topmost);
// False when the window was skipped (not a target, or it did not answer).
bool SetExStyle(HWND window, LONG exStyle);
// `setLayeredAttributes` is the entry of SetLayeredWindowAttributes looked up at start (or none).
bool SetLayeredAttributes(void* setLayeredAttributes, HWND window, COLORREF key, BYTE alpha,
                          DWORD flags);

// How a window is layered, read without sending the window anything.
struct Layering {
    enum class Kind {
        None,       // not layered
        Attributes, // alpha and colour key set with SetLayeredWindowAttributes (key, alpha, flags)
        // Layered, but its program draws it with UpdateLayeredWindow (or has not yet given it
        // attributes): attributes set from outside would make its next update fail.
        Drawn,
    };
    Kind kind = Kind::None;
    COLORREF key = 0;
    BYTE alpha = 255;
    DWORD flags = 0; // LWA_ALPHA, LWA_COLORKEY
};
Layering LayeringOf(HWND window);
void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void Close(HWND window);

// The window's system menu (never reset), or none.
HMENU SystemMenu(HWND window);
void InsertMenuItem(HMENU menu, UINT position, UINT flags, UINT_PTR id, const char* text);
void SetMenuItemChecked(HMENU menu, UINT id, bool checked);
bool MenuItemChecked(HMENU menu, UINT id);
// Deletes the item at the position, and its submenu with it.
void DeleteMenuItemAt(HMENU menu, UINT position);

// Tests whose target windows must live in the test's own process (Wine gives no system menu of
// another process's window) turn the own-process test off; the program itself never does.
void SetOwnProcessWindowsAreTargets(bool on);

} // namespace vantrel::platform::foreign
