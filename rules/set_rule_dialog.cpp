#include "rules/set_rule_dialog.h"

#include <vector>

#include "res/resource.h"
#include "rules/rule.h"

namespace vantrel {

namespace {

// The "Internet Explorer" group sits inside the outer frame; its controls are placed relative
// to the group's corner.
constexpr int kGroup2Left = 13;
constexpr int kGroup2Top = 221;

const char* const kNoClassNameMessage = "Please input Class Name first.";

void AddStyle(HWND control, LONG_PTR bits) {
    ::SetWindowLongPtrA(control, GWL_STYLE, ::GetWindowLongPtrA(control, GWL_STYLE) | bits);
}

} // namespace

TfrmSetRule::TfrmSetRule(HWND owner) : Form(owner, "Set Rule", kClientWidth, kClientHeight) {}

void TfrmSetRule::CreateControls() {
    // Creation order is the tab order.
    AddGroupBox("", 8, 4, 335, 335);
    label1_ = AddLabel("&Window Caption:", 12, 16, 81, 13);
    eCaption_ = AddEdit("", 112, 13, 209, 21, kIdCaption, ES_READONLY);
    AddLabel("Class &Name:", 12, 43, 59, 13);
    eClassName_ = AddEdit("", 112, 42, 209, 21, kIdClassName, ES_READONLY);
    ::SendMessageA(eClassName_, EM_LIMITTEXT, kMaxClassNameLength, 0);

    std::vector<std::string> actions;
    for (int code = 0; code < kActionCount; ++code) {
        actions.push_back(ActionTexts(code));
    }
    rgAction_.Create(*this, "Next start &action", actions, 12, 69, 145, 145, kIdActionFirst);
    std::vector<std::string> zOrders;
    for (int code = 0; code < kZOrderCount; ++code) {
        zOrders.push_back(ZOrderTexts(code));
    }
    rgZOrder_.Create(*this, "Next start &Z Order", zOrders, 176, 69, 145, 145, kIdZOrderFirst);

    groupBox2_ = AddGroupBox("Internet Explorer", kGroup2Left, kGroup2Top, 308, 105);
    cbAutoRefresh_ = AddCheckBox("Automatic &refresh enabled", kGroup2Left + 24, kGroup2Top + 24,
                                 241, 17, kIdAutoRefresh);
    lTimeInterval_ = AddLabel("&Time Intervals:", kGroup2Left + 40, kGroup2Top + 51, 69, 13);
    eTimeInterval_ = AddEdit(std::to_string(kDefaultIntervalSeconds), kGroup2Left + 128,
                             kGroup2Top + 49, 81, 19, kIdTimeInterval);
    MakeDigitsOnly(eTimeInterval_);
    lSecond_ = AddLabel("second", kGroup2Left + 216, kGroup2Top + 51, 35, 13);
    cbCurrentWindow_ = AddCheckBox("&Don't include the current window", kGroup2Left + 40,
                                   kGroup2Top + 77, 209, 17, kIdCurrentWindow);

    AddButton("&More...", 352, 240, 75, 25, kIdMore);
    HWND ok = AddControl("BUTTON", "&OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 352, 277, 75,
                         25, kIdOk);
    AddButton("&Cancel", 352, 314, 75, 25, kIdCancel);
    // A shared icon from the module's resources: it must not be destroyed.
    AddIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VANTREL)), 376, 120, 32,
            32);

    // Without these group starts, arrow keys would walk from one radio group into the next and
    // on into the check boxes.
    AddStyle(rgZOrder_.Frame(), WS_GROUP);
    AddStyle(groupBox2_, WS_GROUP);
    AddStyle(ok, WS_GROUP);

    rgAction_.SetItemIndex(0);
    rgZOrder_.SetItemIndex(0);
}

void TfrmSetRule::SetExtrasValues(const RuleExtras& extras) {
    extras_ = extras;
}

void TfrmSetRule::SetCaptionText(const std::string& text) {
    Create();
    SetControlText(eCaption_, text);
}

std::string TfrmSetRule::CaptionText() const {
    return ControlText(eCaption_);
}

void TfrmSetRule::DisableCaption() {
    Create();
    ::EnableWindow(eCaption_, FALSE);
    ::EnableWindow(label1_, FALSE);
}

void TfrmSetRule::SetClassNameText(const std::string& text) {
    Create();
    SetControlText(eClassName_, text);
}

std::string TfrmSetRule::ClassNameText() const {
    return ControlText(eClassName_);
}

void TfrmSetRule::SetClassNameEditable(bool editable) {
    Create();
    ::SendMessageA(eClassName_, EM_SETREADONLY, editable ? FALSE : TRUE, 0);
}

bool TfrmSetRule::ClassNameEditable() const {
    return eClassName_ != nullptr &&
           (::GetWindowLongPtrA(eClassName_, GWL_STYLE) & ES_READONLY) == 0;
}

