// The main window's final form: tabs, menus and their enabled states, buttons, dragging.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <algorithm>
#include <fstream>
#include <vector>

#include "app/command_ids.h"
#include "res/art_ids.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"
#include "ui/main_graphics.h"
#include "ui/main_menus.h"

namespace {

using vantrel::MenuItemModel;

class MainLayout : public vt::MainFormTest {
protected:
    // Captions (without access marks) of the visible top-level items, "-" for separators, as the
    // list menu would show them when it opens.
    std::vector<std::string> ListMenuNow() {
        form().UpdateActions();
        std::vector<std::string> out = form().pmMain().VisibleCaptions();
        std::transform(out.begin(), out.end(), out.begin(), vt::ShownText);
        return out;
    }
    bool Enabled(const std::string& name) {
        form().UpdateActions();
        const MenuItemModel* item = form().pmMain().Find(name);
        return item != nullptr && item->enabled;
    }
    void SwitchTab(int tab) {
        ::SendMessageA(form().ftcMain(), TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
        form().ftcMainTabChanged(tab);
    }
    LRESULT HitTest(int x, int y) {
        const RECT r = vt::WindowRectOf(form().Handle());
        return ::SendMessageA(form().Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.left + x, r.top + y));
    }
};

TEST_F(MainLayout, TabsSwapListsButtonsAndMenuItemsWhoseStatesFollowTheSelection) {
    vt::Fixture fixture;
    const HWND window = fixture.CreateOfNewClass("Layout");
    Start();
    // The lists and the buttons that trade places, those shown.
    const auto shown = [this] {
        std::string names = form().lvMain().Visible() ? " lvMain" : "";
        names += form().lvRule().Visible() ? " lvRule" : "";
        for (const char* button : {"bRefresh", "bTransp", "bEditRule", "bDeleteRule"}) {
            names += form().Graphic(button)->visible ? std::string(" ") + button : "";
        }
        return names;
    };
    const std::vector<std::string> windowMenu = ListMenuNow();
    EXPECT_EQ(windowMenu.front(), "Add Rule");
    EXPECT_EQ(windowMenu.back(), "Exit");
    EXPECT_EQ(shown(), " lvMain bRefresh bTransp");

    SwitchTab(1);
    EXPECT_EQ(ListMenuNow(),
              (std::vector<std::string>{"Add Rule", "Edit Rule", "Delete Rule", "-", "Settings",
                                        "-", "Help", "About...", "-", "Exit"}));
    EXPECT_EQ(shown(), " lvRule bEditRule bDeleteRule");
    // The rule buttons stand exactly where the window buttons stood.
    EXPECT_TRUE(
        ::EqualRect(&form().Graphic("bEditRule")->bounds, &form().Graphic("bRefresh")->bounds));
    EXPECT_TRUE(
        ::EqualRect(&form().Graphic("bDeleteRule")->bounds, &form().Graphic("bTransp")->bounds));

    SwitchTab(0);
    EXPECT_EQ(ListMenuNow(), windowMenu);

    form().lvMain().Select(-1);
    for (const char* name : {"SetRule1", "miWinowProp", "aMinimizeToTray1", "Resizewindow1"}) {
        EXPECT_FALSE(Enabled(name)) << name;
    }
    for (const char* name : {"Refresh1", "Settings2", "Help2", "miAbout", "Exit2"}) {
        EXPECT_TRUE(Enabled(name)) << name;
    }
    form().lvMain().Select(form().windows().Find(window));
    EXPECT_TRUE(Enabled("SetRule1"));
    EXPECT_TRUE(Enabled("Resizewindow1"));
    const MenuItemModel* places = form().pmMain().Find("Alignment1");
    ASSERT_NE(places, nullptr);
    ASSERT_EQ(places->children.size(), 9u);
    EXPECT_TRUE(places->children[4].enabled);

    SwitchTab(1);
    form().lvRule().Select(-1);
    EXPECT_TRUE(Enabled("miRulesSetRule"));
    EXPECT_FALSE(Enabled("EditRule1"));
    EXPECT_FALSE(Enabled("DeleteRule1"));
    // A window selected on the hidden list does not count on the rules tab.
    EXPECT_FALSE(Enabled("SetRule1"));
}

TEST_F(MainLayout, RulesColumnsTakeTheirWidthsFromTheList) {
    Start();
    const int expected[] = {117, 87, 87, 0, 87, 88};
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(form().lvRule().ColumnWidth(column), expected[column]) << column;
    }
    const RECT list = vt::ClientRectOf(form().lvMain().Handle());
    EXPECT_EQ(list.left, 21);
    EXPECT_EQ(list.top, 73);
    EXPECT_EQ(list.right - list.left, 470);
    EXPECT_EQ(form().lvMain().ColumnWidth(0), 185);
    EXPECT_EQ(form().lvMain().ColumnWidth(4), 0);
}

