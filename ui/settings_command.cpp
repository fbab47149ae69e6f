#include "ui/settings_command.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "app/application.h"
#include "app/window_list.h"
#include "rules/rule_list.h"
#include "ui/options_dialog.h"

namespace vantrel {

namespace {

std::string ExecutablePath() {
    // Paths may be longer than MAX_PATH; a full buffer means the name was cut off.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), size);
        if (n < size) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Gives the new default action and z order to every listed window that no rule claims.
void ApplyNewDefaults(SettingsCommandHost& form) {
    form.RewriteRuleColumns();
    // Taken before any window is touched: hiding one to the tray changes the rows, and a row
    // moving up must not make its neighbour miss its turn.
    std::vector<HWND> unruled;
    const WindowList& rows = form.windows();
    for (int i = 0; i < rows.Count(); ++i) {
        if (form.rules().FindRule(rows.At(i).className) == -1) {
            unruled.push_back(rows.At(i).handle);
        }
    }
    for (HWND window : unruled) {
        form.ApplyRuleTo(window);
    }
    Application::Instance().BringToFront();
}

} // namespace

void aSettingsExecute(SettingsCommandHost& form) {
    aSettingsExecute(form, std::string());
}

void aSettingsExecute(SettingsCommandHost& form, const std::string& runKeyOverride) {
    TfrmOptions dialog(form.Handle(), form.settings(), form.settingsLocation(), form.versionCode(),
                       ExecutablePath(), runKeyOverride);
    if (dialog.ShowModal() != kResultOk) {
        return;
    }
    if (dialog.DefaultsChanged()) {
        ApplyNewDefaults(form);
    }
    if (dialog.SystemMenuChanged()) {
        form.SetSystemMenuItems(form.settings().systemMenu);
    }
}

} // namespace vantrel
