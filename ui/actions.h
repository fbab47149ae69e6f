#pragma once
// The main window's actions: caption, menu command and when each is enabled. Menu items that
// name an action take their caption and enabled state from here.
#include <string>
#include <vector>

namespace vantrel {

enum class Enabling { kAlways, kSelectedWindow, kSelectedRule };

struct Action {
    const char* name;
    const char* caption;
    int command;
    Enabling enabling;
    const char* shortcut = ""; // the main window's key for it, shown in the menus
};

const std::vector<Action>& Actions();
const Action* FindAction(const std::string& name);
const Action* ActionForCommand(int command);
// `selectedWindow`: the window list is shown and has a selected row; likewise for rules.
bool ActionEnabled(const Action& action, bool selectedWindow, bool selectedRule);

} // namespace vantrel
