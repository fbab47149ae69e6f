// Flat menus, tabs and buttons as real windows of the test process. Menus are driven from inside
// their own loop: the owner hears WM_ENTERIDLE once the menu is up and idle, reads it, then sends
// it keys or ends it; a watchdog timer ends a menu that a fault left open.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "res/art_ids.h"
#include "support/wait.h"
#include "ui/flat_controls.h"
#include "ui/flat_menu.h"

namespace {

using vantrel::FlatMenu;
using vantrel::MenuItemModel;

constexpr UINT_PTR kWatchdog = 77;

MenuItemModel Item(const std::string& name, const std::string& caption, int id, bool visible = true,
                   bool enabled = true) {
    MenuItemModel item;
    item.name = name;
    item.caption = caption;
    item.id = id;
    item.visible = visible;
    item.enabled = enabled;
    return item;
}

MenuItemModel Separator(const std::string& name, bool visible = true) {
    MenuItemModel item;
    item.name = name;
    item.separator = true;
    item.visible = visible;
    return item;
}

// A 32-bit picture with a DC, read back pixel by pixel.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill)
        : width_(width), dc_(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_.reset(::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        old_ = ::SelectObject(dc_, bitmap_.get());
        RECT all{0, 0, width, height};
        const vantrel::platform::UniqueGdiObject brush(::CreateSolidBrush(fill));
        ::FillRect(dc_, &all, static_cast<HBRUSH>(brush.get()));
    }
    ~Canvas() {
        ::SelectObject(dc_, old_);
        ::DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC dc() const { return dc_; }
    void Set(int x, int y, COLORREF c) {
        static_cast<DWORD*>(bits_)[y * width_ + x] =
            (static_cast<DWORD>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        const DWORD p = static_cast<const DWORD*>(bits_)[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int width_;
    HDC dc_;
    void* bits_ = nullptr;
    vantrel::platform::UniqueGdiObject bitmap_;
    HGDIOBJ old_ = nullptr;
};

bool IsRed(COLORREF c) {
    return GetRValue(c) > 150 && GetGValue(c) < 70 && GetBValue(c) < 70;
}

// The parent's picture: every pixel tells where it is, so a misplaced copy cannot pass.
COLORREF PatternAt(int x, int y) {
    return RGB(x & 0xFF, y & 0xFF, 0x40);
}

// Owns menus and controls; paints the pattern in WM_PRINTCLIENT or, in `eraseOnly` mode, only in
// WM_ERASEBKGND, and records what reaches it.
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
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.lpszClassName = "VantrelFlatHost";
            return ::RegisterClassA(&wc);
        }();
        window = ::CreateWindowExA(0, MAKEINTATOM(atom), "host", WS_POPUP | WS_VISIBLE, 30, 30, 600,
                                   420, nullptr, nullptr, nullptr, this);
    }
    ~Host() { ::DestroyWindow(window); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    int Popup(FlatMenu& menu, std::function<void(HWND)> idle) {
        onIdle = std::move(idle);
        ::SetTimer(window, kWatchdog, 5000, nullptr);
        const int shown = menu.Popup(window, 100, 100);
        ::KillTimer(window, kWatchdog);
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
            ::SetWindowLongPtrA(
                w, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
        }
        auto* host = reinterpret_cast<Host*>(::GetWindowLongPtrA(w, GWLP_USERDATA));
        LRESULT result = 0;
        switch (host != nullptr ? msg : WM_NULL) {
        case WM_ERASEBKGND:
            if (host->eraseOnly) {
                Paint(reinterpret_cast<HDC>(wp));
            }
            return 1;
        case WM_PRINTCLIENT:
            if (!host->eraseOnly) {
                Paint(reinterpret_cast<HDC>(wp));
            }
            return 0;
        case WM_MEASUREITEM:
            if (FlatMenu::HandleMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) {
                host->measured.push_back(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
                return TRUE;
            }
            break;
        case WM_DRAWITEM:
            if (FlatMenu::HandleDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) {
                return TRUE;
            }
            break;
        case WM_MENUCHAR:
            if (FlatMenu::HandleMenuChar(wp, lp, result)) {
                return result;
            }
            break;
        case WM_ENTERIDLE:
            if (wp == MSGF_MENU && host->onIdle) {
                const auto idle = std::move(host->onIdle);
                host->onIdle = nullptr;
                idle(reinterpret_cast<HWND>(lp));
            }
            break;
        case WM_TIMER:
            host->watchdogFired = true;
            ::EndMenu();
            return 0;
        case WM_COMMAND:
            host->commands.push_back(LOWORD(wp));
            return 0;
        case WM_NOTIFY: {
            const UINT code = reinterpret_cast<const NMHDR*>(lp)->code;
            if (code == TCN_SELCHANGING || code == TCN_SELCHANGE) {
                host->tabCodes.push_back(code);
            }
            return 0;
        }
        default:
            break;
        }
        return ::DefWindowProcA(w, msg, wp, lp);
    }
};

HMENU MenuOf(HWND menuWindow) {
    return reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
}

std::vector<std::string> ShownCaptions(HMENU menu) {
    std::vector<std::string> captions;
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

// The Rules tab of the list menu: the tab rule has hidden the window-list items and every
// separator, which the tidying must bring back where they divide visible items.
FlatMenu RulesTabMenu() {
    FlatMenu menu;
    menu.items = {Separator("Lead"),
                  Item("SetRule1", "&Add Rule", 1, false),
                  Item("miRulesSetRule", "&Add Rule", 4),
                  Item("EditRule1", "&Edit Rule", 5, true, false),
                  Separator("N5", false),
                  Item("aMinimizeToTray1", "&Minimize To Tray", 7, false),
                  Separator("N8", false),
                  Item("Settings2", "S&ettings", 13),
                  Separator("N6", false),
                  Item("Help2", "&Help", 14),
                  Item("miAbout", "&About...", 15),
                  Separator("N4", false),
                  Item("Exit2", "&Exit", 16),
                  Separator("Trail")};
    MenuItemModel stay = Item("StayonTop1", "Stay on Top", 0);
    stay.children = {Item("StayOnTop2", "&Stay On Top", 8), Item("Hidden", "&Gone", 10, false),
                     Item("Normal1", "&Normal", 9), Item("Clash", "&Stay Put", 11)};
    menu.items.insert(menu.items.begin() + 4, stay);
    return menu;
}

TEST(FlatMenu, PopupShowsTheModelTidiedOnEveryLevel) {
    Host host;
    FlatMenu menu = RulesTabMenu();
    std::vector<std::string> shown;
    std::vector<std::string> shownSub;
    ASSERT_TRUE(host.Popup(menu, [&](HWND menuWindow) {
        shown = ShownCaptions(MenuOf(menuWindow));
        shownSub = ShownCaptions(::GetSubMenu(MenuOf(menuWindow), 2));
        ::EndMenu();
    }));
    EXPECT_FALSE(host.watchdogFired);
    const std::vector<std::string> expected = {
        "&Add Rule", "&Edit Rule", "&Stay on Top", "-", "Se&ttings",
        "-",         "&Help",      "A&bout...",    "-", "E&xit"};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(menu.VisibleCaptions(), expected);
    const std::vector<std::string> expectedSub = {"&Stay On Top", "&Normal", "S&tay Put"};
    EXPECT_EQ(shownSub, expectedSub);
    EXPECT_EQ(menu.VisibleCaptions(4), expectedSub);
    // Separator visibility belongs to the tidy rule and stays in the model; captions do not.
    EXPECT_FALSE(menu.Find("Lead")->visible);
    EXPECT_FALSE(menu.Find("N5")->visible);
    EXPECT_TRUE(menu.Find("N8")->visible);
    EXPECT_FALSE(menu.Find("Trail")->visible);
    EXPECT_EQ(menu.Find("Settings2")->caption, "S&ettings");
    EXPECT_EQ(menu.Find("Clash")->caption, "&Stay Put");
    EXPECT_EQ(menu.Find("nothing"), nullptr);
}

TEST(FlatMenu, AccessLettersAreTheSameOnEveryPopupAndCanBeLeftAlone) {
    Host host;
    FlatMenu menu = RulesTabMenu();
    std::vector<std::vector<std::string>> popups;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(host.Popup(menu, [&](HWND menuWindow) {
            popups.push_back(ShownCaptions(MenuOf(menuWindow)));
            ::EndMenu();
        }));
    }
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[0], popups[1]);

    // A menu whose letters are fixed by hand keeps its captions and separators as they are.
    FlatMenu other;
    other.tidy = false;
    other.items = {Separator("Lead"), Item("miAppName", "&Open", 1), Item("miExit", "&Exit", 2),
                   Item("Same", "&Open too", 3)};
    const std::vector<std::string> raw = {"-", "&Open", "&Exit", "&Open too"};
    EXPECT_EQ(other.VisibleCaptions(), raw);
    std::vector<std::string> shown;
    ASSERT_TRUE(host.Popup(other, [&](HWND menuWindow) {
        shown = ShownCaptions(MenuOf(menuWindow));
        ::EndMenu();
    }));
    EXPECT_EQ(shown, raw);
}

TEST(FlatMenu, MeasureGivesThePictureColumnAndTheTextAndThinSeparators) {
    Host host;
    FlatMenu menu;
    menu.items = {Item("Short", "&Go", 1), Separator("Line"),
                  Item("Long", "A much &longer caption", 2)};
    ASSERT_TRUE(host.Popup(menu, [](HWND) { ::EndMenu(); }));
    auto last = [&](UINT id) {
        MEASUREITEMSTRUCT found{};
        for (const MEASUREITEMSTRUCT& m : host.measured) {
            if (m.itemID == id) {
                found = m;
            }
        }
        return found;
    };
    auto textWidth = [](const char* text) {
        HDC screen = ::GetDC(nullptr);
        const HGDIOBJ old = ::SelectObject(screen, FlatMenu::MenuFont());
        RECT r{};
        ::DrawTextA(screen, text, -1, &r, DT_CALCRECT | DT_SINGLELINE);
        ::SelectObject(screen, old);
        ::ReleaseDC(nullptr, screen);
        return static_cast<int>(r.right);
    };
    const MEASUREITEMSTRUCT shortItem = last(1);
    const MEASUREITEMSTRUCT longItem = last(2);
    const MEASUREITEMSTRUCT line = last(0);
    const int shortText = textWidth("Go");
    const int longText = textWidth("A much longer caption");
    EXPECT_GE(static_cast<int>(shortItem.itemWidth), FlatMenu::kPictureColumn + shortText);
    EXPECT_LE(static_cast<int>(shortItem.itemWidth), FlatMenu::kPictureColumn + shortText + 40);
    EXPECT_EQ(static_cast<int>(longItem.itemWidth - shortItem.itemWidth), longText - shortText);
    EXPECT_GE(shortItem.itemHeight, 18u);
    EXPECT_GT(line.itemHeight, 0u);
    EXPECT_LE(line.itemHeight * 3, shortItem.itemHeight);

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

TEST(FlatMenu, ChosenItemsReachTheOwnerAsCommands) {
    Host host;
    FlatMenu menu;
    MenuItemModel more = Item("More", "&More", 0);
    more.children = {Item("Inner", "&Inner", 7)};
    menu.items = {Item("Hidden", "&Hidden", 90, false), Item("One", "&One", 1),
                  Item("Two", "&Two", 2, true, false), Item("Options", "&Options", 3), more};

    ASSERT_TRUE(host.Popup(menu, [](HWND menuWindow) {
        Key(menuWindow, VK_DOWN);
        Key(menuWindow, VK_RETURN);
    }));
    ASSERT_TRUE(vt::WaitUntil([&] { return !host.commands.empty(); }));
    EXPECT_EQ(host.commands.back(), 1);

    ASSERT_TRUE(host.Popup(menu, [](HWND menuWindow) {
        Key(menuWindow, VK_UP); // from no selection to the last item, the sub-menu
        Key(menuWindow, VK_RIGHT);
        Key(menuWindow, VK_RETURN);
    }));
    ASSERT_TRUE(vt::WaitUntil([&] { return host.commands.size() == 2; }));
    EXPECT_EQ(host.commands.back(), 7);

    // "&Options" lost its "O" to "&One" and was given "P" by the tidying.
    LRESULT byLetter = 0;
    LRESULT disabledLetter = 0;
    bool unknownLetter = true;
    ASSERT_TRUE(host.Popup(menu, [&](HWND menuWindow) {
        const HMENU shown = MenuOf(menuWindow);
        FlatMenu::HandleMenuChar(MAKEWPARAM('p', MF_POPUP), reinterpret_cast<LPARAM>(shown),
                                 byLetter);
        FlatMenu::HandleMenuChar(MAKEWPARAM('T', MF_POPUP), reinterpret_cast<LPARAM>(shown),
                                 disabledLetter);
        LRESULT ignored = 0;
        unknownLetter = FlatMenu::HandleMenuChar(MAKEWPARAM('z', MF_POPUP),
                                                 reinterpret_cast<LPARAM>(shown), ignored);
        Key(menuWindow, 'p', WM_CHAR);
    }));
    ASSERT_TRUE(vt::WaitUntil([&] { return host.commands.size() == 3; }));
    EXPECT_EQ(host.commands.back(), 3);
    EXPECT_EQ(byLetter, MAKELRESULT(2, MNC_EXECUTE));
    EXPECT_EQ(disabledLetter, MAKELRESULT(1, MNC_SELECT));
    EXPECT_FALSE(unknownLetter);
    EXPECT_FALSE(host.watchdogFired);
}

vantrel::platform::UniqueImageList SolidImages(COLORREF colour) {
    vantrel::platform::UniqueImageList list(
        ::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 0));
    Canvas picture(16, 16, colour);
    const vantrel::platform::UniqueGdiObject bitmap(::CreateCompatibleBitmap(picture.dc(), 16, 16));
    HDC dc = ::CreateCompatibleDC(picture.dc());
    const HGDIOBJ old = ::SelectObject(dc, bitmap.get());
    ::BitBlt(dc, 0, 0, 16, 16, picture.dc(), 0, 0, SRCCOPY);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ImageList_AddMasked(list.get(), static_cast<HBITMAP>(bitmap.get()), ART_KEY_COLOR);
    return list;
}

TEST(FlatMenu, DrawsPicturesStatesAndSeparatorsFlat) {
    Host host;
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
    ASSERT_TRUE(host.Popup(menu, [&](HWND menuWindow) {
        const HMENU shown = MenuOf(menuWindow);
        auto draw = [&](int position, UINT state) {
            MENUITEMINFOA info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_DATA;
            ::GetMenuItemInfoA(shown, static_cast<UINT>(position), TRUE, &info);
            shots.push_back(std::make_unique<Canvas>(w, h, RGB(1, 2, 3)));
            DRAWITEMSTRUCT item{};
            item.CtlType = ODT_MENU;
            item.itemState = state;
            item.hDC = shots.back()->dc();
            item.rcItem = {0, 0, w, h};
            item.itemData = info.dwItemData;
            EXPECT_TRUE(FlatMenu::HandleDrawItem(&item));
        };
        draw(0, 0);
        draw(0, ODS_SELECTED);
        draw(1, ODS_GRAYED);
        draw(2, 0);
        draw(3, 0);
        ::EndMenu();
    }));
    ASSERT_EQ(shots.size(), 5u);
    const Canvas& plain = *shots[0];
    const Canvas& selected = *shots[1];
    const Canvas& greyed = *shots[2];
    const Canvas& line = *shots[3];
    auto darkest = [](const Canvas& c) {
        int least = 765;
        for (int y = 0; y < h; ++y) {
            for (int x = FlatMenu::kPictureColumn; x < w; ++x) {
                const COLORREF p = c.At(x, y);
                least = std::min(least, GetRValue(p) + GetGValue(p) + GetBValue(p));
            }
        }
        return least;
    };

    EXPECT_EQ(plain.At(12, 11), RGB(0, 200, 0));
    EXPECT_EQ(shots[4]->At(12, 11), RGB(220, 0, 0));
    EXPECT_NE(plain.At(1, 1), plain.At(w - 3, 1)) << "the picture column is tinted";
    EXPECT_NE(plain.At(1, 1), RGB(1, 2, 3));
    const COLORREF fill = selected.At(w - 5, 3);
    EXPECT_NE(fill, plain.At(w - 5, 3));
    EXPECT_GT(GetBValue(fill), GetRValue(fill)) << "the selection is a soft blue";
    EXPECT_GT(GetRValue(fill) + GetGValue(fill) + GetBValue(fill),
              GetRValue(selected.At(0, 11)) + GetGValue(selected.At(0, 11)) +
                  GetBValue(selected.At(0, 11)))
        << "with a darker border";
    const COLORREF grey = greyed.At(12, 11);
    EXPECT_TRUE(GetRValue(grey) == GetGValue(grey) && GetGValue(grey) == GetBValue(grey));
    EXPECT_LT(darkest(plain), 150);
    EXPECT_GT(darkest(greyed), 300);
    EXPECT_NE(line.At(w / 2, h / 2), line.At(w / 2, 0)) << "the separator line";
    EXPECT_EQ(line.At(5, h / 2), line.At(5, 0)) << "which leaves the picture column alone";
    EXPECT_FALSE(host.watchdogFired);
}

// ---- Tabs ---------------------------------------------------------------------------------------

struct TabHost : Host {
    HWND tab = nullptr;
    TabHost() {
        tab = ::CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | TCS_BOTTOM, 21, 73,
                                471, 300, window, nullptr, nullptr, nullptr);
        const char* captions[] = {"Window List", "Rules"};
        for (int i = 0; i < 2; ++i) {
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>(captions[i]);
            ::SendMessageA(tab, TCM_INSERTITEMA, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(&item));
        }
        vantrel::MakeFlatTabs(tab);
    }
    RECT ItemRect(int index) const {
        RECT r{};
        ::SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(&r));
        return r;
    }
    void Click(int index) const {
        const RECT r = ItemRect(index);
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(tab, WM_LBUTTONUP, 0, at);
    }
};

TEST(FlatTabs, ClickingATabSelectsItAndNotifiesTheParent) {
    TabHost host;
    host.Click(1);
    EXPECT_EQ(::SendMessageA(host.tab, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(host.tabCodes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
    host.Click(1);
    EXPECT_EQ(host.tabCodes.size(), 2u) << "the selected tab again changes nothing";
    host.Click(0);
    EXPECT_EQ(::SendMessageA(host.tab, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(host.tabCodes.size(), 4u);
}

TEST(FlatTabs, TabsSitAtTheBottomInTheirOwnBoldFont) {
    TabHost host;
    const RECT first = host.ItemRect(0);
    EXPECT_GE(first.top, 300 - 22);
    EXPECT_LE(first.bottom, 300);
    EXPECT_GE(first.top, 284) << "below the lists that lie over the page";
    ::SendMessageA(host.tab, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(SYSTEM_FONT)),
                   TRUE);
    LOGFONTA font{};
    ::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(host.tab, WM_GETFONT, 0, 0)),
                 sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -13);
    EXPECT_GE(font.lfWeight, FW_BOLD);
    EXPECT_EQ(host.ItemRect(0).top, first.top);
}

TEST(FlatTabs, OliveTabsRedCaptionsAndTheSelectedOneMergesIntoThePage) {
    TabHost host;
    Canvas shot(471, 300, RGB(1, 2, 3));
    ::SendMessageA(host.tab, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.dc()), PRF_CLIENT);
    const RECT selected = host.ItemRect(0);
    const RECT other = host.ItemRect(1);
    const int middle = (selected.top + selected.bottom) / 2;
    auto reds = [&](const RECT& r) {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                count += IsRed(shot.At(x, y)) ? 1 : 0;
            }
        }
        return count;
    };
    const COLORREF page = shot.At(200, 100);
    const COLORREF olive = shot.At(other.left + 3, other.top + 2);
    EXPECT_EQ(shot.At(selected.left + 3, selected.top + 2), page);
    EXPECT_LE(std::abs(GetRValue(olive) - GetGValue(olive)), 12);
    EXPECT_GT(GetGValue(olive), GetBValue(olive) + 40);
    EXPECT_GT(reds(selected), 20);
    EXPECT_GT(reds(other), 20);
    EXPECT_EQ(shot.At(0, 100), RGB(0xAF, 0xA8, 0x99));
    const int border = selected.top - 1;
    EXPECT_EQ(shot.At((selected.left + selected.right) / 2, border), page);
    EXPECT_EQ(shot.At((other.left + other.right) / 2, border), RGB(0xAF, 0xA8, 0x99));
    // The parent's picture shows between the tabs and beside them.
    EXPECT_EQ(shot.At(selected.right - 1, middle), PatternAt(21 + selected.right - 1, 73 + middle));
    EXPECT_EQ(shot.At(460, middle), PatternAt(21 + 460, 73 + middle));
}

