#include "commands/style_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

using Names = std::vector<std::string>;

namespace {
const Names kNeutralEx = {"WS_EX_LEFT", "WS_EX_LTRREADING", "WS_EX_RIGHTSCROLLBAR"};
Names Neutral(Names names) {
    names.insert(names.end(), kNeutralEx.begin(), kNeutralEx.end());
    return names;
}
} // namespace

TEST(DecodeWindowStyle, CombinedNamesPartsAndStateBits) {
    const std::pair<uint32_t, Names> cases[] = {
        {0x14CF0000, {"WS_OVERLAPPEDWINDOW", "WS_VISIBLE", "WS_CLIPSIBLINGS", "WS_OVERLAPPED"}},
        {0x80CF0000, {"WS_OVERLAPPEDWINDOW", "WS_POPUP", "WS_OVERLAPPED"}},
        {0x90880000, {"WS_POPUPWINDOW", "WS_VISIBLE", "WS_OVERLAPPED"}},
        {0x90C80000, {"WS_POPUPWINDOW", "WS_DLGFRAME", "WS_VISIBLE", "WS_OVERLAPPED"}},
        {0x00C80000, {"WS_CAPTION", "WS_SYSMENU", "WS_OVERLAPPED"}},
        {0x00400000, {"WS_DLGFRAME", "WS_OVERLAPPED"}},
        {0x00800000, {"WS_BORDER", "WS_OVERLAPPED"}},
        // Popup with border but no system menu: not a popup window, border stays.
        {0x80800000, {"WS_BORDER", "WS_POPUP", "WS_OVERLAPPED"}},
        {0x80080000, {"WS_POPUP", "WS_SYSMENU", "WS_OVERLAPPED"}},
        // Overlapped window missing only its thick frame falls back to the separate names.
        {0x00CB0000,
         {"WS_CAPTION", "WS_SYSMENU", "WS_MINIMIZEBOX", "WS_MAXIMIZEBOX", "WS_OVERLAPPED"}},
        {0x7F340000,
         {"WS_THICKFRAME", "WS_CHILD", "WS_MINIMIZE", "WS_VISIBLE", "WS_DISABLED",
          "WS_CLIPSIBLINGS", "WS_CLIPCHILDREN", "WS_MAXIMIZE", "WS_VSCROLL", "WS_HSCROLL",
          "WS_OVERLAPPED"}},
        // A window that no longer exists reads as 0.
        {0, {"WS_OVERLAPPED"}},
        // Bits below the frame styles are control-specific and not named.
        {0x0000FFFF, {"WS_OVERLAPPED"}},
    };
    for (const auto& [style, expected] : cases) {
        EXPECT_EQ(vantrel::DecodeWindowStyle(style), expected) << std::hex << style;
    }
}

TEST(DecodeExtendedStyle, CombinedNamesEitherOrRowsAndOrder) {
    const std::pair<uint32_t, Names> cases[] = {
        {0x388, Neutral({"WS_EX_OVERLAPPEDWINDOW", "WS_EX_PALETTEWINDOW"})},
        {0x188, Neutral({"WS_EX_PALETTEWINDOW"})},
        {0x180, Neutral({"WS_EX_WINDOWEDGE", "WS_EX_TOOLWINDOW"})},
        {0x208, Neutral({"WS_EX_CLIENTEDGE", "WS_EX_TOPMOST"})},
        {0, kNeutralEx},
        // Untested bits (0x2, 0x800, 0x8000, ...) add nothing.
        {0xF0808802, kNeutralEx},
        {0x1000, {"WS_EX_RIGHT", "WS_EX_LTRREADING", "WS_EX_RIGHTSCROLLBAR"}},
        {0x2000, {"WS_EX_LEFT", "WS_EX_RTLREADING", "WS_EX_RIGHTSCROLLBAR"}},
        {0x4000, {"WS_EX_LEFT", "WS_EX_LTRREADING", "WS_EX_LEFTSCROLLBAR"}},
        {0x0A5F7575,
         {"WS_EX_DLGMODALFRAME", "WS_EX_NOPARENTNOTIFY", "WS_EX_ACCEPTFILES", "WS_EX_TRANSPARENT",
          "WS_EX_MDICHILD", "WS_EX_WINDOWEDGE", "WS_EX_CONTEXTHELP", "WS_EX_RIGHT",
          "WS_EX_RTLREADING", "WS_EX_LEFTSCROLLBAR", "WS_EX_CONTROLPARENT", "WS_EX_STATICEDGE",
          "WS_EX_APPWINDOW", "WS_EX_LAYERED", "WS_EX_NOINHERITLAYOUT", "WS_EX_LAYOUTRTL",
          "WS_EX_COMPOSITED", "WS_EX_NOACTIVATE"}},
    };
    for (const auto& [style, expected] : cases) {
        EXPECT_EQ(vantrel::DecodeExtendedStyle(style), expected) << std::hex << style;
    }
}

TEST(Hex8, UpperCaseZeroPadded) {
    EXPECT_EQ(vantrel::Hex8(0x1A2B), "00001A2B");
    EXPECT_EQ(vantrel::Hex8(0), "00000000");
    EXPECT_EQ(vantrel::Hex8(0xFFFFFFFF), "FFFFFFFF");
    EXPECT_EQ(vantrel::Hex8(0xabcdef), "00ABCDEF");
}
