// Captions in any script reach the user unchanged: the program runs with UTF-8 as its code page.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

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

// The first column of every row of the program's list views, read as Unicode, as a screen
// reader or another tool would; list view messages carry pointers, so the buffer lives in the
// program's own address space.
std::vector<std::wstring> ListedCaptions(HWND main, DWORD pid) {
    const vantrel::platform::UniqueHandle process(
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    constexpr SIZE_T kBytes = 8192;
    constexpr SIZE_T kTextOffset = 512;
    void* remote = process ? ::VirtualAllocEx(process.get(), nullptr, kBytes,
                                              MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                           : nullptr;
    std::vector<std::wstring> captions;
    if (remote == nullptr) {
        return captions;
    }
    std::vector<HWND> lists;
    ::EnumChildWindows(main, CollectListViews, reinterpret_cast<LPARAM>(&lists));
    for (HWND list : lists) {
        const auto rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < rows; ++row) {
            LVITEMW item{};
            item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + kTextOffset);
            item.cchTextMax = static_cast<int>((kBytes - kTextOffset) / sizeof(wchar_t));
            SIZE_T moved = 0;
            if (!::WriteProcessMemory(process.get(), remote, &item, sizeof item, &moved)) {
                break;
            }
            const auto length =
                static_cast<SIZE_T>(::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                                   reinterpret_cast<LPARAM>(remote)));
            std::wstring text(length, L'\0');
            if (length > 0 && ::ReadProcessMemory(process.get(), item.pszText, text.data(),
                                                  length * sizeof(wchar_t), &moved)) {
                captions.push_back(text);
            }
        }
    }
    ::VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return captions;
}

TEST(Scripts, AWindowIsListedWithItsCaptionInEveryScript) {
    vt::Fixture fixture;
    vt::WindowSpec spec;
    spec.className = vt::UniqueName("Scripts");
    const HWND window = fixture.CreateOne(spec);
    fixture.SetTextUtf8(window, kThreeScripts);
    const std::wstring expected = Wide(kThreeScripts);
    ASSERT_EQ(expected.size(), 22u); // the fixture's text is the UTF-8 the test meant

    vt::AppProcess app;
    const HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);
    ::ShowWindow(main, SW_SHOWNORMAL);
    std::vector<std::wstring> listed;
    EXPECT_TRUE(vt::WaitUntil([&] {
        listed = ListedCaptions(main, app.ProcessId());
        return std::find(listed.begin(), listed.end(), expected) != listed.end();
    })) << listed.size()
        << " rows, none with the caption";
}

} // namespace
