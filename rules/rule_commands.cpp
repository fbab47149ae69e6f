#include "rules/rule_commands.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "app/window_list.h"
#include "rules/rule.h"
#include "rules/rule_list.h"
#include "rules/rule_store.h"
#include "rules/set_rule_dialog.h"
#include "ui/list_view.h"
#include "ui/settings.h"

namespace vantrel {

const char* const kSelectListItemFirst = "Please select the list item first.";

namespace {

const char* const kYes = "Yes";
const char* const kNo = "No";
const char* const kNotIE = "-";

void TellSelectFirst() {
    ::MessageBoxA(::GetActiveWindow(), kSelectListItemFirst, "Vantrel", MB_OK | MB_ICONINFORMATION);
}

// The rules list view shows the rule list by index, so its row count must follow every change of
// the rules before anything else (a failed save included) can end the command.
void SyncRulesView(RuleCommandHost& form) {
    form.lvRule().SetCount(static_cast<int>(form.rules().size()));
    ::InvalidateRect(form.lvRule().Handle(), nullptr, FALSE);
}

// The rule whose class name matches exactly, as windows are matched; nullptr when there is none.
const WindowRule* ExactRule(const RuleList& rules, const std::string& className) {
    for (std::size_t i = 0; i < rules.size(); ++i) {
        if (rules.at(i).className == className) {
            return &rules.at(i);
        }
    }
    return nullptr;
}

// A zero, negative or unreadable interval would stop the timer or make it fire constantly.
UINT TimerMilliseconds(const std::string& intervalText) {
    return static_cast<UINT>(IntervalSecondsForTimer(intervalText)) * 1000u;
}

std::string AutoRefreshText(const TfrmSetRule& dialog) {
    return dialog.AutoRefreshChecked() ? kYes : kNo;
}

// The row that still shows the window the dialog was opened for, or -1.
//
// The window list can be rebuilt while the dialog is open (a window opened or closed meanwhile),
// and then the remembered position may hold another window or none at all. Writing the new
// rule's texts or the refresh exclusion into another window's row would show a wrong rule for
// it, so the window is looked up again by its handle; a handle that now names a window of
// another class is not the same window. When the window has gone, only its row is skipped: the
// rule is still stored, saved and applied, and the other rows of its class still get its texts.
int RowOfDialogWindow(RuleCommandHost& form, int remembered, HWND window,
                      const std::string& className) {
    WindowList& rows = form.windows();
    int row = remembered;
    if (!rows.Valid(row) || rows.At(row).handle != window) {
        row = rows.Find(window);
    }
    if (!rows.Valid(row) || rows.At(row).className != className) {
        return -1;
    }
    return row;
}

} // namespace

void aMainAddRuleExecute(RuleCommandHost& form) {
    const int selected = form.SelectedWindowRow();
    if (!form.windows().Valid(selected)) {
        return;
    }
    // A copy: the rows may be rebuilt while the dialog is open.
    const WindowEntry entry = form.windows().At(selected);

    TfrmSetRule dialog(form.Handle());
    dialog.SetCaptionText(entry.caption);
    dialog.SetClassNameText(entry.className);
    dialog.SetActionIndex(ActionFromText(entry.autoAction));
    dialog.SetZOrderIndex(ZOrderFromText(entry.autoZOrder));
    // The rule that acts on the window now is the one edited when it is for the window's class;
    // without any rule for the class, the new rule is for this program's windows of the class.
    // A class that has a rule in any letter case keeps meaning that rule, as it always did.
    int edited = form.rules().FindMatch({entry.className, entry.path, entry.caption});
    if (edited < 0 ||
        form.rules().at(static_cast<std::size_t>(edited)).className != entry.className) {
        edited = form.rules().FindRule(entry.className);
    }
    RuleExtras extras;
    if (edited >= 0) {
        extras = ExtrasOf(form.rules().at(static_cast<std::size_t>(edited)));
    } else {
        extras.program = FileNameOf(entry.path);
    }
    dialog.SetExtrasValues(extras);
    if (ContainsIEFrame(entry.className)) {
        if (const WindowRule* rule = ExactRule(form.rules(), entry.className)) {
            dialog.SetAutoRefreshChecked(rule->autoRefresh == kYes);
            dialog.SetTimeIntervalText(rule->timeInterval);
        }
        dialog.SetCurrentWindowChecked(entry.autoRefreshInclusion == 0);
    }

    const bool accepted = dialog.ShowModal() == kResultOk;
    const int row = RowOfDialogWindow(form, selected, entry.handle, entry.className);
    if (!accepted) {
        if (row >= 0) {
            form.SelectWindow(entry.handle);
        }
        return;
    }
    // Accepting unchanged values for a class that has a rule (in any letter case) is no change;
    // for a class without one, the values shown become its rule.
    const RuleExtras chosen = dialog.ExtrasValues();
    const int existing =
        form.rules().FindRule(entry.className, chosen.program, chosen.titlePattern);
    if (!dialog.Changed() && existing != -1) {
        return;
    }

    const std::string action = ActionTexts(dialog.ActionIndex());
    const std::string zOrder = ZOrderTexts(dialog.ZOrderIndex());
    WindowList& rows = form.windows();
    if (row >= 0) {
        form.SelectWindow(entry.handle);
    }

    const std::string className = dialog.ClassNameText();
    std::vector<WindowRule> touched;
    if (existing != -1) {
        touched.push_back(form.rules().at(static_cast<std::size_t>(existing)));
    }
    if (dialog.IEGroupEnabled()) {
        const std::string interval = dialog.TimeIntervalText();
        form.rules().StoreRule(dialog.CaptionText(), className, action, zOrder,
                               AutoRefreshText(dialog), interval, chosen);
        SyncRulesView(form);
        if (row >= 0) {
            rows.At(row).autoRefreshInclusion = dialog.CurrentWindowChecked() ? 0 : 1;
        }
        form.SetTimer1(dialog.AutoRefreshChecked(), TimerMilliseconds(interval));
        if (ZOrderFromText(form.rules().RuleZOrderText("IEFrame", form.settings())) == 1) {
            form.SetTimerVistaRefresh(true);
        }
    } else {
        form.rules().StoreRule(dialog.CaptionText(), className, action, zOrder, kNotIE, kNotIE,
                               chosen);
        SyncRulesView(form);
    }
    form.RewriteRuleColumns();
    SaveRules(form.RulesPath(), form.rules());
    WindowRule now;
    now.className = className;
    SetExtras(now, chosen);
    touched.push_back(now);
    form.ReapplyRules(touched);
}

void aRulesAddRuleExecute(RuleCommandHost& form) {
    TfrmSetRule dialog(form.Handle());
    dialog.DisableCaption();
    dialog.SetClassNameEditable(true);
    dialog.SetClassNameText("");
    dialog.SetActionIndex(0);
    dialog.SetZOrderIndex(0);
    if (dialog.ShowModal() != kResultOk) {
        return;
    }

    std::string autoRefresh = kNotIE;
    std::string interval = kNotIE;
    if (dialog.IEGroupEnabled()) {
        autoRefresh = AutoRefreshText(dialog);
        interval = dialog.TimeIntervalText();
        form.SetTimer1(dialog.AutoRefreshChecked(), TimerMilliseconds(interval));
    }
    const std::string className = dialog.ClassNameText();
    const std::string action = ActionTexts(dialog.ActionIndex());
    const std::string zOrder = ZOrderTexts(dialog.ZOrderIndex());
    const RuleExtras chosen = dialog.ExtrasValues();
    const int existing = form.rules().FindRule(className, chosen.program, chosen.titlePattern);
    std::vector<WindowRule> touched;
    if (existing == -1) {
        WindowRule added{className, action, zOrder, dialog.CaptionText(), autoRefresh, interval};
        SetExtras(added, chosen);
        form.rules().append(added);
        touched.push_back(added);
    } else {
        // The class name keeps the letter case it was first stored in, and the caption stays.
        WindowRule& rule = form.rules().at(static_cast<std::size_t>(existing));
        touched.push_back(rule);
        rule.action = action;
        rule.zOrder = zOrder;
        rule.autoRefresh = autoRefresh;
        rule.timeInterval = interval;
        // Program and pattern keep the letter case they were first stored in, as the class does.
        rule.placement = chosen.placement;
        rule.transparency = chosen.transparency;
        rule.applyOnce = chosen.applyOnce;
        touched.push_back(rule);
    }
    SyncRulesView(form);
    form.RewriteRuleColumns();
    SaveRules(form.RulesPath(), form.rules());
    form.ReapplyRules(touched);
}

void aEditRuleExecute(RuleCommandHost& form) {
    const int selected = form.lvRule().Selected();
    if (selected < 0 || static_cast<std::size_t>(selected) >= form.rules().size()) {
        TellSelectFirst();
        return;
    }
    const std::size_t index = static_cast<std::size_t>(selected);
    const WindowRule rule = form.rules().at(index);

    TfrmSetRule dialog(form.Handle());
    dialog.SetCaptionText(rule.windowCaption);
    dialog.DisableCaption();
    dialog.SetClassNameText(rule.className);
    dialog.SetActionIndex(ActionFromText(rule.action));
    dialog.SetZOrderIndex(ZOrderFromText(rule.zOrder));
    dialog.SetExtrasValues(ExtrasOf(rule));
    if (ContainsIEFrame(rule.className)) {
        const bool autoRefresh = rule.autoRefresh == kYes;
        dialog.SetAutoRefreshChecked(autoRefresh);
        dialog.SetTimeIntervalText(rule.timeInterval);
        // Opening the rule already puts the refresh into the state the rule stores, whatever the
        // user then does with the dialog.
        form.SetTimer1(autoRefresh, TimerMilliseconds(rule.timeInterval));
    }
    if (dialog.ShowModal() != kResultOk || !dialog.Changed()) {
        return;
    }
    // Nothing else changes the rules while the dialog is open; the test only keeps a broken
    // assumption from writing into another class's rule.
    if (index >= form.rules().size() || form.rules().at(index).className != rule.className) {
        return;
    }

    WindowRule& target = form.rules().at(index);
    target.action = ActionTexts(dialog.ActionIndex());
    target.zOrder = ZOrderTexts(dialog.ZOrderIndex());
    if (dialog.IEGroupEnabled()) {
        target.autoRefresh = AutoRefreshText(dialog);
        target.timeInterval = dialog.TimeIntervalText();
    }
    SetExtras(target, dialog.ExtrasValues());
    SyncRulesView(form);
    form.RewriteRuleColumns();
    SaveRules(form.RulesPath(), form.rules());
    form.ReapplyRules({rule, target});
}

void aDeleteRuleExecute(RuleCommandHost& form) {
    const int selected = form.lvRule().Selected();
    if (selected < 0 || static_cast<std::size_t>(selected) >= form.rules().size()) {
        TellSelectFirst();
        return;
    }
    const std::size_t index = static_cast<std::size_t>(selected);
    const WindowRule deleted = form.rules().at(index);
    form.rules().erase(index);
    SyncRulesView(form);
    form.RewriteRuleColumns();
    SaveRules(form.RulesPath(), form.rules());
    form.ReapplyRules({deleted});

    // The rule that followed the deleted one, else the first; the list view alone would keep a
    // selection on a row that no longer exists.
    const std::size_t remaining = form.rules().size();
    if (index < remaining) {
        form.lvRule().Select(selected);
    } else if (remaining > 0) {
        form.lvRule().Select(0);
    } else {
        form.lvRule().Select(-1);
    }
}

// The host exposes its lists only through non-const accessors; asking for the visibility and the
// selection changes nothing.
bool aMainAddRuleUpdate(const RuleCommandHost& form) {
    RuleCommandHost& mutableForm = const_cast<RuleCommandHost&>(form);
    return mutableForm.lvMain().Visible() && form.SelectedWindowRow() >= 0;
}

bool aEditRuleUpdate(const RuleCommandHost& form) {
    RuleCommandHost& mutableForm = const_cast<RuleCommandHost&>(form);
    return mutableForm.lvRule().Visible() && mutableForm.lvRule().Selected() >= 0;
}

void lvMainDblClick(RuleCommandHost& form) {
    if (form.SelectedWindowRow() >= 0) {
        aMainAddRuleExecute(form);
    }
}

void lvRuleDblClick(RuleCommandHost& form) {
    if (form.lvRule().Selected() >= 0) {
        aEditRuleExecute(form);
    }
}

} // namespace vantrel
