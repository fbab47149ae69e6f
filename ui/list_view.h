#pragma once
// A report-style list view that displays rows kept elsewhere (owner data): the control asks for
// each visible cell, so the rows and what is drawn can never disagree.
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

namespace vantrel {

class ListView {
public:
    struct Column {
        const char* caption;
        int width;
        int format; // LVCFMT_LEFT / LVCFMT_CENTER
    };
    using TextFn = std::function<std::string(int row, int column)>;
    using ImageFn = std::function<int(int row)>;
    // What a row stands for (a window, a rule): rows with equal keys stand for the same thing.
    using KeyFn = std::function<std::string(int row)>;

    HWND Create(HWND parent, int id, const RECT& bounds, DWORD extraStyle,
                const std::vector<Column>& columns);
    HWND Handle() const { return handle_; }
    void SetSource(TextFn text, ImageFn image = nullptr);
    void SetImageList(HIMAGELIST images);
    // With keys, the selected and the focused row keep their state when rows elsewhere come or
    // go, and lose it when their own row goes; without, the control keeps it by position.
    void SetKeys(KeyFn key);
    // The rows changed; the control learns their number.
    void SetCount(int count);
    // All rows are new: none is selected or focused.
    void Reset(int count);
    // No row stays selected or focused; the count is left as it is.
    void ForgetMarks();
    int Focused() const;
    int Count() const;
    int Selected() const;
    // The selected row among the first `rows` rows behind the list, while the control has not yet
    // been given their new count (it would still answer by the old positions).
    int SelectedAmong(int rows) const;
    // Selects and focuses one row; -1 clears the selection.
    void Select(int index);
    void SetColumnWidth(int column, int width);
    int ColumnWidth(int column) const;
    void Show(bool visible);
    bool Visible() const;
    // Answers LVN_GETDISPINFO and follows LVN_ITEMCHANGED; true when the notification was
    // answered here.
    bool HandleNotify(const NMHDR* header);
    // Draws the selected row in the selection's colours whether or not the list has the focus:
    // the grey the control uses without focus reads as "nothing selected", yet the commands act
    // on that row. True with `result` set when the notification was this list's custom draw.
    bool HandleCustomDraw(const NMHDR* header, LRESULT& result) const;

private:
    // A row by its key and by how many rows with the same key stand before it.
    struct Mark {
        std::string key;
        int occurrence = -1; // -1: no row
    };
    Mark MarkOf(int row) const;
    int RowOf(const Mark& mark) const { return RowOf(mark, Count()); }
    int RowOf(const Mark& mark, int rows) const;
    void Remember();
    void SetStates(int selected, int focused);
    int NextWith(int after, UINT flag) const;

    HWND handle_ = nullptr;
    TextFn text_;
    ImageFn image_;
    KeyFn key_;
    Mark selected_;
    Mark focused_;
    bool settling_ = false; // the control's own notifications while states are put back
};

} // namespace vantrel
