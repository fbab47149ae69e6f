#pragma once
// How the program hears of other programs' windows, chosen from what the system answered.
#include <windows.h>
#include <utility>
#include <vector>

namespace vantrel {

// Windows 8's events for a window the system hides without hiding it (another virtual desktop, a
// suspended app); the headers name them only for builds that require Windows 8.
inline constexpr DWORD kEventObjectCloaked = 0x8017;
inline constexpr DWORD kEventObjectUncloaked = 0x8018;

struct WindowWatch {
    // The relay helpers.
    bool relays = false;
    // The relays hook only the threads whose windows carry the program's items, each thread by
    // the relay of its own bitness; without this their global hooks run in every program.
    bool relaysForMenusOnly = false;
    // Out-of-context events, received by the program itself.
    bool winEvents = false;
    // The relays leave created and destroyed windows to the shell's notices.
    bool shellReportsToRelays = false;
};

// shellHookRegistered: RegisterShellHookWindow succeeded. versionCode: the system's version code;
// on 11 the program inserts no items into other windows' system menus, so no choice made in
// another program's window needs watching from inside it.
WindowWatch ChooseWindowWatch(bool shellHookRegistered, int versionCode);

// The event ranges the program listens to where it receives events itself.
std::vector<std::pair<DWORD, DWORD>> WatchedWindowEvents();

// The notice (kNotice*) that an event of a top-level window stands for, or 0 for one the list
// does not need: events of a window's parts (its caret, scroll bars, children) say nothing about
// the window.
WPARAM WindowNoticeForEvent(DWORD event, LONG objectId, LONG childId);

} // namespace vantrel
