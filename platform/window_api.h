#pragma once
// Queries on windows that may belong to any process and may vanish at any moment: every
// function here tolerates a stale handle and then returns an empty or zero result.
#include <windows.h>
#include <future>
#include <string>
#include <vector>

namespace vantrel::platform {

inline constexpr int kMaxCaption = 1000; // characters kept of a window caption
inline constexpr int kClassBuffer = 255; // buffer for a window class name

std::string WindowText(HWND window, int maxChars = kMaxCaption);
std::string ClassNameOf(HWND window);
LONG StyleOf(HWND window);
LONG ExStyleOf(HWND window);
void SetExStyle(HWND window, LONG exStyle);
HWND OwnerOf(HWND window);
DWORD ProcessIdOf(HWND window);
DWORD ThreadIdOf(HWND window, DWORD* processId);
HWND FirstChild(HWND window);
HWND NextSibling(HWND window);
// Snapshot of all top-level windows in z order, as EnumWindows reports them.
std::vector<HWND> TopLevelWindows();
// The same snapshot taken on a thread of its own: where the system checks every window it
// lists with the window server (Wine does), thousands of windows take a tenth of a second.
std::future<std::vector<HWND>> TopLevelWindowsElsewhere();
int ScreenWidth();
int ScreenHeight();
// The full rectangle (taskbar included) of the monitor that holds most of the window, or of the
// nearest one; the primary screen where the system cannot tell.
RECT MonitorRectOf(HWND window);

} // namespace vantrel::platform
