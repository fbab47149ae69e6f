// Commands on the selected window and on all listed windows, against another process's windows.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/messages.h"
#include "commands/transparency_dialog.h"
#include "platform/desktop_window_manager.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

using vt::Topmost;

bool Layered(HWND w) {
    return (::GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}
int Alpha(HWND w) {
    BYTE alpha = 0;
    DWORD flags = 0;
    return ::GetLayeredWindowAttributes(w, nullptr, &alpha, &flags) ? alpha : -1;
}

class WindowCommands : public vt::MainFormTest {
protected:
    vt::Fixture fixture_;
    HWND Make(const std::string& cls, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
        vt::WindowSpec spec;
        spec.className = cls;
        spec.style = style;
        return fixture_.CreateOne(spec);
    }
    void SelectWindow(HWND w) {
        const int row = form().windows().Find(w);
        ASSERT_GE(row, 0);
        form().lvMain().Select(row);
    }
    // Runs the custom transparency dialog from the list command, typing `percent` and OK.
    int TransparencyDialog(const std::string& percent, int* shownValue = nullptr) {
        vt::WhenModalOpens("Custom transparency", [&](vantrel::Form& f) {
            auto& dialog = static_cast<vantrel::TfrmCustomTransparency&>(f);
            if (shownValue != nullptr) {
                *shownValue = dialog.Value();
            }
            vantrel::SetControlText(dialog.ValueEdit(), percent);
            vt::Click(vt::Control(f.Handle(), vantrel::TfrmCustomTransparency::kOkId));
        });
        form().aCustomTranspExecute();
        return vt::DropPendingScripts();
    }
};

TEST_F(WindowCommands, TopmostAndTransparencyOnTheSelectedWindow) {
    const HWND w = Make(vt::UniqueName("CmdZ"));
    Start();
    form().lvMain().Select(-1);
    form().aStayOnTopExecute(); // no selection: nothing
    fixture_.Sync();            // the window has handled whatever reached it
    EXPECT_FALSE(Topmost(w));
    SelectWindow(w);
    form().aStayOnTopExecute();
    fixture_.Sync();
    EXPECT_TRUE(Topmost(w));
    form().aNormalExecute();
    fixture_.Sync();
    EXPECT_FALSE(Topmost(w));

    int shown = -1;
    EXPECT_EQ(TransparencyDialog("100", &shown), 0);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(Layered(w));
    EXPECT_EQ(Alpha(w), 0);
    EXPECT_EQ(TransparencyDialog("35", &shown), 0);
    EXPECT_EQ(shown, 100); // the row's last level
    EXPECT_EQ(Alpha(w), 165);
    EXPECT_EQ(form().windows().At(form().windows().Find(w)).transparency, 35);

    form().aRemoveTranspExecute();
    EXPECT_FALSE(Layered(w));
    EXPECT_EQ(form().windows().At(form().windows().Find(w)).transparency, 0);

    // After a rebuild the row starts again from opaque.
    EXPECT_EQ(TransparencyDialog("30"), 0);
    form().catalogue().Rebuild();
    SelectWindow(w);
    EXPECT_EQ(TransparencyDialog("30", &shown), 0);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(Alpha(w), 178);
}

TEST_F(WindowCommands, TransparencyDialogFromTheSystemMenuForAnUnlistedWindow) {
    const HWND w = Make(vt::UniqueName("CmdUnlisted"));
    Start();
    form().catalogue().Rebuild();
    const int row = form().windows().Find(w);
    ASSERT_GE(row, 0);
    form().windows().Remove(w); // dropped out of the list, its menu items stay
    std::string caption;
    vt::WhenModalOpens("Custom transparency", [&](vantrel::Form& f) {
        caption = f.Caption();
        vantrel::SetControlText(static_cast<vantrel::TfrmCustomTransparency&>(f).ValueEdit(), "50");
        vt::Click(vt::Control(f.Handle(), vantrel::TfrmCustomTransparency::kOkId));
    });
    ::SendMessageA(form().Handle(), vantrel::WM_SYSMENUCOMMAND, reinterpret_cast<WPARAM>(w), 30);
    EXPECT_EQ(vt::DropPendingScripts(), 0);
    EXPECT_EQ(caption.rfind("Custom transparency: ", 0), 0u);
    EXPECT_EQ(Alpha(w), 127);
}

// Windows that their own programs made layered keep what their drawing needs: one with
// attributes keeps the layered style (and its colour key) when made opaque again, one drawn with
// UpdateLayeredWindow is not touched at all, since attributes set on it would stop its drawing.
TEST_F(WindowCommands, TransparencyKeepsOtherProgramsLayeringIntact) {
    constexpr COLORREF kKey = RGB(0, 255, 0);
    constexpr int kLevel30 = 35; // system-menu item of 30 %
    constexpr int kRemove = 31;
    struct Case {
        const char* kind;
        int alpha; // layered by its program with this alpha (-1: not by attributes)
        bool colorKey;
        bool drawn;
        int levels; // level commands before the remove
        // Expected after the level commands, then after the remove; alpha -1: none readable.
        int alphaSet;
        bool layeredRemoved;
        int alphaRemoved;
    };
    const Case cases[] = {
        {"plain", -1, false, false, 1, 178, false, -1},
        {"plain, two levels", -1, false, false, 2, 178, false, -1},
        {"alpha 200", 200, false, false, 1, 178, true, 255},
        {"alpha 200, colour key", 200, true, false, 1, 178, true, 255},
        {"drawn", -1, false, true, 1, -1, true, -1},
    };
    std::vector<HWND> windows;
    for (const Case& c : cases) {
        vt::WindowSpec spec;
        spec.className = vt::UniqueName("Layering");
        spec.alpha = c.alpha;
        spec.colorKey = c.colorKey;
        spec.key = kKey;
        spec.drawn = c.drawn;
        windows.push_back(fixture_.CreateOne(spec));
    }
    Start();
    const auto command = [&](HWND w, int id) {
        ::SendMessageA(form().Handle(), vantrel::WM_SYSMENUCOMMAND, reinterpret_cast<WPARAM>(w),
                       id);
    };
    const auto keyKept = [&](HWND w) {
        COLORREF key = 0;
        DWORD flags = 0;
        return ::GetLayeredWindowAttributes(w, &key, nullptr, &flags) &&
               (flags & LWA_COLORKEY) != 0 && key == kKey;
    };
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const Case& c = cases[i];
        const HWND w = windows[i];
        for (int n = 0; n < c.levels; ++n) {
            command(w, kLevel30);
        }
        EXPECT_TRUE(Layered(w)) << c.kind;
        EXPECT_EQ(Alpha(w), c.alphaSet) << c.kind;
        EXPECT_EQ(keyKept(w), c.colorKey) << c.kind;
        command(w, kRemove);
        EXPECT_EQ(Layered(w), c.layeredRemoved) << c.kind;
        EXPECT_EQ(Alpha(w), c.alphaRemoved) << c.kind;
        EXPECT_EQ(keyKept(w), c.colorKey) << c.kind;
    }
    // No dialog for the drawn window: no level chosen there could be applied.
    const HWND drawn = windows.back();
    vt::WhenModalOpens("Custom transparency", [](vantrel::Form& f) {
        vt::Click(vt::Control(f.Handle(), vantrel::TfrmCustomTransparency::kCancelId));
    });
    form().ShowTransparencyDialog(drawn, -1);
    EXPECT_EQ(vt::DropPendingScripts(), 1);

    // A window made layered here and then destroyed is forgotten with it.
    command(windows.front(), kLevel30);
    ASSERT_TRUE(form().layeredWindows().MadeLayered(windows.front()));
    fixture_.Destroy(windows.front());
    EXPECT_FALSE(form().layeredWindows().MadeLayered(windows.front()));
}

