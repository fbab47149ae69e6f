#include "rules/rule_more_dialog.h"

#include "commands/placement.h"

namespace vantrel {

namespace {
// The field holding a value the rule cannot use, or 0 when every value is fine.
int FaultyField(const RuleExtras& extras) {
    RulePlacement placement;
    if (!extras.placement.empty() && !ParseRulePlacement(extras.placement, placement)) {
        return TfrmRuleMore::kIdPlacement;
    }
    if (!extras.transparency.empty() && RuleTransparencyPercent(extras.transparency) < 0) {
        return TfrmRuleMore::kIdTransparency;
    }
    return 0;
}
} // namespace

std::string ExtrasProblem(const RuleExtras& extras) {
    switch (FaultyField(extras)) {
    case TfrmRuleMore::kIdPlacement:
        return "Please choose a place, or type x,y,width,height in pixels.";
    case TfrmRuleMore::kIdTransparency:
        return "Please type a transparency from 0 to 100, or leave it empty.";
    default:
        return {};
    }
}

TfrmRuleMore::TfrmRuleMore(HWND owner, const RuleExtras& extras)
    : Form(owner, "More", 360, 222), initial_(extras) {}

void TfrmRuleMore::CreateControls() {
    // Creation order is the tab order: the fields in reading order, then OK and Cancel.
    AddLabel("&Program (slack.exe or a full path):", 12, 12, 330, 13);
    eProgram_ = AddEdit(initial_.program, 12, 28, 336, 21, kIdProgram);
    AddLabel("&Title pattern (* and ?):", 12, 56, 330, 13);
    eTitlePattern_ = AddEdit(initial_.titlePattern, 12, 72, 336, 21, kIdTitlePattern);
    AddLabel("P&lace (or x,y,width,height):", 12, 100, 200, 13);
    cbPlacement_ = AddControl("COMBOBOX", "",
                              WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                              12, 116, 200, 200, kIdPlacement);
    ::SendMessageA(cbPlacement_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    for (const AlignmentPlace& place : AlignmentPlaces()) {
        ::SendMessageA(cbPlacement_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(place.commandText));
    }
    SetControlText(cbPlacement_, initial_.placement);
    AddLabel("T&ransparency %:", 228, 100, 120, 13);
    eTransparency_ = AddEdit(initial_.transparency, 228, 116, 60, 21, kIdTransparency);
    MakeDigitsOnly(eTransparency_);
    cbApplyOnce_ = AddCheckBox("&Act once on each window, then leave it to me", 12, 150, 336, 17,
                               kIdApplyOnce);
    SetChecked(cbApplyOnce_, initial_.applyOnce);
    // OK is the default button: Enter anywhere in the dialog presses it.
    AddControl("BUTTON", "&OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 192, 186, 75, 25,
               kIdOk);
    AddButton("&Cancel", 273, 186, 75, 25, kIdCancel);
}

RuleExtras TfrmRuleMore::Values() const {
    return {ControlText(eProgram_), ControlText(eTitlePattern_), ControlText(cbPlacement_),
            ControlText(eTransparency_), IsChecked(cbApplyOnce_)};
}

bool TfrmRuleMore::OnCommand(int id, int code, HWND /*control*/) {
    switch (id) {
    case IDOK:
        // Enter accepts, as a person expects of a small dialog.
        return OnCommand(kIdOk, BN_CLICKED, nullptr);
    case IDCANCEL:
        SetModalResult(kResultCancel);
        return true;
    case kIdOk:
        if (code == BN_CLICKED) {
            const RuleExtras values = Values();
            const std::string problem = ExtrasProblem(values);
            if (!problem.empty()) {
                ::MessageBoxA(Handle(), problem.c_str(), "Vantrel", MB_OK | MB_ICONINFORMATION);
                // Back in the field the message is about, for the person to mend it.
                ::SetFocus(FaultyField(values) == kIdPlacement ? cbPlacement_ : eTransparency_);
                return true;
            }
            SetModalResult(kResultOk);
        }
        return true;
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
