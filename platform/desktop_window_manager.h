#pragma once
// What the desktop window manager knows of a window and the window itself does not say. The
// library is loaded at run time from the system folder: where it is missing or does not answer
// (older systems, Wine), every window is uncloaked and has no separate visible frame.
#include <windows.h>

#include <functional>

namespace vantrel::platform::dwm {

// True when the system keeps the window out of sight although it is "visible": a suspended
// Store app's frame, a window on another virtual desktop, some of the shell's own windows.
bool IsCloaked(HWND window);

// Tests: Wine never cloaks, so the answer is injected (null: ask the system again).
void SetCloakedAnswerForTests(std::function<bool(HWND)> answer);

// The visible frame in screen coordinates, without the invisible resize border that
// GetWindowRect includes since Windows 10. False where the system does not report it.
bool VisibleFrame(HWND window, RECT& frame);

} // namespace vantrel::platform::dwm
