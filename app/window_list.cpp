#include "app/window_list.h"

namespace vantrel {

int WindowList::Find(HWND handle) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].handle == handle) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int WindowList::Remove(HWND handle) {
    int removed = 0;
    for (size_t i = rows_.size(); i-- > 0;) {
        if (rows_[i].handle == handle) {
            rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
            ++removed;
        }
    }
    return removed;
}

std::string ColumnText(const WindowEntry& entry, int column) {
    switch (column) {
    case 0:
        return entry.caption;
    case 1:
        return entry.className;
    case 2:
        return entry.autoAction;
    case 3:
        return entry.autoZOrder;
    default:
        return entry.path;
    }
}

} // namespace vantrel
