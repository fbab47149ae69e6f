#include "commands/layered_windows.h"

#include "platform/window_api.h"

namespace vantrel {

bool LayeredWindows::SameWindow(HWND window, const Owner& owner) {
    DWORD process = 0;
    const DWORD thread = platform::ThreadIdOf(window, &process);
    return thread != 0 && thread == owner.thread && process == owner.process;
}

void LayeredWindows::Remember(HWND window) {
    // Entries of windows that have gone are dropped here, so the record stays as small as the
    // set of windows that are transparent now.
    for (auto it = owners_.begin(); it != owners_.end();) {
        it = SameWindow(it->first, it->second) ? std::next(it) : owners_.erase(it);
    }
    Owner owner;
    owner.thread = platform::ThreadIdOf(window, &owner.process);
    if (owner.thread != 0) {
        owners_[window] = owner;
    }
}

bool LayeredWindows::MadeLayered(HWND window) {
    const auto it = owners_.find(window);
    if (it == owners_.end()) {
        return false;
    }
    if (!SameWindow(window, it->second)) {
        owners_.erase(it);
        return false;
    }
    return true;
}

void LayeredWindows::Forget(HWND window) {
    owners_.erase(window);
}

} // namespace vantrel
