#include "commands/style_decoder.h"

#include <algorithm>

namespace vantrel {

namespace {

struct StyleName {
    uint32_t mask;
    const char* name;
};

// A flag that names itself when set and, for the three "either/or" pairs, its opposite when
// clear. otherwise is null for flags that show nothing when clear.
struct ExStyleName {
    uint32_t mask;
    const char* name;
    const char* otherwise;
};

constexpr uint32_t kOverlappedWindow = 0x00CF0000;
constexpr uint32_t kCaption = 0x00C00000;
constexpr uint32_t kPopupWindow = 0x80880000;
constexpr uint32_t kPopup = 0x80000000;
constexpr uint32_t kSysMenu = 0x00080000;

constexpr uint32_t kExOverlappedWindow = 0x00000300;
constexpr uint32_t kExPaletteWindow = 0x00000188;

// Used only when both caption bits are not present together.
constexpr StyleName kCaptionParts[] = {
    {0x00800000, "WS_BORDER"},
    {0x00400000, "WS_DLGFRAME"},
};

// 0x00020000 and 0x00010000 double as WS_GROUP / WS_TABSTOP on controls; top-level windows are
// what this dialog looks at, so they are always read as the box styles.
constexpr StyleName kFrameStyles[] = {
    {0x00040000, "WS_THICKFRAME"},
    {0x00020000, "WS_MINIMIZEBOX"},
    {0x00010000, "WS_MAXIMIZEBOX"},
};

constexpr StyleName kStateStyles[] = {
    {0x40000000, "WS_CHILD"},    {0x20000000, "WS_MINIMIZE"},     {0x10000000, "WS_VISIBLE"},
    {0x08000000, "WS_DISABLED"}, {0x04000000, "WS_CLIPSIBLINGS"}, {0x02000000, "WS_CLIPCHILDREN"},
    {0x01000000, "WS_MAXIMIZE"}, {0x00200000, "WS_VSCROLL"},      {0x00100000, "WS_HSCROLL"},
};

constexpr ExStyleName kExLeading[] = {
    {0x00000001, "WS_EX_DLGMODALFRAME", nullptr}, {0x00000004, "WS_EX_NOPARENTNOTIFY", nullptr},
    {0x00000010, "WS_EX_ACCEPTFILES", nullptr},   {0x00000020, "WS_EX_TRANSPARENT", nullptr},
    {0x00000040, "WS_EX_MDICHILD", nullptr},
};

// Parts of WS_EX_OVERLAPPEDWINDOW, shown only when the combination is incomplete.
constexpr StyleName kExEdges[] = {
    {0x00000100, "WS_EX_WINDOWEDGE"},
    {0x00000200, "WS_EX_CLIENTEDGE"},
};

// The other parts of WS_EX_PALETTEWINDOW (its window-edge bit is handled with the edges).
constexpr StyleName kExPaletteParts[] = {
    {0x00000080, "WS_EX_TOOLWINDOW"},
    {0x00000008, "WS_EX_TOPMOST"},
};

constexpr ExStyleName kExTrailing[] = {
    {0x00000400, "WS_EX_CONTEXTHELP", nullptr},
    {0x00001000, "WS_EX_RIGHT", "WS_EX_LEFT"},
    {0x00002000, "WS_EX_RTLREADING", "WS_EX_LTRREADING"},
    {0x00004000, "WS_EX_LEFTSCROLLBAR", "WS_EX_RIGHTSCROLLBAR"},
    {0x00010000, "WS_EX_CONTROLPARENT", nullptr},
    {0x00020000, "WS_EX_STATICEDGE", nullptr},
    {0x00040000, "WS_EX_APPWINDOW", nullptr},
    {0x00080000, "WS_EX_LAYERED", nullptr},
    {0x00100000, "WS_EX_NOINHERITLAYOUT", nullptr},
    {0x00400000, "WS_EX_LAYOUTRTL", nullptr},
    {0x02000000, "WS_EX_COMPOSITED", nullptr},
    {0x08000000, "WS_EX_NOACTIVATE", nullptr},
};

bool HasAll(uint32_t value, uint32_t mask) {
    return (value & mask) == mask;
}

template <size_t N>
void AppendSet(std::vector<std::string>& out, uint32_t value, const StyleName (&table)[N]) {
    for (const StyleName& entry : table) {
        if (value & entry.mask) {
            out.emplace_back(entry.name);
        }
    }
}

template <size_t N>
void AppendSet(std::vector<std::string>& out, uint32_t value, const ExStyleName (&table)[N]) {
    for (const ExStyleName& entry : table) {
        if (value & entry.mask) {
            out.emplace_back(entry.name);
        } else if (entry.otherwise != nullptr) {
            out.emplace_back(entry.otherwise);
        }
    }
}

bool IsListed(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

void RemoveAll(std::vector<std::string>& list, const std::string& name) {
    list.erase(std::remove(list.begin(), list.end(), name), list.end());
}

// The caption, border, popup, system-menu and frame part of a style that is not a full
// WS_OVERLAPPEDWINDOW.
void AppendFrameNames(std::vector<std::string>& out, uint32_t style) {
    if (HasAll(style, kCaption)) {
        out.emplace_back("WS_CAPTION");
    } else {
        AppendSet(out, style, kCaptionParts);
    }

    const bool popupWindow = HasAll(style, kPopupWindow);
    if (popupWindow) {
        // WS_POPUPWINDOW already carries the border; a caption on top of it is only the
        // dialog frame bit that WS_POPUPWINDOW lacks.
        out.emplace_back("WS_POPUPWINDOW");
        if (IsListed(out, "WS_CAPTION")) {
            RemoveAll(out, "WS_CAPTION");
            out.emplace_back("WS_DLGFRAME");
        }
        RemoveAll(out, "WS_BORDER");
    } else if (style & kPopup) {
        out.emplace_back("WS_POPUP");
    }

    if ((style & kSysMenu) && !popupWindow) {
        out.emplace_back("WS_SYSMENU");
    }

    AppendSet(out, style, kFrameStyles);
}

} // namespace

std::vector<std::string> DecodeWindowStyle(uint32_t style) {
    std::vector<std::string> out;
    if (HasAll(style, kOverlappedWindow)) {
        out.emplace_back("WS_OVERLAPPEDWINDOW");
        if (style & kPopup) {
            out.emplace_back("WS_POPUP");
        }
    } else {
        AppendFrameNames(out, style);
    }
    AppendSet(out, style, kStateStyles);
    out.emplace_back("WS_OVERLAPPED");
    return out;
}

std::vector<std::string> DecodeExtendedStyle(uint32_t exStyle) {
    std::vector<std::string> out;
    AppendSet(out, exStyle, kExLeading);

    if (HasAll(exStyle, kExOverlappedWindow)) {
        out.emplace_back("WS_EX_OVERLAPPEDWINDOW");
    } else {
        AppendSet(out, exStyle, kExEdges);
    }

    if (HasAll(exStyle, kExPaletteWindow)) {
        out.emplace_back("WS_EX_PALETTEWINDOW");
        RemoveAll(out, "WS_EX_WINDOWEDGE");
    } else {
        AppendSet(out, exStyle, kExPaletteParts);
    }

    AppendSet(out, exStyle, kExTrailing);
    return out;
}

std::string Hex8(uint32_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kDigits[value & 0xF];
        value >>= 4;
    }
    return text;
}

} // namespace vantrel
