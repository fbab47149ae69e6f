#include "commands/transparency_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "commands/placement.h"

namespace vantrel {

namespace {
constexpr int kClientWidth = 300;
constexpr int kClientHeight = 166;
constexpr char kOutOfRangeMessage[] = "Please input a number from 0 to 100.";

int Bounded(int value) {
    return std::clamp(value, TfrmCustomTransparency::kMinValue, TfrmCustomTransparency::kMaxValue);
}

// Digits only reach the edit by typing, but a paste can bring anything.
int NumberOf(const std::string& text) {
    int value = 0;
    return ParseInt(text, value) ? value : 0;
}
} // namespace

TfrmCustomTransparency::TfrmCustomTransparency(HWND owner)
    : Form(owner, "Custom transparency", kClientWidth, kClientHeight) {}

void TfrmCustomTransparency::CreateControls() {
    // Common controls register the up-down class only when asked for it.
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&classes);
    AddGroupBox("", 8, 4, 284, 120);

    trackBar_ = AddControl(TRACKBAR_CLASSA, "", WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS,
                           16, 18, 268, 30, kTrackBarId);
    ::SendMessageA(trackBar_, TBM_SETRANGE, FALSE, MAKELPARAM(kMinValue, kMaxValue));
    ::SendMessageA(trackBar_, TBM_SETTICFREQ, 10, 0);
    ::SendMessageA(trackBar_, TBM_SETPAGESIZE, 0, 10);

    // The thumb's centre sits about 12 pixels in from each end of the bar.
    AddLabel("0%", 20, 50);
    AddLabel("(opaque)", 20, 64);
    AddControl("STATIC", "100%", WS_VISIBLE | SS_RIGHT | SS_NOPREFIX, 180, 50, 100, 13);
    AddControl("STATIC", "(transparency)", WS_VISIBLE | SS_RIGHT | SS_NOPREFIX, 180, 64, 100, 13);

    AddLabel("O&R", 103, 95); // its letter leads to the value field after it
    seValue_ =
        AddEdit(std::to_string(Bounded(initialValue_)), 125, 91, 58, 21, kValueEditId, ES_RIGHT);
    MakeDigitsOnly(seValue_);
    // The bar comes first in the tab order, but a number is what most people came to type.
    SetFirstFocus(seValue_);
    upDown_ =
        AddControl(UPDOWN_CLASSA, "",
                   WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                   0, 0, 0, 0, kUpDownId);
    ::SendMessageA(upDown_, UDM_SETRANGE32, kMinValue, kMaxValue);
    ::SendMessageA(upDown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(seValue_), 0);
    AddLabel("%", 187, 95);

    AddControl("BUTTON", "&OK", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 136, 133, 75,
               25, kOkId);
    AddButton("&Cancel", 217, 133, 75, 25, kCancelId);

    seValueChange();
}

int TfrmCustomTransparency::Value() const {
    if (seValue_ == nullptr) {
        return Bounded(initialValue_);
    }
    return Bounded(NumberOf(ControlText(seValue_)));
}

void TfrmCustomTransparency::SetValue(int percent) {
    initialValue_ = percent;
    if (seValue_ != nullptr) {
        SetControlText(seValue_, std::to_string(Bounded(percent)));
    }
}

void TfrmCustomTransparency::TrackBar1Change() {
    const int position = static_cast<int>(::SendMessageA(trackBar_, TBM_GETPOS, 0, 0));
    const std::string text = std::to_string(position);
    // Rewriting an equal text would move the caret for nothing.
    if (ControlText(seValue_) != text) {
        SetControlText(seValue_, text);
    }
}

void TfrmCustomTransparency::seValueChange() {
    const std::string text = ControlText(seValue_);
    // An emptied edit is most likely being retyped; the bar waits for the new number.
    if (text.empty()) {
        return;
    }
    // The up-down reads the edit itself before each step, so only the bar needs telling.
    ::SendMessageA(trackBar_, TBM_SETPOS, TRUE, Bounded(NumberOf(text)));
}

bool TfrmCustomTransparency::ValueAcceptable() const {
    int value = 0;
    return ParseInt(ControlText(seValue_), value) && value == Bounded(value);
}

void TfrmCustomTransparency::bOKClick() {
    if (!ValueAcceptable()) {
        ::MessageBoxA(::GetActiveWindow(), kOutOfRangeMessage, "Vantrel", MB_ICONINFORMATION);
        // Back where the person must type, the wrong number selected for retyping.
        ::SetFocus(seValue_);
        ::SendMessageA(seValue_, EM_SETSEL, 0, -1);
        return;
    }
    SetModalResult(kResultOk);
}

bool TfrmCustomTransparency::OnCommand(int id, int code, HWND /*control*/) {
    if (id == kValueEditId) {
        if (code == EN_CHANGE) {
            seValueChange();
        }
        return true;
    }
    if (code != BN_CLICKED) {
        return false;
    }
    if (id == kOkId) {
        bOKClick();
        return true;
    }
    if (id == kCancelId) {
        SetModalResult(kResultCancel);
        return true;
    }
    return false;
}

bool TfrmCustomTransparency::OnMessage(UINT msg, WPARAM /*wParam*/, LPARAM lParam,
                                       LRESULT& result) {
    if (msg == WM_HSCROLL && reinterpret_cast<HWND>(lParam) == trackBar_ && trackBar_ != nullptr) {
        TrackBar1Change();
        result = 0;
        return true;
    }
    return false;
}

} // namespace vantrel
