#include "ui/list_view.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "platform/text.h"

namespace vantrel {

HWND ListView::Create(HWND parent, int id, const RECT& bounds, DWORD extraStyle,
                      const std::vector<Column>& columns) {
    handle_ = ::CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
        WS_CHILD | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA | LVS_SHAREIMAGELISTS | extraStyle,
        bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
    ListView_SetExtendedListViewStyle(handle_, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const Column& c : columns) {
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.fmt = c.format;
        col.cx = c.width;
        col.pszText = const_cast<char*>(c.caption);
        ::SendMessageA(handle_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index++),
                       reinterpret_cast<LPARAM>(&col));
    }
    columns_ = index;
    return handle_;
}

void ListView::SetSource(TextFn text, ImageFn image) {
    text_ = std::move(text);
    image_ = std::move(image);
}

void ListView::SetImageList(HIMAGELIST images) {
    ListView_SetImageList(handle_, images, LVSIL_SMALL);
}

void ListView::SetKeys(KeyFn key) {
    key_ = std::move(key);
    Remember();
}

void ListView::SetShowsCopy(bool copy) {
    showsCopy_ = copy;
    shown_.clear();
    if (copy) {
        shown_ = CopyOf(Count());
    }
}

std::vector<ListView::ShownRow> ListView::CopyOf(int count) const {
    std::vector<ShownRow> copy(static_cast<size_t>(std::max(count, 0)));
    for (int row = 0; row < count; ++row) {
        ShownRow& shown = copy[static_cast<size_t>(row)];
        shown.cells.resize(static_cast<size_t>(columns_));
        for (int column = 0; column < columns_; ++column) {
            shown.cells[static_cast<size_t>(column)] = text_ ? text_(row, column) : std::string();
        }
        shown.image = image_ ? image_(row) : -1;
        shown.key = key_ ? key_(row) : std::string();
    }
    return copy;
}

int ListView::Rows() const {
    return showsCopy_ ? static_cast<int>(shown_.size()) : Count();
}

std::string ListView::KeyAt(int row) const {
    if (showsCopy_) {
        return shown_[static_cast<size_t>(row)].key;
    }
    return key_ ? key_(row) : std::string();
}

std::string ListView::ShownKey(int row) const {
    return row >= 0 && row < Rows() ? KeyAt(row) : std::string();
}

// Marks are looked up over every row at each change: asking the control for its count per row
// made that a message per row, thousands at every rebuild.
ListView::Mark ListView::MarkOf(int row) const {
    Mark mark;
    if (!key_ || row < 0 || row >= Rows()) {
        return mark;
    }
    mark.key = KeyAt(row);
    mark.occurrence = 0;
    for (int i = 0; i < row; ++i) {
        mark.occurrence += KeyAt(i) == mark.key ? 1 : 0;
    }
    return mark;
}

int ListView::RowOf(const Mark& mark) const {
    if (mark.occurrence < 0) {
        return -1;
    }
    const int rows = Rows();
    int seen = 0;
    for (int i = 0; i < rows; ++i) {
        if (KeyAt(i) == mark.key && seen++ == mark.occurrence) {
            return i;
        }
    }
    return -1;
}

void ListView::Remember() {
    selected_ = MarkOf(Selected());
    focused_ = MarkOf(Focused());
}

