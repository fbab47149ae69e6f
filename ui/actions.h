#pragma once
// The main window's actions: caption, menu command and when each is enabled. Menu items that
// name an action take their caption and enabled state from here.
#include <string>
#include <vector>

namespace vantrel {

enum class Enabling { kAlways, kSelectedWindow, kSelectedRule };

// The main window's key for an action. A key for the whole window runs the action wherever the
// focus is in it, as the picture button does; a list key (Enter, Delete) acts only in the list,
// where a person expects it to act on the row they are on.
struct Shortcut {
    unsigned key = 0; // virtual-key code, 0 for none
    bool control = false;
    bool listOnly = false;
};

// The key as the menus show it beside the item ("F5", "Ctrl+T", "Del"); empty for none.
std::string ShortcutText(const Shortcut& shortcut);

struct Action {
    const char* name;
    const char* caption;
    int command;
    Enabling enabling;
    Shortcut shortcut{}; // shown in the menus beside the item
};

const std::vector<Action>& Actions();
const Action* FindAction(const std::string& name);
const Action* ActionForCommand(int command);
// `selectedWindow`: the window list is shown and has a selected row; likewise for rules.
bool ActionEnabled(const Action& action, bool selectedWindow, bool selectedRule);

} // namespace vantrel
