// Captions in any script reach the user unchanged: the program runs with UTF-8 as its code page.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "commands/properties_dialog.h"
#include "support/app_process.h"
#include "support/fixture_client.h"
#include "support/remote_list.h"
#include "support/wait.h"

namespace {

// Cyrillic, CJK and symbols, with a Latin letter beyond ASCII.
const char kThreeScripts[] = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "
                             "\xD0\xBC\xD0\xB8\xD1\x80 \xE2\x80\x94 \xE4\xB8\x96\xE7\x95\x8C "
                             "\xE2\x9C\x93 caf\xC3\xA9";

// Read back as Unicode, as a screen reader or another tool would: the window's row in the list,
// and the caption field of "Window Properties" chosen on that row.
TEST(Scripts, AWindowsCaptionInEveryScriptIsListedAndShownInItsPropertiesUnchanged) {
    vt::Fixture fixture;
    fixture.SetTextUtf8(fixture.CreateOfNewClass("Scripts"), kThreeScripts);

    vt::AppProcess app;
    const HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);
    ::ShowWindow(main, SW_SHOWNORMAL);
    const vt::RemoteLists lists(main, app.ProcessId());
    std::vector<vt::ListedRow> rows;
    auto row = rows.end();
    ASSERT_TRUE(vt::WaitUntil([&] {
        rows = lists.Rows();
        row = std::find_if(rows.begin(), rows.end(),
                           [](const vt::ListedRow& r) { return r.text == kThreeScripts; });
        return row != rows.end();
    })) << rows.size()
        << " rows, none with the caption";

    ASSERT_TRUE(lists.Select(*row));
    ::PostMessageA(main, WM_COMMAND, vantrel::kCmdWindowProp, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(vt::WaitUntil([&] {
        for (HWND w : vt::WindowsOfProcess(app.ProcessId(), "VantrelForm")) {
            dialog = ::IsWindowVisible(w) && vt::TextOf(w) == "Window Properties" ? w : dialog;
        }
        return dialog != nullptr;
    }));
    wchar_t shown[256] = {};
    // GetWindowTextW would give another program's edit's creation text, not what it shows.
    ::SendMessageW(::GetDlgItem(dialog, vantrel::TfrmWindowProp::kCaptionEditId), WM_GETTEXT, 256,
                   reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(vt::Utf8(shown), kThreeScripts);
    ::PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return !::IsWindowVisible(dialog); }));
}

} // namespace
