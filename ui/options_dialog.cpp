#include "ui/options_dialog.h"

#include <utility>
#include <vector>

#include "platform/error.h"
#include "res/resource.h"
#include "rules/rule.h"
#include "ui/environment.h"

namespace vantrel {

namespace {

// The controls of each group box are placed relative to the box's corner, but they are the
// form's own children: a group box would keep their notifications from the form.
constexpr int kGroup1Left = 8;
constexpr int kGroup1Top = 6;
constexpr int kGroup2Left = 8;
constexpr int kGroup2Top = 84;

void AddStyle(HWND control, LONG_PTR bits) {
    ::SetWindowLongPtrA(control, GWL_STYLE, ::GetWindowLongPtrA(control, GWL_STYLE) | bits);
}

// The same box the main window's error handler shows; this dialog reports its own failures
// because it must go on (open, or close as accepted) after them.
void ShowErrorBox(const char* message) {
    ::MessageBoxA(::GetActiveWindow(), message, "Vantrel", MB_OK | MB_ICONERROR);
}

} // namespace

TfrmOptions::TfrmOptions(HWND owner, CommonSettings& settings, SettingsLocation location,
                         int versionCode, std::string exePath, std::string runKeyOverride)
    : Form(owner, "Options", kClientWidth, kClientHeight), settings_(settings),
      location_(std::move(location)), versionCode_(versionCode), exePath_(std::move(exePath)),
      runKeyOverride_(std::move(runKeyOverride)) {}

void TfrmOptions::CreateControls() {
    // Creation order is the tab order.
    AddGroupBox("Common", kGroup1Left, kGroup1Top, 298, 73);
    cbAutoStart_ = AddCheckBox("Auto &start when system start", kGroup1Left + 17, kGroup1Top + 18,
                               186, 17, kIdAutoStart);
    cbSystemMenu_ = AddCheckBox("Don't add system &menu to other applications", kGroup1Left + 17,
                                kGroup1Top + 45, 264, 17, kIdSystemMenu);

    HWND groupBox2 =
        AddGroupBox("Other applications that no set rule", kGroup2Left, kGroup2Top, 298, 171);
    std::vector<std::string> actions;
    for (int code = 0; code < kActionCount; ++code) {
        actions.push_back(ActionTexts(code));
    }
    rgAction_.Create(*this, "Next start &action", actions, kGroup2Left + 10, kGroup2Top + 17, 135,
                     145, kIdActionFirst);
    std::vector<std::string> zOrders;
    for (int code = 0; code < kZOrderCount; ++code) {
        zOrders.push_back(ZOrderTexts(code));
    }
    rgZOrder_.Create(*this, "Next start &Z Order", zOrders, kGroup2Left + 153, kGroup2Top + 17, 135,
                     145, kIdZOrderFirst);

    HWND ok = AddControl("BUTTON", "&OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 316, 192, 75,
                         25, kIdOk);
    AddButton("&Cancel", 316, 229, 75, 25, kIdCancel);
    // A shared icon from the module's resources: it must not be destroyed.
    AddIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VANTREL)), 336, 64, 32,
            32);

    // Without these group starts, arrow keys would walk from the check boxes into the radio
    // buttons, from one radio group into the next, and on into the buttons.
    AddStyle(groupBox2, WS_GROUP);
    AddStyle(rgZOrder_.Frame(), WS_GROUP);
    AddStyle(ok, WS_GROUP);
}

void TfrmOptions::FormShow() {
    runKey_ = runKeyOverride_.empty() ? RunKeyPath(Is64BitWindows()) : runKeyOverride_;
    if (versionCode_ == 11) {
        // These systems get no system-menu items at all, so the choice has nothing to govern.
        ::EnableWindow(cbSystemMenu_, FALSE);
    }
    defaultsChanged_ = false;
    systemMenuChanged_ = false;
    SetChecked(cbSystemMenu_, !settings_.systemMenu);
    rgAction_.SetItemIndex(ActionFromText(settings_.action));
    rgZOrder_.SetItemIndex(ZOrderFromText(settings_.zOrder));
    // Either entry means auto start: the task where the scheduler has one, else the Run value.
    bool autoStart = AutoStartTaskRegistered(TaskName(), scheduler_);
    try {
        autoStart = ReadAutoStart(runKey_) || autoStart;
    } catch (const UserError& e) {
        // A value the program cannot read must not keep the other options out of reach.
        ShowErrorBox(e.what());
    }
    SetChecked(cbAutoStart_, autoStart);
}

void TfrmOptions::bOKClick() {
    const bool systemMenuBox = IsChecked(cbSystemMenu_);
    if (systemMenuBox != !settings_.systemMenu) {
        systemMenuChanged_ = true;
        settings_.systemMenu = !systemMenuBox;
    }
    const std::string action = ActionTexts(rgAction_.ItemIndex());
    const std::string zOrder = ZOrderTexts(rgZOrder_.ItemIndex());
    // Exact comparison on purpose: a stored text in another letter case shows as "Default" and
    // is corrected by this OK.
    if (action != settings_.action || zOrder != settings_.zOrder) {
        settings_.action = action;
        settings_.zOrder = zOrder;
        defaultsChanged_ = true;
    }
    try {
        if (systemMenuChanged_ || defaultsChanged_) {
            SaveSettings(location_, settings_);
        }
        bool autoStart = IsChecked(cbAutoStart_);
        if (autoStart && !InstalledForAutoStart(exePath_, securityQuery_)) {
            // Neither is set: each would start from a folder that others can change.
            autoStart = false;
            ShowErrorBox(kAutoStartNeedsInstall);
        }
        // Written even without a change, so an entry edited or removed outside the program is
        // put back the way the dialog showed it. The task first: the Run value alone starts
        // nothing that asks for elevation, and beside the task it would start a second
        // instance where UAC is off.
        bool taskRegistered = false;
        try {
            taskRegistered = WriteAutoStartTask(TaskName(), autoStart, exePath_, scheduler_);
        } catch (const UserError&) {
            // The Run value still follows the choice: it starts the program where UAC is off.
            WriteAutoStart(runKey_, RunValueWanted(autoStart, false), exePath_);
            throw;
        }
        WriteAutoStart(runKey_, RunValueWanted(autoStart, taskRegistered), exePath_);
    } catch (const UserError& e) {
        // The new choices already hold in memory, so the caller still applies them.
        ShowErrorBox(e.what());
    }
    SetModalResult(kResultOk);
}

std::string TfrmOptions::TaskName() const {
    if (runKeyOverride_.empty()) {
        return kAutoStartTaskName;
    }
    const std::size_t slash = runKeyOverride_.find_last_of('\\');
    return std::string(kAutoStartTaskName) + " " +
           (slash == std::string::npos ? runKeyOverride_ : runKeyOverride_.substr(slash + 1));
}

bool TfrmOptions::OnCommand(int id, int code, HWND /*control*/) {
    switch (id) {
    case IDOK: // Enter, through the modal loop's dialog keys
    case kIdOk:
        if (code == BN_CLICKED) {
            bOKClick();
        }
        return true;
    case IDCANCEL: // Esc
    case kIdCancel:
        if (code == BN_CLICKED) {
            SetModalResult(kResultCancel);
        }
        return true;
    default:
        return false;
    }
}

} // namespace vantrel
