// Flat menus, tabs and buttons as real windows of the test process. Menus are driven from inside
// their own loop, read once they are up and then sent keys or ended, or ended after a while.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "res/art_ids.h"
#include "ui/art.h"
#include "support/test_support.h"
#include "support/wait.h"
#include "ui/flat_controls.h"
#include "ui/flat_menu.h"

namespace {

using Menu = vantrel::FlatMenu;
using vantrel::MenuItemModel;
using vt::Canvas;
using Captions = std::vector<std::string>;

MenuItemModel Item(const char* name, const char* caption, int id, bool visible = true,
                   bool enabled = true, bool separator = false) {
    return MenuItemModel{name, caption, "", id, -1, separator, visible, enabled, 0, {}, nullptr};
}

MenuItemModel Separator(const char* name, bool visible = true) {
    return Item(name, "", 0, visible, true, true);
}

// The parent's picture: every pixel tells where it is, so a misplaced copy cannot pass.
COLORREF PatternAt(int x, int y) {
    return RGB(x & 0xFF, y & 0xFF, 0x40);
}

// Owns menus and controls. It paints the pattern in WM_PRINTCLIENT or, with `eraseOnly`, only
// in WM_ERASEBKGND, and records what reaches it.
struct Host {
    vt::OwnWindow window;
    bool eraseOnly = false;
    bool menuLeftOpen = false;
    std::vector<int> commands;
    std::vector<UINT> tabCodes;
    std::map<UINT, MEASUREITEMSTRUCT> measured; // the latest of each item
    Canvas pattern{600, 420, RGB(0, 0, 0)};

    Host() {
        for (int i = 0; i < 600 * 420; ++i) {
            pattern.Set(i % 600, i / 600, PatternAt(i % 600, i / 600));
        }
        window = vt::OwnWindow("VantrelFlatHost", "host", Proc, WS_POPUP | WS_VISIBLE, nullptr,
                               {30, 30, 630, 450}, this);
    }

    int Popup(Menu& menu, const std::function<void(HWND menuWindow)>& script,
              bool fromTray = false) {
        const vt::MenuWatch watch([&](HWND menuWindow, int tick) {
            if (tick == 0) {
                script(menuWindow);
            }
            menuLeftOpen |= tick > 250;
            return tick > 250;
        });
        return fromTray ? menu.PopupFromTrayIcon(window.get(), 100, 100)
                        : menu.Popup(window.get(), 100, 100);
    }

    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            const auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
            ::SetWindowLongPtrA(w, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* host = reinterpret_cast<Host*>(::GetWindowLongPtrA(w, GWLP_USERDATA));
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        LRESULT result = 0;
        if (host == nullptr) {
            return ::DefWindowProcA(w, msg, wp, lp);
        } else if (msg == WM_ERASEBKGND || msg == WM_PRINTCLIENT) {
            if (host->eraseOnly == (msg == WM_ERASEBKGND)) {
                ::BitBlt(reinterpret_cast<HDC>(wp), 0, 0, 600, 420, host->pattern.dc(), 0, 0,
                         SRCCOPY);
            }
            return msg == WM_ERASEBKGND;
        } else if (msg == WM_MEASUREITEM && Menu::HandleMeasureItem(measure)) {
            host->measured[measure->itemID] = *measure;
            return TRUE;
        } else if (msg == WM_DRAWITEM &&
                   Menu::HandleDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) {
            return TRUE;
        } else if (msg == WM_MENUCHAR && Menu::HandleMenuChar(wp, lp, result)) {
            return result;
        } else if (msg == WM_COMMAND) {
            host->commands.push_back(LOWORD(wp));
        } else if (msg == WM_NOTIFY) {
            const UINT code = reinterpret_cast<const NMHDR*>(lp)->code;
            if (code == TCN_SELCHANGING || code == TCN_SELCHANGE) {
                host->tabCodes.push_back(code);
            }
        }
        return ::DefWindowProcA(w, msg, wp, lp);
    }
};

HMENU MenuOf(HWND menuWindow) {
    return reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
}

Captions ShownCaptions(HMENU menu) {
    Captions captions;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        captions.push_back((state & MF_SEPARATOR) ? "-" : text);
    }
    return captions;
}

