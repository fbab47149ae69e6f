#include "commands/placement.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {
constexpr int kSW = 1024;
constexpr int kSH = 768;

const ResizeAxis kPercent100{true, "100", false};

ResizeAxis Pixels(const std::string& text) {
    return {true, text, true};
}
ResizeAxis Percent(const std::string& text) {
    return {true, text, false};
}
ResizeAxis Unchecked(const std::string& text = "") {
    return {false, text, true};
}

void ExpectPlacement(const Placement& p, int x, int y, int w, int h) {
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
    EXPECT_EQ(p.w, w);
    EXPECT_EQ(p.h, h);
}
} // namespace

TEST(ParseInt, AcceptsOnlyWholeDecimalIntegers) {
    int v = 7;
    EXPECT_TRUE(ParseInt("0042", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(ParseInt("-15", v));
    EXPECT_EQ(v, -15);
    EXPECT_TRUE(ParseInt("+8", v));
    EXPECT_EQ(v, 8);
    EXPECT_TRUE(ParseInt("2147483647", v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(ParseInt("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    v = 7;
    for (const char* bad : {"", "-", "+", "12a", " 12", "12 ", "1.5", "0x10", "--1", "2147483648",
                            "-2147483649", "99999999999999999999"}) {
        EXPECT_FALSE(ParseInt(bad, v)) << bad;
    }
    EXPECT_EQ(v, 7);
}

TEST(Alignment, CommandLookupAndHalving) {
    const auto& places = AlignmentPlaces();
    for (size_t i = 0; i < places.size(); ++i) {
        EXPECT_EQ(places[i].commandId, 51 + static_cast<int>(i));
        EXPECT_EQ(AlignmentPlaceForCommand(51 + static_cast<int>(i)), &places[i]);
    }
    EXPECT_EQ(AlignmentPlaceForCommand(50), nullptr);
    EXPECT_EQ(AlignmentPlaceForCommand(60), nullptr);
    EXPECT_EQ(HalveTowardZero(-101), -50);
    EXPECT_EQ(HalveTowardZero(101), 50);
}

TEST(Alignment, NinePlacesOnScreen) {
    // Window 301 x 201: odd remainders check the truncating halving.
    const Point expected[9] = {{0, 0},     {361, 0}, {723, 0},   {0, 283},  {361, 283},
                               {723, 283}, {0, 567}, {361, 567}, {723, 567}};
    for (size_t i = 0; i < 9; ++i) {
        const Point p = AlignedPosition(AlignmentPlaces()[i], kSW, kSH, 301, 201);
        EXPECT_EQ(p.x, expected[i].x) << AlignmentPlaces()[i].action;
        EXPECT_EQ(p.y, expected[i].y) << AlignmentPlaces()[i].action;
    }
    // Larger than the screen: (1024 - 1125) / 2 = -50, (768 - 869) / 2 = -50.
    const Point centre = AlignedPosition(*AlignmentPlaceForCommand(55), kSW, kSH, 1125, 869);
    EXPECT_EQ(centre.x, -50);
    EXPECT_EQ(centre.y, -50);
    const Point corner = AlignedPosition(*AlignmentPlaceForCommand(59), kSW, kSH, 1125, 869);
    EXPECT_EQ(corner.x, -101);
    EXPECT_EQ(corner.y, -101);
}

TEST(Resize, InputCompleteness) {
    EXPECT_TRUE(ResizeInputComplete(kPercent100, kPercent100));
    EXPECT_FALSE(ResizeInputComplete(Pixels(""), kPercent100));
    EXPECT_FALSE(ResizeInputComplete(kPercent100, Percent("")));
    EXPECT_TRUE(ResizeInputComplete(Unchecked(), kPercent100));
}

TEST(Resize, WidthRules) {
    const WindowRect rect{100, 50, 500, 350};
    ExpectPlacement(ComputeResize(rect, kPercent100, kPercent100, kSW, kSH), 0, 0, kSW, kSH);
    ExpectPlacement(ComputeResize({900, 10, 1000, 110}, Pixels("500"), Unchecked(), kSW, kSH), 524,
                    10, 500, 100);
    ExpectPlacement(ComputeResize(rect, Pixels("2000"), Unchecked(), kSW, kSH), 0, 50, kSW, 300);
    // Left edge off screen: the width still changes but the window is not pulled right.
    ExpectPlacement(ComputeResize({-200, 0, 100, 100}, Pixels("900"), Unchecked(), kSW, kSH), -200,
                    0, 900, 100);
    // Fits where it is: no move.
    ExpectPlacement(ComputeResize(rect, Pixels("600"), Unchecked(), kSW, kSH), 100, 50, 600, 300);
    ExpectPlacement(ComputeResize(rect, Pixels("12px"), Unchecked(), kSW, kSH), 100, 50, 400, 300);
    ExpectPlacement(ComputeResize(rect, Percent("50"), Unchecked(), kSW, kSH), 100, 50, 512, 300);
    ExpectPlacement(ComputeResize(rect, Percent("33"), Unchecked(), kSW, kSH), 100, 50, 337, 300);
    ExpectPlacement(ComputeResize(rect, Percent("abc"), Unchecked(), kSW, kSH), 0, 50, kSW, 300);
    // Huge percentage must not overflow before the screen cap.
    ExpectPlacement(ComputeResize(rect, Percent("2147483647"), Unchecked(), kSW, kSH), 0, 50, kSW,
                    300);
}

TEST(Resize, HeightRulesAndUncheckedAxis) {
    const WindowRect rect{100, 600, 500, 700};
    ExpectPlacement(ComputeResize(rect, Unchecked(), Pixels("300"), kSW, kSH), 100, 468, 400, 300);
    ExpectPlacement(ComputeResize(rect, Unchecked("junk"), Percent("25"), kSW, kSH), 100, 576, 400,
                    192);
    ExpectPlacement(ComputeResize(rect, Unchecked(), Pixels("x"), kSW, kSH), 100, 600, 400, 100);
    ExpectPlacement(ComputeResize(rect, Unchecked(), Unchecked(), kSW, kSH), 100, 600, 400, 100);
}

TEST(Transparency, LevelToAlpha) {
    const int table[11] = {255, 229, 204, 178, 153, 127, 102, 76, 51, 25, 0};
    for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(AlphaForPercent(i * 10), table[i]) << i * 10;
        EXPECT_EQ(AlphaForLevelCommand(32 + i), table[i]) << 32 + i;
        EXPECT_EQ(PercentForLevelCommand(32 + i), i * 10);
    }
    EXPECT_EQ(AlphaForPercent(35), 165);
}

namespace {
// The primary screen, a wider one to its right, one left of it (negative coordinates) and a
// portrait one reaching above the primary's top edge.
constexpr WindowRect kPrimary{0, 0, 1024, 768};
constexpr WindowRect kRight{1024, 0, 2944, 1080};
constexpr WindowRect kLeft{-1280, 0, 0, 1024};
constexpr WindowRect kTall{2944, -400, 4024, 1520};
} // namespace

TEST(Alignment, OnTheWindowsOwnMonitor) {
    struct Case {
        const char* what;
        WindowRect monitor;
        WindowRect window;
        WindowRect frame;
        int command;
        Point expected;
    };
    // Windows 301 x 201; a framed one has Windows 10's 7-pixel border left, right and below.
    const Case cases[] = {
        {"primary top left", kPrimary, {50, 60, 351, 261}, {50, 60, 351, 261}, 51, {0, 0}},
        {"primary bottom right", kPrimary, {50, 60, 351, 261}, {50, 60, 351, 261}, 59, {723, 567}},
        {"right top left", kRight, {1500, 60, 1801, 261}, {1500, 60, 1801, 261}, 51, {1024, 0}},
        {"right centre", kRight, {1500, 60, 1801, 261}, {1500, 60, 1801, 261}, 55, {1833, 439}},
        {"left top left", kLeft, {-900, 10, -599, 211}, {-900, 10, -599, 211}, 51, {-1280, 0}},
        {"left bottom right", kLeft, {-900, 10, -599, 211}, {-900, 10, -599, 211}, 59, {-301, 823}},
        {"left centre", kLeft, {-900, 10, -599, 211}, {-900, 10, -599, 211}, 55, {-791, 411}},
        {"tall top centre", kTall, {3000, 0, 3301, 201}, {3000, 0, 3301, 201}, 52, {3333, -400}},
        {"tall bottom left", kTall, {3000, 0, 3301, 201}, {3000, 0, 3301, 201}, 57, {2944, 1319}},
        {"frame top left", kRight, {1500, 60, 1801, 261}, {1507, 60, 1794, 254}, 51, {1017, 0}},
        {"frame bottom right",
         kRight,
         {1500, 60, 1801, 261},
         {1507, 60, 1794, 254},
         59,
         {2650, 886}},
        {"larger than the left monitor",
         kLeft,
         {-900, 0, 401, 1125},
         {-900, 0, 401, 1125},
         55,
         {-1290, -50}},
    };
    for (const Case& c : cases) {
        const WindowRect frame = UsableFrame(c.window, &c.frame);
        const Point p =
            AlignOnMonitor(*AlignmentPlaceForCommand(c.command), c.monitor, c.window, frame);
        EXPECT_EQ(p.x, c.expected.x) << c.what;
        EXPECT_EQ(p.y, c.expected.y) << c.what;
    }
}

TEST(Alignment, FrameOutsideTheWindowRectangleIsNotUsed) {
    const WindowRect window{100, 100, 401, 301};
    const WindowRect inside{107, 100, 394, 294};
    // As a program that is not DPI aware reads it at 150 %: physical pixels, past the window.
    const WindowRect scaled{150, 150, 591, 441};
    const WindowRect empty{200, 200, 200, 200};
    EXPECT_EQ(UsableFrame(window, &inside).left, 107);
    EXPECT_EQ(UsableFrame(window, &inside).bottom, 294);
    for (const WindowRect* bad : {&scaled, &empty, static_cast<const WindowRect*>(nullptr)}) {
        const WindowRect f = UsableFrame(window, bad);
        EXPECT_EQ(f.left, 100);
        EXPECT_EQ(f.top, 100);
        EXPECT_EQ(f.right, 401);
        EXPECT_EQ(f.bottom, 301);
    }
}

TEST(Resize, OnTheWindowsOwnMonitor) {
    struct Case {
        const char* what;
        WindowRect monitor;
        WindowRect window;
        ResizeAxis width, height;
        Placement expected;
    };
    const Case cases[] = {
        {"primary defaults",
         kPrimary,
         {100, 50, 500, 350},
         kPercent100,
         kPercent100,
         {0, 0, 1024, 768}},
        {"right defaults",
         kRight,
         {1500, 60, 1801, 261},
         kPercent100,
         kPercent100,
         {1024, 0, 1920, 1080}},
        {"right half width",
         kRight,
         {2800, 60, 2900, 261},
         Percent("50"),
         Unchecked(),
         {1984, 60, 960, 201}},
        {"left pixels past its edge",
         kLeft,
         {-300, 10, -100, 110},
         Pixels("500"),
         Pixels("2000"),
         {-500, 0, 500, 1024}},
        {"left of the left monitor",
         kLeft,
         {-1400, 10, -1300, 110},
         Pixels("900"),
         Unchecked(),
         {-1400, 10, 900, 100}},
        {"tall quarter height",
         kTall,
         {3000, 1400, 3300, 1500},
         Unchecked(),
         Percent("25"),
         {3000, 1040, 300, 480}},
    };
    for (const Case& c : cases) {
        ExpectPlacement(ComputeResizeOnMonitor(c.window, c.width, c.height, c.monitor),
                        c.expected.x, c.expected.y, c.expected.w, c.expected.h);
    }
}
