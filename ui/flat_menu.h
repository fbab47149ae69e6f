#pragma once
// Popup menus drawn flat, with a column for pictures on the left. The menu is rebuilt from its
// model every time it opens, so the model is the only place that says what a menu holds and the
// tidying never piles up on captions that an earlier popup already changed.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace vantrel {

struct MenuItemModel {
    std::string name;
    std::string caption;
    // The key that runs the same command, drawn at the item's right edge (e.g. "F5").
    std::string shortcut;
    int id = 0;
    int image = -1;
    bool separator = false;
    bool visible = true;
    bool enabled = true;
    int tag = 0;
    std::vector<MenuItemModel> children;
    // Replaces the menu's list for this item, e.g. the window icons for the tray-icon menu.
    HIMAGELIST images = nullptr;
};

class FlatMenu {
public:
    static constexpr int kTopLevel = -1;
    static constexpr int kPictureColumn = 24;

    std::vector<MenuItemModel> items;
    HIMAGELIST images = nullptr;
    // Separators and access letters are repaired on every level each time the menu opens. The
    // separators' visibility is written back to the model (the tidy rule owns it); the access
    // letters are not, so every popup starts from the same captions and gets the same letters.
    bool tidy = true;

    // Shows the menu at the screen point and returns once it is closed: nonzero when it could be
    // shown. A chosen item arrives at `owner` as WM_COMMAND with its id, as with any menu. The
    // owner must pass WM_MEASUREITEM, WM_DRAWITEM and WM_MENUCHAR to the handlers below.
    int Popup(HWND owner, int x, int y);
    // Popup for a notification-area icon's menu. A WM_NULL is posted to the owner after it, as
    // the system asks: without that switch of task, the next time the menu is opened it can
    // vanish at once, or stay open when the user clicks elsewhere.
    int PopupFromTrayIcon(HWND owner, int x, int y);

    // Each returns false for anything that is not an item of a menu open now, so the owner can
    // hand every such message here first and fall back to its own handling.
    static bool HandleMeasureItem(MEASUREITEMSTRUCT* measure);
    static bool HandleDrawItem(const DRAWITEMSTRUCT* draw);
    // Owner-drawn items have no text the system can search for access letters.
    static bool HandleMenuChar(WPARAM wParam, LPARAM lParam, LRESULT& result);
    static HFONT MenuFont();

    // The captions of the visible items as the menu shows them, "-" for a separator: of the top
    // level, or of the sub-menu of the top-level item with index `level`.
    std::vector<std::string> VisibleCaptions(int level = kTopLevel) const;

    // Depth first through the sub-menus; null when no item has the name.
    MenuItemModel* Find(const std::string& name);
    const MenuItemModel* Find(const std::string& name) const;

    // While the menu is open: gives its items the enabled states the model holds now, so that
    // a menu left open while the program changes shows what can be chosen.
    void RefreshOpen() const;
    bool IsOpen() const { return open_ != nullptr; }

private:
    HMENU open_ = nullptr;
};

} // namespace vantrel