// One owner and one menu a test fills; no menu may be left open.
class FlatMenu : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_FALSE(host_.menuLeftOpen); }
    Host host_;
    Menu menu_;
};

TEST_F(FlatMenu, PopupShowsTheModelTidiedOnEveryLevelAndTheSameEveryTime) {
    // The list menu on the Rules tab: the tab rule has hidden the window-list items and every
    // separator, which the tidying must bring back where they divide visible items.
    MenuItemModel stay = Item("StayonTop1", "Stay on Top", 0);
    stay.children = {Item("StayOnTop2", "&Stay On Top", 8), Item("Gone", "&Gone", 10, false),
                     Item("Normal1", "&Normal", 9), Item("Clash", "&Stay Put", 11)};
    menu_.items = {Separator("Lead"),
                   Item("SetRule1", "&Add Rule", 1, false),
                   Item("Add", "&Add Rule", 4),
                   Item("EditRule1", "&Edit Rule", 5, true, false),
                   stay,
                   Separator("N5", false),
                   Separator("N8", false),
                   Item("Settings2", "S&ettings", 13),
                   Separator("N6", false),
                   Item("Exit2", "&Exit", 16),
                   Separator("Trail")};
    std::vector<Captions> shown;
    const auto read = [&](HWND menuWindow) {
        shown.push_back(ShownCaptions(MenuOf(menuWindow)));
        if (menu_.tidy) {
            shown.push_back(ShownCaptions(::GetSubMenu(MenuOf(menuWindow), 2)));
        }
        ::EndMenu();
    };
    ASSERT_TRUE(host_.Popup(menu_, read));
    ASSERT_TRUE(host_.Popup(menu_, read));
    const Captions top = {"&Add Rule", "&Edit Rule", "&Stay on Top", "-",
                          "Se&ttings", "-",          "E&xit"};
    const Captions sub = {"&Stay On Top", "&Normal", "S&tay Put"};
    // The second popup starts from the same captions.
    EXPECT_EQ(shown, (std::vector<Captions>{top, sub, top, sub}));
    EXPECT_EQ(menu_.VisibleCaptions(), top);
    EXPECT_EQ(menu_.VisibleCaptions(4), sub);
    // Separator visibility belongs to the tidy rule and stays in the model; captions do not.
    EXPECT_FALSE(menu_.Find("Lead")->visible || menu_.Find("N5")->visible ||
                 menu_.Find("Trail")->visible);
    EXPECT_TRUE(menu_.Find("N8")->visible && menu_.Find("N6")->visible);
    EXPECT_EQ(menu_.Find("Settings2")->caption, "S&ettings");
    EXPECT_EQ(menu_.Find("Clash")->caption, "&Stay Put");
    EXPECT_EQ(menu_.Find("nothing"), nullptr);

    // The hidden window's menu has its letters fixed by hand and keeps its separators.
    menu_.tidy = false;
    menu_.items = {Separator("N7"), Item("miAppName", "&Open", 1), Item("Same", "&Open too", 3)};
    const Captions raw = {"-", "&Open", "&Open too"};
    EXPECT_EQ(menu_.VisibleCaptions(), raw);
    ASSERT_TRUE(host_.Popup(menu_, read));
    EXPECT_EQ(shown.back(), raw);
}

