#include "commands/placement.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace vantrel;

namespace {
constexpr int kSW = 1024;
constexpr int kSH = 768;

// "p500": 500 pixels, "%50": half the screen, "-": unchecked; the rest is the typed text.
ResizeAxis Axis(const std::string& code) {
    return {code[0] != '-', code.substr(1), code[0] != '%'};
}

std::string Str(const Point& p) {
    return std::to_string(p.x) + "," + std::to_string(p.y);
}
std::string Str(const Placement& p) {
    return Str(Point{p.x, p.y}) + " " + std::to_string(p.w) + "x" + std::to_string(p.h);
}
std::string Str(const WindowRect& r) {
    return Str(Point{r.left, r.top}) + " " + Str(Point{r.right, r.bottom});
}
} // namespace

TEST(ParseInt, AcceptsOnlyWholeDecimalIntegers) {
    std::string read;
    for (const char* text : {"0042", "-15", "+8", "2147483647", "-2147483648"}) {
        int v = 7;
        read += ParseInt(text, v) ? std::to_string(v) + " " : "refused ";
    }
    EXPECT_EQ(read, "42 -15 8 2147483647 -2147483648 ");
    int v = 7;
    for (const char* bad : {"", "-", "+", "12a", " 12", "12 ", "1.5", "0x10", "--1", "2147483648",
                            "-2147483649", "99999999999999999999"}) {
        EXPECT_FALSE(ParseInt(bad, v)) << bad;
    }
    EXPECT_EQ(v, 7);
}

TEST(Alignment, NinePlacesByCommandOnTheScreen) {
    // Window 301 x 201: odd remainders check the truncating halving.
    const char* const expected[9] = {"0,0",     "361,0", "723,0",   "0,283",  "361,283",
                                     "723,283", "0,567", "361,567", "723,567"};
    for (int i = 0; i < 9; ++i) {
        const AlignmentPlace* place = AlignmentPlaceForCommand(51 + i);
        ASSERT_NE(place, nullptr) << 51 + i;
        EXPECT_EQ(place->commandId, 51 + i) << place->action;
        EXPECT_EQ(Str(AlignedPosition(*place, kSW, kSH, 301, 201)), expected[i]) << place->action;
    }
    EXPECT_EQ(AlignmentPlaceForCommand(50), nullptr);
    EXPECT_EQ(AlignmentPlaceForCommand(60), nullptr);
    // Larger than the screen: (1024 - 1125) / 2 = -50 toward zero, (768 - 869) / 2 likewise.
    EXPECT_EQ(Str(AlignedPosition(*AlignmentPlaceForCommand(55), kSW, kSH, 1125, 869)), "-50,-50");
    EXPECT_EQ(Str(AlignedPosition(*AlignmentPlaceForCommand(59), kSW, kSH, 1125, 869)),
              "-101,-101");
}

