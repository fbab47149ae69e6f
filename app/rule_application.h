#pragma once
// Applying the rules to windows, the program's items in other windows' system menus, and the
// commands that come back from those items.
#include <windows.h>
#include <string>

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

void ApplyRule(TfrmMain& form, HWND window);
// Rewrites the rule columns of every listed window from the rules and the default settings.
void RefreshRuleColumns(TfrmMain& form);
void ApplyRulesOfClass(TfrmMain& form, const std::string& className);
void InsertSystemMenuItems(TfrmMain& form, HWND window);
// Takes the program's items out of the window's system menu again, when they are there.
void RemoveSystemMenuItems(HWND window);
void CarryOutSystemMenuCommand(TfrmMain& form, HWND window, int id);

} // namespace vantrel
