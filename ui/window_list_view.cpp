#include "ui/window_list_view.h"

#include <cstdint>
#include <iterator>
#include <cstdlib>
#include <utility>

#include "platform/dpi.h"

namespace vantrel {

namespace {
// Window Caption, Class Name, Auto Action, Auto Z Order and the hidden Path, at 96 DPI.
constexpr int kColumnWidths[] = {185, 105, 88, 88, 0};
} // namespace

WindowListView::WindowListView(const WindowList& rows, std::function<bool()> busy)
    : rows_(rows), busy_(std::move(busy)) {}

void WindowListView::ScaleColumns(int dpi) {
    for (int column = 0; column < static_cast<int>(std::size(kColumnWidths)); ++column) {
        view_.SetColumnWidth(column, platform::Scaled(kColumnWidths[column], dpi));
    }
}

std::string WindowListView::KeyOf(HWND window) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

void WindowListView::Create(HWND parent, int id, const RECT& bounds, HIMAGELIST images, HFONT font,
                            UINT_PTR timerId) {
    parent_ = parent;
    timerId_ = timerId;
    view_.Create(parent, id, bounds, LVS_SHOWSELALWAYS,
                 {{"Window Caption", kColumnWidths[0], LVCFMT_LEFT},
                  {"Class Name", kColumnWidths[1], LVCFMT_CENTER},
                  {"Auto Action", kColumnWidths[2], LVCFMT_LEFT},
                  {"Auto Z Order", kColumnWidths[3], LVCFMT_LEFT},
                  {"Path", kColumnWidths[4], LVCFMT_LEFT}});
    view_.SetImageList(images);
    view_.SetSource(
        [this](int row, int column) {
            return rows_.Valid(row) ? ColumnText(rows_.At(row), column) : std::string();
        },
        [this](int row) { return rows_.Valid(row) ? rows_.At(row).image : -1; });
    // The highlight belongs to a window, not to a place in the list, when other windows' rows
    // come and go.
    view_.SetKeys(
        [this](int row) { return rows_.Valid(row) ? KeyOf(rows_.At(row).handle) : std::string(); });
    // What a person sees is what a command acts on: the control draws the rows as they were at
    // its last count, never rows that changed since under marks and a count that did not.
    view_.SetShowsCopy(true);
    ::SendMessageA(view_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void WindowListView::RowsChanged(bool rebuilt) {
    // A rebuild changes no one's choice: the highlight stays on its window while that window is
    // listed, wherever its row now stands.
    if (!rebuilt || busy_()) {
        if (!waiting_) {
            waiting_ = true;
            since_ = ::GetTickCount64();
            ::SetTimer(parent_, timerId_, kCheckMs, nullptr);
        }
        return;
    }
    ShowNow();
}

void WindowListView::OnTimer() {
    if (waiting_ && ::GetTickCount64() - since_ < kAtMostMs && busy_()) {
        return; // the timer comes again
    }
    ::KillTimer(parent_, timerId_);
    if (waiting_) {
        ShowNow();
    }
}

void WindowListView::ShowNow() {
    waiting_ = false;
    ::KillTimer(parent_, timerId_);
    view_.SetCount(rows_.Count());
}

int WindowListView::SelectedRow() const {
    HWND window = held_;
    if (window == nullptr) {
        const std::string key = view_.ShownKey(view_.Selected());
        if (key.empty()) {
            return -1;
        }
        window = reinterpret_cast<HWND>(
            static_cast<std::uintptr_t>(std::strtoull(key.c_str(), nullptr, 10)));
    }
    return rows_.Find(window);
}

HWND WindowListView::SelectedWindow() const {
    const int row = SelectedRow();
    return row < 0 ? nullptr : rows_.At(row).handle;
}

void WindowListView::SelectWindow(HWND window) {
    const std::string key = KeyOf(window);
    for (int row = 0; row < view_.Count(); ++row) {
        if (view_.ShownKey(row) == key) {
            view_.Select(row);
            return;
        }
    }
}

void WindowListView::HoldPickDuring(const std::function<void()>& during) {
    struct Restore {
        HWND& held;
        HWND before;
        ~Restore() { held = before; }
    } restore{held_, held_};
    held_ = SelectedWindow();
    during();
}

} // namespace vantrel
