// Flat menus, tabs and buttons as real windows of the test process. Menus are driven from inside
// their own loop: the owner hears WM_ENTERIDLE once the menu is up and idle, reads it, then sends
// it keys or ends it; a watchdog timer ends a menu that a fault left open.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "res/art_ids.h"
#include "ui/art.h"
#include "support/wait.h"
#include "ui/flat_controls.h"
#include "ui/flat_menu.h"

namespace {

using vantrel::FlatMenu;
using vantrel::MenuItemModel;
using vantrel::platform::UniqueGdiObject;
using Captions = std::vector<std::string>;

MenuItemModel Item(const char* name, const char* caption, int id, bool visible = true,
                   bool enabled = true) {
    MenuItemModel item;
    item.name = name;
    item.caption = caption;
    item.id = id;
    item.visible = visible;
    item.enabled = enabled;
    return item;
}

MenuItemModel Separator(const char* name, bool visible = true) {
    MenuItemModel item = Item(name, "", 0, visible);
    item.separator = true;
    return item;
}

// A colour as a 32-bit DIB holds it.
DWORD Packed(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// A 32-bit picture with a DC, read and written pixel by pixel.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill)
        : width_(width), dc_(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_.reset(::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        old_ = ::SelectObject(dc_, bitmap_.get());
        std::fill(Bits(), Bits() + width * height, Packed(fill));
    }
    ~Canvas() {
        ::SelectObject(dc_, old_);
        ::DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC dc() const { return dc_; }
    void Set(int x, int y, COLORREF c) { Bits()[y * width_ + x] = Packed(c); }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        const DWORD p = static_cast<const DWORD*>(bits_)[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    DWORD* Bits() { return static_cast<DWORD*>(bits_); }
    int width_;
    HDC dc_;
    void* bits_ = nullptr;
    UniqueGdiObject bitmap_;
    HGDIOBJ old_ = nullptr;
};

// The parent's picture: every pixel tells where it is, so a misplaced copy cannot pass.
COLORREF PatternAt(int x, int y) {
    return RGB(x & 0xFF, y & 0xFF, 0x40);
}

// Owns menus and controls. It paints the pattern in WM_PRINTCLIENT or, with `eraseOnly`, only
// in WM_ERASEBKGND, and records what reaches it.
struct Host {
    HWND window = nullptr;
    bool eraseOnly = false;
    std::function<void(HWND menuWindow)> onIdle;
    bool watchdogFired = false;
    std::vector<int> commands;
    std::vector<UINT> tabCodes;
    std::vector<MEASUREITEMSTRUCT> measured;

    Host() {
        static const ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = Proc;
            wc.lpszClassName = "VantrelFlatHost";
            return ::RegisterClassA(&wc);
        }();
        window = ::CreateWindowExA(0, MAKEINTATOM(atom), "host", WS_POPUP | WS_VISIBLE, 30, 30, 600,
                                   420, nullptr, nullptr, nullptr, this);
    }
    ~Host() { ::DestroyWindow(window); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    int Popup(FlatMenu& menu, std::function<void(HWND)> idle, bool fromTray = false) {
        onIdle = std::move(idle);
        ::SetTimer(window, 1, 5000, nullptr);
        const int shown =
            fromTray ? menu.PopupFromTrayIcon(window, 100, 100) : menu.Popup(window, 100, 100);
        ::KillTimer(window, 1);
        return shown;
    }

    static void Paint(HDC dc) {
        static const std::unique_ptr<Canvas> pattern = [] {
            auto canvas = std::make_unique<Canvas>(600, 420, RGB(0, 0, 0));
            for (int y = 0; y < 420; ++y) {
                for (int x = 0; x < 600; ++x) {
                    canvas->Set(x, y, PatternAt(x, y));
                }
            }
            return canvas;
        }();
        ::BitBlt(dc, 0, 0, 600, 420, pattern->dc(), 0, 0, SRCCOPY);
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
                Paint(reinterpret_cast<HDC>(wp));
            }
            return msg == WM_ERASEBKGND;
        } else if (msg == WM_MEASUREITEM && FlatMenu::HandleMeasureItem(measure)) {
            host->measured.push_back(*measure);
            return TRUE;
        } else if (msg == WM_DRAWITEM &&
                   FlatMenu::HandleDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) {
            return TRUE;
        } else if (msg == WM_MENUCHAR && FlatMenu::HandleMenuChar(wp, lp, result)) {
            return result;
        } else if (msg == WM_ENTERIDLE && wp == MSGF_MENU && host->onIdle) {
            const auto idle = std::move(host->onIdle);
            host->onIdle = nullptr;
            idle(reinterpret_cast<HWND>(lp));
        } else if (msg == WM_TIMER) {
            host->watchdogFired = true;
            ::EndMenu();
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
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        ::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        captions.push_back((info.fType & MFT_SEPARATOR) ? "-" : text);
    }
    return captions;
}

void Key(HWND menuWindow, WPARAM key, UINT message = WM_KEYDOWN) {
    ::PostMessageA(menuWindow, message, key, 0);
}

TEST(FlatMenu, PopupShowsTheModelTidiedOnEveryLevelAndTheSameEveryTime) {
    // The list menu on the Rules tab: the tab rule has hidden the window-list items and every
    // separator, which the tidying must bring back where they divide visible items.
    FlatMenu menu;
    MenuItemModel stay = Item("StayonTop1", "Stay on Top", 0);
    stay.children = {Item("StayOnTop2", "&Stay On Top", 8), Item("Gone", "&Gone", 10, false),
                     Item("Normal1", "&Normal", 9), Item("Clash", "&Stay Put", 11)};
    menu.items = {Separator("Lead"),
                  Item("SetRule1", "&Add Rule", 1, false),
                  Item("RulesSetRule", "&Add Rule", 4),
                  Item("EditRule1", "&Edit Rule", 5, true, false),
                  stay,
                  Separator("N5", false),
                  Item("Tray", "&Minimize To Tray", 7, false),
                  Separator("N8", false),
                  Item("Settings2", "S&ettings", 13),
                  Separator("N6", false),
                  Item("Help2", "&Help", 14),
                  Item("About", "&About...", 15),
                  Separator("N4", false),
                  Item("Exit2", "&Exit", 16),
                  Separator("Trail")};
    Host host;
    std::vector<Captions> shown;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(host.Popup(menu, [&](HWND menuWindow) {
            shown.push_back(ShownCaptions(MenuOf(menuWindow)));
            shown.push_back(ShownCaptions(::GetSubMenu(MenuOf(menuWindow), 2)));
            ::EndMenu();
        }));
    }
    EXPECT_FALSE(host.watchdogFired);
    const Captions top = {"&Add Rule", "&Edit Rule", "&Stay on Top", "-", "Se&ttings",
                          "-",         "&Help",      "A&bout...",    "-", "E&xit"};
    const Captions sub = {"&Stay On Top", "&Normal", "S&tay Put"};
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], top);
    EXPECT_EQ(shown[1], sub);
    EXPECT_EQ(shown[2], top) << "the second popup starts from the same captions";
    EXPECT_EQ(shown[3], sub);
    EXPECT_EQ(menu.VisibleCaptions(), top);
    EXPECT_EQ(menu.VisibleCaptions(4), sub);
    // Separator visibility belongs to the tidy rule and stays in the model; captions do not.
    EXPECT_FALSE(menu.Find("Lead")->visible || menu.Find("N5")->visible ||
                 menu.Find("Trail")->visible);
    EXPECT_TRUE(menu.Find("N8")->visible && menu.Find("N6")->visible && menu.Find("N4")->visible);
    EXPECT_EQ(menu.Find("Settings2")->caption, "S&ettings");
    EXPECT_EQ(menu.Find("Clash")->caption, "&Stay Put");
    EXPECT_EQ(menu.Find("nothing"), nullptr);