TEST(Resize, InputCompleteness) {
    EXPECT_TRUE(ResizeInputComplete(Axis("%100"), Axis("%100")));
    EXPECT_FALSE(ResizeInputComplete(Axis("p"), Axis("%100")));
    EXPECT_FALSE(ResizeInputComplete(Axis("%100"), Axis("%")));
    EXPECT_TRUE(ResizeInputComplete(Axis("-"), Axis("%100")));
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

TEST(Alignment, OnTheWindowsOwnMonitorInsideItsFrame) {
    // The frame a window reports: none; Windows 10's, with a 7-pixel border left, right and below
    // outside it; one past the window, as a program that is not DPI aware reads it at 150 %
    // (physical pixels); an empty one. Only a frame inside the window rectangle is used.
    enum Frame { kNone, kBorder, kScaled, kEmpty };
    // What, monitor, window, frame, command, where the window goes.
    const std::tuple<const char*, WindowRect, WindowRect, Frame, int, const char*> cases[] = {
        {"primary top left", kPrimary, {50, 60, 351, 261}, kNone, 51, "0,0"},
        {"primary bottom right", kPrimary, {50, 60, 351, 261}, kNone, 59, "723,567"},
        {"right top left", kRight, {1500, 60, 1801, 261}, kNone, 51, "1024,0"},
        {"right centre", kRight, {1500, 60, 1801, 261}, kNone, 55, "1833,439"},
        {"left top left", kLeft, {-900, 10, -599, 211}, kNone, 51, "-1280,0"},
        {"left bottom right", kLeft, {-900, 10, -599, 211}, kNone, 59, "-301,823"},
        {"left centre", kLeft, {-900, 10, -599, 211}, kNone, 55, "-791,411"},
        {"tall top centre", kTall, {3000, 0, 3301, 201}, kNone, 52, "3333,-400"},
        {"tall bottom left", kTall, {3000, 0, 3301, 201}, kNone, 57, "2944,1319"},
        {"frame top left", kRight, {1500, 60, 1801, 261}, kBorder, 51, "1017,0"},
        {"frame bottom right", kRight, {1500, 60, 1801, 261}, kBorder, 59, "2650,886"},
        {"scaled frame", kPrimary, {100, 100, 401, 301}, kScaled, 59, "723,567"},
        {"empty frame", kPrimary, {100, 100, 401, 301}, kEmpty, 59, "723,567"},
        {"larger than the left monitor", kLeft, {-900, 0, 401, 1125}, kNone, 55, "-1290,-50"},
    };
    for (const auto& [what, monitor, w, frame, command, expected] : cases) {
        const WindowRect reported[] = {
            w,
            {w.left + 7, w.top, w.right - 7, w.bottom - 7},
            {w.left * 3 / 2, w.top * 3 / 2, w.right * 3 / 2, w.bottom * 3 / 2},
            {w.left + 100, w.top + 100, w.left + 100, w.top + 100}};
        const WindowRect used = UsableFrame(w, frame == kNone ? nullptr : &reported[frame]);
        EXPECT_EQ(Str(used), Str(reported[frame == kBorder ? kBorder : kNone])) << what;
        EXPECT_EQ(Str(AlignOnMonitor(*AlignmentPlaceForCommand(command), monitor, w, used)),
                  expected)
            << what;
    }
}

TEST(Resize, WidthAndHeightRulesOnTheWindowsOwnMonitor) {
    // What, monitor, window, width and height as Axis reads them, the placement.
    using Case =
        std::tuple<const char*, WindowRect, WindowRect, const char*, const char*, Placement>;
    const WindowRect r{100, 50, 500, 350};
    const WindowRect low{100, 600, 500, 700};
    const Case cases[] = {
        {"whole screen", kPrimary, r, "%100", "%100", {0, 0, 1024, 768}},
        {"pulled back left", kPrimary, {900, 10, 1000, 110}, "p500", "-", {524, 10, 500, 100}},
        {"capped at the screen", kPrimary, r, "p2000", "-", {0, 50, 1024, 300}},
        // The width still changes but the window is not pulled right.
        {"left edge off screen", kPrimary, {-200, 0, 100, 100}, "p900", "-", {-200, 0, 900, 100}},
        {"fits where it is", kPrimary, r, "p600", "-", {100, 50, 600, 300}},
        {"pixels not a number", kPrimary, r, "p12px", "-", {100, 50, 400, 300}},
        {"half width", kPrimary, r, "%50", "-", {100, 50, 512, 300}},
        {"a third, truncated", kPrimary, r, "%33", "-", {100, 50, 337, 300}},
        {"percent not a number", kPrimary, r, "%abc", "-", {0, 50, 1024, 300}},
        {"huge percent, no overflow", kPrimary, r, "%2147483647", "-", {0, 50, 1024, 300}},
        {"pulled up", kPrimary, low, "-", "p300", {100, 468, 400, 300}},
        {"unchecked text ignored", kPrimary, low, "-junk", "%25", {100, 576, 400, 192}},
        {"height not a number", kPrimary, low, "-", "px", {100, 600, 400, 100}},
        {"nothing checked", kPrimary, low, "-", "-", {100, 600, 400, 100}},
        {"right whole", kRight, {1500, 60, 1801, 261}, "%100", "%100", {1024, 0, 1920, 1080}},
        {"right half width", kRight, {2800, 60, 2900, 261}, "%50", "-", {1984, 60, 960, 201}},
        {"left past its edge", kLeft, {-300, 10, -100, 110}, "p500", "p2000", {-500, 0, 500, 1024}},
        {"left of the left", kLeft, {-1400, 10, -1300, 110}, "p900", "-", {-1400, 10, 900, 100}},
        {"tall quarter", kTall, {3000, 1400, 3300, 1500}, "-", "%25", {3000, 1040, 300, 480}},
    };
    for (const auto& [what, monitor, window, width, height, expected] : cases) {
        const ResizeAxis w = Axis(width), h = Axis(height);
        EXPECT_EQ(Str(ComputeResizeOnMonitor(window, w, h, monitor)), Str(expected)) << what;
        if (monitor.left == 0 && monitor.top == 0) {
            EXPECT_EQ(Str(ComputeResize(window, w, h, monitor.right, monitor.bottom)),
                      Str(expected))
                << what;
        }
    }
}
