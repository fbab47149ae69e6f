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

} // namespace vantrel
