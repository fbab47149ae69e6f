#pragma once
// The three popup menus of the main window as data: the list menu with the tab tags of its
// items, the menu of the program's own tray icon, and the menu of a hidden window's icon.
#include <vector>

#include "ui/flat_menu.h"

namespace vantrel {

// Tags on the list menu's top-level items: shown on the window list only, the rules only, both.
inline constexpr int kTagWindowList = 0;
inline constexpr int kTagRules = 1;
inline constexpr int kTagBoth = 2;

std::vector<MenuItemModel> ListMenuItems();
std::vector<MenuItemModel> SelfMenuItems();
std::vector<MenuItemModel> OtherAppMenuItems();

// Captions and enabled states of action items from the action list, on every level.
void ApplyActions(std::vector<MenuItemModel>& items, bool selectedWindow, bool selectedRule);

// The command of the shown item (top level or in a shown submenu) whose action has this key for
// the whole window, or 0: a key works exactly where the menu shows it.
int ShortcutCommand(const std::vector<MenuItemModel>& items, unsigned key, bool control);

} // namespace vantrel
