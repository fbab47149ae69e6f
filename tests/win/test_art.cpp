// The pictures at each display scale: which drawing a DPI takes, the sizes they load at, and
// resampling that keeps keyed pictures free of pink edges.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/icon_size.h"
#include "res/art_ids.h"
#include "ui/about_dialog.h"
#include "ui/art.h"

namespace {

using vantrel::ArtScalePercent;
using vantrel::LoadArtBitmap;
using vantrel::ResamplePixels;

constexpr std::uint32_t kKey = 0xFF00FF;

SIZE SizeOf(HGDIOBJ bitmap) {
    BITMAP info{};
    return ::GetObjectA(bitmap, sizeof(info), &info) != 0 ? SIZE{info.bmWidth, info.bmHeight}
                                                          : SIZE{0, 0};
}

TEST(Art, EachDpiTakesTheSmallestDrawingAtOrAboveItsScale) {
    const struct {
        int dpi, percent;
    } cases[] = {{72, 100},  {96, 100},  {97, 125},  {110, 125}, {120, 125},
                 {121, 150}, {144, 150}, {168, 200}, {192, 200}, {288, 200}};
    for (const auto& c : cases) {
        EXPECT_EQ(ArtScalePercent(c.dpi), c.percent) << c.dpi;
    }
}

TEST(Art, PicturesLoadAtTheSizeOfTheirDrawingForTheDpi) {
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    const struct {
        int id, width, height;
    } pictures[] = {
        {IDB_MAIN_BACKGROUND, 512, 383},
        {IDB_BTN_HELP, 32, 32},
        {IDB_BTN_DELETE_RULE, 32, 32},
        {IDB_MENU_IMAGES, ART_MENU_IMAGE_SIZE * ART_MENU_IMAGE_COUNT, ART_MENU_IMAGE_SIZE},
        {IDB_ABOUT_BANNER, 360, 50}};
    for (const int dpi : {96, 120, 144, 192}) {
        for (const auto& p : pictures) {
            const auto bitmap = LoadArtBitmap(instance, p.id, dpi);
            const SIZE size = SizeOf(bitmap.get());
            EXPECT_EQ(size.cx, ::MulDiv(p.width, dpi, 96)) << p.id << " at " << dpi;
            EXPECT_EQ(size.cy, ::MulDiv(p.height, dpi, 96)) << p.id << " at " << dpi;
        }
        const SIZE banner = SizeOf(vantrel::TfrmAbout::LoadBanner(instance, dpi).get());
        EXPECT_EQ(banner.cx, ::MulDiv(360, dpi, 96)) << dpi;
        EXPECT_EQ(banner.cy, ::MulDiv(50, dpi, 96)) << dpi;
    }
    // The icons the windows and the notification area take, as the system sizes them.
    for (const int dpi : {96, 144, 192}) {
        EXPECT_EQ(vantrel::platform::SmallIconSize(dpi), ::MulDiv(16, dpi, 96)) << dpi;
        EXPECT_EQ(vantrel::platform::LargeIconSize(dpi), ::MulDiv(32, dpi, 96)) << dpi;
    }
}

TEST(Art, ResamplingAveragesByAreaAndNeverBlendsTheKeyIn) {
    const std::uint32_t red = 0xC8352B;
    const struct {
        const char* what;
        std::vector<std::uint32_t> from;
        SIZE fromSize, toSize;
        bool keyed;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        {"halves", {0x000000, 0xFFFFFF}, {2, 1}, {1, 1}, false, {0x808080}},
        {"thirds", {0x000000, 0x5A0000, 0xB40000}, {3, 1}, {2, 1}, false, {0x1E0000, 0x960000}},
        {"enlarged", {0x123456}, {1, 1}, {2, 2}, false, {0x123456, 0x123456, 0x123456, 0x123456}},
        {"mostly key", {kKey, kKey, kKey, red}, {2, 2}, {1, 1}, true, {kKey}},
        {"mostly picture", {kKey, red, red, red}, {2, 2}, {1, 1}, true, {red}},
        {"unkeyed takes the key as a colour", {kKey, kKey}, {2, 1}, {1, 1}, false, {kKey}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResamplePixels(c.from, c.fromSize, c.toSize, c.keyed), c.expected) << c.what;
    }

    // The real drawings shrunk to rectangles between their scales: every pixel is either the
    // key or a colour far from it.
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    for (const int id : {IDB_BTN_ADD_RULE, IDB_BTN_HELP, IDB_BTN_SETTINGS}) {
        for (const int dpi : {110, 130, 180}) {
            const int side = ::MulDiv(32, dpi, 96);
            const auto bitmap = LoadArtBitmap(instance, id, dpi, SIZE{side, side}, true);
            ASSERT_EQ(SizeOf(bitmap.get()).cx, side);
            std::vector<std::uint32_t> pixels(static_cast<size_t>(side) * side);
            BITMAPINFO info{};
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            HDC screen = ::GetDC(nullptr);
            ::GetDIBits(screen, static_cast<HBITMAP>(bitmap.get()), 0, side, pixels.data(), &info,
                        DIB_RGB_COLORS);
            ::ReleaseDC(nullptr, screen);
            int keys = 0;
            for (const std::uint32_t p : pixels) {
                const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                keys += (p & 0xFFFFFF) == kKey;
                EXPECT_FALSE((p & 0xFFFFFF) != kKey && r > 200 && b > 200 && g < 120)
                    << id << " at " << dpi << " has a pink pixel " << std::hex << p;
            }
            EXPECT_GT(keys, side) << id << " at " << dpi;
        }
    }
}

} // namespace
