#include "commands/mass_commands.h"

#include "platform/desktop_window_manager.h"
#include "platform/foreign_window.h"
#include "platform/window_api.h"

namespace vantrel {

namespace {
// A window cloaked since it was listed (the user moved it to another virtual desktop) is out
// of the user's sight: "all windows" means the ones the user can see.
template <typename F> void LastToFirst(const WindowList& rows, F&& f) {
    for (int i = rows.Count() - 1; i >= 0; --i) {
        const HWND window = rows.At(i).handle;
        if (!platform::dwm::IsCloaked(window)) {
            f(window);
        }
    }
}
} // namespace

void MaximizeAll(const WindowList& rows) {
    LastToFirst(rows, [](HWND w) {
        if ((platform::StyleOf(w) & WS_MAXIMIZEBOX) && !::IsZoomed(w)) {
            platform::foreign::Show(w, SW_SHOWMAXIMIZED);
        }
    });
}

void MaximizeIEWindows(const WindowList& rows) {
    LastToFirst(rows, [](HWND w) {
        if (platform::ClassNameOf(w) == "IEFrame" && !::IsZoomed(w)) {
            platform::foreign::Show(w, SW_SHOWMAXIMIZED);
        }
    });
}

void MinimizeAll(const WindowList& rows) {
    LastToFirst(rows, [](HWND w) {
        if ((platform::StyleOf(w) & WS_MINIMIZEBOX) && !::IsIconic(w)) {
            platform::foreign::Show(w, SW_MINIMIZE);
        }
    });
}

void CloseAll(const WindowList& rows) {
    LastToFirst(rows, [](HWND w) { platform::foreign::Close(w); });
}

} // namespace vantrel
