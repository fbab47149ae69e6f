#include "ui/actions.h"

#include <windows.h>

#include <algorithm>

#include "app/command_ids.h"

namespace vantrel {

namespace {
// Every picture button's command has a key, so that the keyboard alone reaches all of them.
constexpr Shortcut WholeWindow(unsigned key, bool control = false) {
    return Shortcut{key, control, false};
}
constexpr Shortcut InList(unsigned key) {
    return Shortcut{key, false, true};
}
} // namespace

std::string ShortcutText(const Shortcut& shortcut) {
    std::string name;
    const unsigned key = shortcut.key;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
        name = std::string(1, static_cast<char>(key));
    } else if (key >= VK_F1 && key <= VK_F12) {
        name = "F" + std::to_string(key - VK_F1 + 1);
    } else if (key == VK_INSERT) {
        name = "Ins";
    } else if (key == VK_DELETE) {
        name = "Del";
    } else if (key == VK_RETURN) {
        name = "Enter";
    }
    if (name.empty()) {
        return {};
    }
    return shortcut.control ? "Ctrl+" + name : name;
}

const std::vector<Action>& Actions() {
    static const std::vector<Action> actions = {
        {"aExit", "&Exit", kCmdExit, Enabling::kAlways},
        {"aHelp", "&Help", kCmdHelp, Enabling::kAlways, WholeWindow(VK_F1)},
        {"aRefresh", "&Refresh", kCmdRefresh, Enabling::kAlways, WholeWindow(VK_F5)},
        {"aMainAddRule", "&Add Rule", kCmdMainAddRule, Enabling::kSelectedWindow,
         WholeWindow(VK_INSERT)},
        {"aSettings", "S&ettings", kCmdSettings, Enabling::kAlways, WholeWindow('S', true)},
        {"aRulesAddRule", "&Add Rule", kCmdRulesAddRule, Enabling::kAlways, WholeWindow(VK_INSERT)},
        {"aDeleteRule", "&Delete Rule", kCmdDeleteRule, Enabling::kSelectedRule, InList(VK_DELETE)},
        {"aEditRule", "&Edit Rule", kCmdEditRule, Enabling::kSelectedRule, InList(VK_RETURN)},
        {"aWindowProp", "&Window Properties", kCmdWindowProp, Enabling::kSelectedWindow},
        {"aMinimizeToTray", "&Minimize To Tray", kCmdMinimizeToTray, Enabling::kSelectedWindow},
        {"aStayOnTop", "&Stay On Top", kCmdStayOnTop, Enabling::kSelectedWindow},
        {"aNormal", "&Normal", kCmdNormal, Enabling::kSelectedWindow},
        {"aCustomTransp", "&Custom transparency", kCmdCustomTransp, Enabling::kSelectedWindow,
         WholeWindow('T', true)},
        {"aRemoveTransp", "&Remove transparency", kCmdRemoveTransp, Enabling::kSelectedWindow},
        {"aTopLeft", "&Top Left", kCmdTopLeft + 0, Enabling::kSelectedWindow},
        {"aTopCenter", "T&op Center", kCmdTopLeft + 1, Enabling::kSelectedWindow},
        {"aTopRight", "To&p Right", kCmdTopLeft + 2, Enabling::kSelectedWindow},
        {"aMiddleLeft", "&Middle Left", kCmdTopLeft + 3, Enabling::kSelectedWindow},
        {"aMiddleCenter", "M&iddle Center", kCmdTopLeft + 4, Enabling::kSelectedWindow},
        {"aMiddleRight", "Mi&ddle Right", kCmdTopLeft + 5, Enabling::kSelectedWindow},
        {"aBottomLeft", "&Bottom Left", kCmdTopLeft + 6, Enabling::kSelectedWindow},
        {"aBottomCenter", "Bottom &Center", kCmdTopLeft + 7, Enabling::kSelectedWindow},
        {"aBottomRight", "Bottom &Right", kCmdTopLeft + 8, Enabling::kSelectedWindow},
        {"aResizewindow", "&Resize window", kCmdResizeWindow, Enabling::kSelectedWindow},
    };
    return actions;
}

namespace {
template <typename Match> const Action* FirstAction(Match&& match) {
    const auto& all = Actions();
    auto it = std::find_if(all.begin(), all.end(), match);
    return it == all.end() ? nullptr : &*it;
}
} // namespace

const Action* FindAction(const std::string& name) {
    return FirstAction([&](const Action& a) { return name == a.name; });
}

const Action* ActionForCommand(int command) {
    return FirstAction([&](const Action& a) { return a.command == command; });
}

bool ActionEnabled(const Action& action, bool selectedWindow, bool selectedRule) {
    switch (action.enabling) {
    case Enabling::kSelectedWindow:
        return selectedWindow;
    case Enabling::kSelectedRule:
        return selectedRule;
    default:
        return true;
    }
}

} // namespace vantrel
