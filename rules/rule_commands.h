#pragma once
// The commands that add, edit and delete window rules through the "Set Rule" dialog. Each one
// changes the rules, keeps the rules list view in step with them, saves them at once and applies
// the changed rule to the windows of its class that are open now. A refused save throws
// UserError out of the command, which ends it there; the caller's Guard reports it.
#include <string>

namespace vantrel {

class TfrmMain;

// What the edit and delete commands say when no rule is selected.
extern const char* const kSelectListItemFirst;

// A rule for the window selected in the window list; nothing without a selection.
void aMainAddRuleExecute(TfrmMain& form);
// A rule for a class name typed into the dialog.
void aRulesAddRuleExecute(TfrmMain& form);
// Edits, or deletes, the rule selected in the rules list; without a selection both tell the user.
void aEditRuleExecute(TfrmMain& form);
void aDeleteRuleExecute(TfrmMain& form);

// Enabled states: the window list, or the rules list, is showing and has a selected row.
// aMainAddRuleUpdate also serves the other commands on the selected window.
bool aMainAddRuleUpdate(const TfrmMain& form);
bool aEditRuleUpdate(const TfrmMain& form);

// A double click acts only on a selected row (a click on empty space leaves none).
void lvMainDblClick(TfrmMain& form);
void lvRuleDblClick(TfrmMain& form);

} // namespace vantrel
