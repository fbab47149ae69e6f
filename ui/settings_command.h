#pragma once
// The "Settings" command of the main window: shows the Options dialog and carries its outcome
// over to the windows that are open now.
#include <windows.h>

#include <string>

#include "ui/settings.h"

namespace vantrel {

class RuleList;
class WindowList;

// What the command needs of the program that runs it: the settings and where they are kept, the
// listed windows and the rules, and the ways to carry new settings over to the windows.
class SettingsCommandHost {
public:
    // The window that owns the Options dialog.
    virtual HWND Handle() const = 0;
    virtual CommonSettings& settings() = 0;
    virtual SettingsLocation settingsLocation() const = 0;
    virtual int versionCode() const = 0;
    virtual WindowList& windows() = 0;
    virtual RuleList& rules() = 0;
    // Rewrites the rule columns of every listed window from the rules and the default settings.
    virtual void RewriteRuleColumns() = 0;
    // Applies to the window its first matching rule, or the default action and z order.
    virtual void ApplyRuleTo(HWND window) = 0;
    // Puts the program's items into the system menu of every top-level window, or takes them
    // out again.
    virtual void SetSystemMenuItems(bool inserted) = 0;

protected:
    virtual ~SettingsCommandHost() = default;
};

void aSettingsExecute(SettingsCommandHost& form);
// As above with the Run key under HKEY_LOCAL_MACHINE named by the caller (tests use a private
// key); an empty path means the system's Run key.
void aSettingsExecute(SettingsCommandHost& form, const std::string& runKeyOverride);

} // namespace vantrel
