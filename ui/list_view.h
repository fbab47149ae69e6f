#pragma once
// A report-style list view that displays rows kept elsewhere (owner data). With a copy of the rows
// (SetShowsCopy), what it draws is the copy taken with its last count: rows that change behind it
// wait for the next count, so the rows, their number and the highlight always belong together.
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
    // The control draws a copy of the rows taken with each count instead of asking the source at
    // every paint.
    void SetShowsCopy(bool copy);
    // The rows changed; the control learns their number (and takes a new copy of them).
    void SetCount(int count);
    // All rows are new: none is selected or focused.
    void Reset(int count);
    // No row stays selected or focused; the count is left as it is.
    void ForgetMarks();
    int Focused() const;
    int Count() const;
    int Selected() const;
    // The key of a row as the control shows it now; empty without a row.
    std::string ShownKey(int row) const;
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
    struct ShownRow {
        std::vector<std::string> cells;
        int image = -1;
        std::string key;
        bool operator==(const ShownRow& other) const {
            return cells == other.cells && image == other.image && key == other.key;
        }
    };
    Mark MarkOf(int row) const;
    // The rows the control draws now: the copy's, or the control's count without one.
    int Rows() const;
    // The key of a row known to exist; ShownKey without the bounds check.
    std::string KeyAt(int row) const;
    std::vector<ShownRow> CopyOf(int count) const;
    // `copy`: the rows to draw from now on, when the control draws a copy.
    void ApplyCount(int count, UINT flags, std::vector<ShownRow> copy);
    // Ends what ApplyCount began: drawing on again where it was switched off, and all redrawn.
    void Redraw();
    int RowOf(const Mark& mark) const;
    void Remember();
    void SetStates(int selected, int focused);
    int NextWith(int after, UINT flag) const;

    HWND handle_ = nullptr;
    TextFn text_;
    ImageFn image_;
    KeyFn key_;
    int columns_ = 0;
    bool showsCopy_ = false;
    std::vector<ShownRow> shown_;
    Mark selected_;
    Mark focused_;
    bool settling_ = false; // the control's own notifications while states are put back
    bool drawingOff_ = false;
    mutable bool paintWithFocus_ = false; // asked once per paint, not once per row
};

} // namespace vantrel
