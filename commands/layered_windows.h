#pragma once
// The windows that this program made layered. Only on those does "Remove transparency" take the
// layered style away again: a window whose own program layered it needs the style for its colour
// key or its alpha, and would be left drawn wrongly or not at all without it.
#include <windows.h>

#include <map>

namespace vantrel {

class LayeredWindows {
public:
    // Called after this program added WS_EX_LAYERED to the window.
    void Remember(HWND window);
    // True while the window is the one remembered: a handle that has since gone, or that now
    // names a window of another thread (the handle was reused), is dropped and answers false.
    bool MadeLayered(HWND window);
    void Forget(HWND window);

private:
    struct Owner {
        DWORD process = 0;
        DWORD thread = 0;
    };
    static bool SameWindow(HWND window, const Owner& owner);
    std::map<HWND, Owner> owners_;
};

} // namespace vantrel
