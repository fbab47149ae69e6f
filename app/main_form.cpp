#include "app/main_form.h"

#include <commctrl.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <windowsx.h>

#include "app/application.h"
#include "app/command_ids.h"
#include "app/messages.h"
#include "app/rule_application.h"
#include "commands/mass_commands.h"
#include "commands/placement.h"
#include "commands/properties_dialog.h"
#include "commands/resize_dialog.h"
#include "commands/transparency_dialog.h"
#include "commands/window_commands.h"
#include "platform/error.h"
#include "platform/foreign_window.h"
#include "platform/icon_size.h"
#include "platform/message_filter.h"
#include "platform/system_library.h"
#include "platform/message_queue.h"
#include "platform/window_api.h"
#include "res/resource.h"
#include "rules/rule_store.h"
#include "res/art_ids.h"
#include "rules/rule_commands.h"
#include "ui/about_dialog.h"
#include "app/timers.h"
#include "platform/dpi.h"
#include "platform/gdi.h"
#include "ui/environment.h"
#include "ui/flat_controls.h"
#include "ui/main_keys.h"
#include "ui/main_menus.h"
#include "ui/settings_command.h"
#include "ui/web_links.h"

namespace vantrel {

TfrmMain* TfrmMain::current_ = nullptr;

namespace {
constexpr int kClientWidth = 512;
constexpr int kClientHeight = 382;
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kTimerVistaRefresh = 2;
constexpr UINT kVistaRefreshInterval = 120000;
constexpr UINT_PTR kTimerRelayWatch = 3;
// How soon a crashed relay is started again.
constexpr UINT kRelayWatchInterval = 2000;
// Rows added, removed or renamed one by one reach the list view on this timer, once no notice
// of a window has come for a moment: a burst of them is shown with one count, and a storm that
// goes on still shows its rows every few seconds.
constexpr UINT_PTR kTimerShowRows = 4;
// The next slice of a rebuild, when input or drawing waits or the pass asked from inside itself.
constexpr UINT_PTR kTimerPass = 5;
constexpr UINT kExitAskBudgetMs = 1000;

enum ControlId {
    kIdLvMain = 101,
    kIdLvRule,
    kIdTabs,
    kIdMinimize,
    kIdClose,
    kIdMenu,
};

HFONT MakeFont(int height, bool bold, const char* face = platform::UiFontFace()) {
    return ::CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, face);
}

} // namespace

TfrmMain::TfrmMain(MainFormOptions options) : options_(std::move(options)) {}

TfrmMain::~TfrmMain() {
    if (handle_ != nullptr && ::IsWindow(handle_)) {
        // Torn down without Exit (tests): leave no icon behind and no dangling window procedure.
        tray_.SetOwnTrayIcon(false, nullptr);
        ::SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
        ::DestroyWindow(handle_);
    }
    if (current_ == this) {
        current_ = nullptr;
    }
}

SettingsLocation TfrmMain::settingsLocation() const {
    SettingsLocation location;
    location.exeFolder = options_.exeFolder;
    location.appDataFolder = options_.appDataFolder;
    if (location.appDataFolder.empty() && options_.askShellForAppData) {
        location.appDataFolder = AppDataFolder(handle_);
    }
    return location;
}

