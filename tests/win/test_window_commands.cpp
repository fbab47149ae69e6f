// Commands on the selected window and on all listed windows, against another process's windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <iterator>
#include <string>

#include "app/rule_application.h"
#include "commands/transparency_dialog.h"
#include "platform/desktop_window_manager.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

using vt::AlphaOf;
using vt::Topmost;

bool Layered(HWND w) {
    return (::GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

class WindowCommands : public vt::MainFormTest {
protected:
    vt::Fixture fixture_;
    HWND Make(const std::string& cls, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
        return fixture_.CreateOne(vt::Spec(cls, "", style));
    }
    // Runs the command, then lets the windows handle what reached them before they are read.
    void Run(const std::function<void()>& command) {
        command();
        fixture_.Sync();
    }
    // Runs the custom transparency dialog, from the list command or from the window's system
    // menu, typing `percent` and OK; returns the dialogs that never opened.
    int TransparencyDialog(const std::string& percent, HWND fromSystemMenu = nullptr) {
        vt::WhenModalOpens("Custom transparency", [&](vantrel::Form& f) {
            auto& dialog = static_cast<vantrel::TfrmCustomTransparency&>(f);
            shown_ = dialog.Value();
            caption_ = f.Caption();
            vantrel::SetControlText(dialog.ValueEdit(), percent);
            vt::Click(vt::Control(f.Handle(), vantrel::TfrmCustomTransparency::kOkId));
        });
        if (fromSystemMenu != nullptr) {
            vt::SysMenuCommand(form().Handle(), fromSystemMenu, vantrel::kSysCustomTransparency);
        } else {
            form().aCustomTranspExecute();
        }
        return vt::DropPendingScripts();
    }
    int shown_ = -1; // the level and the caption the latest dialog showed
    std::string caption_;
};

TEST_F(WindowCommands, TopmostTransparencyAndAlignmentOnTheSelectedWindow) {
    const HWND w = Make(vt::UniqueName("CmdZ"));
    Start();
    form().lvMain().Select(-1);
    Run([&] { form().aStayOnTopExecute(); });
    EXPECT_FALSE(Topmost(w)) << "no selection: nothing";
    form().SelectWindow(w);
    Run([&] { form().aStayOnTopExecute(); });
    EXPECT_TRUE(Topmost(w));
    Run([&] { form().aNormalExecute(); });
    EXPECT_FALSE(Topmost(w));

    EXPECT_EQ(TransparencyDialog("100"), 0);
    EXPECT_EQ(shown_, 0);
    EXPECT_EQ(AlphaOf(w), 0); // layered, fully transparent
    EXPECT_EQ(TransparencyDialog("35"), 0);
    EXPECT_EQ(shown_, 100); // the row's last level
    EXPECT_EQ(AlphaOf(w), 165);
    EXPECT_EQ(form().windows().At(form().windows().Find(w)).transparency, 35);

    form().aRemoveTranspExecute();
    EXPECT_FALSE(Layered(w));
    EXPECT_EQ(form().windows().At(form().windows().Find(w)).transparency, 0);

    // After a rebuild the row starts again from opaque.
    EXPECT_EQ(TransparencyDialog("30"), 0);
    form().catalogue().Rebuild();
    form().SelectWindow(w);
    EXPECT_EQ(TransparencyDialog("30"), 0);
    EXPECT_EQ(shown_, 0);
    EXPECT_EQ(AlphaOf(w), 178);

    Run([&] { form().aAlignExecute(8); }); // bottom right
    EXPECT_EQ(vt::WindowRectOf(w).right, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(vt::WindowRectOf(w).bottom, ::GetSystemMetrics(SM_CYSCREEN));
    Run([&] { form().aAlignExecute(0); });
    EXPECT_EQ(vt::PlaceOf(w).substr(0, 4), "0,0 ");

    // Dropped out of the list, the window keeps its system-menu items, and its dialog works.
    form().windows().Remove(w);
    EXPECT_EQ(TransparencyDialog("50", w), 0);
    EXPECT_EQ(caption_.rfind("Custom transparency: ", 0), 0u);
    EXPECT_EQ(AlphaOf(w), 127);
}

// Windows that their own programs made layered keep what their drawing needs: one with
// attributes keeps the layered style (and its colour key) when made opaque again, one drawn with
// UpdateLayeredWindow is not touched at all, since attributes set on it would stop its drawing.
TEST_F(WindowCommands, TransparencyKeepsOtherProgramsLayeringIntact) {
    constexpr COLORREF kKey = RGB(0, 255, 0);
    constexpr int kLevel30 = 35; // system-menu item of 30 %
    const struct {
        const char* kind;
        int alpha; // layered by its program with this alpha (-1: not by attributes)
        bool colorKey, drawn;
        int levels;                // level commands before the remove
        const char *set, *removed; // as Layering() reads the window then
    } cases[] = {
        {"plain", -1, false, false, 1, "layered 178", "plain -1"},
        {"plain, two levels", -1, false, false, 2, "layered 178", "plain -1"},
        {"alpha 200", 200, false, false, 1, "layered 178", "layered 255"},
        {"alpha 200, colour key", 200, true, false, 1, "layered 178 key", "layered 255 key"},
        {"drawn", -1, false, true, 1, "layered -1", "layered -1"},
    };
    std::vector<HWND> windows;
    for (const auto& c : cases) {
        vt::WindowSpec spec = vt::Spec(vt::UniqueName("Layering"));
        spec.alpha = c.alpha;
        spec.colorKey = c.colorKey;
        spec.key = kKey;
        spec.drawn = c.drawn;
        windows.push_back(fixture_.CreateOne(spec));
    }
    Start();
    // The layered style, the alpha (-1: none readable) and whether the colour key is kept.
    const auto layering = [&](HWND w) {
        COLORREF key = 0;
        DWORD flags = 0;
        const bool keyKept = ::GetLayeredWindowAttributes(w, &key, nullptr, &flags) &&
                             (flags & LWA_COLORKEY) != 0 && key == kKey;
        return (Layered(w) ? "layered " : "plain ") + std::to_string(AlphaOf(w)) +
               (keyKept ? " key" : "");
    };
    for (std::size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE(cases[i].kind);
        for (int n = 0; n < cases[i].levels; ++n) {
            vt::SysMenuCommand(form().Handle(), windows[i], kLevel30);
        }
        EXPECT_EQ(layering(windows[i]), cases[i].set);
        vt::SysMenuCommand(form().Handle(), windows[i], vantrel::kSysRemoveTransparency);
        EXPECT_EQ(layering(windows[i]), cases[i].removed);
    }
    // No dialog for the drawn window: no level chosen there could be applied.
    const HWND drawn = windows.back();
    vt::WhenModalOpens("Custom transparency", [](vantrel::Form& f) {
        vt::Click(vt::Control(f.Handle(), vantrel::TfrmCustomTransparency::kCancelId));
    });
    form().ShowTransparencyDialog(drawn, -1);
    EXPECT_EQ(vt::DropPendingScripts(), 1);

    // A window made layered here and then destroyed is forgotten with it.
    vt::SysMenuCommand(form().Handle(), windows.front(), kLevel30);
    ASSERT_TRUE(form().layeredWindows().MadeLayered(windows.front()));
    fixture_.Destroy(windows.front());
    EXPECT_FALSE(form().layeredWindows().MadeLayered(windows.front()));
}

// Class names are atoms shared by the whole desktop and keep the letter case of their first
// registration, so "ieframe" cannot be open while "IEFrame" is (below): a test of its own, first.
TEST_F(WindowCommands, OnlyTheExactInternetExplorerClassIsMaximizedByItsCommand) {
    const HWND lower = Make("ieframe");
    ASSERT_EQ(vt::ClassOf(lower), "ieframe");
    Start();
    Run([&] { form().miMaxIEClick(); });
    EXPECT_FALSE(::IsZoomed(lower));
}

// Each window as the mass commands meet it. Wine never cloaks a window: the system's answer is
// injected, for a window the user moved to another virtual desktop after it was listed.
TEST_F(WindowCommands, MassCommandsWalkTheListAsItStands) {
    const std::string base = vt::UniqueName("Mass");
    const DWORD noMaximizeBox =
        (WS_OVERLAPPEDWINDOW | WS_VISIBLE) & ~static_cast<DWORD>(WS_MAXIMIZEBOX);
    const struct {
        const char* name;
        HWND window;
        int closes;      // asked by Close All
        const char* met; // after Maximize IE, Maximize All and Minimize All; then the closes
    } rows[] = {
        {"plain", Make(base + "Plain"), 1, "normal max min 1"},
        {"no boxes", Make(base + "NoBoxes", noMaximizeBox & ~static_cast<DWORD>(WS_MINIMIZEBOX)), 1,
         "normal normal normal 1"},
        {"cloaked", Make(base + "Away"), 0, "normal normal normal 0"},
        // Even without a maximize box.
        {"Internet Explorer", Make("IEFrame", noMaximizeBox), 1, "max max min 1"},
    };
    const HWND plain = rows[0].window;
    const HWND cloaked = rows[2].window;
    Start();
    ASSERT_GE(RowOf(cloaked), 0);
    struct Uncloak {
        ~Uncloak() { vantrel::platform::dwm::SetCloakedAnswerForTests(nullptr); }
    } uncloak;
    vantrel::platform::dwm::SetCloakedAnswerForTests([&](HWND w) { return w == cloaked; });

    std::string met[std::size(rows)];
    for (void (vantrel::TfrmMain::*command)() :
         {&vantrel::TfrmMain::miMaxIEClick, &vantrel::TfrmMain::miMaxAllClick,
          &vantrel::TfrmMain::miMinimizeAllClick}) {
        Run([&] { (form().*command)(); });
        for (std::size_t i = 0; i < std::size(rows); ++i) {
            met[i] += vt::ShownAs(rows[i].window) + ' ';
        }
    }
    form().miCloseAllClick();
    for (const auto& r : rows) {
        EXPECT_TRUE(vt::WaitUntil(
            [&] { return fixture_.GetCounts(r.window).sysCommandClose >= r.closes; }));
    }
    fixture_.Sync();
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(met[i] + std::to_string(fixture_.GetCounts(rows[i].window).sysCommandClose),
                  rows[i].met)
            << rows[i].name;
    }
    EXPECT_TRUE(::IsWindow(plain)); // only asked; the application decides

    EXPECT_EQ(RowOf(cloaked), -1);
    EXPECT_GE(RowOf(plain), 0);
    form().catalogue().AddOne(cloaked);
    EXPECT_EQ(form().windows().Find(cloaked), -1) << "a cloaked window is not a new window";
    vantrel::platform::dwm::SetCloakedAnswerForTests(nullptr);
    EXPECT_GE(RowOf(cloaked), 0) << "uncloaked, the next rebuild lists it";
}

} // namespace
