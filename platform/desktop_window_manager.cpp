#include "platform/desktop_window_manager.h"

#include "platform/handles.h"
#include "platform/system_library.h"

#include <utility>

namespace vantrel::platform::dwm {

namespace {

// Values of DWMWINDOWATTRIBUTE; older headers lack the second.
constexpr DWORD kExtendedFrameBounds = 9;
constexpr DWORD kCloaked = 14;

using GetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);

// The library stays loaded for the life of the process once it was found: these queries run for
// every window at every rebuild.
class Library {
public:
    Library() : module_(LoadSystemLibrary("dwmapi.dll")) {
        if (module_) {
            getAttribute_ = reinterpret_cast<GetAttributeFn>(reinterpret_cast<void (*)()>(
                ::GetProcAddress(module_.get(), "DwmGetWindowAttribute")));
        }
    }
    bool Get(HWND window, DWORD attribute, void* value, DWORD size) const {
        return getAttribute_ != nullptr && window != nullptr &&
               SUCCEEDED(getAttribute_(window, attribute, value, size));
    }

private:
    UniqueModule module_;
    GetAttributeFn getAttribute_ = nullptr;
};

const Library& Dwm() {
    static const Library library;
    return library;
}

std::function<bool(HWND)>& InjectedCloaked() {
    static std::function<bool(HWND)> answer;
    return answer;
}

} // namespace

void SetCloakedAnswerForTests(std::function<bool(HWND)> answer) {
    InjectedCloaked() = std::move(answer);
}

bool IsCloaked(HWND window) {
    if (InjectedCloaked()) {
        return InjectedCloaked()(window);
    }
    DWORD cloaked = 0;
    return Dwm().Get(window, kCloaked, &cloaked, sizeof(cloaked)) && cloaked != 0;
}

bool VisibleFrame(HWND window, RECT& frame) {
    RECT r{};
    if (!Dwm().Get(window, kExtendedFrameBounds, &r, sizeof(r))) {
        return false;
    }
    frame = r;
    return true;
}

} // namespace vantrel::platform::dwm
