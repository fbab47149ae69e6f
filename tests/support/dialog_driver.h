#pragma once
// Drives the program's real modal dialogs from a test: a script runs inside the dialog's own
// modal loop, on the test's thread, once the dialog is up.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "support/wait.h"
#include "ui/form.h"

namespace vt {

// Queues a script for the next modal form whose caption starts with `captionPrefix`. Scripts
// run in the order queued, one per modal form that opens.
void WhenModalOpens(const std::string& captionPrefix, std::function<void(vantrel::Form&)> script);
// Scripts still waiting (a dialog that never opened); the queue is emptied.
int DropPendingScripts();
// Shows the dialog modally with `script` run inside its loop once it is up, and returns the modal
// result. A script that never ran, or a dialog it left open (ended by a deadline), fails the test
// instead of hanging it.
int RunModal(vantrel::Form& dialog, std::function<void(vantrel::Form&)> script,
             UINT deadlineMs = 20000);

// Control access by id within a form (searches nested children too).
HWND Control(HWND form, int id);
inline HWND Control(const vantrel::Form& form, int id) {
    return Control(form.Handle(), id);
}
// By its caption, with or without the access letter's "&".
HWND ControlByText(HWND form, const std::string& text);
// A caption as the control shows it, without the access-letter marks.
std::string ShownText(const std::string& caption);
// The access letter of a caption, upper case, or 0 when it has none.
char AccessLetter(const std::string& caption);
// Clicks a button the way a mouse click reaches the form: a BN_CLICKED notification.
void Click(HWND button);
// Ticks or clears a check box and tells its form, as a mouse click would.
void Toggle(HWND checkBox);
// Types characters into a control as keyboard input would deliver them (WM_CHAR).
void Type(HWND control, const std::string& text);
// Gives the control the focus and posts it a key press: the key goes through the modal loop,
// where the dialog keys see it first, without waiting for the system's input queue.
void PostKey(HWND control, WPARAM key);
int TrackPosition(HWND trackBar);

// Presses a key, with the modifiers held around it, through the system's input queue: it reaches
// whatever window has the keyboard focus, as a real key press does.
void PressKey(WORD key, const std::vector<WORD>& modifiers = {});
// Waits for the condition with a deadline, running the program's own message handling (dialog
// keys included) in between.
bool WaitInLoop(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// What a message box showed.
struct ShownBox {
    std::string title;
    std::string text;
    HWND owner = nullptr;
    HICON icon = nullptr;
};

// Answers the message box that this thread shows now, if any, with OK, as a user would, and
// keeps what it showed; false when none is open.
bool AnswerMessageBox();
// The boxes answered since the last BoxAnswerer was made.
const std::vector<ShownBox>& ShownBoxes();

// While it lives, every message box this thread shows is answered from a thread timer that the
// box's own modal loop dispatches.
class BoxAnswerer : NoCopy {
public:
    BoxAnswerer();
    ~BoxAnswerer();
    const std::vector<ShownBox>& Seen() const { return ShownBoxes(); }

private:
    UINT_PTR timer_;
};

} // namespace vt
