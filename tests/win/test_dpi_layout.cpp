// The layout at the scalings people use: the program started at each DPI, read from outside, and
// dialogs that follow a change of DPI.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "rules/set_rule_dialog.h"
#include "support/app_process.h"
#include "support/test_support.h"
#include "support/wait.h"
#include "ui/about_dialog.h"

namespace {

// This thread reads other windows in physical pixels (per monitor v2), as the program itself
// does, instead of having them scaled to its own DPI.
struct ScopedPhysicalPixels : vt::NoCopy {
    using Fn = HANDLE(WINAPI*)(HANDLE);
    const Fn set = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
    const HANDLE old = set != nullptr ? set(reinterpret_cast<HANDLE>(-4)) : nullptr;
    ~ScopedPhysicalPixels() {
        if (old != nullptr) {
            set(old);
        }
    }
};

int At(int value, int dpi) {
    return ::MulDiv(value, dpi, 96);
}

struct Child {
    std::string name; // class and id: the same control at every DPI
    RECT rect;        // in the parent's client area
};

std::vector<Child> ShownChildren(HWND parent) {
    std::vector<Child> out;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (::IsWindowVisible(c)) {
            out.push_back(
                {vt::ClassOf(c) + "#" + std::to_string(::GetDlgCtrlID(c)), vt::ClientRectOf(c)});
        }
    }
    return out;
}

std::set<std::pair<std::string, std::string>> Overlapping(const std::vector<Child>& children) {
    std::set<std::pair<std::string, std::string>> out;
    for (size_t i = 0; i < children.size(); ++i) {
        for (size_t j = i + 1; j < children.size(); ++j) {
            RECT both{};
            if (::IntersectRect(&both, &children[i].rect, &children[j].rect)) {
                out.emplace(children[i].name, children[j].name);
            }
        }
    }
    return out;
}

struct MainWindowAt {
    SIZE client{};
    std::vector<Child> children;
    std::vector<int> columns; // the window list's widths
    int headerHeight = 0;
};

MainWindowAt StartAt(int dpi) {
    // The prefix's display scaling for programs started from now on; the old one comes back after.
    const auto pixels = static_cast<DWORD>(dpi);
    const vt::RegValueOverride scaling(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels",
                                       REG_DWORD, &pixels, sizeof pixels);
    EXPECT_TRUE(scaling);
    vt::AppProcess app;
    const HWND main = app.MainWindow();
    MainWindowAt seen;
    if (main == nullptr || !vt::WaitUntil([&] { return ::IsWindowVisible(main) != FALSE; })) {
        ADD_FAILURE() << "no main window at " << dpi << " DPI";
        return seen;
    }
    const ScopedPhysicalPixels physical;
    RECT client{};
    ::GetClientRect(main, &client);
    seen.client = SIZE{client.right, client.bottom};
    seen.children = ShownChildren(main);
    const HWND list = ::GetDlgItem(main, 101);
    for (int column = 0; column < 4; ++column) {
        seen.columns.push_back(
            static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0)));
    }
    const RECT header = vt::WindowRectOf(::GetWindow(list, GW_CHILD));
    seen.headerHeight = header.bottom - header.top;
    return seen;
}

TEST(DpiLayout, MainWindowScalesAsAWholeAtEveryDpi) {
    const MainWindowAt base = StartAt(96);
    ASSERT_FALSE(base.children.empty());
    const auto overlapsAt96 = Overlapping(base.children);
    for (int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(std::to_string(dpi) + " DPI");
        const MainWindowAt seen = dpi == 96 ? base : StartAt(dpi);
        EXPECT_NEAR(seen.client.cx, At(512, dpi), 1);
        EXPECT_NEAR(seen.client.cy, At(382, dpi), 1);
        ASSERT_EQ(seen.children.size(), base.children.size());
        const RECT client{0, 0, seen.client.cx, seen.client.cy};
        for (size_t i = 0; i < seen.children.size(); ++i) {
            const Child& c = seen.children[i];
            RECT inside{};
            ::IntersectRect(&inside, &c.rect, &client);
            EXPECT_TRUE(::EqualRect(&inside, &c.rect)) << c.name << " reaches out of the window";
            // Every child window is a figure of the 96-DPI layout, scaled.
            const Child& b = base.children[i];
            EXPECT_EQ(c.name, b.name);
            EXPECT_NEAR(c.rect.left, At(b.rect.left, dpi), 1) << c.name;
            EXPECT_NEAR(c.rect.bottom, At(b.rect.bottom, dpi), 1) << c.name;
        }
        EXPECT_EQ(Overlapping(seen.children), overlapsAt96);
        for (size_t column = 0; column < seen.columns.size(); ++column) {
            EXPECT_NEAR(seen.columns[column], At(base.columns[column], dpi), 1) << column;
        }
        // The lists' font grew with the scaling, or their captions would stand in a strip cut
        // for a smaller one. (How much it grows is the font's: Wine's bitmap "MS Sans Serif"
        // stops short of the larger sizes.)
        if (dpi > 96) {
            EXPECT_GT(seen.headerHeight, base.headerHeight);
        }
    }
}

// A dialog moved to a monitor of another scaling: its controls and font follow, and coming back
// leaves every control exactly where it was.
TEST(DpiLayout, DialogsFollowAChangeOfDpiAndComeBackExactly) {
    vantrel::TfrmSetRule setRule(nullptr);
    vantrel::TfrmAbout about(nullptr);
    for (vantrel::Form* form : std::vector<vantrel::Form*>{&setRule, &about}) {
        SCOPED_TRACE(form->Caption());
        const HWND window = form->Create();
        const std::vector<Child> before = ShownChildren(window);
        const RECT frame96 = vt::WindowRectOf(window);
        for (int dpi : {144, 96}) {
            const RECT suggested{frame96.left, frame96.top,
                                 frame96.left + At(frame96.right - frame96.left, dpi),
                                 frame96.top + At(frame96.bottom - frame96.top, dpi)};
            ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                           reinterpret_cast<LPARAM>(&suggested));
            SCOPED_TRACE(std::to_string(dpi) + " DPI");
            vt::ExpectSoundLayout(window);
        }
        const std::vector<Child> after = ShownChildren(window);
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_TRUE(::EqualRect(&after[i].rect, &before[i].rect)) << after[i].name;
        }
    }
}

} // namespace
