#pragma once
// Screen geometry for the alignment and resize commands, and the transparency level arithmetic.
// A window is placed on the monitor it is mostly on, measured against that monitor's whole
// rectangle (the work area plays no part); on a single monitor that is the primary screen from
// (0, 0).
#include <array>
#include <string>

namespace vantrel {

// Integer value of a whole text: an optional '-' or '+' followed by at least one decimal digit
// and nothing else, within int range. Returns false (and leaves out untouched) otherwise.
bool ParseInt(const std::string& text, int& out);

// Division by two that truncates toward zero (-101 -> -50), as the centring rules require.
int HalveTowardZero(int v);

enum class HorizontalRule { Left, Center, Right };
enum class VerticalRule { Top, Middle, Bottom };

struct AlignmentPlace {
    const char* action;      // action name in the list popup menu, e.g. "aTopLeft"
    const char* menuCaption; // list popup menu caption with its access letter
    int commandId;           // system-menu command id, 51..59
    const char* commandText; // system-menu item text
    HorizontalRule horizontal;
    VerticalRule vertical;
};

// The nine places in menu order: top row left to right, then middle, then bottom.
const std::array<AlignmentPlace, 9>& AlignmentPlaces();

// The place for a system-menu command id, or nullptr when the id is not 51..59.
const AlignmentPlace* AlignmentPlaceForCommand(int id);

struct Point {
    int x;
    int y;
};

// Top-left corner that puts a window of the given outer size at the place. A window larger
// than the screen gets negative coordinates; nothing is clamped.
Point AlignedPosition(const AlignmentPlace& place, int screenW, int screenH, int windowW,
                      int windowH);

// One row of the resize dialog.
struct ResizeAxis {
    bool checked;
    std::string text;
    bool pixels; // false: percent of the screen
};

struct WindowRect {
    int left, top, right, bottom;
};

struct Placement {
    int x, y, w, h;
};

// False when a checked row has an empty text; an unchecked row may be empty.
bool ResizeInputComplete(const ResizeAxis& width, const ResizeAxis& height);

// New position and size for a window whose outer rectangle is current. A checked axis takes
// its size from the row (capped at the screen) and is moved back toward the origin just enough
// to end at the far screen edge; an unchecked axis keeps the current size and position.
Placement ComputeResize(const WindowRect& current, const ResizeAxis& width,
                        const ResizeAxis& height, int screenW, int screenH);

// Top-left corner of the window rectangle that puts its visible frame at the place on the
// monitor. The frame is what the user sees of the window (without Windows 10's invisible resize
// border); pass the window rectangle itself where the system reports no frame.
Point AlignOnMonitor(const AlignmentPlace& place, const WindowRect& monitor,
                     const WindowRect& window, const WindowRect& frame);

// The frame to align by: the reported one when it lies within the window rectangle, else the
// window rectangle. The frame is always reported in physical pixels, the window rectangle in
// those of the caller's DPI awareness: this program is per-monitor aware and the two agree, but
// where the system grants less (system aware only, a window on a monitor of another scaling)
// they disagree, and the window rectangle is the one that matches the monitor's.
WindowRect UsableFrame(const WindowRect& window, const WindowRect* reported);

// ComputeResize on a monitor that need not start at (0, 0): sizes in percent are shares of that
// monitor and a window is pulled back to end at its far edges.
Placement ComputeResizeOnMonitor(const WindowRect& current, const ResizeAxis& width,
                                 const ResizeAxis& height, const WindowRect& monitor);

// Alpha for a transparency percentage: (100 - percent) * 255 / 100, truncating.
int AlphaForPercent(int percent);

// Alpha for a system-menu level command 32..42: (42 - id) * 255 / 10, truncating.
int AlphaForLevelCommand(int id);

// Percentage for a system-menu level command 32..42: (id - 32) * 10.
int PercentForLevelCommand(int id);

} // namespace vantrel