// Chosen by arrows or by a letter, from a window or from a tray icon, an item reaches the owner
// as its command; only a tray icon's menu posts a WM_NULL to its owner after it.
TEST_F(FlatMenu, ChosenItemsReachTheOwnerAsCommandsAndOnlyATrayMenuPostsANull) {
    MenuItemModel more = Item("More", "&More", 0);
    more.children = {Item("Inner", "&Inner", 7)};
    menu_.items = {Item("Hidden", "&Hidden", 90, false), Item("One", "&One", 1),
                   Item("Two", "&Two", 2, true, false), Item("Options", "&Options", 3), more};
    // "&Options" lost its "O" to "&One" and was given "P" by the tidying.
    LRESULT byLetter = 0, disabledLetter = 0;
    bool unknownLetter = true;
    const struct {
        const char* name;
        bool fromTray;
        std::vector<WPARAM> keys;
        bool letters;
        int chosen;
    } rows[] = {
        {"down", false, {VK_DOWN, VK_RETURN}, false, 1},
        {"from a tray icon, up into the sub-menu", true, {VK_UP, VK_RIGHT, VK_RETURN}, false, 7},
        {"letter", false, {'p'}, true, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t before = host_.commands.size();
        ASSERT_TRUE(host_.Popup(
            menu_,
            [&](HWND m) {
                if (row.letters) {
                    const LPARAM shown = reinterpret_cast<LPARAM>(MenuOf(m));
                    Menu::HandleMenuChar(MAKEWPARAM('p', MF_POPUP), shown, byLetter);
                    Menu::HandleMenuChar(MAKEWPARAM('T', MF_POPUP), shown, disabledLetter);
                    LRESULT ignored = 0;
                    unknownLetter = Menu::HandleMenuChar(MAKEWPARAM('z', MF_POPUP), shown, ignored);
                }
                for (const WPARAM key : row.keys) {
                    ::PostMessageA(m, row.letters ? WM_CHAR : WM_KEYDOWN, key, 0);
                }
            },
            row.fromTray));
        // Only WM_NULL counts: the menu's own loop may leave other messages behind.
        bool nullPosted = false;
        MSG msg{};
        for (int i = 0; i < 100 && ::PeekMessageA(&msg, host_.window.get(), 0, 0,
                                                  PM_REMOVE | PM_QS_POSTMESSAGE);
             ++i) {
            nullPosted |= msg.message == WM_NULL;
            ::DispatchMessageA(&msg);
        }
        EXPECT_EQ(nullPosted, row.fromTray);
        ASSERT_TRUE(vt::WaitUntil([&] { return host_.commands.size() > before; }));
        EXPECT_EQ(host_.commands.back(), row.chosen);
    }
    EXPECT_EQ(byLetter, MAKELRESULT(2, MNC_EXECUTE));
    EXPECT_EQ(disabledLetter, MAKELRESULT(1, MNC_SELECT)) << "a disabled item is only selected";
    EXPECT_FALSE(unknownLetter);
}

vantrel::platform::UniqueImageList SolidImages(COLORREF colour) {
    vantrel::platform::UniqueImageList list(::ImageList_Create(16, 16, ILC_COLOR24, 1, 0));
    const std::vector<DWORD> pixels(16 * 16, vt::Packed(colour));
    const vantrel::platform::UniqueGdiObject bitmap(::CreateBitmap(16, 16, 1, 32, pixels.data()));
    ::ImageList_Add(list.get(), static_cast<HBITMAP>(bitmap.get()), nullptr);
    return list;
}

// Items are as wide as the picture column and their text, separators thin; they are drawn flat
// with the menu's pictures or the item's own, the selection and the disabled state told apart.
// Items of anybody else's menus are left to their owner.
TEST_F(FlatMenu, MeasuresAndDrawsItsOwnItemsFlat) {
    const auto green = SolidImages(RGB(0, 200, 0));
    const auto red = SolidImages(RGB(220, 0, 0));
    menu_.images = green.get();
    menu_.items = {Item("Go", "&Go", 1), Item("Grey", "&Greyed", 2, true, false), Separator("Line"),
                   Item("Long", "A much &longer one", 3)};
    for (MenuItemModel& item : menu_.items) {
        item.image = 0;
    }
    menu_.items[3].images = red.get();

    constexpr int w = 150, h = 22;
    std::vector<std::unique_ptr<Canvas>> shots;
    ASSERT_TRUE(host_.Popup(menu_, [&](HWND menuWindow) {
        for (const auto& [position, state] : std::vector<std::pair<int, UINT>>{
                 {0, 0}, {0, ODS_SELECTED}, {1, ODS_GRAYED}, {2, 0}, {3, 0}}) {
            MENUITEMINFOA info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_DATA;
            ::GetMenuItemInfoA(MenuOf(menuWindow), static_cast<UINT>(position), TRUE, &info);
            shots.push_back(std::make_unique<Canvas>(w, h, RGB(1, 2, 3)));
            DRAWITEMSTRUCT item{
                ODT_MENU,       0, 0, 0, state, nullptr, shots.back()->dc(), {0, 0, w, h},
                info.dwItemData};
            EXPECT_TRUE(Menu::HandleDrawItem(&item));
        }
        ::EndMenu();
    }));
    auto& measured = host_.measured;
    const auto textWidth = [](const std::string& text) {
        return static_cast<int>(
            vantrel::platform::TextExtentIn(nullptr, Menu::MenuFont(), text).cx);
    };
    const int shortWidth = static_cast<int>(measured[1].itemWidth);
    EXPECT_GE(shortWidth, Menu::kPictureColumn + textWidth("Go"));
    EXPECT_LE(shortWidth, Menu::kPictureColumn + textWidth("Go") + 40);
    EXPECT_EQ(static_cast<int>(measured[3].itemWidth) - shortWidth,
              textWidth("A much longer one") - textWidth("Go"));
    EXPECT_GE(measured[1].itemHeight, 18u);
    EXPECT_GT(measured[0].itemHeight, 0u);
    EXPECT_LE(measured[0].itemHeight * 3, measured[1].itemHeight);

    ASSERT_EQ(shots.size(), 5u);
    const Canvas& plain = *shots[0];
    const Canvas& selected = *shots[1];
    const Canvas& greyed = *shots[2];
    const Canvas& line = *shots[3];
    const auto sum = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    const auto darkestText = [&](const Canvas& c) {
        int least = 765;
        for (int y = 0; y < h; ++y) {
            for (int x = Menu::kPictureColumn; x < w; ++x) {
                least = std::min(least, sum(c.At(x, y)));
            }
        }
        return least;
    };
    EXPECT_EQ(plain.At(12, 11), RGB(0, 200, 0));
    EXPECT_EQ(shots[4]->At(12, 11), RGB(220, 0, 0)) << "the item's own pictures";
    EXPECT_NE(plain.At(1, 1), RGB(1, 2, 3)) << "the whole item is painted";
    EXPECT_NE(plain.At(1, 1), plain.At(w - 3, 1)) << "the picture column is tinted";
    const COLORREF fill = selected.At(w - 5, 3);
    EXPECT_NE(fill, plain.At(w - 5, 3));
    EXPECT_GT(GetBValue(fill), GetRValue(fill)) << "the selection is a soft blue";
    EXPECT_GT(sum(fill), sum(selected.At(0, 11))) << "with a darker border";
    const COLORREF grey = greyed.At(12, 11);
    EXPECT_TRUE(GetRValue(grey) == GetGValue(grey) && GetGValue(grey) == GetBValue(grey));
    EXPECT_LT(darkestText(plain), 150);
    EXPECT_GT(darkestText(greyed), 300);
    EXPECT_NE(line.At(w / 2, h / 2), line.At(w / 2, 0)) << "the separator line";
    EXPECT_EQ(line.At(5, h / 2), line.At(5, 0)) << "leaves the picture column alone";

    int foreign = 0;
    MEASUREITEMSTRUCT other{ODT_MENU, 0, 5, 1, 1, reinterpret_cast<ULONG_PTR>(&foreign)};
    EXPECT_FALSE(Menu::HandleMeasureItem(&other));
    EXPECT_EQ(other.itemWidth, 1u);
    DRAWITEMSTRUCT draw{ODT_MENU, 0, 0, 0, 0, nullptr, nullptr, {}, other.itemData};
    EXPECT_FALSE(Menu::HandleDrawItem(&draw));
}

struct TabHost : Host {
    HWND tab = ::CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | TCS_BOTTOM, 21, 73,
                                 471, 300, window.get(), nullptr, nullptr, nullptr);
    TabHost() {
        const char* captions[] = {"Window List", "Rules"};
        for (WPARAM i = 0; i < 2; ++i) {
            TCITEMA item{TCIF_TEXT, 0, 0, const_cast<char*>(captions[i]), 0, 0, 0};
            ::SendMessageA(tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
        }
        vantrel::MakeFlatTabs(tab);
    }
    RECT ItemRect(WPARAM index) const {
        RECT r{};
        ::SendMessageA(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    LRESULT Click(WPARAM index) const {
        const RECT r = ItemRect(index);
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(tab, WM_LBUTTONUP, 0, at);
        return ::SendMessageA(tab, TCM_GETCURSEL, 0, 0);
    }
};

// The tabs stay at the bottom in their own bold font, whatever font they are given later; the
// selected one merges into the page, the other is olive, both captions red, and the parent's
// picture shows between the tabs and beside them. A click selects and notifies, once.
TEST(FlatTabs, BoldRedCaptionsAtTheBottomAndTheSelectedTabMergesIntoThePage) {
    TabHost host;
    const LOGFONTA own = vt::FontOf(host.tab);
    const RECT selected = host.ItemRect(0);
    EXPECT_GE(selected.top, 284) << "below the lists that lie over the page";
    EXPECT_LE(selected.bottom, 300);
    EXPECT_GE(own.lfWeight, FW_BOLD);
    EXPECT_LE(std::abs(own.lfHeight), selected.bottom - selected.top) << "the captions fit";
    ::SendMessageA(host.tab, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(SYSTEM_FONT)),
                   1);
    EXPECT_EQ(vt::FontOf(host.tab).lfHeight, own.lfHeight);
    EXPECT_EQ(vt::FontOf(host.tab).lfWeight, own.lfWeight);
    EXPECT_EQ(host.ItemRect(0).top, selected.top);

    const auto shot = vt::Shot(host.tab);
    const RECT other = host.ItemRect(1);
    const auto reds = [&](const RECT& r) {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                count += shot->At(x, y) == RGB(255, 0, 0);
            }
        }
        return count;
    };
    const COLORREF page = shot->At(200, 100);
    const COLORREF border = shot->At(0, 100);
    const COLORREF olive = shot->At(other.left + 3, other.top + 2);
    EXPECT_NE(border, page);
    EXPECT_EQ(shot->At(selected.left + 3, selected.top + 2), page);
    const int r = GetRValue(olive);
    EXPECT_TRUE(r == GetGValue(olive) && GetBValue(olive) < r / 2 && r > 0x60 && r < 0xA0)
        << "olive, not " << std::hex << olive;
    EXPECT_GT(reds(selected), 20);
    EXPECT_GT(reds(other), 20);
    EXPECT_EQ(shot->At((selected.left + selected.right) / 2, selected.top - 1), page);
    EXPECT_EQ(shot->At((other.left + other.right) / 2, other.top - 1), border);
    const int y = (selected.top + selected.bottom) / 2;
    EXPECT_EQ(shot->At(selected.right - 1, y), PatternAt(21 + selected.right - 1, 73 + y));
    EXPECT_EQ(shot->At(460, y), PatternAt(21 + 460, 73 + y));

    EXPECT_EQ(host.Click(1), 1);
    EXPECT_EQ(host.tabCodes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
    EXPECT_EQ(host.Click(1), 1);
    EXPECT_EQ(host.tabCodes.size(), 2u) << "the selected tab again changes nothing";
    EXPECT_EQ(host.Click(0), 0);
    EXPECT_EQ(host.tabCodes.size(), 4u);
}

// Every kind of flat button: drawn by the program, its caption centred on its pixels, the
// parent's picture showing through a transparent one wherever the parent paints it, a hover look
// that goes with the mouse, the hand cursor once asked for, and clicks arriving as BN_CLICKED.
TEST(FlatButton, EveryKindCentresItsCaptionHoversShowsTheHandAndClicks) {
    const struct {
        const char* name;
        const char* caption;
        int charHeight;
        COLORREF text;
        bool transparent;
        bool eraseOnly; // the parent paints its picture only when erasing
        int width, height;
    } rows[] = {
        {"transparent", "Menu", 11, RGB(0, 0, 0), true, false, 51, 18},
        {"transparent over a picture painted when erasing", "Menu", 11, RGB(0, 0, 0), true, true,
         51, 18},
        {"opaque", "Menu", 11, RGB(0, 0, 0), false, false, 51, 18},
        {"big single character", "-", 32, RGB(255, 255, 255), false, false, 21, 17},
        {"single character", "X", 13, RGB(255, 255, 255), true, false, 21, 17},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Host host;
        host.eraseOnly = row.eraseOnly;
        const HWND button = ::CreateWindowExA(
            0, "BUTTON", row.caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 88, 49, row.width,
            row.height, host.window.get(), reinterpret_cast<HMENU>(42), nullptr, nullptr);
        vantrel::MakeFlatButton(button, row.text, row.charHeight, true, row.transparent);
        EXPECT_EQ(::GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        const auto shot = vt::Shot(button);
        const int w = row.width - 1, h = row.height - 1;
        EXPECT_EQ(shot->At(1, 1) == PatternAt(88 + 1, 49 + 1), row.transparent);
        EXPECT_EQ(shot->At(w, h) == PatternAt(88 + w, 49 + h), row.transparent);
        RECT ink{w, h, -1, -1};
        for (int y = 0; y <= h; ++y) {
            for (int x = 0; x <= w; ++x) {
                if (shot->At(x, y) == row.text) {
                    ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y),
                           std::max<LONG>(ink.right, x), std::max<LONG>(ink.bottom, y)};
                }
            }
        }
        ASSERT_GE(ink.right, ink.left) << "caption drawn";
        EXPECT_LE(std::abs(ink.left - (w - ink.right)), 1);
        EXPECT_LE(std::abs(ink.top - (h - ink.bottom)), 1);

        ::SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        EXPECT_NE(vt::Shot(button)->At(3, 3), shot->At(3, 3));
        ::SendMessageA(button, WM_MOUSELEAVE, 0, 0);
        EXPECT_EQ(vt::Shot(button)->At(3, 3), shot->At(3, 3));
        const HCURSOR hand = ::LoadCursor(nullptr, IDC_HAND);
        EXPECT_NE(vt::CursorOver(button), hand);
        vantrel::SetFlatButtonHandCursor(button);
        EXPECT_EQ(vt::CursorOver(button), hand);
        ::SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        ASSERT_TRUE(vt::WaitUntil([&] { return !host.commands.empty(); }));
        EXPECT_EQ(host.commands.back(), 42);
    }
}

