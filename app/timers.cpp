#include "app/timers.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/rule_application.h"
#include "platform/foreign_window.h"
#include "rules/rule.h"

namespace vantrel {

namespace {

// The frame's "Refresh" menu command, which browsers before version 7 answer; later ones take
// only the F5 key.
constexpr WPARAM kRefreshCommand = 0xA220;
constexpr int kLastCommandRefreshVersion = 6;
constexpr int kVersionCodeNeedingRebuild = 11;
// The z order rule only ever looks at the class as the browser registers it.
const char* const kIEFrameClass = "IEFrame";

} // namespace

void Timer1Timer(TfrmMain& form) {
    const WindowList& rows = form.windows();
    if (rows.Empty()) {
        return;
    }
    const bool keyPair = form.ieMajorVersion() > kLastCommandRefreshVersion;
    // Posting never re-enters this thread, so the rows cannot change under the loop.
    for (const WindowEntry& row : rows.Rows()) {
        if (!ContainsIEFrame(row.className) || row.autoRefreshInclusion == 0) {
            continue;
        }
        if (keyPair) {
            platform::foreign::Post(row.handle, WM_KEYDOWN, VK_F5, 0);
            platform::foreign::Post(row.handle, WM_KEYUP, VK_F5, 0);
        } else {
            platform::foreign::Post(row.handle, WM_COMMAND, kRefreshCommand, 0);
        }
    }
}

namespace {

// `rebuilt`: the rows have just been made afresh.
void PutIEFramesOnTop(TfrmMain& form, bool rebuilt) {
    if (form.rules().RuleZOrderText(kIEFrameClass, form.settings()) != ZOrderTexts(1)) {
        return;
    }
    // Handles first: applying a rule can hide a window into the tray, which may change the rows.
    std::vector<HWND> frames;
    for (const WindowEntry& row : form.windows().Rows()) {
        if (row.className == kIEFrameClass) {
            frames.push_back(row.handle);
        }
    }
    for (HWND frame : frames) {
        ApplyRule(form, frame);
    }
    if (frames.empty()) {
        if (!rebuilt) {
            form.catalogue().Rebuild();
        }
        ApplyRulesOfClass(form, kIEFrameClass);
    }
}

} // namespace

void TimerVistaRefreshTimer(TfrmMain& form) {
    if (form.versionCode() != kVersionCodeNeedingRebuild) {
        PutIEFramesOnTop(form, false);
        return;
    }
    // In slices, like every rebuild that a person does not wait for: among thousands of windows a
    // whole one would hold the program for a second every two minutes. The frames are looked
    // for among the rows it makes.
    form.RebuildThen([&form] { PutIEFramesOnTop(form, true); });
}

} // namespace vantrel
