// The program's items in a window's system menu. Windows of other processes cannot be reached
// under Wine, so the menus checked here belong to windows of the test process; and since the
// items are left out on the newest version code, the checks run in a child test process started
// with the prefix set to report Windows XP x64 (version 5.2).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/catalogue.h"
#include "app/rule_application.h"
#include "commands/placement.h"
#include "platform/foreign_window.h"
#include "platform/handles.h"
#include "relay/relay_protocol.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

constexpr char kChildVariable[] = "VANTREL_SYSTEM_MENU_CHILD";

// Each item as "text#id", "text>" for a submenu, "-" for a separator.
std::vector<std::string> Items(HMENU menu) {
    std::vector<std::string> items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        const UINT at = static_cast<UINT>(i);
        char text[256] = {};
        ::GetMenuStringA(menu, at, text, sizeof(text), MF_BYPOSITION);
        if (::GetSubMenu(menu, i) != nullptr) {
            items.push_back(text + std::string(">"));
        } else if (::GetMenuState(menu, at, MF_BYPOSITION) & MF_SEPARATOR) {
            items.push_back("-");
        } else {
            items.push_back(text + ("#" + std::to_string(::GetMenuItemID(menu, i))));
        }
    }
    return items;
}

class SystemMenuChild : public vt::MainFormTest {
protected:
    void SetUp() override {
        if (std::getenv(kChildVariable) == nullptr) {
            GTEST_SKIP() << "runs only inside the child started by OnOlderWindows";
        }
        vantrel::platform::foreign::SetOwnProcessWindowsAreTargets(true);
    }
    void TearDown() override {
        vantrel::platform::foreign::SetOwnProcessWindowsAreTargets(false);
        vt::MainFormTest::TearDown();
    }
};

// The items go in once, ahead of the window's own; the transparency submenu only where windows
// can be layered.
TEST_F(SystemMenuChild, InsertsTheItemsOnceWithTransparency) {
    const auto window = vt::PlainWindow("own");
    const std::vector<std::string> before = Items(::GetSystemMenu(window.get(), FALSE));
    ASSERT_GE(before.size(), 2u);
    for (const bool layered : {false, true}) {
        SCOPED_TRACE(layered ? "layered windows" : "no layered windows");
        form_.reset();
        noLayeredWindows_ = !layered;
        ASSERT_EQ(Start().versionCode(), 10);
        ::GetSystemMenu(window.get(), TRUE);
        vantrel::InsertSystemMenuItems(form(), window.get());
        vantrel::InsertSystemMenuItems(form(), window.get()); // already there: nothing more
        std::vector<std::string> expected = {
            "&Minimize to tray#11", "Stay on top>", "Transparency>", "Alignment>",
            "&Resize window#61",    before[0],      before[1],       "-"};
        if (!layered) {
            expected.erase(expected.begin() + 2);
        }
        const auto items = Items(::GetSystemMenu(window.get(), FALSE));
        ASSERT_EQ(items.size(), before.size() + expected.size() - 2);
        EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + expected.size()),
                  expected);
    }
    auto& f = form();
    HMENU menu = ::GetSystemMenu(window.get(), FALSE);

    const auto levels = Items(::GetSubMenu(menu, 2));
    std::vector<std::string> expected = {"&Custom transparency#30", "&Remove transparency#31", "-",
                                         "0%(opaque)#32"};
    for (int percent = 10; percent < 100; percent += 10) {
        expected.push_back(std::to_string(percent) + "%#" + std::to_string(32 + percent / 10));
    }
    expected.push_back("100%(transparency)#42");
    EXPECT_EQ(levels, expected);
    EXPECT_EQ(Items(::GetSubMenu(menu, 1)),
              (std::vector<std::string>{"Stay on top#21", "Normal#22"}));
    std::vector<std::string> places;
    for (const vantrel::AlignmentPlace& place : vantrel::AlignmentPlaces()) {
        places.push_back(std::string(place.commandText) + "#" + std::to_string(place.commandId));
    }
    EXPECT_EQ(Items(::GetSubMenu(menu, 3)), places);

    // Check marks follow the level set from the menu; 35 % checks none.
    auto checked = [&](int id) {
        return (::GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0;
    };
    vantrel::CarryOutSystemMenuCommand(f, window.get(), 35);
    EXPECT_TRUE(checked(35));
    vantrel::CarryOutSystemMenuCommand(f, window.get(), 40);
    EXPECT_FALSE(checked(35));
    EXPECT_TRUE(checked(40));
    vantrel::CarryOutSystemMenuCommand(f, window.get(), 31);
    for (int id = 32; id <= 42; ++id) {
        EXPECT_FALSE(checked(id)) << id;
    }

    // Restoring the standard menu takes the items away.
    ::GetSystemMenu(window.get(), TRUE);
    EXPECT_EQ(Items(::GetSystemMenu(window.get(), FALSE)), before);
}