TEST_F(MainLayout, BackgroundDragsTextsAndPictureButtonsDoNotAndTheLinkTurnsRedUnderTheMouse) {
    Start();
    EXPECT_EQ(HitTest(300, 20), HTCAPTION); // title band background
    EXPECT_EQ(HitTest(60, 40), HTCAPTION);  // toolbar background
    EXPECT_EQ(HitTest(10, 8), HTCLIENT);    // "Vantrel 2.0"
    EXPECT_EQ(HitTest(370, 8), HTCLIENT);   // the web link
    EXPECT_EQ(HitTest(180, 50), HTCLIENT);  // a picture button
    EXPECT_EQ(HitTest(200, 67), HTCLIENT);  // its bottom-right corner counts too
    EXPECT_EQ(HitTest(201, 68), HTCAPTION); // one pixel further does not
    EXPECT_EQ(HitTest(480, 70), HTCAPTION); // the hidden stock icon is not there

    EXPECT_FALSE(form().linkHot());
    ::SendMessageA(form().Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(370, 8));
    EXPECT_TRUE(form().linkHot());
    ::SendMessageA(form().Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 20));
    EXPECT_FALSE(form().linkHot());
    ::SendMessageA(form().Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(370, 8));
    ::SendMessageA(form().Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(form().linkHot());
}

TEST_F(MainLayout, AtNinetySixDpiThePicturesAreTheirFirstDrawingsPixelForPixel) {
    Start();
    const auto resource = [](int id) {
        const vantrel::platform::UniqueGdiObject bitmap(
            ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                         LR_CREATEDIBSECTION));
        return vt::Picture(static_cast<HBITMAP>(bitmap.get()));
    };
    // What the window should show: the background with the keyed button pictures over it.
    const auto expected = resource(IDB_MAIN_BACKGROUND);
    std::vector<RECT> texts;
    for (const auto& c : vantrel::MainWindowGraphics({})) {
        if (c.visible && (c.kind == vantrel::GraphicControl::kText ||
                          c.kind == vantrel::GraphicControl::kLink)) {
            texts.push_back(c.bounds);
            texts.back().right = 512; // the title's width follows its font
            texts.back().bottom += 20;
        }
        if (c.visible && c.kind == vantrel::GraphicControl::kPictureButton) {
            const auto button = resource(c.bitmap);
            for (int i = 0; i < 32 * 32; ++i) {
                if (button->At(i % 32, i / 32) != RGB(255, 0, 255)) {
                    expected->Set(c.bounds.left + i % 32, c.bounds.top + i / 32,
                                  button->At(i % 32, i / 32));
                }
            }
        }
    }
    const auto shown = vt::Shot(form().Handle());
    RECT client{};
    ::GetClientRect(form().Handle(), &client); // the picture's last row lies below it
    int compared = 0;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < 512; ++x) {
            const POINT p{x, y};
            if (std::none_of(texts.begin(), texts.end(),
                             [p](const RECT& r) { return ::PtInRect(&r, p) != FALSE; })) {
                ++compared;
                ASSERT_EQ(shown->At(x, y), expected->At(x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_GT(compared, 512 * 340);
}

TEST_F(MainLayout, MenuButtonOpensTheListMenuBelowItselfWhereverTheWindowIs) {
    Start();
    for (POINT to : {POINT{123, 45}, POINT{300, 200}}) {
        ::SetWindowPos(form().Handle(), nullptr, to.x, to.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        const POINT at = form().MenuButtonPopupPoint();
        EXPECT_EQ(at.x, to.x + 88);
        EXPECT_EQ(at.y, to.y + 49 + 18);
    }
}

// A help file in the current folder must not be the one that opens.
TEST_F(MainLayout, HelpOpensTheFileBesideTheProgramFromAnyFolder) {
    Start();
    vt::OpenRecorder opener;
    vt::TempDir elsewhere;
    ASSERT_TRUE(std::ofstream(elsewhere.path() + "Vantrel.chm").good());
    char before[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(::SetCurrentDirectoryA(elsewhere.path().c_str()));
    ::SendMessageA(form().Handle(), WM_COMMAND, vantrel::kCmdHelp, 0);
    ::SetCurrentDirectoryA(before);
    const std::string folder = vt::TestBinFolder();
    EXPECT_TRUE(vt::Exists(folder + "vantrel_tests.exe")) << "the running program's folder";
    EXPECT_EQ(opener.calls, vt::OpenRecorder::Calls({{form().Handle(), folder + "Vantrel.chm"}}));
}

} // namespace
