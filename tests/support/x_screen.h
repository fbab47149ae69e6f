#pragma once
// What a person sees and does, from inside a test under Wine: the pixels of the X screen (Wine's
// own screen DC does not show what other processes drew) and real input, both through the X
// tools that run beside Wine. Windows screen coordinates are the X screen's here, since the Wine
// desktop lies at the X screen's top-left corner.
#include <windows.h>

#include <string>
#include <vector>

namespace vt {

// False where there is no X display or no X tools (the tests that need them skip).
bool XToolsAvailable();

// Moves the X pointer and waits until Windows sees it there.
bool XMovePointer(int x, int y);
// Presses and releases a mouse button (1 left, 3 right) where the pointer is.
bool XClick(int button);

// A rectangle of the X screen as it is now.
class XShot {
public:
    // Captures `area` (screen coordinates); Ok() tells whether it worked.
    explicit XShot(const RECT& area);
    bool Ok() const { return !pixels_.empty(); }
    // The pixel at screen coordinates inside the area.
    COLORREF At(int x, int y) const;
    // How many pixels of `part` (screen coordinates) are darker than `limit` in every channel.
    int Dark(const RECT& part, int limit = 96) const;

private:
    RECT area_;
    std::vector<unsigned char> pixels_; // RGB, row by row
};

} // namespace vt
