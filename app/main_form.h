#pragma once
// The main window: owns the window list, the rules, the hidden windows, the timers and the
// notification-area icons, and runs the program's start-up and exit.
#include <windows.h>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/catalogue.h"
#include "app/window_list.h"
#include "commands/hidden_journal.h"
#include "commands/layered_windows.h"
#include "commands/relay_process.h"
#include "commands/tray_hosting.h"
#include "commands/window_commands.h"
#include "app/window_watch.h"
#include "platform/handles.h"
#include "platform/win_events.h"
#include "rules/rule_commands.h"
#include "rules/rule_list.h"
#include "ui/flat_menu.h"
#include "ui/list_view.h"
#include "ui/window_list_view.h"
#include "ui/main_graphics.h"
#include "ui/settings.h"
#include "ui/settings_command.h"

namespace vantrel {

enum class CloseMode { Minimize = 0, Hide = 1, Exit = 2 };

struct MainFormOptions {
    std::string exeFolder;     // with trailing separator; rules.dat lives here
    std::string appDataFolder; // per-user folder with trailing separator; empty: ask the shell
    bool askShellForAppData = true;
    std::vector<std::string> args; // command-line arguments after the program name
    bool startRelay = true;        // the helper that reports other windows' events
    bool noLayeredWindows = false; // behave as on a system without layered windows (tests)
    // Behave as where RegisterShellHookWindow succeeds (tests: under Wine it never does).
    bool shellHookRegistered = false;
};

class TfrmMain : public WindowCommandHost, public RuleCommandHost, public SettingsCommandHost {
public:
    explicit TfrmMain(MainFormOptions options);
    ~TfrmMain() override;
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    static TfrmMain* Current() { return current_; }

    // Creates the window (running FormCreate) and shows it.
    bool Create(HINSTANCE instance, int showCommand);
    HWND Handle() const override { return handle_; }

    // State, readable by the commands and the tests.
    CloseMode closeMode() const { return closeMode_; }
    bool layeredWindowsAvailable() const { return layeredAvailable_; }
    int versionCode() const override { return versionCode_; }
    int ieMajorVersion() const { return ieMajorVersion_; }
    HWND skipOnceWindow() const { return skipOnce_; }
    void SetSkipOnceWindow(HWND window) { skipOnce_ = window; }
    // The catalogue's last pass begun when the skip-once window came back.
    unsigned skipOncePass() const { return skipOncePass_; }
    HiddenJournal& journal() override { return journal_; }
    platform::UniqueIcon RowIcon(int row) override;
    LayeredWindows& layeredWindows() override { return layeredWindows_; }
    Relays& relay() { return relay_; }
    const WindowWatch& windowWatch() const { return watch_; }
    const platform::TopLevelWindowEvents& windowEvents() const { return windowEvents_; }
    UINT shellHookMessage() const { return shellHookMessage_; }
    WindowList& windows() override { return windows_; }
    Catalogue& catalogue() { return *catalogue_; }
    RuleList& rules() override { return rules_; }
    // Windows that a rule acting once has acted on.
    std::set<HWND>& onceActed() { return onceActed_; }
    CommonSettings& settings() override { return settings_; }
    TrayHost& tray() override { return tray_; }
    ListView& lvMain() override { return windowsView_.view(); }
    // Rows have changed that the list view does not show yet.
    bool RowsWaiting() const { return windowsView_.RowsWaiting(); }
    ListView& lvRule() override { return lvRule_; }
    HWND ftcMain() const { return ftcMain_; }
    bool timer1Enabled() const { return timer1Enabled_; }
    UINT timer1Interval() const { return timer1Interval_; }
    bool timerVistaRefreshEnabled() const { return timerVistaEnabled_; }
    std::string RulesPath() const override { return options_.exeFolder + "rules.dat"; }
    SettingsLocation settingsLocation() const override;
    const std::vector<GraphicControl>& graphicControls() const { return graphics_.Controls(); }
    GraphicControl* Graphic(const std::string& name) { return graphics_.Find(name); }
    HWND toolTip() const { return graphics_.ToolTip(); }
    bool linkHot() const { return graphics_.LinkHot(); }
    int ActiveTab() const;
    HWND fbMinimize() const { return fbMinimize_; }
    HWND fbClose() const { return fbClose_; }
    HWND fbMenu() const { return fbMenu_; }

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();
    void WMSysCommand(WPARAM command);
    void ShowMainWindow();
    void fbMinimizeClick();
    void fbCloseClick();
    void aExitExecute();
    void aRefreshExecute();
    void miOpenClick() { ShowMainWindow(); }

