#include "ui/actions.h"

#include <algorithm>

#include "app/command_ids.h"

namespace vantrel {

const std::vector<Action>& Actions() {
    static const std::vector<Action> actions = {
        {"aExit", "&Exit", kCmdExit, Enabling::kAlways},
        {"aHelp", "&Help", kCmdHelp, Enabling::kAlways},
        {"aRefresh", "&Refresh", kCmdRefresh, Enabling::kAlways, "F5"},
        {"aMainAddRule", "&Add Rule", kCmdMainAddRule, Enabling::kSelectedWindow, "Enter"},
        {"aSettings", "S&ettings", kCmdSettings, Enabling::kAlways},
        {"aRulesAddRule", "&Add Rule", kCmdRulesAddRule, Enabling::kAlways},
        {"aDeleteRule", "&Delete Rule", kCmdDeleteRule, Enabling::kSelectedRule, "Del"},
        {"aEditRule", "&Edit Rule", kCmdEditRule, Enabling::kSelectedRule, "Enter"},
        {"aWindowProp", "&Window Properties", kCmdWindowProp, Enabling::kSelectedWindow},
        {"aMinimizeToTray", "&Minimize To Tray", kCmdMinimizeToTray, Enabling::kSelectedWindow},
        {"aStayOnTop", "&Stay On Top", kCmdStayOnTop, Enabling::kSelectedWindow},
        {"aNormal", "&Normal", kCmdNormal, Enabling::kSelectedWindow},
        {"aCustomTransp", "&Custom transparency", kCmdCustomTransp, Enabling::kSelectedWindow},
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