TEST_F(WindowCommands, AlignmentMovesTheSelectedWindow) {
    const HWND w = Make(vt::UniqueName("CmdAlign"));
    Start();
    SelectWindow(w);
    form().aAlignExecute(8); // bottom right
    fixture_.Sync();
    RECT r{};
    ::GetWindowRect(w, &r);
    EXPECT_EQ(r.right, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom, ::GetSystemMetrics(SM_CYSCREEN));
    form().aAlignExecute(0);
    fixture_.Sync();
    ::GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
}

TEST_F(WindowCommands, MassCommandsWalkTheListAsItStands) {
    const std::string base = vt::UniqueName("Mass");
    const HWND plain = Make(base + "Plain");
    const DWORD framed = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    const HWND noBoxes =
        Make(base + "NoBoxes", framed & ~static_cast<DWORD>(WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
    Start();

    form().miMaxIEClick();
    fixture_.Sync();
    EXPECT_FALSE(::IsZoomed(plain));
    form().miMaxAllClick();
    fixture_.Sync();
    EXPECT_TRUE(::IsZoomed(plain));
    EXPECT_FALSE(::IsZoomed(noBoxes));

    form().miMinimizeAllClick();
    fixture_.Sync();
    EXPECT_TRUE(::IsIconic(plain));
    EXPECT_FALSE(::IsIconic(noBoxes));

    form().miCloseAllClick();
    for (HWND w : {plain, noBoxes}) {
        EXPECT_TRUE(vt::WaitUntil([&] { return fixture_.GetCounts(w).sysCommandClose == 1; }));
    }
    EXPECT_TRUE(::IsWindow(plain)); // only asked; the application decides
}

// Wine never cloaks a window: the system's answer is injected, for a window the user moved to
// another virtual desktop after it was listed.
TEST_F(WindowCommands, CloakedWindowsAreNeitherListedNorActedOn) {
    const std::string base = vt::UniqueName("Cloak");
    const HWND seen = Make(base + "Seen");
    const HWND cloaked = Make(base + "Away");
    Start();
    ASSERT_GE(RowOf(cloaked), 0);
    struct Uncloak {
        ~Uncloak() { vantrel::platform::dwm::SetCloakedAnswerForTests(nullptr); }
    } uncloak;
    vantrel::platform::dwm::SetCloakedAnswerForTests([&](HWND w) { return w == cloaked; });

    form().miMaxAllClick();
    form().miMinimizeAllClick();
    form().miCloseAllClick();
    EXPECT_TRUE(vt::WaitUntil([&] { return fixture_.GetCounts(seen).sysCommandClose == 1; }));
    fixture_.Sync();
    EXPECT_TRUE(::IsIconic(seen));
    EXPECT_FALSE(::IsIconic(cloaked));
    EXPECT_FALSE(::IsZoomed(cloaked));
    EXPECT_EQ(fixture_.GetCounts(cloaked).sysCommandClose, 0);

    EXPECT_EQ(RowOf(cloaked), -1);
    EXPECT_GE(RowOf(seen), 0);
    form().catalogue().AddOne(cloaked);
    EXPECT_EQ(form().windows().Find(cloaked), -1) << "a cloaked window is not a new window";
    vantrel::platform::dwm::SetCloakedAnswerForTests(nullptr);
    EXPECT_GE(RowOf(cloaked), 0) << "uncloaked, the next rebuild lists it";
}

// Class names are atoms shared by the whole desktop and keep the letter case of their first
// registration, so "ieframe" and "IEFrame" cannot be open at the same time: one after the other.
TEST_F(WindowCommands, OnlyTheExactInternetExplorerClassIsMaximizedByItsCommand) {
    {
        vt::Fixture lowerCase;
        vt::WindowSpec spec;
        spec.className = "ieframe";
        const HWND lower = lowerCase.CreateOne(spec);
        char cls[64] = {};
        ::GetClassNameA(lower, cls, sizeof(cls));
        ASSERT_STREQ(cls, "ieframe");
        Start();
        form().miMaxIEClick();
        lowerCase.Sync();
        EXPECT_FALSE(::IsZoomed(lower));
        form_.reset();
    }
    const HWND ie =
        Make("IEFrame", (WS_OVERLAPPEDWINDOW | WS_VISIBLE) & ~static_cast<DWORD>(WS_MAXIMIZEBOX));
    Start();
    form().miMaxIEClick();
    fixture_.Sync();
    EXPECT_TRUE(::IsZoomed(ie)); // even without a maximize box
}

} // namespace
