#pragma once
// The commands that add, edit and delete window rules through the "Set Rule" dialog. Each one
// changes the rules, keeps the rules list view in step with them, saves them at once and applies
// the changed rule to the windows of its class that are open now. A refused save throws
// UserError out of the command, which ends it there; the caller's Guard reports it.
#include <windows.h>

#include <string>
#include <vector>

#include "rules/rule.h"

namespace vantrel {

class ListView;
class RuleList;
class WindowList;
struct CommonSettings;

// What the rule commands need of the program that runs them: the window list and the rules list
// with their views, the Internet Explorer refresh timers, and the rules applied to the windows.
class RuleCommandHost {
public:
    // The window that owns the "Set Rule" dialog.
    virtual HWND Handle() const = 0;
    virtual WindowList& windows() = 0;
    virtual ListView& lvMain() = 0;
    virtual int SelectedWindowRow() const = 0;
    virtual void SelectWindow(HWND window) = 0;
    virtual RuleList& rules() = 0;
    virtual ListView& lvRule() = 0;
    virtual CommonSettings& settings() = 0;
    virtual std::string RulesPath() const = 0;
    virtual void SetTimer1(bool enabled, UINT intervalMs) = 0;
    virtual void SetTimerVistaRefresh(bool enabled) = 0;
    // Rewrites the rule columns of every listed window from the rules and the default settings.
    virtual void RewriteRuleColumns() = 0;
    // Applies the rules again to every window that one of the changed rules matches, as it was
    // and as it is now.
    virtual void ReapplyRules(const std::vector<WindowRule>& changed) = 0;

protected:
    virtual ~RuleCommandHost() = default;
};

// What the edit and delete commands say when no rule is selected.
extern const char* const kSelectListItemFirst;

// A rule for the window selected in the window list; nothing without a selection.
void aMainAddRuleExecute(RuleCommandHost& form);
// A rule for a class name typed into the dialog.
void aRulesAddRuleExecute(RuleCommandHost& form);
// Edits, or deletes, the rule selected in the rules list; without a selection both tell the user.
void aEditRuleExecute(RuleCommandHost& form);
void aDeleteRuleExecute(RuleCommandHost& form);

// Enabled states: the window list, or the rules list, is showing and has a selected row.
// aMainAddRuleUpdate also serves the other commands on the selected window.
bool aMainAddRuleUpdate(const RuleCommandHost& form);
bool aEditRuleUpdate(const RuleCommandHost& form);

// A double click acts only on a selected row (a click on empty space leaves none).
void lvMainDblClick(RuleCommandHost& form);
void lvRuleDblClick(RuleCommandHost& form);

} // namespace vantrel
