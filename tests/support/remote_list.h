#pragma once
// The list views of another process, read and their rows selected from outside as a user's tool
// would. List view messages carry pointers, so what they point at lives in that process's memory.
// Free of GoogleTest, so that vt_package_check can use it too.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/handles.h"
#include "support/wait.h"

namespace vt {

struct ListedRow {
    HWND list;
    int index;
    std::string text; // of the first column, read as Unicode, in UTF-8
};

class RemoteLists : NoCopy {
public:
    // The list views are the children of `main`, a window of the process `pid`.
    RemoteLists(HWND main, DWORD pid);
    ~RemoteLists();
    // Every row of every list view; none when the process's memory cannot be had.
    std::vector<ListedRow> Rows() const;
    // Selects and focuses the row, as a click on it does.
    bool Select(const ListedRow& row) const;

private:
    bool Write(const void* from, SIZE_T bytes) const;
    HWND main_;
    vantrel::platform::UniqueHandle process_;
    char* at_ = nullptr;
};

std::string Utf8(const std::wstring& text);

} // namespace vt
