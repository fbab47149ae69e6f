// The pictures at each display scale: which drawing a DPI takes, the sizes they load at, and
// resampling that keeps keyed pictures free of pink edges.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/icon_size.h"
#include "res/art_ids.h"
#include "support/test_support.h"
#include "ui/about_dialog.h"
#include "ui/art.h"

namespace {

using vantrel::LoadArtBitmap;

constexpr std::uint32_t kKey = 0xFF00FF;

// Width and height of a bitmap, and of a drawing of that size at a DPI.
std::pair<int, int> SizeOf(HGDIOBJ bitmap) {
    BITMAP info{};
    return {::GetObjectA(bitmap, sizeof(info), &info) != 0 ? info.bmWidth : 0, info.bmHeight};
}
std::pair<int, int> At(int dpi, int width, int height) {
    return {::MulDiv(width, dpi, 96), ::MulDiv(height, dpi, 96)};
}

TEST(Art, EachDpiTakesTheSmallestDrawingAtOrAboveItsScaleAndPicturesLoadAtItsSize) {
    const struct {
        int dpi, percent;
    } scales[] = {{72, 100},  {96, 100},  {97, 125},  {110, 125}, {120, 125},
                  {121, 150}, {144, 150}, {168, 200}, {192, 200}, {288, 200}};
    for (const auto& c : scales) {
        EXPECT_EQ(vantrel::ArtScalePercent(c.dpi), c.percent) << c.dpi;
    }
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
            EXPECT_EQ(SizeOf(LoadArtBitmap(instance, p.id, dpi).get()), At(dpi, p.width, p.height))
                << p.id << " at " << dpi;
        }
        EXPECT_EQ(SizeOf(vantrel::TfrmAbout::LoadBanner(instance, dpi).get()), At(dpi, 360, 50))
            << "the about dialog's banner at " << dpi;
    }
    // The icons the windows and the notification area take, as the system sizes them.
    for (const int dpi : {96, 144, 192}) {
        EXPECT_EQ(
            std::pair(vantrel::platform::SmallIconSize(dpi), vantrel::platform::LargeIconSize(dpi)),
            At(dpi, 16, 32))
            << dpi;
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
        EXPECT_EQ(vantrel::ResamplePixels(c.from, c.fromSize, c.toSize, c.keyed), c.expected)
            << c.what;
    }

    // The real drawings shrunk to rectangles between their scales: every pixel is either the
    // key or a colour far from it.
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    for (const int id : {IDB_BTN_ADD_RULE, IDB_BTN_HELP, IDB_BTN_SETTINGS}) {
        for (const int dpi : {110, 130, 180}) {
            const int side = ::MulDiv(32, dpi, 96);
            const auto bitmap = LoadArtBitmap(instance, id, dpi, SIZE{side, side}, true);
            ASSERT_EQ(SizeOf(bitmap.get()), At(dpi, 32, 32));
            int keys = 0;
            for (const COLORREF p : vt::Pixels(*vt::Picture(static_cast<HBITMAP>(bitmap.get())))) {
                keys += p == RGB(255, 0, 255);
                EXPECT_FALSE(p != RGB(255, 0, 255) && GetRValue(p) > 200 && GetBValue(p) > 200 &&
                             GetGValue(p) < 120)
                    << id << " at " << dpi << " has a pink pixel " << std::hex << p;
            }
            EXPECT_GT(keys, side) << id << " at " << dpi;
        }
    }
}

} // namespace
