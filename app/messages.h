#pragma once
// Private messages of the main window. Other processes post the first three to the window with
// the main window's class name, so their numbers are part of the program's outside interface.
#include <windows.h>

namespace vantrel {

inline constexpr UINT WM_SHOWMAINWINDOW = 0x2400;
inline constexpr UINT WM_OWNTRAYICON = 0x2401;
inline constexpr UINT WM_WINDOWNOTICE = 0x2403;
inline constexpr UINT WM_SYSMENUCOMMAND = 0x2404;
inline constexpr UINT WM_HIDDENTRAYICON = 0x2410;
// Posted by the program's own icon reader; no other process is let through with it.
inline constexpr UINT WM_ICONSREAD = 0x2411;
// Posted by the program to itself: the next slice of a rebuild.
inline constexpr UINT WM_CATALOGUEPASS = 0x2412;

inline constexpr WPARAM kNoticeCreated = 1;
inline constexpr WPARAM kNoticeDestroyed = 2;
inline constexpr WPARAM kNoticeRenamed = 6;

inline constexpr char kMainWindowClass[] = "Vantrel Made by Ostrim Software";

} // namespace vantrel
