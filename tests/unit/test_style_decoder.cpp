#include "commands/style_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

using vantrel::DecodeExtendedStyle;
using vantrel::DecodeWindowStyle;
using Names = std::vector<std::string>;

namespace {
const Names kNeutralEx = {"WS_EX_LEFT", "WS_EX_LTRREADING", "WS_EX_RIGHTSCROLLBAR"};
}

TEST(DecodeWindowStyle, CombinedNamesReplaceTheirParts) {
    EXPECT_EQ(DecodeWindowStyle(0x14CF0000),
              (Names{"WS_OVERLAPPEDWINDOW", "WS_VISIBLE", "WS_CLIPSIBLINGS", "WS_OVERLAPPED"}));
    EXPECT_EQ(DecodeWindowStyle(0x80CF0000),
              (Names{"WS_OVERLAPPEDWINDOW", "WS_POPUP", "WS_OVERLAPPED"}));
    EXPECT_EQ(DecodeWindowStyle(0x90880000),
              (Names{"WS_POPUPWINDOW", "WS_VISIBLE", "WS_OVERLAPPED"}));
    EXPECT_EQ(DecodeWindowStyle(0x90C80000),
              (Names{"WS_POPUPWINDOW", "WS_DLGFRAME", "WS_VISIBLE", "WS_OVERLAPPED"}));
    EXPECT_EQ(DecodeWindowStyle(0x00C80000), (Names{"WS_CAPTION", "WS_SYSMENU", "WS_OVERLAPPED"}));
}

TEST(DecodeWindowStyle, PartialCombinationsListTheirBits) {
    EXPECT_EQ(DecodeWindowStyle(0x00400000), (Names{"WS_DLGFRAME", "WS_OVERLAPPED"}));
    EXPECT_EQ(DecodeWindowStyle(0x00800000), (Names{"WS_BORDER", "WS_OVERLAPPED"}));
    // Popup with border but no system menu: not a popup window, border stays.
    EXPECT_EQ(DecodeWindowStyle(0x80800000), (Names{"WS_BORDER", "WS_POPUP", "WS_OVERLAPPED"}));
    EXPECT_EQ(DecodeWindowStyle(0x80080000), (Names{"WS_POPUP", "WS_SYSMENU", "WS_OVERLAPPED"}));
    // Overlapped window missing only its thick frame falls back to the separate names.
    EXPECT_EQ(DecodeWindowStyle(0x00CB0000), (Names{"WS_CAPTION", "WS_SYSMENU", "WS_MINIMIZEBOX",
                                                    "WS_MAXIMIZEBOX", "WS_OVERLAPPED"}));
}

TEST(DecodeWindowStyle, StateBitsInFixedOrder) {
    EXPECT_EQ(DecodeWindowStyle(0x7F340000),
              (Names{"WS_THICKFRAME", "WS_CHILD", "WS_MINIMIZE", "WS_VISIBLE", "WS_DISABLED",
                     "WS_CLIPSIBLINGS", "WS_CLIPCHILDREN", "WS_MAXIMIZE", "WS_VSCROLL",
                     "WS_HSCROLL", "WS_OVERLAPPED"}));
    // A window that no longer exists reads as 0.
    EXPECT_EQ(DecodeWindowStyle(0), (Names{"WS_OVERLAPPED"}));
    // Bits below the frame styles are control-specific and not named.
    EXPECT_EQ(DecodeWindowStyle(0x0000FFFF), (Names{"WS_OVERLAPPED"}));
}

TEST(DecodeExtendedStyle, CombinedNames) {
    const std::pair<uint32_t, Names> cases[] = {
        {0x388, {"WS_EX_OVERLAPPEDWINDOW", "WS_EX_PALETTEWINDOW"}},
        {0x188, {"WS_EX_PALETTEWINDOW"}},
        {0x180, {"WS_EX_WINDOWEDGE", "WS_EX_TOOLWINDOW"}},
        {0x208, {"WS_EX_CLIENTEDGE", "WS_EX_TOPMOST"}},
    };
    for (auto [style, expected] : cases) {
        expected.insert(expected.end(), kNeutralEx.begin(), kNeutralEx.end());
        EXPECT_EQ(DecodeExtendedStyle(style), expected) << std::hex << style;
    }
}

TEST(DecodeExtendedStyle, EitherOrRowsAndOrder) {
    EXPECT_EQ(DecodeExtendedStyle(0), kNeutralEx);
    EXPECT_EQ(DecodeExtendedStyle(0x1000),
              (Names{"WS_EX_RIGHT", "WS_EX_LTRREADING", "WS_EX_RIGHTSCROLLBAR"}));
    EXPECT_EQ(DecodeExtendedStyle(0x2000),
              (Names{"WS_EX_LEFT", "WS_EX_RTLREADING", "WS_EX_RIGHTSCROLLBAR"}));
    EXPECT_EQ(DecodeExtendedStyle(0x4000),
              (Names{"WS_EX_LEFT", "WS_EX_LTRREADING", "WS_EX_LEFTSCROLLBAR"}));
    EXPECT_EQ(
        DecodeExtendedStyle(0x0A5F7575),
        (Names{"WS_EX_DLGMODALFRAME", "WS_EX_NOPARENTNOTIFY", "WS_EX_ACCEPTFILES",
               "WS_EX_TRANSPARENT", "WS_EX_MDICHILD", "WS_EX_WINDOWEDGE", "WS_EX_CONTEXTHELP",
               "WS_EX_RIGHT", "WS_EX_RTLREADING", "WS_EX_LEFTSCROLLBAR", "WS_EX_CONTROLPARENT",
               "WS_EX_STATICEDGE", "WS_EX_APPWINDOW", "WS_EX_LAYERED", "WS_EX_NOINHERITLAYOUT",
               "WS_EX_LAYOUTRTL", "WS_EX_COMPOSITED", "WS_EX_NOACTIVATE"}));
    // Untested bits (0x2, 0x800, 0x8000, ...) add nothing.
    EXPECT_EQ(DecodeExtendedStyle(0xF0808802), kNeutralEx);
}

TEST(Hex8, UpperCaseZeroPadded) {
    EXPECT_EQ(vantrel::Hex8(0x1A2B), "00001A2B");
    EXPECT_EQ(vantrel::Hex8(0), "00000000");
    EXPECT_EQ(vantrel::Hex8(0xFFFFFFFF), "FFFFFFFF");
    EXPECT_EQ(vantrel::Hex8(0xabcdef), "00ABCDEF");
}
