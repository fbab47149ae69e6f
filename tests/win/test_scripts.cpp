// Captions in any script reach the user unchanged: the program runs with UTF-8 as its code page.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "commands/properties_dialog.h"
#include "platform/handles.h"
#include "support/app_process.h"
#include "support/fixture_client.h"
#include "support/wait.h"

namespace {

// Cyrillic, CJK and symbols, with a Latin letter beyond ASCII.
const char kThreeScripts[] = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "
                             "\xD0\xBC\xD0\xB8\xD1\x80 \xE2\x80\x94 \xE4\xB8\x96\xE7\x95\x8C "
                             "\xE2\x9C\x93 caf\xC3\xA9";

std::wstring Wide(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                        wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return wide;
}

BOOL CALLBACK CollectListViews(HWND child, LPARAM param) {
    wchar_t cls[64] = {};
    ::GetClassNameW(child, cls, 64);
    if (std::wstring(cls) == WC_LISTVIEWW) {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
    }
    return TRUE;
}

// List view messages carry pointers, so what they point at lives in the program's own memory.
class Remote {
public:
    explicit Remote(DWORD pid)
        : process_(
              ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)),
          at_(process_
                  ? static_cast<char*>(::VirtualAllocEx(process_.get(), nullptr, kBytes,
                                                        MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
                  : nullptr) {}
    ~Remote() {
        if (at_ != nullptr) {
            ::VirtualFreeEx(process_.get(), at_, 0, MEM_RELEASE);
        }
    }
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;

    static constexpr SIZE_T kBytes = 8192;
    static constexpr SIZE_T kTextOffset = 512;
    char* at() const { return at_; }
    bool Write(const void* from, SIZE_T bytes) const {
        SIZE_T moved = 0;
        return at_ != nullptr && ::WriteProcessMemory(process_.get(), at_, from, bytes, &moved);
    }
    bool Read(const void* from, void* to, SIZE_T bytes) const {
        SIZE_T moved = 0;
        return at_ != nullptr && ::ReadProcessMemory(process_.get(), from, to, bytes, &moved);
    }

private:
    vantrel::platform::UniqueHandle process_;
    char* at_;
};

struct Row {
    HWND list;
    int index;
    std::wstring text;
};

// The first column of every row of the program's list views, read as Unicode.
std::vector<Row> ListedRows(HWND main, const Remote& remote) {
    std::vector<Row> rows;
    std::vector<HWND> lists;
    ::EnumChildWindows(main, CollectListViews, reinterpret_cast<LPARAM>(&lists));
    for (HWND list : lists) {
        const auto count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            LVITEMW item{};
            item.pszText = reinterpret_cast<wchar_t*>(remote.at() + Remote::kTextOffset);
            item.cchTextMax = static_cast<int>((Remote::kBytes - Remote::kTextOffset) / 2);
            if (!remote.Write(&item, sizeof item)) {
                return rows;
            }
            const auto length = static_cast<SIZE_T>(
                ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                               reinterpret_cast<LPARAM>(remote.at())));
            std::wstring text(length, L'\0');
            if (length > 0 && remote.Read(item.pszText, text.data(), length * sizeof(wchar_t))) {
                rows.push_back(Row{list, index, text});
            }
        }
    }
    return rows;
}

HWND ShownDialog(DWORD pid, const wchar_t* caption) {
    for (HWND w : vt::WindowsOfProcess(pid, "VantrelForm")) {
        wchar_t text[64] = {};
        ::GetWindowTextW(w, text, 64);
        if (std::wstring(text) == caption && ::IsWindowVisible(w)) {
            return w;
        }
    }
    return nullptr;
}

// Read back as Unicode, as a screen reader or another tool would: the window's row in the list,
// and the caption field of "Window Properties" chosen on that row.
TEST(Scripts, AWindowsCaptionInEveryScriptIsListedAndShownInItsPropertiesUnchanged) {
    vt::Fixture fixture;
    const HWND window = fixture.CreateOfNewClass("Scripts");
    fixture.SetTextUtf8(window, kThreeScripts);
    const std::wstring expected = Wide(kThreeScripts);
    ASSERT_EQ(expected.size(), 22u); // the fixture's text is the UTF-8 the test meant

    vt::AppProcess app;
    const HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);
    ::ShowWindow(main, SW_SHOWNORMAL);
    const Remote remote(app.ProcessId());
    std::vector<Row> rows;
    auto row = rows.end();
    ASSERT_TRUE(vt::WaitUntil([&] {
        rows = ListedRows(main, remote);
        row = std::find_if(rows.begin(), rows.end(),
                           [&](const Row& r) { return r.text == expected; });
        return row != rows.end();
    })) << rows.size()
        << " rows, none with the caption";

    LVITEMW select{};
    select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    select.state = LVIS_SELECTED | LVIS_FOCUSED;
    ASSERT_TRUE(remote.Write(&select, sizeof select));
    ::SendMessageW(row->list, LVM_SETITEMSTATE, static_cast<WPARAM>(row->index),
                   reinterpret_cast<LPARAM>(remote.at()));
    ::PostMessageA(main, WM_COMMAND, vantrel::kCmdWindowProp, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(vt::WaitUntil(
        [&] { return (dialog = ShownDialog(app.ProcessId(), L"Window Properties")) != nullptr; }));
    wchar_t shown[256] = {};
    // GetWindowTextW would give another program's edit's creation text, not what it shows.
    ::SendMessageW(::GetDlgItem(dialog, vantrel::TfrmWindowProp::kCaptionEditId), WM_GETTEXT, 256,
                   reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(std::wstring(shown), expected);
    ::PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return !::IsWindowVisible(dialog); }));
}

} // namespace