    // The hidden window's menu has its letters fixed by hand and keeps its separators.
    menu.tidy = false;
    menu.items = {Separator("N7"), Item("miAppName", "&Open", 1), Item("Same", "&Open too", 3)};
    const Captions raw = {"-", "&Open", "&Open too"};
    EXPECT_EQ(menu.VisibleCaptions(), raw);
    ASSERT_TRUE(host.Popup(menu, [&](HWND menuWindow) {
        shown.push_back(ShownCaptions(MenuOf(menuWindow)));
        ::EndMenu();
    }));
    EXPECT_EQ(shown.back(), raw);
}

TEST(FlatMenu, OnlyATrayIconMenuPostsANullMessageToItsOwnerAfterwards) {
    Host host;
    FlatMenu menu;
    menu.items = {Item("Go", "&Go", 1)};
    for (const bool fromTray : {false, true}) {
        EXPECT_TRUE(host.Popup(
            menu, [](HWND) { ::EndMenu(); }, fromTray));
        // Only WM_NULL counts: the menu's own loop may leave other messages behind.
        bool nullPosted = false;
        MSG msg{};
        for (int i = 0;
             i < 100 && ::PeekMessageA(&msg, host.window, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE);
             ++i) {
            nullPosted |= msg.message == WM_NULL;
        }
        EXPECT_EQ(nullPosted, fromTray);
    }
    EXPECT_FALSE(host.watchdogFired);
}

