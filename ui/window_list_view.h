#pragma once
// The open-windows list as a person sees it: which rows it shows and when, the highlight that
// stays with its window, and the window a command started from the list acts on. The rows
// themselves belong to the catalogue; this class only decides what of them is drawn.
#include <windows.h>
#include <functional>
#include <string>

#include "app/window_list.h"
#include "ui/list_view.h"

namespace vantrel {

class WindowListView {
public:
    // How often a waiting change looks whether the notices have paused, how long a pause is, and
    // how long rows may wait at most while they do not.
    static constexpr UINT kCheckMs = 100;
    static constexpr ULONGLONG kQuietMs = 200;
    static constexpr ULONGLONG kAtMostMs = 5000;

    // `busy`: notices of windows are still coming or waiting to be handled.
    WindowListView(const WindowList& rows, std::function<bool()> busy);

    void Create(HWND parent, int id, const RECT& bounds, HIMAGELIST images, HFONT font,
                UINT_PTR timerId);
    // Gives the columns their widths at `dpi` (the layout's are for 96 DPI).
    void ScaleColumns(int dpi);
    ListView& view() { return view_; }
    const ListView& view() const { return view_; }

    // The rows behind the list changed (`rebuilt`: all of them). A count costs the control a
    // redraw of its scroll bars and rows, dear while a storm of windows keeps the window server
    // busy: changes wait until the notices pause, a rebuild outside a storm is shown at once.
    void RowsChanged(bool rebuilt);
    // The timer given to Create came.
    void OnTimer();
    // The list takes the rows as they are now.
    void ShowNow();
    bool RowsWaiting() const { return waiting_; }

    // The row behind the list of the window the person picked: the one a menu was opened for
    // while it is open, else the highlighted one as drawn; -1 when there is none.
    int SelectedRow() const;
    HWND SelectedWindow() const;
    // Highlights the window's row as drawn now; nothing when it is not drawn.
    void SelectWindow(HWND window);
    // While `during` runs (an open menu), commands act on the window picked when it started.
    void HoldPickDuring(const std::function<void()>& during);

private:
    static std::string KeyOf(HWND window);

    const WindowList& rows_;
    std::function<bool()> busy_;
    ListView view_;
    HWND parent_ = nullptr;
    UINT_PTR timerId_ = 0;
    bool waiting_ = false; // rows changed since the control last took a count
    ULONGLONG since_ = 0;  // when the first of those changed
    HWND held_ = nullptr;  // the window a menu was opened for
};

} // namespace vantrel