    // Commands on the selected window of the list; each does nothing without a selection.
    // SelectedWindowRow is that window's row behind the list, -1 when there is none.
    int SelectedWindowRow() const override;
    HWND SelectedWindow() const;
    // Highlights the window's row as the list shows it now; nothing when it is not shown.
    void SelectWindow(HWND window) override;
    // The list view takes the rows as they are now.
    void ShowRowsNow();
    // Asks for a rebuild in slices; `then` runs once the next pass is whole (the one under way,
    // when one is), on the rows that pass made.
    void RebuildThen(std::function<void()> then);
    void aMinimizeToTrayExecute();
    void aStayOnTopExecute();
    void aNormalExecute();
    void aCustomTranspExecute();
    void aRemoveTranspExecute();
    void aAlignExecute(int place); // 0 top left .. 8 bottom right
    void aResizewindowExecute();
    void aWindowPropExecute();
    void miMaxAllClick();
    void miMaxIEClick();
    void miMinimizeAllClick();
    void miCloseAllClick();
    void bAddRuleClick();
    void bEditRuleClick();
    void bDeleteRuleClick();
    void aHelpExecute();
    void miAboutClick();
    void ftcMainTabChanged(int tab);
    void fbMenuClick();
    // Just below the Menu button's left edge, in screen coordinates.
    POINT MenuButtonPopupPoint() const;
    // Runs the command of a menu item; false for an id that is not a menu command.
    bool RunCommand(int id);
    bool SelectedWindowShown() const;
    bool SelectedRuleShown() const;
    FlatMenu& pmMain() { return pmMain_; }
    FlatMenu& pmSelf() { return pmSelf_; }
    FlatMenu& pmOtherApp() { return pmOtherApp_; }
    // Brings the menus' captions and enabled states up to date, as before they open.
    void UpdateActions();
    void SetTimer1(bool enabled, UINT intervalMs) override;
    void SetTimerVistaRefresh(bool enabled) override;
    void RewriteRuleColumns() override;
    void ReapplyRules(const std::vector<WindowRule>& changed) override;
    void ApplyRuleTo(HWND window) override;
    void SetSystemMenuItems(bool inserted) override;
    // Every transparency change goes through the entry found at start-up.
    bool SetLayeredAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags) override;
    void ShowTransparencyDialog(HWND window, int row);
    // `overTarget`: centred over the target window (system-menu command), not the main one.
    void ShowResizeDialog(HWND window, bool overTarget);
    void OnHiddenTrayIcon(HWND window, LPARAM mouseMessage);
    void miAppNameClick();
    void miExitClick();

    // Runs a command, turning the failures it reports into the central error message.
    void Guard(const std::function<void()>& command);
    static void ShowError(const std::string& message);

private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    // Puts every control, font and picture where the 96-DPI layout says, at the window's DPI.
    void LayOut();
    void ArrangeLists();
    void CreateGraphics();
    bool OnKey(const MSG& msg);
    // Runs when the program has nothing else to do, and while a menu waits for the user.
    void OnIdle();
    void OnPaint();
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    void OnNotify(const NMHDR* header);
    void OnOwnTrayIcon(LPARAM mouseMessage);
    void OnShellHook(const MSG& msg);
    void OnWindowNotice(WPARAM notice, HWND window);
    bool LaterRebuildWaiting(const MSG& msg) const;
    // Notices of windows come thick and fast, or wait to be handled.
    bool InStorm() const;
    void ShowListMenu(POINT screen);
    void ShowSelfMenu(POINT screen);
    void ShowOtherAppMenu(POINT screen);
    void ExitSteps();

    MainFormOptions options_;
    HWND handle_ = nullptr;
    HINSTANCE instance_ = nullptr;
    CloseMode closeMode_ = CloseMode::Minimize;
    bool layeredAvailable_ = true;
    platform::UniqueModule user32_;
    void* setLayeredAttributes_ = nullptr;
    int versionCode_ = 0;
    int ieMajorVersion_ = 0;
    HWND skipOnce_ = nullptr;
    unsigned skipOncePass_ = 0;
    UINT shellHookMessage_ = 0;
    ULONGLONG lastNotice_ = 0; // when the relay or the shell last told of a window
    UINT taskbarCreatedMessage_ = 0;
    bool miTransparencyVisible_ = true;

    CommonSettings settings_;
    RuleList rules_;
    std::set<HWND> onceActed_;
    std::vector<std::function<void()>> afterRebuild_;
    WindowList windows_;
    std::unique_ptr<Catalogue> catalogue_;
    TrayHost tray_;
    HiddenJournal journal_;
    LayeredWindows layeredWindows_;
    Relays relay_;
    WindowWatch watch_;
    platform::TopLevelWindowEvents windowEvents_;

    WindowListView windowsView_{windows_, [this] { return InStorm(); }};
    ListView lvRule_;
    HWND ftcMain_ = nullptr;
    HWND fbMinimize_ = nullptr;
    HWND fbClose_ = nullptr;
    HWND fbMenu_ = nullptr;
    HWND lastFocus_ = nullptr; // the control that gets the focus back when the window does
    MainGraphics graphics_;
    platform::UniqueIcon formIcon_;      // large: Alt+Tab and the window's class
    platform::UniqueIcon formSmallIcon_; // small: the notification area and the title
    platform::UniqueIcon fallbackIcon_;
    platform::UniqueGdiObject font_;
    int dpi_ = 96;
    FlatMenu pmMain_;
    FlatMenu pmSelf_;
    FlatMenu pmOtherApp_;
    platform::UniqueImageList menuImages_;

    bool timer1Enabled_ = false;
    UINT timer1Interval_ = 1000;
    bool timerVistaEnabled_ = false;

    static TfrmMain* current_;
};

} // namespace vantrel
