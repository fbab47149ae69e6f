#pragma once
// The "Options" dialog: the common settings, edited in place, and auto start at logon, which
// lives only in the machine-wide Run key. Its caller reads the two change flags after it closed.
#include <windows.h>
#include <string>

#include "ui/form.h"
#include "ui/environment.h"
#include "ui/settings.h"

namespace vantrel {

class TfrmOptions : public Form {
public:
    // Ids 1 and 2 are what the dialog manager sends for Enter and Escape; no control uses them, so
    // neither key can close the dialog.
    static constexpr int kIdAutoStart = 101;
    static constexpr int kIdSystemMenu = 102;
    static constexpr int kIdActionFirst = 110; // one id per action, in code order
    static constexpr int kIdZOrderFirst = 120; // one id per z order, in code order
    static constexpr int kIdOk = 130;
    static constexpr int kIdCancel = 131;

    static constexpr int kClientWidth = 399;
    static constexpr int kClientHeight = 261;

    // `settings` is changed by OK only. An empty `runKeyOverride` means the system's Run key for
    // this process's bitness and the logon task "Vantrel"; tests name a private key instead, and
    // the task then takes the key's last name ("Vantrel <name>"), so the machine's auto start is
    // left alone.
    TfrmOptions(HWND owner, CommonSettings& settings, SettingsLocation location, int versionCode,
                std::string exePath, std::string runKeyOverride = {});

    // Where OK asks who may change the program's files before it lets it start with Windows.
    void SetSecurityQuery(SecurityQuery query) { securityQuery_ = std::move(query); }
    // The scheduler that OK registers the logon task with and FormShow asks about it.
    void SetTaskScheduler(TaskScheduler scheduler) { scheduler_ = std::move(scheduler); }
    // The logon task that OK registers or removes with the Run value.
    std::string TaskName() const;
    // The default action or z order changed with OK.
    bool DefaultsChanged() const { return defaultsChanged_; }
    // SystemMenu changed with OK.
    bool SystemMenuChanged() const { return systemMenuChanged_; }

protected:
    void CreateControls() override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void bOKClick();

    CommonSettings& settings_;
    SettingsLocation location_;
    int versionCode_;
    std::string exePath_;
    std::string runKeyOverride_;

    std::string runKey_;
    SecurityQuery securityQuery_ = SystemSecurityOf;
    TaskScheduler scheduler_;
    bool defaultsChanged_ = false;
    bool systemMenuChanged_ = false;

    HWND cbAutoStart_ = nullptr;
    HWND cbSystemMenu_ = nullptr;
    RadioGroup rgAction_;
    RadioGroup rgZOrder_;
    // The control that had the focus when the dialog was last deactivated.
};

} // namespace vantrel
