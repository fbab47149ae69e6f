#pragma once
// The main window's keyboard, as users of a list window expect it: Tab and Shift+Tab go between
// the tab control and the list on its page, Ctrl+Tab and the arrows on the tab control change the
// tab, Enter in a list does what a double click does, Delete in a list deletes its selected row,
// F5 refreshes, the keys the list menu shows beside its items run them wherever the focus is in
// the window, and
// the context-menu key or Shift+F10 opens the list menu at the selected row. The list keeps its
// own arrow, Home, End and Page keys.
#include <windows.h>
#include <functional>

namespace vantrel {

struct MainWindowKeys {
    HWND form = nullptr;
    HWND tabs = nullptr;
    std::function<HWND()> visibleList;
    std::function<void(int tab)> showTab;     // selects the tab and runs the tab change
    std::function<void(HWND list)> popupMenu; // the list menu for that list's selected row
    std::function<void(HWND list)> activate;  // what a double click on the list does
    std::function<void(HWND list)> remove;    // Delete in a list: deletes its selected row
    std::function<void()> refresh;            // F5, wherever the focus is and on either tab
    // A key with Ctrl held or not (never Alt or Shift): true when a shown item has it and ran.
    std::function<bool(unsigned key, bool control)> shortcut;
};

// True when the message was one of these keys and has been acted on; it is then not dispatched.
bool HandleMainWindowKey(const MSG& msg, const MainWindowKeys& keys);

// Where the list menu opens for the keyboard: below the start of the selected row, or at the top
// of the list's rows when none is selected; in screen coordinates.
POINT ListMenuPoint(HWND list);

} // namespace vantrel