TEST(FlatMenu, MeasureGivesThePictureColumnAndTheTextAndThinSeparators) {
    Host host;
    FlatMenu menu;
    menu.items = {Item("Short", "&Go", 1), Separator("Line"),
                  Item("Long", "A much &longer one", 2)};
    ASSERT_TRUE(host.Popup(menu, [](HWND) { ::EndMenu(); }));
    auto measured = [&](UINT id) {
        const auto found = std::find_if(host.measured.rbegin(), host.measured.rend(),
                                        [&](const MEASUREITEMSTRUCT& m) { return m.itemID == id; });
        return found != host.measured.rend() ? *found : MEASUREITEMSTRUCT{};
    };
    auto textWidth = [](const char* text) {
        HDC screen = ::GetDC(nullptr);
        const HGDIOBJ old = ::SelectObject(screen, FlatMenu::MenuFont());
        SIZE size{};
        ::GetTextExtentPoint32A(screen, text, static_cast<int>(std::strlen(text)), &size);
        ::SelectObject(screen, old);
        ::ReleaseDC(nullptr, screen);
        return static_cast<int>(size.cx);
    };
    const int shortWidth = static_cast<int>(measured(1).itemWidth);
    const int shortText = textWidth("Go");
    EXPECT_GE(shortWidth, FlatMenu::kPictureColumn + shortText);
    EXPECT_LE(shortWidth, FlatMenu::kPictureColumn + shortText + 40);
    EXPECT_EQ(static_cast<int>(measured(2).itemWidth) - shortWidth,
              textWidth("A much longer one") - shortText);
    EXPECT_GE(measured(1).itemHeight, 18u);
    EXPECT_GT(measured(0).itemHeight, 0u);
    EXPECT_LE(measured(0).itemHeight * 3, measured(1).itemHeight);

    // Items of anybody else's menus are left to their owner.
    int foreign = 0;
    MEASUREITEMSTRUCT other{ODT_MENU, 0, 5, 1, 1, reinterpret_cast<ULONG_PTR>(&foreign)};
    EXPECT_FALSE(FlatMenu::HandleMeasureItem(&other));
    EXPECT_EQ(other.itemWidth, 1u);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemData = reinterpret_cast<ULONG_PTR>(&foreign);
    EXPECT_FALSE(FlatMenu::HandleDrawItem(&draw));
}