void TfrmSetRule::SetActionIndex(int index) {
    Create();
    rgAction_.SetItemIndex(index);
}

int TfrmSetRule::ActionIndex() const {
    return rgAction_.ItemIndex();
}

void TfrmSetRule::SetZOrderIndex(int index) {
    Create();
    rgZOrder_.SetItemIndex(index);
}

int TfrmSetRule::ZOrderIndex() const {
    return rgZOrder_.ItemIndex();
}

bool TfrmSetRule::IEGroupEnabled() const {
    return groupBox2_ != nullptr && ::IsWindowEnabled(groupBox2_);
}

void TfrmSetRule::SetAutoRefreshChecked(bool checked) {
    Create();
    SetChecked(cbAutoRefresh_, checked);
}

bool TfrmSetRule::AutoRefreshChecked() const {
    return IsChecked(cbAutoRefresh_);
}

void TfrmSetRule::SetTimeIntervalText(const std::string& text) {
    Create();
    SetControlText(eTimeInterval_, text);
}

std::string TfrmSetRule::TimeIntervalText() const {
    return ControlText(eTimeInterval_);
}

void TfrmSetRule::SetCurrentWindowChecked(bool checked) {
    Create();
    SetChecked(cbCurrentWindow_, checked);
}

bool TfrmSetRule::CurrentWindowChecked() const {
    return IsChecked(cbCurrentWindow_);
}

void TfrmSetRule::EnableIEGroup(bool on) {
    for (HWND control :
         {groupBox2_, cbAutoRefresh_, lTimeInterval_, eTimeInterval_, lSecond_, cbCurrentWindow_}) {
        ::EnableWindow(control, on ? TRUE : FALSE);
    }
}

void TfrmSetRule::FormShow() {
    changed_ = false;
    initialAction_ = rgAction_.ItemIndex();
    initialZOrder_ = rgZOrder_.ItemIndex();
    if (ContainsIEFrame(ClassNameText())) {
        // A rule stored without an interval opens with the default one, and that replacement is
        // remembered below so it does not count as the user's change.
        if (TimeIntervalText() == "-") {
            SetTimeIntervalText(std::to_string(kDefaultIntervalSeconds));
        }
    } else {
        EnableIEGroup(false);
    }
    initialAutoRefresh_ = AutoRefreshChecked();
    initialInterval_ = TimeIntervalText();
    initialCurrentWindow_ = CurrentWindowChecked();
    initialExtras_ = extras_;
}

void TfrmSetRule::eClassNameChange() {
    // Never disabled again while the dialog is open: the user may be halfway through retyping.
    if (ContainsIEFrame(ClassNameText())) {
        EnableIEGroup(true);
    }
}

void TfrmSetRule::bOKClick() {
    SetModalResult(kResultOk);
    // A rule for a program or a caption pattern needs no class.
    if (ClassNameEditable() && ClassNameText().empty() && extras_.program.empty() &&
        extras_.titlePattern.empty()) {
        ::MessageBoxA(::GetActiveWindow(), kNoClassNameMessage, "Vantrel",
                      MB_OK | MB_ICONINFORMATION);
        SetModalResult(kResultNone);
        ::SetFocus(eClassName_);
        return;
    }
    const int action = rgAction_.ItemIndex();
    const int zOrder = rgZOrder_.ItemIndex();
    changed_ = action != initialAction_ || zOrder != initialZOrder_ ||
               AutoRefreshChecked() != initialAutoRefresh_ ||
               TimeIntervalText() != initialInterval_ ||
               CurrentWindowChecked() != initialCurrentWindow_ || extras_ != initialExtras_;
    if (action < 0 || action >= kActionCount || zOrder < 0 || zOrder >= kZOrderCount) {
        SetModalResult(kResultCancel);
    }
}

bool TfrmSetRule::OnCommand(int id, int code, HWND /*control*/) {
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
    case kIdMore:
        if (code == BN_CLICKED) {
            TfrmRuleMore more(Handle(), extras_);
            if (more.ShowModal() == kResultOk) {
                extras_ = more.Values();
            }
        }
        return true;
    case kIdClassName:
        if (code == EN_CHANGE) {
            eClassNameChange();
        }
        return true;
    default:
        return false;
    }
}

bool TfrmSetRule::IsGreyEdit(HWND control) const {
    return control != nullptr && (control == eCaption_ || control == eClassName_);
}

bool TfrmSetRule::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        // Editable, read-only or disabled (which each ask differently), the caption and class
        // name keep the background that marks them as values the user does not type.
        HWND control = reinterpret_cast<HWND>(lParam);
        if (!IsGreyEdit(control)) {
            return false;
        }
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, ::GetSysColor(COLOR_ACTIVEBORDER));
        ::SetTextColor(
            dc, ::GetSysColor(::IsWindowEnabled(control) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_ACTIVEBORDER));
        return true;
    }
    default:
        return false;
    }
}

} // namespace vantrel