bool TfrmMain::Create(HINSTANCE instance, int showCommand) {
    instance_ = instance;
    current_ = this;
    Application& app = Application::Instance();
    HWND owner = app.Initialize(instance);
    // The icons are made before there is a window: at the screen's DPI, which is also the one
    // the notification area draws at.
    const int dpi = platform::ScreenDpi();
    auto loadIcon = [instance](int id, int size) {
        return platform::UniqueIcon(static_cast<HICON>(
            ::LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
    };
    formIcon_ = loadIcon(IDI_VANTREL, platform::LargeIconSize(dpi));
    formSmallIcon_ = loadIcon(IDI_VANTREL, platform::SmallIconSize(dpi));
    fallbackIcon_ = loadIcon(IDI_WINDOW, platform::SmallIconSize(dpi));

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &TfrmMain::WndProc;
    wc.hInstance = instance;
    wc.hIcon = formIcon_.get();
    wc.hIconSm = formSmallIcon_.get();
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = kMainWindowClass;
    ::RegisterClassExA(&wc);

    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
    handle_ = ::CreateWindowExA(0, kMainWindowClass, app.Title().c_str(), style, 0, 0, kClientWidth,
                                kClientHeight, owner, nullptr, instance, this);
    if (handle_ == nullptr) {
        return false;
    }
    // Sized and centred once the window knows the DPI of the monitor it stands on.
    dpi_ = platform::WindowDpi(handle_);
    const SIZE frame = platform::FrameSize(platform::Scaled(kClientWidth, dpi_),
                                           platform::Scaled(kClientHeight, dpi_), style, 0, dpi_);
    ::SetWindowPos(handle_, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2,
                   (::GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2, frame.cx, frame.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    app.SetMainForm(handle_);
    Guard([this] { FormCreate(); });
    ::ShowWindow(owner, SW_SHOWNA);
    ::ShowWindow(handle_, showCommand);
    ::UpdateWindow(handle_);
    ::SetForegroundWindow(handle_);
    ::SetFocus(ftcMain_);
    return true;
}

void TfrmMain::FormCreate() {
    skipOnce_ = nullptr;
    layeredAvailable_ = true;
    if (HMODULE user32 =
            options_.noLayeredWindows ? nullptr : platform::LoadSystemLibrary("user32.dll")) {
        void* fn = reinterpret_cast<void*>(::GetProcAddress(user32, "SetLayeredWindowAttributes"));
        if (fn != nullptr) {
            user32_.reset(user32);
            setLayeredAttributes_ = fn;
        } else {
            ::FreeLibrary(user32);
        }
    }
    if (!user32_) {
        layeredAvailable_ = false;
        miTransparencyVisible_ = false;
    }
    versionCode_ = WindowsVersionCode();
    tray_.Attach(handle_);
    tray_.SetFallbackIcon(fallbackIcon_.get());
    tray_.SetOwnTrayIcon(true, formSmallIcon_.get());

    catalogue_ =
        std::make_unique<Catalogue>(windows_, versionCode_, instance_, fallbackIcon_.get());
    CatalogueServices services;
    services.actionText = [this](const WindowEntry& row) { return RuleActionTextFor(*this, row); };
    services.zOrderText = [this](const WindowEntry& row) { return RuleZOrderTextFor(*this, row); };
    services.captionChangedRule = [this](const WindowEntry& row, const std::string& old) {
        return CaptionChangedRule(*this, row, old);
    };
    services.systemMenuOn = [this] { return settings_.systemMenu; };
    services.applyRule = [this](HWND window) { ApplyRule(*this, window); };
    services.insertSystemMenu = [this](HWND window) { InsertSystemMenuItems(*this, window); };
    services.rowsChanged = [this](bool rebuilt) {
        if (rebuilt) {
            // A handle of a window that has gone may come back for a new window, which is due
            // its "once" again.
            for (auto it = onceActed_.begin(); it != onceActed_.end();) {
                it = ::IsWindow(*it) ? std::next(it) : onceActed_.erase(it);
            }
        }
        windowsView_.RowsChanged(rebuilt);
        if (rebuilt) {
            // Taken first: what runs may ask for the next rebuild and its own follow-up.
            const auto then = std::move(afterRebuild_);
            afterRebuild_.clear();
            for (const auto& run : then) {
                run();
            }
        }
    };
    services.iconsWaiting = [window = handle_] { ::PostMessageA(window, WM_ICONSREAD, 0, 0); };
    services.passWaiting = [window = handle_](bool later) {
        // A posted message is taken before input and drawing. While a person's input or a
        // paint waits, the next slice comes on a timer, which is taken after both: each is a
        // message of its own, so a paint does not lengthen a slice.
        if (later || platform::InputOrPaintWaiting()) {
            ::SetTimer(window, kTimerPass, USER_TIMER_MINIMUM, nullptr);
            return;
        }
        ::PostMessageA(window, WM_CATALOGUEPASS, 0, 0);
    };
    catalogue_->SetServices(std::move(services));
    CreateControls();
    windows_.Clear();
    windowsView_.view().SetCount(0);

    settings_ = LoadSettings(settingsLocation());
    {
        // Windows that an instance hid before it was killed come back before anything else.
        const std::string settingsFile = SettingsFilePath(settingsLocation());
        journal_.SetPath(settingsFile.substr(0, settingsFile.find_last_of('\\') + 1) + "hidden.dat",
                         settingsLocation().appDataFolder);
        journal_.RecoverOrphans();
    }
    const LoadResult loaded = LoadRules(RulesPath(), rules_);
    lvRule_.SetCount(static_cast<int>(rules_.size()));
    if (loaded.refreshIntervalMs) {
        SetTimer1(true, static_cast<UINT>(*loaded.refreshIntervalMs));
    }
    tray_.onHiddenChanged = [this](const std::vector<HWND>& hidden) { journal_.Save(hidden); };
    tray_.ClearHiddenWindows();

    Application& app = Application::Instance();
    // Watched before the first pass: a window that opens while the pass runs is told of then,
    // and would otherwise wait for the next rebuild, which on some systems is minutes away.
    shellHookMessage_ = ::RegisterWindowMessageA("SHELLHOOK");
    // Only the system's answer counts: a posted "SHELLHOOK" message can come from anyone.
    watch_ = ChooseWindowWatch(
        ::RegisterShellHookWindow(app.Handle()) || options_.shellHookRegistered, versionCode_);
    if (watch_.winEvents &&
        !windowEvents_.Start(
            WatchedWindowEvents(), [this](DWORD event, LONG objectId, LONG childId, HWND window) {
                OnWindowNotice(WindowNoticeForEvent(event, objectId, childId), window);
            })) {
        // The relays' global hooks then watch every window, as where the shell tells nothing.
        watch_.winEvents = false;
        watch_.relays = true;
        watch_.relaysForMenusOnly = false;
        watch_.shellReportsToRelays = true;
    }
    if (watch_.shellReportsToRelays) {
        // Each event counts once: the relays leave created and destroyed windows to the shell.
        relay_.TellShellReportsWindows();
    }
    app.SetFilter([this](const MSG& msg) { OnShellHook(msg); });
    catalogue_->Rebuild();
    if (!windows_.Empty()) {
        windowsView_.view().Select(0);
    }

    app.SetMainFormKeys([this](const MSG& msg) { return OnKey(msg); });
    app.AddIdleHandler([this] { OnIdle(); });
    taskbarCreatedMessage_ = ::RegisterWindowMessageA("TaskbarCreated");
    // What ordinary programs (of lower rights than this elevated one) may post. The window
    // notices and system-menu commands are not among them: those come through the relays, which
    // run with this program's rights and pass on only what the window's own process confirmed.
    for (UINT message :
         {WM_SHOWMAINWINDOW, WM_OWNTRAYICON, WM_HIDDENTRAYICON, taskbarCreatedMessage_}) {
        platform::AllowMessageFromAnyProcess(handle_, message);
    }

    if (options_.startRelay && watch_.relays) {
        relay_.Start(options_.exeFolder, Is64BitWindows(), watch_.relaysForMenusOnly);
        ::SetTimer(handle_, kTimerRelayWatch, kRelayWatchInterval, nullptr);
    }

    ArrangeLists();
    ieMajorVersion_ = InternetExplorerMajorVersion();
}

void TfrmMain::CreateControls() {
    menuImages_ = LoadMenuImages(instance_, dpi_);
    pmMain_.items = ListMenuItems();
    pmMain_.images = menuImages_.get();
    pmSelf_.items = SelfMenuItems();
    pmSelf_.images = menuImages_.get();
    pmOtherApp_.items = OtherAppMenuItems();
    pmOtherApp_.images = catalogue_->Images();
    pmOtherApp_.tidy = false;

    // Made at no size: LayOut gives every control its place at the window's DPI.
    auto button = [&](int id, const char* caption) {
        return ::CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0,
                                 0, 0, handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 instance_, nullptr);
    };
    fbMinimize_ = button(kIdMinimize, "-");
    fbClose_ = button(kIdClose, "X");
    fbMenu_ = button(kIdMenu, "Menu");
    SetFlatButtonHandCursor(fbMinimize_);
    SetFlatButtonHandCursor(fbClose_);

    ftcMain_ = ::CreateWindowExA(
        0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BOTTOM | WS_TABSTOP, 0,
        0, 0, 0, handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdTabs)), instance_,
        nullptr);
    const char* tabs[] = {"Window List", "Rules"};
    for (int i = 0; i < 2; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(tabs[i]);
        ::SendMessageA(ftcMain_, TCM_INSERTITEMA, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(&item));
    }

    windowsView_.Create(handle_, kIdLvMain, RECT{}, catalogue_->Images(), nullptr, kTimerShowRows);
    windowsView_.view().Show(true);

    lvRule_.Create(handle_, kIdLvRule, RECT{}, LVS_SHOWSELALWAYS,
                   {{"Class Name", 100, LVCFMT_LEFT},
                    {"Auto Action", 80, LVCFMT_LEFT},
                    {"Auto Z Order", 80, LVCFMT_LEFT},
                    {"Window Caption", 0, LVCFMT_LEFT},
                    {"Auto Refresh", 80, LVCFMT_LEFT},
                    {"Interval(sec)", 80, LVCFMT_LEFT}});
    lvRule_.SetSource([this](int row, int column) {
        return row >= 0 && static_cast<size_t>(row) < rules_.size()
                   ? ColumnText(rules_.at(static_cast<size_t>(row)), column)
                   : std::string();
    });
    lvRule_.SetKeys([this](int row) {
        return row >= 0 && static_cast<size_t>(row) < rules_.size()
                   ? rules_.at(static_cast<size_t>(row)).className
                   : std::string();
    });
    lvRule_.Show(false);
    // The lists lie on the tab page: the tab control goes beneath them and leaves out what they
    // cover, or its repaints on every hover, click and focus change would wipe them out.
    for (HWND list : {windowsView_.view().Handle(), lvRule_.Handle()}) {
        ::SetWindowLongPtrA(list, GWL_STYLE,
                            ::GetWindowLongPtrA(list, GWL_STYLE) | WS_CLIPSIBLINGS);
    }
    ::SetWindowPos(ftcMain_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    CreateGraphics();
    LayOut();
}

void TfrmMain::LayOut() {
    const auto px = [this](int value) { return platform::Scaled(value, dpi_); };
    // The old font stays alive until every control has let go of it.
    const platform::UniqueGdiObject oldFont(font_.release());
    font_.reset(MakeFont(px(11), false));
    const HFONT font = static_cast<HFONT>(font_.get());
    const auto place = [&](HWND control, int left, int top, int width, int height) {
        ::SetWindowPos(control, nullptr, px(left), px(top), px(width), px(height),
                       SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(fbMinimize_, 459, 9, 21, 17);
    place(fbClose_, 481, 9, 21, 17);
    place(fbMenu_, 88, 49, 51, 18);
    MakeFlatButton(fbMinimize_, RGB(255, 255, 255), px(32), true, true);
    MakeFlatButton(fbClose_, RGB(255, 255, 255), px(13), true, true);
    MakeFlatButton(fbMenu_, ::GetSysColor(COLOR_CAPTIONTEXT), px(11), true, true);

    place(ftcMain_, 21, 73, 471, 300);
    ::SendMessageA(ftcMain_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    MakeFlatTabs(ftcMain_, dpi_);

    for (HWND list : {windowsView_.view().Handle(), lvRule_.Handle()}) {
        place(list, 21, 73, 470, 284);
        ::SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    windowsView_.ScaleColumns(dpi_);
    ArrangeLists();
    graphics_.SetDpi(dpi_);
    ::InvalidateRect(handle_, nullptr, TRUE);
}

void TfrmMain::CreateGraphics() {
    MainGraphicsClicks clicks;
    clicks.link = [this] { OpenWebPage(handle_, ProductPage()); };
    clicks.addRule = [this] { bAddRuleClick(); };
    clicks.refresh = [this] { aRefreshExecute(); };
    clicks.transparency = [this] { aCustomTranspExecute(); };
    clicks.settings = [this] { aSettingsExecute(*this); };
    clicks.help = [this] { aHelpExecute(); };
    clicks.editRule = [this] { bEditRuleClick(); };
    clicks.deleteRule = [this] { bDeleteRuleClick(); };
    graphics_.Create(handle_, instance_, MainWindowGraphics(clicks), "Vantrel 2.0", HostName(),
                     dpi_);
    graphics_.AddWindowHint(fbMinimize_, "Minimize to taskbar");
    graphics_.AddWindowHint(fbClose_, "Minimize to system tray");
    graphics_.AddWindowHint(windowsView_.view().Handle(),
                            "Press right button of mouse, List menu will popup.");
    graphics_.AddWindowHint(lvRule_.Handle(), "Press right button of mouse, List menu will popup.");
}

void TfrmMain::ArrangeLists() {
    // The rules list takes the window list's place and sizes its columns from its own width.
    RECT r{};
    ::GetWindowRect(windowsView_.view().Handle(), &r);
    ::MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&r), 2);
    ::SetWindowPos(lvRule_.Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    const int w = r.right - r.left;
    const int column1 = (3 * w) / 16 - 1;
    lvRule_.SetColumnWidth(0, w / 4);
    lvRule_.SetColumnWidth(1, column1);
    lvRule_.SetColumnWidth(2, column1);
    lvRule_.SetColumnWidth(4, column1);
    lvRule_.SetColumnWidth(5, column1 + 1);
}

bool TfrmMain::InStorm() const {
    if (::GetTickCount64() - lastNotice_ < WindowListView::kQuietMs ||
        platform::PostedMessageWaiting(handle_, WM_WINDOWNOTICE, nullptr)) {
        return true;
    }
    const HWND application = Application::Instance().Handle();
    return shellHookMessage_ != 0 && application != nullptr &&
           platform::PostedMessageWaiting(application, shellHookMessage_, nullptr);
}

void TfrmMain::SelectWindow(HWND window) {
    windowsView_.SelectWindow(window);
}

void TfrmMain::ShowRowsNow() {
    windowsView_.ShowNow();
}

void TfrmMain::RebuildThen(std::function<void()> then) {
    // Kept before the request: without slices the rebuild is made within it.
    afterRebuild_.push_back(std::move(then));
    catalogue_->RequestRebuild();
}

void TfrmMain::FormShow() {
    if (versionCode_ == 11) {
        SetTimerVistaRefresh(true);
    }
    if (rules_.RuleZOrderText("IEFrame", settings_) == "Stay on top") {
        SetTimerVistaRefresh(true);
    }
}

void TfrmMain::FormActivate() {
    if (!options_.args.empty() && options_.args[0] == "-Start") {
        fbCloseClick();
    }
}

void TfrmMain::FormClose() {
    if (closeMode_ != CloseMode::Exit) {
        ::PostMessageA(handle_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        closeMode_ = CloseMode::Hide;
        return;
    }
    ExitSteps();
    ::DestroyWindow(handle_);
}

void TfrmMain::ExitSteps() {
    windowEvents_.Stop();
    relay_.Stop();
    user32_.reset();
    setLayeredAttributes_ = nullptr;
    const size_t count = tray_.HiddenWindows().size();
    for (size_t i = 0; i < count; ++i) {
        HWND hidden = tray_.HiddenWindows()[i];
        tray_.RemoveWindowTrayIcon(hidden);
        platform::foreign::Show(hidden, SW_SHOWNA);
    }
    // A hung program shows its window only when it wakes, so its record stays for the next
    // start to ask again. Asking costs at most a second in all, so that Exit always ends.
    std::vector<HWND> unanswered;
    const DWORD askedFrom = ::GetTickCount();
    for (HWND hidden : tray_.HiddenWindows()) {
        if (std::find(unanswered.begin(), unanswered.end(), hidden) != unanswered.end() ||
            !::IsWindow(hidden)) {
            continue;
        }
        const DWORD spent = ::GetTickCount() - askedFrom;
        const UINT wait = spent >= kExitAskBudgetMs ? 0 : kExitAskBudgetMs - spent;
        if (wait == 0 || !platform::foreign::Answers(
                             hidden, std::min(wait, platform::foreign::kAnswerTimeoutMs))) {
            unanswered.push_back(hidden);
        }
    }
    auto journalHidden = std::move(tray_.onHiddenChanged);
    tray_.onHiddenChanged = nullptr;
    tray_.ClearHiddenWindows();
    tray_.onHiddenChanged = std::move(journalHidden);
    journal_.Save(unanswered);
    catalogue_->ForAllWindows(EnumerationMode::RestoreSystemMenus);
    relay_.NoWindowCarriesItems();
    // A refused write is reported, but must not keep the program from ending.
    Guard([this] { SaveSettings(settingsLocation(), settings_); });
    Guard([this] { SaveRules(RulesPath(), rules_); });
}

void TfrmMain::WMSysCommand(WPARAM command) {
    if ((command & 0xFFF0) != SC_MINIMIZE) {
        return;
    }
    // The main window minimizes the whole application: its taskbar window goes to the taskbar
    // and the form goes out of sight with it.
    const Application& app = Application::Instance();
    ::ShowWindow(app.Handle(), SW_MINIMIZE);
    ::ShowWindow(handle_, SW_HIDE);
    if (closeMode_ == CloseMode::Hide) {
        ::ShowWindow(handle_, SW_HIDE);
        ::ShowWindow(app.Handle(), SW_HIDE);
        closeMode_ = CloseMode::Minimize;
    }
}

void TfrmMain::ShowMainWindow() {
    Application& app = Application::Instance();
    ::ShowWindow(app.Handle(), SW_SHOWNA);
    ::ShowWindow(handle_, SW_SHOW);
    if (::IsIconic(app.Handle())) {
        app.Restore();
    }
    app.BringToFront();
    ::SetForegroundWindow(app.Handle());
}

void TfrmMain::fbMinimizeClick() {
    closeMode_ = CloseMode::Minimize;
    ::PostMessageA(handle_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void TfrmMain::fbCloseClick() {
    closeMode_ = CloseMode::Hide;
    ::PostMessageA(handle_, WM_CLOSE, 0, 0);
}

void TfrmMain::aExitExecute() {
    closeMode_ = CloseMode::Exit;
    HWND window = handle_;
    ::SendMessageA(window, WM_CLOSE, 0, 0);
    tray_.SetOwnTrayIcon(false, nullptr);
}

platform::UniqueIcon TfrmMain::RowIcon(int row) {
    if (!windows_.Valid(row) || windows_.At(row).image < 0) {
        return platform::UniqueIcon();
    }
    return platform::UniqueIcon(
        ::ImageList_GetIcon(catalogue_->Images(), windows_.At(row).image, ILD_NORMAL));
}

void TfrmMain::aRefreshExecute() {
    catalogue_->RequestRebuild();
}

void TfrmMain::ShowTransparencyDialog(HWND window, int row) {
    // A level chosen for a window its program draws itself could not be applied: no dialog.
    if (!platform::foreign::IsTarget(window) || TransparencyLeftToItsProgram(window)) {
        return;
    }
    const bool fromSystemMenu = row == -1;
    if (fromSystemMenu) {
        row = windows_.Find(window);
    }
    // A window that is not listed (the system-menu items stay in a window's menu after it has
    // dropped out of the list) still gets the dialog: its caption is read from the window, it
    // starts from opaque, and there is no row to remember the level in.
    const bool listed = windows_.Valid(row);
    TfrmCustomTransparency dialog(handle_);
    dialog.SetCaption(dialog.Caption() + ": " +
                      (listed ? windows_.At(row).caption : platform::WindowText(window)));
    dialog.SetValue(listed ? windows_.At(row).transparency : 0);
    if (fromSystemMenu) {
        dialog.CentreOver(window);
    }
    if (dialog.ShowModal() != kResultOk) {
        return;
    }
    const int percent = dialog.Value();
    SetTransparency(*this, window, percent);
    if (listed && windows_.Valid(row) && windows_.At(row).handle == window) {
        windows_.At(row).transparency = percent;
    }
}

void TfrmMain::ShowResizeDialog(HWND window, bool overTarget) {
    if (!platform::foreign::IsTarget(window)) {
        return;
    }
    TfrmResize dialog(handle_);
    dialog.SetTarget(window);
    if (overTarget) {
        dialog.CentreOver(window);
    }
    dialog.ShowModal();
}

int TfrmMain::SelectedWindowRow() const {
    return windowsView_.SelectedRow();
}

HWND TfrmMain::SelectedWindow() const {
    return windowsView_.SelectedWindow();
}

void TfrmMain::aMinimizeToTrayExecute() {
    if (HWND window = SelectedWindow()) {
        MinimizeWindowToTray(*this, window);
    }
}

void TfrmMain::aStayOnTopExecute() {
    if (HWND window = SelectedWindow()) {
        SetTopmost(window, true);
    }
}

void TfrmMain::aNormalExecute() {
    if (HWND window = SelectedWindow()) {
        SetTopmost(window, false);
    }
}

void TfrmMain::aCustomTranspExecute() {
    const int row = SelectedWindowRow();
    // Without layered windows no transparency can be set: the picture button stays but has
    // nothing to offer, so it does nothing rather than open a dialog that cannot act.
    if (row < 0 || !layeredAvailable_) {
        return;
    }
    ShowTransparencyDialog(windows_.At(row).handle, row);
}

void TfrmMain::aRemoveTranspExecute() {
    const int row = SelectedWindowRow();
    if (row < 0) {
        return;
    }
    RemoveTransparency(*this, windows_.At(row).handle);
    if (windows_.Valid(row)) {
        windows_.At(row).transparency = 0;
    }
}

void TfrmMain::aAlignExecute(int place) {
    HWND window = SelectedWindow();
    if (window == nullptr || place < 0 || place >= static_cast<int>(AlignmentPlaces().size())) {
        return;
    }
    AlignWindow(window, AlignmentPlaces()[static_cast<size_t>(place)]);
}

void TfrmMain::aResizewindowExecute() {
    if (HWND window = SelectedWindow()) {
        ShowResizeDialog(window, false);
    }
}

void TfrmMain::aWindowPropExecute() {
    const int row = SelectedWindowRow();
    if (row < 0) {
        return;
    }
    TfrmWindowProp dialog(handle_);
    dialog.SetTarget(windows_.At(row).handle, windows_.At(row).caption);
    RECT r{};
    ::GetWindowRect(handle_, &r);
    dialog.PlaceAt(r.left + (r.right - r.left) / 4, r.top + (r.bottom - r.top) / 4);
    dialog.ShowModal();
}

void TfrmMain::miMaxAllClick() {
    MaximizeAll(windows_);
}
void TfrmMain::miMaxIEClick() {
    MaximizeIEWindows(windows_);
}
void TfrmMain::miMinimizeAllClick() {
    MinimizeAll(windows_);
}
void TfrmMain::miCloseAllClick() {
    CloseAll(windows_);
}

void TfrmMain::SetTimer1(bool enabled, UINT intervalMs) {
    timer1Enabled_ = enabled;
    timer1Interval_ = intervalMs;
    if (enabled) {
        ::SetTimer(handle_, kTimer1, intervalMs, nullptr);
    } else {
        ::KillTimer(handle_, kTimer1);
    }
}

void TfrmMain::SetTimerVistaRefresh(bool enabled) {
    if (enabled == timerVistaEnabled_) {
        return;
    }
    timerVistaEnabled_ = enabled;
    if (enabled) {
        ::SetTimer(handle_, kTimerVistaRefresh, kVistaRefreshInterval, nullptr);
    } else {
        ::KillTimer(handle_, kTimerVistaRefresh);
    }
}

void TfrmMain::RewriteRuleColumns() {
    RefreshRuleColumns(*this);
}

void TfrmMain::ReapplyRules(const std::vector<WindowRule>& changed) {
    ApplyRulesTouchedBy(*this, changed);
}

void TfrmMain::ApplyRuleTo(HWND window) {
    ApplyRule(*this, window);
}

void TfrmMain::SetSystemMenuItems(bool inserted) {
    catalogue_->ForAllWindows(inserted ? EnumerationMode::InsertSystemMenus
                                       : EnumerationMode::RestoreSystemMenus);
}

bool TfrmMain::SetLayeredAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags) {
    return platform::foreign::SetLayeredAttributes(setLayeredAttributes_, window, key, alpha,
                                                   flags);
}

void TfrmMain::OnHiddenTrayIcon(HWND window, LPARAM mouseMessage) {
    // The callback is let through from programs of lower rights, and any of them can name any
    // window in it; this program shows or closes only the windows it hid itself.
    if (!tray_.IsHidden(window)) {
        return;
    }
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        skipOnce_ = window;
        skipOncePass_ = catalogue_->LastPass();
        platform::foreign::ShowInFront(window);
        tray_.RemoveWindowTrayIcon(window);
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        tray_.menuTarget = window;
        ::SetForegroundWindow(handle_);
        POINT pt{};
        ::GetCursorPos(&pt);
        ShowOtherAppMenu(pt);
    }
}

void TfrmMain::miAppNameClick() {
    HWND target = tray_.menuTarget;
    if (!tray_.IsHidden(target)) {
        return;
    }
    platform::foreign::ShowInFront(target);
    tray_.RemoveWindowTrayIcon(target);
    tray_.RemoveFromTrayList(target);
}

void TfrmMain::miExitClick() {
    HWND target = tray_.menuTarget;
    if (!tray_.IsHidden(target)) {
        return;
    }
    platform::foreign::Close(target);
    tray_.RemoveWindowTrayIcon(target);
    tray_.RemoveFromTrayList(target);
}

void TfrmMain::Guard(const std::function<void()>& command) {
    try {
        command();
    } catch (const UserError& e) {
        ShowError(e.what());
    }
}

void TfrmMain::ShowError(const std::string& message) {
    ::MessageBoxA(::GetActiveWindow(), message.c_str(), "Vantrel", MB_OK | MB_ICONERROR);
}

void TfrmMain::OnShellHook(const MSG& msg) {
    if (shellHookMessage_ == 0 || msg.message != shellHookMessage_) {
        return;
    }
    if (msg.wParam == HSHELL_WINDOWCREATED || msg.wParam == HSHELL_WINDOWDESTROYED) {
        lastNotice_ = ::GetTickCount64();
        // The window the shell names gets its row and its rule (or loses its row) at once, on
        // its own; the other windows' rules follow in the rebuild's slices.
        // A window just brought back from the tray is left to the pass: the one rule application
        // it skips must be the pass's, or the pass would hide it again.
        const HWND window = reinterpret_cast<HWND>(msg.lParam);
        if (window != nullptr && window != skipOnce_ &&
            msg.hwnd == Application::Instance().Handle()) {
            Guard([&] {
                OnWindowNotice(
                    msg.wParam == HSHELL_WINDOWCREATED ? kNoticeCreated : kNoticeDestroyed, window);
            });
        }
        if (LaterRebuildWaiting(msg)) {
            return;
        }
        Guard([this] { catalogue_->RequestRebuild(); });
    }
}

void TfrmMain::OnWindowNotice(WPARAM notice, HWND window) {
    if (notice == 0) {
        return;
    }
    lastNotice_ = ::GetTickCount64();
    // A window that is listed already was announced by the shell too (or twice by a relay or
    // an event): adding it again would list it twice and apply its rule once more.
    if (notice == kNoticeCreated) {
        catalogue_->AddNew(window);
    } else if (notice == kNoticeDestroyed) {
        catalogue_->Remove(window);
    } else if (notice == kNoticeRenamed) {
        catalogue_->Rename(window);
    }
}

bool TfrmMain::LaterRebuildWaiting(const MSG& msg) const {
    // A burst of windows opening and closing brings one message each. A rebuild lists the
    // windows as they are when it runs and replaces every row, so while another such message
    // waits behind this one, this rebuild would only make rows that the later one replaces: it
    // is left to the later one, and the messages in between work on the rows as they stand.
    // Only messages to the application's window are merged: it lives as long as the program,
    // so the later message cannot be lost with its window.
    if (msg.hwnd == nullptr || msg.hwnd != Application::Instance().Handle()) {
        return false;
    }
    MSG later{};
    return platform::PostedMessageWaiting(msg.hwnd, shellHookMessage_, &later) &&
           (later.wParam == HSHELL_WINDOWCREATED || later.wParam == HSHELL_WINDOWDESTROYED);
}

void TfrmMain::OnOwnTrayIcon(LPARAM mouseMessage) {
    if (mouseMessage == WM_LBUTTONDOWN) {
        ShowMainWindow();
        if (windowsView_.view().Visible() && !windows_.Empty()) {
            windowsView_.view().Select(0);
        }
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        ::SetForegroundWindow(handle_);
        POINT pt{};
        ::GetCursorPos(&pt);
        ShowSelfMenu(pt);
    }
}

void TfrmMain::ShowListMenu(POINT screen) {
    // The menu acts on the window it was opened for, whatever the list does while it is open.
    windowsView_.HoldPickDuring([&] {
        UpdateActions();
        pmMain_.Popup(handle_, screen.x, screen.y);
    });
}

void TfrmMain::ShowSelfMenu(POINT screen) {
    UpdateActions();
    pmSelf_.PopupFromTrayIcon(handle_, screen.x, screen.y);
}

void TfrmMain::ShowOtherAppMenu(POINT screen) {
    // Its first item always reads "&Open", whatever it was made with.
    if (MenuItemModel* open = pmOtherApp_.Find("miAppName")) {
        open->caption = "&Open";
    }
    pmOtherApp_.PopupFromTrayIcon(handle_, screen.x, screen.y);
}

bool TfrmMain::SelectedWindowShown() const {
    return windowsView_.view().Visible() && SelectedWindowRow() >= 0;
}

bool TfrmMain::SelectedRuleShown() const {
    const int row = lvRule_.Selected();
    return lvRule_.Visible() && row >= 0 && static_cast<size_t>(row) < rules_.size();
}

void TfrmMain::UpdateActions() {
    const bool window = SelectedWindowShown();
    const bool rule = SelectedRuleShown();
    ApplyActions(pmMain_.items, window, rule);
    ApplyActions(pmSelf_.items, window, rule);
    if (MenuItemModel* transparency = pmMain_.Find("miTransparency")) {
        // Without layered windows the submenu stays away on every tab.
        transparency->visible = transparency->visible && layeredAvailable_;
    }
}

bool TfrmMain::OnKey(const MSG& msg) {
    MainWindowKeys keys;
    keys.form = handle_;
    keys.tabs = ftcMain_;
    keys.visibleList = [this]() -> HWND {
        return windowsView_.view().Visible() ? windowsView_.view().Handle()
                                             : (lvRule_.Visible() ? lvRule_.Handle() : nullptr);
    };
    keys.showTab = [this](int tab) {
        ::SendMessageA(ftcMain_, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
        ftcMainTabChanged(tab);
    };
    keys.popupMenu = [this](HWND list) { ShowListMenu(ListMenuPoint(list)); };
    keys.activate = [this](HWND list) {
        if (list == windowsView_.view().Handle()) {
            lvMainDblClick(*this);
        } else {
            lvRuleDblClick(*this);
        }
    };
    keys.remove = [this](HWND list) {
        if (list == lvRule_.Handle()) {
            RunCommand(kCmdDeleteRule);
        }
    };
    keys.refresh = [this] { RunCommand(kCmdRefresh); };
    // Runs what the command's picture button runs, with the same checks of its own.
    keys.shortcut = [this](unsigned key, bool control) {
        const int command = ShortcutCommand(pmMain_.items, key, control);
        return command != 0 && RunCommand(command);
    };
    bool handled = false;
    Guard([&] { handled = HandleMainWindowKey(msg, keys); });
    return handled;
}

void TfrmMain::OnIdle() {
    UpdateActions();
    pmMain_.RefreshOpen();
    pmSelf_.RefreshOpen();
}

void TfrmMain::ftcMainTabChanged(int tab) {
    for (MenuItemModel& item : pmMain_.items) {
        item.visible = item.tag == tab || item.tag == kTagBoth;
    }
    if (tab == 0) {
        windowsView_.view().Show(true);
        lvRule_.Show(false);
    } else if (tab == 1) {
        windowsView_.view().Show(false);
        lvRule_.Show(true);
        ::InvalidateRect(lvRule_.Handle(), nullptr, TRUE);
    } else {
        return;
    }
    graphics_.SetVisible("bRefresh", tab == 0);
    graphics_.SetVisible("bTransp", tab == 0);
    graphics_.SetVisible("bEditRule", tab == 1);
    graphics_.SetVisible("bDeleteRule", tab == 1);
}

POINT TfrmMain::MenuButtonPopupPoint() const {
    RECT window{};
    ::GetWindowRect(handle_, &window);
    RECT button{};
    ::GetWindowRect(fbMenu_, &button);
    ::MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&button), 2);
    return POINT{window.left + button.left, window.top + button.bottom};
}

void TfrmMain::fbMenuClick() {
    ShowListMenu(MenuButtonPopupPoint());
}

void TfrmMain::bAddRuleClick() {
    if (ActiveTab() == 1) {
        aRulesAddRuleExecute(*this);
    } else {
        aMainAddRuleExecute(*this);
    }
}

void TfrmMain::bEditRuleClick() {
    aEditRuleExecute(*this);
}
void TfrmMain::bDeleteRuleClick() {
    aDeleteRuleExecute(*this);
}
void TfrmMain::aHelpExecute() {
    OpenHelp(handle_);
}

void TfrmMain::miAboutClick() {
    TfrmAbout about(handle_);
    about.ShowModal();
}

bool TfrmMain::RunCommand(int id) {
    if (id >= kCmdTopLeft && id <= kCmdBottomRight) {
        aAlignExecute(id - kCmdTopLeft);
        return true;
    }
    switch (id) {
    case kCmdExit:
        aExitExecute();
        return true;
    case kCmdHelp:
        aHelpExecute();
        return true;
    case kCmdRefresh:
        aRefreshExecute();
        return true;
    case kCmdMainAddRule:
        aMainAddRuleExecute(*this);
        return true;
    case kCmdSettings:
        aSettingsExecute(*this);
        return true;
    case kCmdRulesAddRule:
        aRulesAddRuleExecute(*this);
        return true;
    case kCmdDeleteRule:
        aDeleteRuleExecute(*this);
        return true;
    case kCmdEditRule:
        aEditRuleExecute(*this);
        return true;
    case kCmdWindowProp:
        aWindowPropExecute();
        return true;
    case kCmdMinimizeToTray:
        aMinimizeToTrayExecute();
        return true;
    case kCmdStayOnTop:
        aStayOnTopExecute();
        return true;
    case kCmdNormal:
        aNormalExecute();
        return true;
    case kCmdCustomTransp:
        aCustomTranspExecute();
        return true;
    case kCmdRemoveTransp:
        aRemoveTranspExecute();
        return true;
    case kCmdResizeWindow:
        aResizewindowExecute();
        return true;
    case kCmdAbout:
        miAboutClick();
        return true;
    case kCmdOpen:
        miOpenClick();
        return true;
    case kCmdMaxAll:
        miMaxAllClick();
        return true;
    case kCmdMaxIE:
        miMaxIEClick();
        return true;
    case kCmdMinimizeAll:
        miMinimizeAllClick();
        return true;
    case kCmdCloseAll:
        miCloseAllClick();
        return true;
    case kCmdAppName:
        miAppNameClick();
        return true;
    case kCmdAppExit:
        miExitClick();
        return true;
    default:
        return false;
    }
}

int TfrmMain::ActiveTab() const {
    return static_cast<int>(::SendMessageA(ftcMain_, TCM_GETCURSEL, 0, 0));
}

LRESULT TfrmMain::OnNcHitTest(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = ::DefWindowProcA(handle_, WM_NCHITTEST, wParam, lParam);
    if (result != HTCLIENT) {
        return result;
    }
    RECT window{};
    ::GetWindowRect(handle_, &window);
    return graphics_.HitTest(
        POINT{GET_X_LPARAM(lParam) - window.left, GET_Y_LPARAM(lParam) - window.top});
}

void TfrmMain::OnPaint() {
    PAINTSTRUCT ps;
    HDC target = ::BeginPaint(handle_, &ps);
    graphics_.Paint(target);
    ::EndPaint(handle_, &ps);
}

void TfrmMain::OnNotify(const NMHDR* header) {
    if (windowsView_.view().HandleNotify(header) || lvRule_.HandleNotify(header)) {
        return;
    }
    if (header->code == NM_RCLICK && (header->hwndFrom == windowsView_.view().Handle() ||
                                      header->hwndFrom == lvRule_.Handle())) {
        POINT pt{};
        ::GetCursorPos(&pt);
        ShowListMenu(pt);
    } else if (header->code == TCN_SELCHANGE && header->hwndFrom == ftcMain_) {
        ftcMainTabChanged(ActiveTab());
    } else if (header->code == NM_DBLCLK && header->hwndFrom == windowsView_.view().Handle()) {
        lvMainDblClick(*this);
    } else if (header->code == NM_DBLCLK && header->hwndFrom == lvRule_.Handle()) {
        lvRuleDblClick(*this);
    }
}

LRESULT TfrmMain::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_PRINTCLIENT:
        // The flat buttons show the window's picture behind them.
        graphics_.Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_MENUCHAR: {
        LRESULT result = 0;
        if (FlatMenu::HandleMenuChar(wParam, lParam, result)) {
            return result;
        }
        break;
    }
    case WM_SHOWWINDOW:
        if (wParam) {
            FormShow();
        }
        break;
    case WM_SETFOCUS:
        // The window itself takes no keys: the focus goes on to the control that had it last,
        // or to the tab control.
        ::SetFocus(lastFocus_ != nullptr && ::IsChild(handle_, lastFocus_) &&
                           ::IsWindowVisible(lastFocus_)
                       ? lastFocus_
                       : ftcMain_);
        return 0;
    case WM_ENTERIDLE:
        if (wParam == MSGF_MENU) {
            OnIdle();
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(handle_, focus)) {
                lastFocus_ = focus;
            }
        }
        if (LOWORD(wParam) != WA_INACTIVE) {
            // Runs only when the focus comes from another form of this program (or at the
            // first display), not when the user switches over from another application.
            HWND previous = Application::Instance().NoteFormActivated(handle_);
            if (previous != handle_) {
                FormActivate();
            }
        }
        break;
    case WM_DPICHANGED: {
        // Moved to a monitor of another scaling: the layout follows, and the window takes the
        // place the system suggests for it.
        dpi_ = HIWORD(wParam);
        LayOut();
        // The menus' pictures drawn for the new scale; the menus hold the list by handle.
        menuImages_ = LoadMenuImages(instance_, dpi_);
        pmMain_.images = menuImages_.get();
        pmSelf_.images = menuImages_.get();
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(handle_, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE:
        FormClose();
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            WMSysCommand(wParam);
            return 0;
        }
        break;
    case WM_NCHITTEST:
        return OnNcHitTest(wParam, lParam);
    case WM_LBUTTONDOWN:
        graphics_.ButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_LBUTTONUP:
        if (const auto click =
                graphics_.ButtonUp(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
            click();
        }
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        LRESULT drawn = 0;
        if (windowsView_.view().HandleCustomDraw(header, drawn) ||
            lvRule_.HandleCustomDraw(header, drawn)) {
            return drawn;
        }
        OnNotify(header);
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kIdMinimize:
            fbMinimizeClick();
            return 0;
        case kIdClose:
            fbCloseClick();
            return 0;
        case kIdMenu:
            fbMenuClick();
            return 0;
        default:
            if (lParam == 0 && RunCommand(LOWORD(wParam))) {
                return 0;
            }
            break;
        }
        break;
    case WM_MEASUREITEM:
        if (FlatMenu::HandleMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) {
            return TRUE;
        }
        break;
    case WM_DRAWITEM:
        if (FlatMenu::HandleDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
            return TRUE;
        }
        break;
    case WM_TIMER:
        if (wParam == kTimer1) {
            Timer1Timer(*this);
            return 0;
        }
        if (wParam == kTimerVistaRefresh) {
            TimerVistaRefreshTimer(*this);
            return 0;
        }
        if (wParam == kTimerRelayWatch) {
            relay_.KeepRunning();
            return 0;
        }
        if (wParam == kTimerShowRows) {
            windowsView_.OnTimer();
            return 0;
        }
        if (wParam == kTimerPass) {
            ::KillTimer(handle_, kTimerPass);
            catalogue_->ContinuePass();
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        graphics_.MouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        break;
    case WM_MOUSELEAVE:
        graphics_.MouseLeave();
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == handle_ && LOWORD(lParam) == HTCLIENT) {
            POINT p{};
            ::GetCursorPos(&p);
            ::ScreenToClient(handle_, &p);
            if (graphics_.SetCursorAt(p)) {
                return TRUE;
            }
        }
        break;
    case WM_ENDSESSION:
        // The session ends without Exit: the hidden windows must not stay hidden.
        if (wParam) {
            ExitSteps();
        }
        return 0;
    case WM_DESTROY:
        if (Application::Instance().MainForm() == handle_) {
            ::PostQuitMessage(0);
        }
        return 0;
    default:
        if (msg == WM_SHOWMAINWINDOW) {
            ShowMainWindow();
            return 0;
        }
        if (msg == WM_OWNTRAYICON) {
            OnOwnTrayIcon(lParam);
            return 0;
        }
        if (msg == WM_WINDOWNOTICE) {
            OnWindowNotice(wParam, reinterpret_cast<HWND>(lParam));
            return 0;
        }
        if (msg == WM_CATALOGUEPASS) {
            Guard([this] { catalogue_->ContinuePass(); });
            return 0;
        }
        if (msg == WM_ICONSREAD) {
            if (catalogue_->TakeIcons()) {
                ::InvalidateRect(windowsView_.view().Handle(), nullptr, FALSE);
            }
            return 0;
        }
        if (msg == WM_SYSMENUCOMMAND) {
            CarryOutSystemMenuCommand(*this, reinterpret_cast<HWND>(wParam),
                                      static_cast<int>(lParam));
            return 0;
        }
        if (msg == WM_HIDDENTRAYICON) {
            OnHiddenTrayIcon(WindowOfIconId(wParam), lParam);
            return 0;
        }
        if (taskbarCreatedMessage_ != 0 && msg == taskbarCreatedMessage_) {
            tray_.AddAllAgain();
            return 0;
        }
        break;
    }
    return ::DefWindowProcA(handle_, msg, wParam, lParam);
}

LRESULT CALLBACK TfrmMain::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<TfrmMain*>(cs->lpCreateParams);
        self->handle_ = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TfrmMain*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    try {
        return self->HandleMessage(msg, wParam, lParam);
    } catch (const UserError& e) {
        ShowError(e.what());
    } catch (const std::exception& e) {
        // Nothing may escape into the system's dispatcher; report and carry on.
        ShowError(e.what());
    }
    return 0;
}

} // namespace vantrel