void ListView::SetStates(int selected, int focused) {
    settling_ = true;
    // Item -1 would visit every row, each one asking the window server to repaint it: at a few
    // hundred rows that alone held the program for a quarter of a second while other programs
    // kept the server busy. Only the row that still carries a mark needs it taken off; the
    // list selects one row at most, and each search for a marked row walks all of them.
    auto change = [&](int row, UINT state, UINT mask) {
        LVITEMA item{};
        item.stateMask = mask;
        item.state = state;
        ::SendMessageA(handle_, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
    };
    for (const auto& [flag, state, keep] : {std::tuple{LVNI_SELECTED, LVIS_SELECTED, selected},
                                            std::tuple{LVNI_FOCUSED, LVIS_FOCUSED, focused}}) {
        const int row = NextWith(-1, flag);
        if (row >= 0 && row != keep) {
            change(row, 0, state);
        }
    }
    const int count = Rows();
    const bool selects = selected >= 0 && selected < count;
    const bool focuses = focused >= 0 && focused < count;
    if (selects) {
        change(selected, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (focuses) {
        change(focused, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    settling_ = false;
    selected_ = selects ? MarkOf(selected) : Mark{};
    focused_ = focuses ? MarkOf(focused) : Mark{};
}

int ListView::NextWith(int after, UINT flag) const {
    return static_cast<int>(
        ::SendMessageA(handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(after), MAKELPARAM(flag, 0)));
}

// The new copy, the count and the marks change within one message, and the control draws only
// when its paint message comes, so no picture shows new rows under old marks or old rows under
// a new count. The one exception is a list scrolled down past its new end: the control may
// scroll back at once, moving what the screen shows; only then is drawing switched off meanwhile.
// Switching it back on makes the window server redraw the whole control, which costs tens of
// milliseconds among thousands of windows. A control out of sight draws nothing anyway, and is
// left alone: switching drawing back on would show it.
void ListView::ApplyCount(int count, UINT flags, std::vector<ShownRow> copy) {
    const auto top = ::SendMessageA(handle_, LVM_GETTOPINDEX, 0, 0);
    const auto page = ::SendMessageA(handle_, LVM_GETCOUNTPERPAGE, 0, 0);
    drawingOff_ = Visible() && top > 0 && top + page > count;
    if (drawingOff_) {
        ::SendMessageA(handle_, WM_SETREDRAW, FALSE, 0);
    }
    if (showsCopy_) {
        shown_ = std::move(copy);
    }
    settling_ = true;
    ::SendMessageA(handle_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), flags);
    settling_ = false;
}

void ListView::Redraw() {
    if (drawingOff_) {
        drawingOff_ = false;
        ::SendMessageA(handle_, WM_SETREDRAW, TRUE, 0);
    }
    ::InvalidateRect(handle_, nullptr, TRUE);
}

void ListView::SetCount(int count) {
    std::vector<ShownRow> copy;
    if (showsCopy_) {
        copy = CopyOf(count);
        // A rebuild mostly finds what it found before: nothing a person could see changed, so
        // the control is not made to take its rows and draw them again.
        if (copy == shown_ && count == Count()) {
            return;
        }
    }
    if (!key_) {
        ApplyCount(count, 0, std::move(copy));
        Redraw();
        return;
    }
    // The rows behind the list have changed already; the remembered marks still name the rows
    // that were selected and focused, wherever those rows stand now.
    const Mark selected = selected_;
    const Mark focused = focused_;
    ApplyCount(count, LVSICF_NOSCROLL, std::move(copy));
    SetStates(RowOf(selected), RowOf(focused));
    Redraw();
}

void ListView::ForgetMarks() {
    SetStates(-1, -1);
}

void ListView::Reset(int count) {
    ApplyCount(count, 0, showsCopy_ ? CopyOf(count) : std::vector<ShownRow>());
    SetStates(-1, -1);
    Redraw();
}

int ListView::Focused() const {
    return static_cast<int>(::SendMessageA(handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                           MAKELPARAM(LVNI_FOCUSED, 0)));
}

int ListView::Count() const {
    return static_cast<int>(::SendMessageA(handle_, LVM_GETITEMCOUNT, 0, 0));
}

int ListView::Selected() const {
    return static_cast<int>(::SendMessageA(handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                           MAKELPARAM(LVNI_SELECTED, 0)));
}

void ListView::Select(int index) {
    LVITEMA clear{};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    clear.state = 0;
    ::SendMessageA(handle_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&clear));
    if (index >= 0 && index < Count()) {
        LVITEMA set{};
        set.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        set.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(handle_, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(&set));
        ::SendMessageA(handle_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
    }
    Remember();
}

void ListView::SetColumnWidth(int column, int width) {
    ::SendMessageA(handle_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
}

int ListView::ColumnWidth(int column) const {
    return static_cast<int>(
        ::SendMessageA(handle_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

void ListView::Show(bool visible) {
    ::ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}
bool ListView::Visible() const {
    return ::IsWindowVisible(handle_) != FALSE;
}

bool ListView::HandleNotify(const NMHDR* header) {
    if (header->hwndFrom != handle_) {
        return false;
    }
    if (header->code == LVN_ITEMCHANGED || header->code == LVN_ODSTATECHANGED) {
        // Read while the rows and the control agree: the next change of the rows is judged
        // against this.
        if (!settling_) {
            Remember();
        }
        return false;
    }
    if (header->code != LVN_GETDISPINFOA) {
        return false;
    }
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(header));
    LVITEMA& item = info->item;
    const ShownRow* shown =
        showsCopy_ && item.iItem >= 0 && static_cast<size_t>(item.iItem) < shown_.size()
            ? &shown_[static_cast<size_t>(item.iItem)]
            : nullptr;
    if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0) {
        std::string text;
        if (showsCopy_) {
            if (shown != nullptr && item.iSubItem >= 0 &&
                static_cast<size_t>(item.iSubItem) < shown->cells.size()) {
                text = shown->cells[static_cast<size_t>(item.iSubItem)];
            }
        } else if (text_) {
            text = text_(item.iItem, item.iSubItem);
        }
        // Cut between characters: half a character would show as a stray mark.
        text = platform::FitText(text, static_cast<size_t>(item.cchTextMax - 1));
        const size_t n = text.size();
        std::memcpy(item.pszText, text.data(), n);
        item.pszText[n] = '\0';
    }
    if (item.mask & LVIF_IMAGE) {
        item.iImage = showsCopy_ ? (shown != nullptr ? shown->image : -1)
                                 : (image_ ? image_(item.iItem) : -1);
    }
    return true;
}

bool ListView::HandleCustomDraw(const NMHDR* header, LRESULT& result) const {
    if (header->hwndFrom != handle_ || header->code != NM_CUSTOMDRAW) {
        return false;
    }
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(header));
    result = CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        paintWithFocus_ = ::GetFocus() == handle_;
        result = CDRF_NOTIFYITEMDRAW;
    } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && !paintWithFocus_) {
        const int row = static_cast<int>(draw->nmcd.dwItemSpec);
        if (::SendMessageA(handle_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
            LVIS_SELECTED) {
            // Without the selected state the control paints in the colours given here.
            draw->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
            draw->clrText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
            draw->clrTextBk = ::GetSysColor(COLOR_HIGHLIGHT);
        }
    }
    return true;
}

} // namespace vantrel