TEST(FlatMenu, ChosenItemsReachTheOwnerAsCommandsByArrowsAndByLetters) {
    Host host;
    FlatMenu menu;
    MenuItemModel more = Item("More", "&More", 0);
    more.children = {Item("Inner", "&Inner", 7)};
    menu.items = {Item("Hidden", "&Hidden", 90, false), Item("One", "&One", 1),
                  Item("Two", "&Two", 2, true, false), Item("Options", "&Options", 3), more};
    auto choose = [&](const std::function<void(HWND)>& keys) {
        const std::size_t before = host.commands.size();
        EXPECT_TRUE(host.Popup(menu, keys));
        EXPECT_TRUE(vt::WaitUntil([&] { return host.commands.size() > before; }));
        return host.commands.empty() ? -1 : host.commands.back();
    };
    EXPECT_EQ(choose([](HWND m) {
                  Key(m, VK_DOWN);
                  Key(m, VK_RETURN);
              }),
              1);
    // From no selection up to the last item, the sub-menu, and into it.
    EXPECT_EQ(choose([](HWND m) {
                  Key(m, VK_UP);
                  Key(m, VK_RIGHT);
                  Key(m, VK_RETURN);
              }),
              7);

    // "&Options" lost its "O" to "&One" and was given "P" by the tidying.
    LRESULT byLetter = 0;
    LRESULT disabledLetter = 0;
    bool unknownLetter = true;
    EXPECT_EQ(choose([&](HWND m) {
                  const LPARAM shown = reinterpret_cast<LPARAM>(MenuOf(m));
                  FlatMenu::HandleMenuChar(MAKEWPARAM('p', MF_POPUP), shown, byLetter);
                  FlatMenu::HandleMenuChar(MAKEWPARAM('T', MF_POPUP), shown, disabledLetter);
                  LRESULT ignored = 0;
                  unknownLetter =
                      FlatMenu::HandleMenuChar(MAKEWPARAM('z', MF_POPUP), shown, ignored);
                  Key(m, 'p', WM_CHAR);
              }),
              3);
    EXPECT_EQ(byLetter, MAKELRESULT(2, MNC_EXECUTE));
    EXPECT_EQ(disabledLetter, MAKELRESULT(1, MNC_SELECT)) << "a disabled item is only selected";
    EXPECT_FALSE(unknownLetter);
    EXPECT_FALSE(host.watchdogFired);
}

vantrel::platform::UniqueImageList SolidImages(COLORREF colour) {
    vantrel::platform::UniqueImageList list(::ImageList_Create(16, 16, ILC_COLOR24, 1, 0));
    const std::vector<DWORD> pixels(16 * 16, Packed(colour));
    const UniqueGdiObject bitmap(::CreateBitmap(16, 16, 1, 32, pixels.data()));
    ::ImageList_Add(list.get(), static_cast<HBITMAP>(bitmap.get()), nullptr);
    return list;
}

