#include "ui/main_menus.h"

#include "app/command_ids.h"
#include "ui/actions.h"

namespace vantrel {

namespace {
// Image indices of the menu pictures.
enum MenuImage {
    kImgRefresh = 0,
    kImgAddRule,
    kImgHelp,
    kImgEditRule,
    kImgDeleteRule,
    kImgSettings,
    kImgOpen,
    kImgCustomTransparency,
};

// `keyShown`: the item stands in a menu of the main window, where its key works.
MenuItemModel ActionItem(const char* name, const char* action, int tag, int image = -1,
                         bool visible = true, bool keyShown = true) {
    MenuItemModel item;
    item.name = name;
    const Action* a = FindAction(action);
    item.caption = a->caption;
    item.shortcut = keyShown ? ShortcutText(a->shortcut) : std::string();
    item.id = a->command;
    item.image = image;
    item.tag = tag;
    item.visible = visible;
    return item;
}

MenuItemModel Plain(const char* name, const char* caption, int id, int tag = 0, int image = -1) {
    MenuItemModel item;
    item.name = name;
    item.caption = caption;
    item.id = id;
    item.tag = tag;
    item.image = image;
    return item;
}

MenuItemModel Separator(const char* name, int tag = 0) {
    MenuItemModel item;
    item.name = name;
    item.separator = true;
    item.tag = tag;
    return item;
}

MenuItemModel Submenu(const char* name, const char* caption, int tag,
                      std::vector<MenuItemModel> children) {
    MenuItemModel item;
    item.name = name;
    item.caption = caption;
    item.tag = tag;
    item.children = std::move(children);
    return item;
}
} // namespace

std::vector<MenuItemModel> ListMenuItems() {
    return {
        ActionItem("SetRule1", "aMainAddRule", kTagWindowList, kImgAddRule),
        ActionItem("Refresh1", "aRefresh", kTagWindowList, kImgRefresh),
        ActionItem("miWinowProp", "aWindowProp", kTagWindowList),
        ActionItem("miRulesSetRule", "aRulesAddRule", kTagRules, kImgAddRule, false),
        ActionItem("EditRule1", "aEditRule", kTagRules, kImgEditRule, false),
        ActionItem("DeleteRule1", "aDeleteRule", kTagRules, kImgDeleteRule, false),
        Separator("N5"),
        ActionItem("aMinimizeToTray1", "aMinimizeToTray", kTagWindowList),
        Submenu("StayonTop1", "Stay on Top", kTagWindowList,
                {ActionItem("StayOnTop2", "aStayOnTop", 0), ActionItem("Normal1", "aNormal", 0)}),
        Submenu("miTransparency", "Transparency", kTagWindowList,
                {ActionItem("Customtransparency1", "aCustomTransp", 0, kImgCustomTransparency),
                 ActionItem("Removetransparency1", "aRemoveTransp", 0)}),
        Submenu("Alignment1", "Alignment", kTagWindowList,
                {ActionItem("TopLeft1", "aTopLeft", 0), ActionItem("TopCenter1", "aTopCenter", 0),
                 ActionItem("TopRight1", "aTopRight", 0),
                 ActionItem("MiddleLeft1", "aMiddleLeft", 0),
                 ActionItem("MiddleCenter1", "aMiddleCenter", 0),
                 ActionItem("MiddleRight1", "aMiddleRight", 0),
                 ActionItem("BottomLeft1", "aBottomLeft", 0),
                 ActionItem("BottomCenter1", "aBottomCenter", 0),
                 ActionItem("BottomRight1", "aBottomRight", 0)}),
        ActionItem("Resizewindow1", "aResizewindow", kTagWindowList),
        Separator("N8"),
        ActionItem("Settings2", "aSettings", kTagBoth, kImgSettings),
        Separator("N6"),
        ActionItem("Help2", "aHelp", kTagBoth, kImgHelp),
        Plain("miAbout", "&About...", kCmdAbout, kTagBoth),
        Separator("N4"),
        ActionItem("Exit2", "aExit", kTagBoth),
    };
}

std::vector<MenuItemModel> SelfMenuItems() {
    return {
        Plain("miOpen", "&Open", kCmdOpen, 0, kImgOpen),
        Separator("N1"),
        Plain("miMaxAll", "&Maximize all windows", kCmdMaxAll),
        Plain("miMaxIE", "Maximize only &IE windows", kCmdMaxIE),
        Plain("miMinimizeAll", "Mi&nimize all windows", kCmdMinimizeAll),
        Plain("miCloseAll", "&Close all windows", kCmdCloseAll),
        Separator("N3"),
        // The tray icon's menu belongs to no window that would take the keys.
        ActionItem("Settings1", "aSettings", 0, kImgSettings, true, false),
        ActionItem("Help1", "aHelp", 0, kImgHelp, true, false),
        Separator("N2"),
        ActionItem("Exit1", "aExit", 0, -1, true, false),
    };
}

std::vector<MenuItemModel> OtherAppMenuItems() {
    return {
        Plain("miAppName", "Other App", kCmdAppName),
        Separator("N7"),
        Plain("miExit", "Exit", kCmdAppExit),
    };
}

void ApplyActions(std::vector<MenuItemModel>& items, bool selectedWindow, bool selectedRule) {
    for (MenuItemModel& item : items) {
        if (const Action* a = item.separator ? nullptr : ActionForCommand(item.id)) {
            item.caption = a->caption;
            item.enabled = ActionEnabled(*a, selectedWindow, selectedRule);
        }
        ApplyActions(item.children, selectedWindow, selectedRule);
    }
}

int ShortcutCommand(const std::vector<MenuItemModel>& items, unsigned key, bool control) {
    for (const MenuItemModel& item : items) {
        if (!item.visible || item.separator) {
            continue;
        }
        const Action* a = ActionForCommand(item.id);
        if (a != nullptr && a->shortcut.key == key && a->shortcut.control == control &&
            !a->shortcut.listOnly) {
            return item.id;
        }
        if (const int inside = ShortcutCommand(item.children, key, control)) {
            return inside;
        }
    }
    return 0;
}

} // namespace vantrel
