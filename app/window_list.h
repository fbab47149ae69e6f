#pragma once
// The rows of the open-windows list. The list view only displays these rows; the values it does
// not show (handle, transparency, refresh inclusion) live beside the shown ones here.
#include <windows.h>
#include <string>
#include <vector>

namespace vantrel {

struct WindowEntry {
    std::string caption;
    std::string className;
    std::string autoAction;
    HWND handle = nullptr;
    std::string autoZOrder;
    int transparency = 0;
    std::string path;
    int autoRefreshInclusion = 1;
    int image = -1;
    DWORD processId = 0; // of the window's program, as the row was made
};

class WindowList {
public:
    int Count() const { return static_cast<int>(rows_.size()); }
    bool Empty() const { return rows_.empty(); }
    const WindowEntry& At(int index) const { return rows_.at(static_cast<size_t>(index)); }
    WindowEntry& At(int index) { return rows_.at(static_cast<size_t>(index)); }
    bool Valid(int index) const { return index >= 0 && index < Count(); }
    const std::vector<WindowEntry>& Rows() const { return rows_; }

    void Clear() { rows_.clear(); }
    void Append(WindowEntry entry) { rows_.push_back(std::move(entry)); }
    // First row with the handle, or -1.
    int Find(HWND handle) const;
    // Deletes every row with the handle, last to first; returns how many went.
    int Remove(HWND handle);
    // Every row with the handle, first to last.
    template <typename F> void ForEachOf(HWND handle, F&& f) {
        for (auto& row : rows_) {
            if (row.handle == handle) {
                f(row);
            }
        }
    }

private:
    std::vector<WindowEntry> rows_;
};

// The row's text in the window list's columns: caption, class name, auto action, auto z order,
// path.
std::string ColumnText(const WindowEntry& entry, int column);

} // namespace vantrel