TEST(FlatMenu, DrawsPicturesStatesAndSeparatorsFlat) {
    const auto green = SolidImages(RGB(0, 200, 0));
    const auto red = SolidImages(RGB(220, 0, 0));
    FlatMenu menu;
    menu.images = green.get();
    menu.items = {Item("Pic", "&Picture", 1), Item("Grey", "&Greyed", 2, true, false),
                  Separator("Line"), Item("Own", "&Own pictures", 3)};
    for (MenuItemModel& item : menu.items) {
        item.image = 0;
    }
    menu.items[3].images = red.get();

    constexpr int w = 150;
    constexpr int h = 22;
    std::vector<std::unique_ptr<Canvas>> shots;
    Host host;
    ASSERT_TRUE(host.Popup(menu, [&](HWND menuWindow) {
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
            EXPECT_TRUE(FlatMenu::HandleDrawItem(&item));
        }
        ::EndMenu();
    }));
    ASSERT_EQ(shots.size(), 5u);
    const Canvas& plain = *shots[0];
    const Canvas& selected = *shots[1];
    const Canvas& greyed = *shots[2];
    const Canvas& line = *shots[3];
    auto sum = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    auto darkestText = [&](const Canvas& c) {
        int least = 765;
        for (int y = 0; y < h; ++y) {
            for (int x = FlatMenu::kPictureColumn; x < w; ++x) {
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
}

struct TabHost : Host {
    HWND tab = ::CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | TCS_BOTTOM, 21, 73,
                                 471, 300, window, nullptr, nullptr, nullptr);
    TabHost() {
        const char* captions[] = {"Window List", "Rules"};
        for (WPARAM i = 0; i < 2; ++i) {
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>(captions[i]);
            ::SendMessageA(tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
        }
        vantrel::MakeFlatTabs(tab);
    }
    RECT ItemRect(int index) const {
        RECT r{};
        ::SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(&r));
        return r;
    }
    LRESULT Click(int index) const {
        const RECT r = ItemRect(index);
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(tab, WM_LBUTTONUP, 0, at);
        return ::SendMessageA(tab, TCM_GETCURSEL, 0, 0);
    }
};

TEST(FlatTabs, ClicksSelectAndNotifyWhileTheTabsStayAtTheBottomInBold) {
    TabHost host;
    const RECT first = host.ItemRect(0);
    EXPECT_GE(first.top, 284) << "below the lists that lie over the page";
    EXPECT_LE(first.bottom, 300);
    ::SendMessageA(host.tab, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(SYSTEM_FONT)),
                   1);
    LOGFONTA font{};
    ::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(host.tab, WM_GETFONT, 0, 0)),
                 sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -13);
    EXPECT_GE(font.lfWeight, FW_BOLD);
    EXPECT_EQ(host.ItemRect(0).top, first.top);

    EXPECT_EQ(host.Click(1), 1);
    EXPECT_EQ(host.tabCodes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
    EXPECT_EQ(host.Click(1), 1);
    EXPECT_EQ(host.tabCodes.size(), 2u) << "the selected tab again changes nothing";
    EXPECT_EQ(host.Click(0), 0);
    EXPECT_EQ(host.tabCodes.size(), 4u);
}

TEST(FlatTabs, OliveTabsRedCaptionsAndTheSelectedOneMergesIntoThePage) {
    TabHost host;
    const Canvas shot(471, 300, RGB(1, 2, 3));
    ::SendMessageA(host.tab, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.dc()), PRF_CLIENT);
    const RECT selected = host.ItemRect(0);
    const RECT other = host.ItemRect(1);
    auto reds = [&](const RECT& r) {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF c = shot.At(x, y);
                count += c == RGB(255, 0, 0);
            }
        }
        return count;
    };
    const COLORREF page = shot.At(200, 100);
    const COLORREF border = RGB(0xAF, 0xA8, 0x99);
    const COLORREF olive = shot.At(other.left + 3, other.top + 2);
    EXPECT_EQ(shot.At(selected.left + 3, selected.top + 2), page);
    EXPECT_EQ(olive, RGB(0x80, 0x80, 0x00));
    EXPECT_GT(reds(selected), 20);
    EXPECT_GT(reds(other), 20);
    EXPECT_EQ(shot.At(0, 100), border);
    EXPECT_EQ(shot.At((selected.left + selected.right) / 2, selected.top - 1), page);
    EXPECT_EQ(shot.At((other.left + other.right) / 2, other.top - 1), border);
    // The parent's picture shows between the tabs and beside them.
    const int y = (selected.top + selected.bottom) / 2;
    EXPECT_EQ(shot.At(selected.right - 1, y), PatternAt(21 + selected.right - 1, 73 + y));
    EXPECT_EQ(shot.At(460, y), PatternAt(21 + 460, 73 + y));
}

struct ButtonHost : Host {
    HWND button;
    ButtonHost(const char* caption, int charHeight, COLORREF text, bool transparent)
        : button(::CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 88,
                                   49, 51, 18, window, reinterpret_cast<HMENU>(42), nullptr,
                                   nullptr)) {
        vantrel::MakeFlatButton(button, text, charHeight, true, transparent);
    }
    std::unique_ptr<Canvas> Shot() const {
        auto shot = std::make_unique<Canvas>(51, 18, RGB(1, 2, 3));
        ::SendMessageA(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot->dc()), PRF_CLIENT);
        return shot;
    }
};

