#include "commands/resize_dialog.h"

#include "platform/foreign_window.h"
#include "platform/window_api.h"

namespace vantrel {

namespace {
constexpr int kClientWidth = 350;
constexpr int kClientHeight = 124;
constexpr char kIncompleteMessage[] = "Please input number in edit box!";
} // namespace

TfrmResize::TfrmResize(HWND owner) : Form(owner, "Resize window", kClientWidth, kClientHeight) {}

void TfrmResize::CreateRow(Row& row, const char* caption, int top, int firstId) {
    // Every row control that starts a group ends the one before it: the arrow keys then move
    // only between the two buttons of a pair, and a pair never clears the other row's choice.
    row.check = AddControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 18,
                           top, 14, 17, firstId);
    // The label's access letter leads to the edit created after it.
    row.label =
        AddControl("STATIC", caption, WS_VISIBLE | SS_LEFT, 36, top + 2, 90, 13, firstId + 1);
    row.edit = AddEdit("100", 130, top - 2, 50, 21, firstId + 2);
    MakeDigitsOnly(row.edit, false); // a refused key is dropped without a sound
    row.pixels =
        AddControl("BUTTON", "pixels", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 192,
                   top, 50, 17, firstId + 3);
    row.percent = AddControl("BUTTON", "% of desktop", WS_VISIBLE | BS_AUTORADIOBUTTON, 250, top,
                             86, 17, firstId + 4);
    SetChecked(row.check, true);
    SetChecked(row.percent, true);
}

void TfrmResize::CreateControls() {
    AddGroupBox("", 8, 4, 334, 78);
    CreateRow(width_, "Change &width to:", 22, kWidthCheckId);
    CreateRow(height_, "Change &height to:", 52, kHeightCheckId);
    AddControl("BUTTON", "&OK", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 186, 91, 75,
               25, kOkId);
    AddButton("&Cancel", 267, 91, 75, 25, kCancelId);
}

void TfrmResize::FormShow() {
    // Opened from another application's system menu, the dialog must not hide behind it.
    ::BringWindowToTop(Handle());
}

void TfrmResize::EnableRow(const Row& row) {
    const BOOL on = IsChecked(row.check) ? TRUE : FALSE;
    for (HWND control : {row.label, row.edit, row.pixels, row.percent}) {
        ::EnableWindow(control, on);
    }
}

ResizeAxis TfrmResize::AxisOf(const Row& row) {
    return ResizeAxis{IsChecked(row.check), ControlText(row.edit), IsChecked(row.pixels)};
}

void TfrmResize::bOKClick() {
    const ResizeAxis width = AxisOf(width_);
    const ResizeAxis height = AxisOf(height_);
    if (!ResizeInputComplete(width, height)) {
        ::MessageBoxA(::GetActiveWindow(), kIncompleteMessage, "Vantrel", MB_ICONINFORMATION);
        // Back in the edit the person must fill, not on the OK button.
        ::SetFocus(width.checked && width.text.empty() ? width_.edit : height_.edit);
        return;
    }
    RECT r{};
    ::GetWindowRect(target_, &r);
    const RECT m = platform::MonitorRectOf(target_);
    const Placement p =
        ComputeResizeOnMonitor(WindowRect{r.left, r.top, r.right, r.bottom}, width, height,
                               WindowRect{m.left, m.top, m.right, m.bottom});
    platform::foreign::Place(target_, nullptr, p.x, p.y, p.w, p.h, SWP_NOZORDER);
    SetModalResult(kResultOk);
}

bool TfrmResize::OnCommand(int id, int code, HWND /*control*/) {
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
    case kWidthCheckId:
        EnableRow(width_); // cbWidthClick
        return true;
    case kHeightCheckId:
        EnableRow(height_); // cbHeightClick
        return true;
    case kOkId:
        bOKClick();
        return true;
    case kCancelId:
        SetModalResult(kResultCancel);
        return true;
    default:
        return false;
    }
}

} // namespace vantrel
