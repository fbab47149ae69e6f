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

    HWND Create(HWND parent, int id, const RECT& bounds, DWORD extraStyle,
                const std::vector<Column>& columns);
    HWND Handle() const { return handle_; }
    void SetSource(TextFn text, ImageFn image = nullptr);
    void SetImageList(HIMAGELIST images);
    void SetCount(int count);
    int Count() const;
    int Selected() const;
    // Selects and focuses one row; -1 clears the selection.
    void Select(int index);
    void SetColumnWidth(int column, int width);
    int ColumnWidth(int column) const;
    void Show(bool visible);
    bool Visible() const;
    // Answers LVN_GETDISPINFO; true when the notification was for this list.
    bool HandleNotify(const NMHDR* header);

private:
    HWND handle_ = nullptr;
    TextFn text_;
    ImageFn image_;
};

} // namespace vantrel
