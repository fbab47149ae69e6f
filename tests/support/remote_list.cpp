#include "support/remote_list.h"

#include <commctrl.h>

namespace vt {

namespace {

constexpr SIZE_T kBytes = 8192;
constexpr SIZE_T kTextOffset = 512; // past the LVITEMW that the message points at

} // namespace

std::string Utf8(const std::wstring& text) {
    std::string utf8(text.size() * 4, '\0');
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                              static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return utf8;
}

RemoteLists::RemoteLists(HWND main, DWORD pid)
    : main_(main), process_(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                          FALSE, pid)) {
    if (process_) {
        at_ = static_cast<char*>(::VirtualAllocEx(process_.get(), nullptr, kBytes,
                                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
}

RemoteLists::~RemoteLists() {
    if (at_ != nullptr) {
        ::VirtualFreeEx(process_.get(), at_, 0, MEM_RELEASE);
    }
}

bool RemoteLists::Write(const void* from, SIZE_T bytes) const {
    SIZE_T moved = 0;
    return at_ != nullptr && ::WriteProcessMemory(process_.get(), at_, from, bytes, &moved);
}

std::vector<ListedRow> RemoteLists::Rows() const {
    std::vector<ListedRow> rows;
    for (const HWND list : WindowsUnder(main_)) {
        if (ClassOf(list) != WC_LISTVIEWA) {
            continue;
        }
        const auto count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            LVITEMW item{};
            item.pszText = reinterpret_cast<wchar_t*>(at_ + kTextOffset);
            item.cchTextMax = static_cast<int>((kBytes - kTextOffset) / sizeof(wchar_t));
            if (!Write(&item, sizeof item)) {
                return rows;
            }
            const auto length = static_cast<SIZE_T>(::SendMessageW(
                list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(at_)));
            std::wstring text(length, L'\0');
            SIZE_T moved = 0;
            if (length > 0 && ::ReadProcessMemory(process_.get(), item.pszText, text.data(),
                                                  length * sizeof(wchar_t), &moved)) {
                rows.push_back(ListedRow{list, index, Utf8(text)});
            }
        }
    }
    return rows;
}

bool RemoteLists::Select(const ListedRow& row) const {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return Write(&item, sizeof item) &&
           ::SendMessageW(row.list, LVM_SETITEMSTATE, static_cast<WPARAM>(row.index),
                          reinterpret_cast<LPARAM>(at_)) != FALSE;
}

} // namespace vt
