#include "commands/placement.h"

#include <climits>
#include <cstdint>

namespace vantrel {

namespace {

constexpr std::array<AlignmentPlace, 9> kPlaces = {{
    {"aTopLeft", "&Top Left", 51, "Top Left", HorizontalRule::Left, VerticalRule::Top},
    {"aTopCenter", "T&op Center", 52, "Top Center", HorizontalRule::Center, VerticalRule::Top},
    {"aTopRight", "To&p Right", 53, "Top Right", HorizontalRule::Right, VerticalRule::Top},
    {"aMiddleLeft", "&Middle Left", 54, "Middle Left", HorizontalRule::Left, VerticalRule::Middle},
    {"aMiddleCenter", "M&iddle Center", 55, "Middle Center", HorizontalRule::Center,
     VerticalRule::Middle},
    {"aMiddleRight", "Mi&ddle Right", 56, "Middle Right", HorizontalRule::Right,
     VerticalRule::Middle},
    {"aBottomLeft", "&Bottom Left", 57, "Bottom Left", HorizontalRule::Left, VerticalRule::Bottom},
    {"aBottomCenter", "Bottom &Center", 58, "Bottom Center", HorizontalRule::Center,
     VerticalRule::Bottom},
    {"aBottomRight", "Bottom &Right", 59, "Bottom Right", HorizontalRule::Right,
     VerticalRule::Bottom},
}};

constexpr int kFirstAlignmentCommand = 51;

// Offset along one axis: the start, the centre or the far end of the screen.
int AxisPosition(bool centre, bool farEnd, int screen, int window) {
    if (centre) {
        return HalveTowardZero(screen - window);
    }
    return farEnd ? screen - window : 0;
}

int ClampToInt(int64_t v) {
    if (v > INT_MAX) {
        return INT_MAX;
    }
    if (v < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(v);
}

// Size and start of one axis. 64-bit arithmetic keeps a huge percentage or an extreme window
// position from overflowing before the screen cap applies.
void ResizeAxisInto(const ResizeAxis& axis, int screen, int& pos, int& size) {
    if (!axis.checked) {
        return;
    }
    int value = 0;
    const bool numeric = ParseInt(axis.text, value);
    int64_t wanted;
    if (axis.pixels) {
        wanted = numeric ? value : size;
    } else {
        wanted = static_cast<int64_t>(numeric ? value : 100) * screen / 100;
    }
    if (wanted > screen) {
        wanted = screen;
    }
    if (wanted > static_cast<int64_t>(screen) - pos) {
        pos = ClampToInt(screen - wanted);
    }
    size = ClampToInt(wanted);
}

} // namespace

bool ParseInt(const std::string& text, int& out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    // Accumulate as a negative number so INT_MIN, whose magnitude exceeds INT_MAX, still fits.
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 - (c - '0');
        if (value < static_cast<int64_t>(INT_MIN)) {
            return false;
        }
    }
    if (!negative) {
        value = -value;
        if (value > INT_MAX) {
            return false;
        }
    }
    out = static_cast<int>(value);
    return true;
}

int HalveTowardZero(int v) {
    return v / 2;
}

const std::array<AlignmentPlace, 9>& AlignmentPlaces() {
    return kPlaces;
}

const AlignmentPlace* AlignmentPlaceForCommand(int id) {
    const int index = id - kFirstAlignmentCommand;
    if (index < 0 || index >= static_cast<int>(kPlaces.size())) {
        return nullptr;
    }
    return &kPlaces[static_cast<size_t>(index)];
}

Point AlignedPosition(const AlignmentPlace& place, int screenW, int screenH, int windowW,
                      int windowH) {
    return {AxisPosition(place.horizontal == HorizontalRule::Center,
                         place.horizontal == HorizontalRule::Right, screenW, windowW),
            AxisPosition(place.vertical == VerticalRule::Middle,
                         place.vertical == VerticalRule::Bottom, screenH, windowH)};
}

bool ResizeInputComplete(const ResizeAxis& width, const ResizeAxis& height) {
    return !(width.checked && width.text.empty()) && !(height.checked && height.text.empty());
}

Placement ComputeResize(const WindowRect& current, const ResizeAxis& width,
                        const ResizeAxis& height, int screenW, int screenH) {
    Placement result{current.left, current.top, current.right - current.left,
                     current.bottom - current.top};
    ResizeAxisInto(width, screenW, result.x, result.w);
    ResizeAxisInto(height, screenH, result.y, result.h);
    return result;
}

Point AlignOnMonitor(const AlignmentPlace& place, const WindowRect& monitor,
                     const WindowRect& window, const WindowRect& frame) {
    const Point p =
        AlignedPosition(place, monitor.right - monitor.left, monitor.bottom - monitor.top,
                        frame.right - frame.left, frame.bottom - frame.top);
    return {monitor.left + p.x - (frame.left - window.left),
            monitor.top + p.y - (frame.top - window.top)};
}

WindowRect UsableFrame(const WindowRect& window, const WindowRect* reported) {
    if (reported == nullptr || reported->left < window.left || reported->top < window.top ||
        reported->right > window.right || reported->bottom > window.bottom ||
        reported->left >= reported->right || reported->top >= reported->bottom) {
        return window;
    }
    return *reported;
}

Placement ComputeResizeOnMonitor(const WindowRect& current, const ResizeAxis& width,
                                 const ResizeAxis& height, const WindowRect& monitor) {
    const WindowRect relative{current.left - monitor.left, current.top - monitor.top,
                              current.right - monitor.left, current.bottom - monitor.top};
    Placement p = ComputeResize(relative, width, height, monitor.right - monitor.left,
                                monitor.bottom - monitor.top);
    p.x += monitor.left;
    p.y += monitor.top;
    return p;
}

int AlphaForPercent(int percent) {
    return (100 - percent) * 255 / 100;
}

int AlphaForLevelCommand(int id) {
    return (42 - id) * 255 / 10;
}

int PercentForLevelCommand(int id) {
    return (id - 32) * 10;
}

} // namespace vantrel
