#include "commands/window_commands.h"

#include "app/window_list.h"
#include "commands/hidden_journal.h"
#include "commands/layered_windows.h"
#include "commands/tray_hosting.h"
#include "commands/placement.h"
#include "platform/desktop_window_manager.h"
#include "platform/foreign_window.h"
#include "platform/window_api.h"

namespace vantrel {

namespace foreign = platform::foreign;

namespace {
constexpr int kFirstLevelItem = 32;
constexpr int kLastLevelItem = 42;
} // namespace

void SetTopmost(HWND window, bool topmost) {
    foreign::SetTopmost(window, topmost);
}

void MinimizeWindowToTray(WindowCommandHost& host, HWND window) {
    const int row = host.windows().Find(window);
    // A row can outlive its window until the next rebuild; an icon for a window that has gone
    // could never bring anything back. A window whose icon is still there is hidden already (a
    // hung program has not yet carried out the hide): a second icon would only repeat it.
    if (row < 0 || !::IsWindow(window) || !foreign::IsTarget(window) ||
        host.tray().WindowIconAdded(window)) {
        return;
    }
    // On disk before the window goes: if the program ends before the icon is there, the next
    // start still knows to show the window again.
    host.journal().Add(window);
    foreign::Show(window, SW_HIDE);
    // The list's picture, never the file's: an executable on a slow share would hold the
    // program here.
    host.tray().AddWindowTrayIcon(window, host.RowIcon(row));
}

void SetCheckMarks(HWND window, int percent) {
    HMENU menu = foreign::SystemMenu(window);
    if (menu == nullptr) {
        return;
    }
    for (int id = kFirstLevelItem; id <= kLastLevelItem; ++id) {
        if (foreign::MenuItemChecked(menu, static_cast<UINT>(id))) {
            foreign::SetMenuItemChecked(menu, static_cast<UINT>(id), false);
        }
    }
    if (percent % 10 == 0 && percent >= 0 && percent <= 100) {
        foreign::SetMenuItemChecked(menu, static_cast<UINT>(kFirstLevelItem + percent / 10), true);
    }
}

bool TransparencyLeftToItsProgram(HWND window) {
    return foreign::LayeringOf(window).kind == foreign::Layering::Kind::Drawn;
}

void SetTransparency(WindowCommandHost& host, HWND window, int percent) {
    if (!foreign::IsTarget(window)) {
        return;
    }
    const foreign::Layering now = foreign::LayeringOf(window);
    const auto alpha = static_cast<BYTE>(AlphaForPercent(percent));
    if (now.kind == foreign::Layering::Kind::Drawn) {
        return; // its program's next update would fail once it has attributes
    }
    if (now.kind == foreign::Layering::Kind::None) {
        if (!foreign::SetExStyle(window, platform::ExStyleOf(window) | WS_EX_LAYERED)) {
            return; // not answering: the level stays as it was, and so do the marks and the row
        }
        host.layeredWindows().Remember(window);
        host.SetLayeredAttributes(window, 0, alpha, LWA_ALPHA);
    } else {
        // Layered already, by its program or by an earlier level: only the alpha changes, and a
        // colour key its program set keeps its holes see-through.
        host.SetLayeredAttributes(window, now.key, alpha, (now.flags & LWA_COLORKEY) | LWA_ALPHA);
    }
    SetCheckMarks(window, percent);
    const int row = host.windows().Find(window);
    if (row >= 0) {
        host.windows().At(row).transparency = percent;
    }
}

void RemoveTransparency(WindowCommandHost& host, HWND window) {
    if (!foreign::IsTarget(window)) {
        return;
    }
    const foreign::Layering now = foreign::LayeringOf(window);
    if (now.kind == foreign::Layering::Kind::Drawn) {
        return;
    }
    if (now.kind == foreign::Layering::Kind::Attributes &&
        !host.layeredWindows().MadeLayered(window)) {
        // Its program layered it and needs the style: opaque again, the colour key kept.
        SetCheckMarks(window, 1);
        host.SetLayeredAttributes(window, now.key, 255, (now.flags & LWA_COLORKEY) | LWA_ALPHA);
    } else {
        if (!foreign::Answers(window)) {
            return;
        }
        SetCheckMarks(window, 1);
        foreign::SetExStyle(window, platform::ExStyleOf(window) | WS_EX_LAYERED);
        host.SetLayeredAttributes(window, 0, 255, LWA_ALPHA);
        foreign::SetExStyle(window,
                            platform::ExStyleOf(window) & ~static_cast<LONG>(WS_EX_LAYERED));
        host.layeredWindows().Forget(window);
    }
    const int row = host.windows().Find(window);
    if (row >= 0) {
        host.windows().At(row).transparency = 0;
    }
}

void AlignWindow(HWND window, const AlignmentPlace& place) {
    RECT r{};
    ::GetWindowRect(window, &r);
    const RECT m = platform::MonitorRectOf(window);
    RECT f{};
    const WindowRect windowRect{r.left, r.top, r.right, r.bottom};
    const bool hasFrame = platform::dwm::VisibleFrame(window, f);
    const WindowRect frameRect{f.left, f.top, f.right, f.bottom};
    const Point p = AlignOnMonitor(place, WindowRect{m.left, m.top, m.right, m.bottom}, windowRect,
                                   UsableFrame(windowRect, hasFrame ? &frameRect : nullptr));
    foreign::Place(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

} // namespace vantrel