// ---- Buttons ------------------------------------------------------------------------------------

struct ButtonHost : Host {
    HWND button = nullptr;
    ButtonHost(const char* caption, int charHeight, COLORREF text, bool transparent) {
        button =
            ::CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 88, 49,
                              51, 18, window, reinterpret_cast<HMENU>(42), nullptr, nullptr);
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
    ButtonHost opaque("Menu", 11, RGB(0, 0, 0), false);
    EXPECT_NE(opaque.Shot()->At(1, 1), PatternAt(89, 50)) << "a face of its own";
}

TEST(FlatButton, ClicksArriveAsBnClickedAndHoverComesAndGoes) {
    ButtonHost host("X", 13, RGB(255, 255, 255), true);
    EXPECT_EQ(::GetWindowLongPtrA(host.button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    const COLORREF before = host.Shot()->At(3, 3);
    ::SendMessageA(host.button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_NE(host.Shot()->At(3, 3), before);
    ::SendMessageA(host.button, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(host.Shot()->At(3, 3), before);

    ::SendMessageA(host.button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageA(host.button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(vt::WaitUntil([&] { return !host.commands.empty(); }));
    EXPECT_EQ(host.commands.back(), 42);
}

TEST(FlatButton, BigSingleCharactersAreCentredOnTheirPixels) {
    for (const int height : {32, 13}) {
        ButtonHost host(height == 32 ? "-" : "X", height, RGB(255, 255, 255), false);
        ::SetWindowPos(host.button, nullptr, 0, 0, 21, 17, SWP_NOMOVE | SWP_NOZORDER);
        const auto shot = host.Shot();
        int left = 21, right = -1, top = 17, bottom = -1;
        for (int y = 0; y < 17; ++y) {
            for (int x = 0; x < 21; ++x) {
                if (shot->At(x, y) == RGB(255, 255, 255)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        ASSERT_GE(right, left) << "caption drawn at height " << height;
        EXPECT_LE(std::abs(left - (20 - right)), 1) << height;
        EXPECT_LE(std::abs(top - (16 - bottom)), 1) << height;
    }
}

TEST(FlatButton, HandCursorOnlyWhereAsked) {
    ButtonHost host("-", 32, RGB(255, 255, 255), true);
    const HCURSOR hand = ::LoadCursor(nullptr, IDC_HAND);
    ::SendMessageA(host.button, WM_SETCURSOR, reinterpret_cast<WPARAM>(host.button),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(::GetCursor(), hand);
    vantrel::SetFlatButtonHandCursor(host.button);
    ::SendMessageA(host.button, WM_SETCURSOR, reinterpret_cast<WPARAM>(host.button),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), hand);
}

// ---- Pictures -----------------------------------------------------------------------------------

TEST(FlatDrawing, MenuPicturesAndKeyedBitmapsLeaveTheKeyColourOut) {
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    const auto images = vantrel::LoadMenuImages(instance);
    ASSERT_TRUE(images);
    EXPECT_EQ(::ImageList_GetImageCount(images.get()), ART_MENU_IMAGE_COUNT);
    const vantrel::platform::UniqueGdiObject strip(
        ::LoadImageA(instance, MAKEINTRESOURCEA(IDB_MENU_IMAGES), IMAGE_BITMAP, 0, 0, 0));
    Canvas source(16 * ART_MENU_IMAGE_COUNT, 16, RGB(0, 0, 0));
    const COLORREF back = RGB(0, 90, 0);
    Canvas drawn(16 * ART_MENU_IMAGE_COUNT, 16, back);
    Canvas keyed(16 * ART_MENU_IMAGE_COUNT + 5, 19, back);
    vantrel::DrawKeyedBitmap(source.dc(), static_cast<HBITMAP>(strip.get()), 0, 0, RGB(1, 1, 1));
    vantrel::DrawKeyedBitmap(keyed.dc(), static_cast<HBITMAP>(strip.get()), 5, 3, ART_KEY_COLOR);
    for (int i = 0; i < ART_MENU_IMAGE_COUNT; ++i) {
        ::ImageList_Draw(images.get(), i, drawn.dc(), 16 * i, 0, ILD_TRANSPARENT);
    }
    int keyPixels = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16 * ART_MENU_IMAGE_COUNT; ++x) {
            const COLORREF original = source.At(x, y);
            const COLORREF expected = original == ART_KEY_COLOR ? back : original;
            keyPixels += original == ART_KEY_COLOR ? 1 : 0;
            ASSERT_EQ(drawn.At(x, y), expected) << x << "," << y;
            ASSERT_EQ(keyed.At(x + 5, y + 3), expected) << x << "," << y;
        }
    }
    EXPECT_GT(keyPixels, 16 * ART_MENU_IMAGE_COUNT);
    EXPECT_EQ(keyed.At(2, 1), back);
}

} // namespace
