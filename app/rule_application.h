#pragma once
// Applying the rules to windows, the program's items in other windows' system menus, and the
// commands that come back from those items.
#include <windows.h>
#include <string>
#include <vector>

#include "app/window_list.h"
#include "rules/rule.h"

namespace vantrel {

class TfrmMain;

// Ids of the items inserted into other windows' system menus.
enum SystemMenuCommand {
    kSysMinimizeToTray = 11,
    kSysStayOnTop = 21,
    kSysNormal = 22,
    kSysCustomTransparency = 30,
    kSysRemoveTransparency = 31,
    kSysFirstLevel = 32,
    kSysLastLevel = 42,
    kSysFirstPlace = 51,
    kSysLastPlace = 59,
    kSysResize = 61,
};

// Action, z order, placement and transparency of the first rule that matches the window, or the
// common settings' action and z order when none does.
void ApplyRule(TfrmMain& form, HWND window);
// The list's rule columns for a row, from its first matching rule or the common settings.
std::string RuleActionTextFor(TfrmMain& form, const WindowEntry& row);
std::string RuleZOrderTextFor(TfrmMain& form, const WindowEntry& row);
// True when the row's new caption makes another rule its first match than the old caption did.
bool CaptionChangedRule(TfrmMain& form, const WindowEntry& row, const std::string& oldCaption);
// Rewrites the rule columns of every listed window from the rules and the default settings.
void RefreshRuleColumns(TfrmMain& form);
// Applies the rules again to every listed and hidden window that one of the rules matches (a
// changed rule as it was and as it is now).
void ApplyRulesTouchedBy(TfrmMain& form, const std::vector<WindowRule>& changed);
void ApplyRulesOfClass(TfrmMain& form, const std::string& className);
void InsertSystemMenuItems(TfrmMain& form, HWND window);
// Takes the program's items out of the window's system menu again, when they are there.
void RemoveSystemMenuItems(HWND window);
void CarryOutSystemMenuCommand(TfrmMain& form, HWND window, int id);

} // namespace vantrel
