#pragma once
// Drives the program's real modal dialogs from a test: a script runs inside the dialog's own
// modal loop, on the test's thread, once the dialog is up.
#include <windows.h>
#include <functional>
#include <string>

#include "ui/form.h"

namespace vt {

// Queues a script for the next modal form whose caption starts with `captionPrefix`. Scripts
// run in the order queued, one per modal form that opens.
void WhenModalOpens(const std::string& captionPrefix, std::function<void(vantrel::Form&)> script);
// Scripts still waiting (a dialog that never opened); the queue is emptied.
int DropPendingScripts();

// Control access by id within a form (searches nested children too).
HWND Control(HWND form, int id);
HWND ControlByText(HWND form, const std::string& text);
// Clicks a button the way a mouse click reaches the form: a BN_CLICKED notification.
void Click(HWND button);
// Ticks or clears a check box and tells its form, as a mouse click would.
void Toggle(HWND checkBox);
// Types characters into a control as keyboard input would deliver them (WM_CHAR).
void Type(HWND control, const std::string& text);

} // namespace vt