TEST(FlatDrawing, MenuPicturesAndKeyedBitmapsLeaveTheKeyColourOut) {
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    // At each DPI the cells are the pictures' size there; at 110 the 1.25x drawing shrunk.
    for (const int dpi : {96, 110, 192}) {
        const int cell = ::MulDiv(ART_MENU_IMAGE_SIZE, dpi, 96);
        const int width = cell * ART_MENU_IMAGE_COUNT;
        const auto images = vantrel::LoadMenuImages(instance, dpi);
        ASSERT_TRUE(images);
        EXPECT_EQ(::ImageList_GetImageCount(images.get()), ART_MENU_IMAGE_COUNT);
        int cx = 0, cy = 0;
        ::ImageList_GetIconSize(images.get(), &cx, &cy);
        EXPECT_EQ(cx, cell) << dpi;
        EXPECT_EQ(cy, cell) << dpi;
        const auto strip =
            vantrel::LoadArtBitmap(instance, IDB_MENU_IMAGES, dpi, SIZE{width, cell}, true);
        const COLORREF back = RGB(0, 90, 0);
        const auto source = vt::Picture(static_cast<HBITMAP>(strip.get()));
        const Canvas drawn(width, cell, back);
        const Canvas keyed(width + 5, cell + 3, back);
        vantrel::DrawKeyedBitmap(keyed.dc(), static_cast<HBITMAP>(strip.get()), 5, 3,
                                 ART_KEY_COLOR);
        for (int i = 0; i < ART_MENU_IMAGE_COUNT; ++i) {
            ::ImageList_Draw(images.get(), i, drawn.dc(), cell * i, 0, ILD_TRANSPARENT);
        }
        int keyPixels = 0;
        for (int y = 0; y < cell; ++y) {
            for (int x = 0; x < width; ++x) {
                const COLORREF original = source->At(x, y);
                const COLORREF expected = original == ART_KEY_COLOR ? back : original;
                keyPixels += original == ART_KEY_COLOR;
                ASSERT_EQ(drawn.At(x, y), expected) << x << "," << y << " at " << dpi;
                ASSERT_EQ(keyed.At(x + 5, y + 3), expected) << x << "," << y << " at " << dpi;
            }
        }
        EXPECT_GT(keyPixels, width);
        EXPECT_EQ(keyed.At(2, 1), back);
    }
}

} // namespace