TEST(FlatButton, TransparentButtonsShowTheParentsPictureWhereverItIsPainted) {
    for (const bool eraseOnly : {false, true}) {
        ButtonHost host("Menu", 11, RGB(0, 0, 0), true);
        host.eraseOnly = eraseOnly;
        const auto shot = host.Shot();
        EXPECT_EQ(shot->At(1, 1), PatternAt(89, 50)) << eraseOnly;
        EXPECT_EQ(shot->At(50, 17), PatternAt(138, 66)) << eraseOnly;
    }
    const ButtonHost opaque("Menu", 11, RGB(0, 0, 0), false);
    EXPECT_NE(opaque.Shot()->At(1, 1), PatternAt(89, 50)) << "a face of its own";
}

TEST(FlatButton, ClicksArriveAsBnClickedWithHoverAndHandCursor) {
    ButtonHost host("X", 13, RGB(255, 255, 255), true);
    EXPECT_EQ(::GetWindowLongPtrA(host.button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    const COLORREF before = host.Shot()->At(3, 3);
    ::SendMessageA(host.button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_NE(host.Shot()->At(3, 3), before);
    ::SendMessageA(host.button, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(host.Shot()->At(3, 3), before);

    const HCURSOR hand = ::LoadCursor(nullptr, IDC_HAND);
    const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    ::SendMessageA(host.button, WM_SETCURSOR, reinterpret_cast<WPARAM>(host.button), overClient);
    EXPECT_NE(::GetCursor(), hand);
    vantrel::SetFlatButtonHandCursor(host.button);
    ::SendMessageA(host.button, WM_SETCURSOR, reinterpret_cast<WPARAM>(host.button), overClient);
    EXPECT_EQ(::GetCursor(), hand);

    ::SendMessageA(host.button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageA(host.button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(vt::WaitUntil([&] { return !host.commands.empty(); }));
    EXPECT_EQ(host.commands.back(), 42);
}

TEST(FlatButton, BigSingleCharactersAreCentredOnTheirPixels) {
    for (const int height : {32, 13}) {
        const ButtonHost host(height == 32 ? "-" : "X", height, RGB(255, 255, 255), false);
        ::SetWindowPos(host.button, nullptr, 0, 0, 21, 17, SWP_NOMOVE | SWP_NOZORDER);
        const auto shot = host.Shot();
        RECT ink{21, 17, -1, -1};
        for (int y = 0; y < 17; ++y) {
            for (int x = 0; x < 21; ++x) {
                if (shot->At(x, y) == RGB(255, 255, 255)) {
                    ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y),
                           std::max<LONG>(ink.right, x), std::max<LONG>(ink.bottom, y)};
                }
            }
        }
        ASSERT_GE(ink.right, ink.left) << "caption drawn at height " << height;
        EXPECT_LE(std::abs(ink.left - (20 - ink.right)), 1) << height;
        EXPECT_LE(std::abs(ink.top - (16 - ink.bottom)), 1) << height;
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
        const Canvas source(width, cell, RGB(0, 0, 0));
        const Canvas drawn(width, cell, back);
        const Canvas keyed(width + 5, cell + 3, back);
        vantrel::DrawKeyedBitmap(source.dc(), static_cast<HBITMAP>(strip.get()), 0, 0,
                                 RGB(1, 1, 1));
        vantrel::DrawKeyedBitmap(keyed.dc(), static_cast<HBITMAP>(strip.get()), 5, 3,
                                 ART_KEY_COLOR);
        for (int i = 0; i < ART_MENU_IMAGE_COUNT; ++i) {
            ::ImageList_Draw(images.get(), i, drawn.dc(), cell * i, 0, ILD_TRANSPARENT);
        }
        int keyPixels = 0;
        for (int y = 0; y < cell; ++y) {
            for (int x = 0; x < width; ++x) {
                const COLORREF original = source.At(x, y);
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