// Restoring at exit takes out the inserted items only, and only from menus that carry them: a
// program's own items stay, with or without the program's items beside them.
TEST_F(SystemMenuChild, RestoringTakesOutOnlyTheInsertedItems) {
    auto& f = Start();
    const auto withItems = vt::PlainWindow("with items");
    const auto without = vt::PlainWindow("without");
    std::vector<std::vector<std::string>> before;
    for (HWND w : {withItems.get(), without.get()}) {
        ::AppendMenuA(::GetSystemMenu(w, FALSE), MF_STRING, 0x7770, "Own &item");
        before.push_back(Items(::GetSystemMenu(w, FALSE)));
    }
    vantrel::InsertSystemMenuItems(f, withItems.get());
    ASSERT_NE(Items(::GetSystemMenu(withItems.get(), FALSE)), before[0]);
    f.catalogue().ForAllWindows(vantrel::EnumerationMode::RestoreSystemMenus);
    EXPECT_EQ(Items(::GetSystemMenu(withItems.get(), FALSE)), before[0]);
    EXPECT_EQ(Items(::GetSystemMenu(without.get(), FALSE)), before[1]);
    // Put in again, they come out again.
    vantrel::InsertSystemMenuItems(f, withItems.get());
    vantrel::RemoveSystemMenuItems(withItems.get());
    EXPECT_EQ(Items(::GetSystemMenu(withItems.get(), FALSE)), before[0]);
}

// Where the shell reports windows, a choice in a window that carries the items still reaches the
// program: the relay of the window's bitness hooks that window's thread (here the test's own, since
// Wine reaches no other process's system menu).
TEST_F(SystemMenuChild, AChoiceReachesTheProgramThroughAThreadHook) {
    for (const char* file : {vantrel::relay::kExecutableName, vantrel::relay::kHookDllName}) {
        ASSERT_TRUE(
            ::CopyFileA((vt::TestBinFolder() + file).c_str(), (folder() + file).c_str(), FALSE));
    }
    shellHookRegistered_ = true;
    startRelay_ = true;
    auto& f = Start();
    ASSERT_TRUE(f.windowWatch().relaysForMenusOnly);
    const auto window = vt::PlainWindow("own");
    vantrel::InsertSystemMenuItems(f, window.get());
    ULONGLONG last = 0;
    // "Stay on top" chosen again until the relay has started and hooked this thread.
    EXPECT_TRUE(vt::WaitUntil(
        [&] {
            if (::GetTickCount64() - last >= 200) {
                last = ::GetTickCount64();
                ::PostMessageA(window.get(), WM_SYSCOMMAND, 21, 0);
            }
            return vt::Topmost(window.get());
        },
        20000));
}

class SystemMenu : public vt::MainFormTest {};

TEST_F(SystemMenu, NotInsertedOnTheNewestVersionCode) {
    auto& f = Start();
    if (f.versionCode() != 11) {
        GTEST_SKIP() << "the prefix does not report Windows 6.x";
    }
    const auto window = vt::PlainWindow("own");
    const auto before = Items(::GetSystemMenu(window.get(), FALSE));
    vantrel::InsertSystemMenuItems(f, window.get());
    EXPECT_EQ(Items(::GetSystemMenu(window.get(), FALSE)), before);
}

// Runs the child tests above, and the two-minute tick whose whole rebuild only older systems
// take, in a process that sees Windows XP x64.
TEST(OnOlderWindows, SystemMenuItemsAndTheTwoMinuteTick) {
    // Back to the prefix's own answer for everything that runs after this test, however it ends.
    const vt::RegValueOverride xp(HKEY_CURRENT_USER, "Software\\Wine", "Version", "winxp64");
    ASSERT_TRUE(xp);
    // The child's report goes to a file: GoogleTest exits 0 when a filter matches nothing, so
    // only the tests it reports passed show that it ran them.
    const vt::TempDir dir;
    const std::string report = dir.path() + "child.txt";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    vantrel::platform::UniqueFile out(::CreateFileA(report.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                    &inherit, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(out);
    ::SetEnvironmentVariableA(kChildVariable, "1");
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const char* const suites[] = {"SystemMenuChild", "Rules/TwoMinuteTick"};
    const vt::LaunchedProcess child(std::strrchr(exe, '\\') + 1,
                                    "--gtest_filter=SystemMenuChild.*:Rules/TwoMinuteTick.*", 0,
                                    out.get());
    ::SetEnvironmentVariableA(kChildVariable, nullptr);
    const DWORD code = child ? vt::ExitCode(child.get(), 60000) : 99;
    out.reset();
    ASSERT_TRUE(child);
    // Shown on failure, with the child's skip markers toned down: ctest would take the marker
    // for this test's own and report the failure as a skip.
    std::string text = vt::FileText(report);
    for (std::size_t at = 0; (at = text.find("SKIPPED", at)) != std::string::npos;) {
        text.replace(at, 7, "skipped");
    }
    EXPECT_EQ(code, 0u) << text;
    // Skipped tests do not count as passed, so every test of both suites must have run.
    const testing::UnitTest& all = *testing::UnitTest::GetInstance();
    int children = 0;
    for (const std::string suite : suites) {
        const int before = children;
        for (int i = 0; i < all.total_test_suite_count(); ++i) {
            children +=
                all.GetTestSuite(i)->name() == suite ? all.GetTestSuite(i)->total_test_count() : 0;
        }
        EXPECT_GT(children, before) << suite;
    }
    EXPECT_NE(text.find("[  PASSED  ] " + std::to_string(children) + " test"), std::string::npos)
        << text;
}

} // namespace
