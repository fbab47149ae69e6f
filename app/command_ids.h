#pragma once
// Command ids of the main window's menu items. A chosen item reaches the main window as
// WM_COMMAND with its id, like any menu command.
namespace vantrel {

enum MenuCommandId {
    kCmdExit = 1000,
    kCmdHelp,
    kCmdRefresh,
    kCmdMainAddRule,
    kCmdSettings,
    kCmdRulesAddRule,
    kCmdDeleteRule,
    kCmdEditRule,
    kCmdWindowProp,
    kCmdMinimizeToTray,
    kCmdStayOnTop,
    kCmdNormal,
    kCmdCustomTransp,
    kCmdRemoveTransp,
    kCmdTopLeft, // the nine places follow in order
    kCmdBottomRight = kCmdTopLeft + 8,
    kCmdResizeWindow,
    kCmdAbout,
    kCmdOpen,
    kCmdMaxAll,
    kCmdMaxIE,
    kCmdMinimizeAll,
    kCmdCloseAll,
    kCmdAppName,
    kCmdAppExit,
};

} // namespace vantrel
