// The fixture stands in for every "other application" in the window tests; if it lies about what
// it created, those tests prove nothing. These check it from outside its process, the way the
// product sees it.
#include "support/app_process.h"
#include "support/fixture_client.h"
#include "support/test_support.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace vt {
namespace {

std::vector<std::string> ChildClassesOf(HWND parent) {
    std::vector<std::string> classes;
    for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        classes.push_back(ClassOf(c));
    }
    std::sort(classes.begin(), classes.end());
    return classes;
}

DWORD StyleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
}

TEST(FixtureProcess, WindowsAreSeenFromOutsideWithWhatWasAskedFor) {
    Fixture fixture;
    ASSERT_NE(fixture.ProcessId(), GetCurrentProcessId());

    WindowSpec ownerWanted = Spec(UniqueName("VtOwner"), "Owner window", WS_OVERLAPPEDWINDOW);
    ownerWanted.x = 30;
    ownerWanted.y = 40;
    ownerWanted.w = 320;
    ownerWanted.h = 200;
    const HWND owner = fixture.CreateOne(ownerWanted);

    WindowSpec wanted = Spec(UniqueName("VtOwned"), "Owned window",
                             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    wanted.exStyle = WS_EX_TOOLWINDOW;
    wanted.owner = owner;
    wanted.children = 3;
    const std::string childClass = UniqueName("VtChild");
    wanted.childClasses = {childClass, "Button"};
    wanted.count = 2;
    const std::vector<HWND> owned = fixture.Create(wanted);
    ASSERT_EQ(2u, owned.size());

    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_EQ("30,40 320x200", PlaceOf(owner));
    // Of the fixture's process and of the class asked for, as the process's windows of that class.
    EXPECT_EQ(WindowsOfProcess(fixture.ProcessId(), ownerWanted.className),
              std::vector<HWND>{owner});
    const std::vector<HWND> topLevel = WindowsOfProcess(fixture.ProcessId(), wanted.className);
    EXPECT_TRUE(std::is_permutation(owned.begin(), owned.end(), topLevel.begin(), topLevel.end()));
    std::vector<std::string> expectedChildren = {"Button", childClass, childClass};
    std::sort(expectedChildren.begin(), expectedChildren.end());
    for (const HWND hwnd : owned) {
        EXPECT_EQ(wanted.caption, TextOf(hwnd));
        EXPECT_TRUE(IsWindowVisible(hwnd));
        EXPECT_EQ(static_cast<DWORD>(WS_CAPTION | WS_SYSMENU),
                  StyleOf(hwnd) &
                      (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
        EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
        EXPECT_EQ(owner, GetWindow(hwnd, GW_OWNER));
        EXPECT_EQ(expectedChildren, ChildClassesOf(hwnd));
    }
}

// Nonsense gets an error, and the fixture goes on answering: a window of the default style with
// the box switches comes after them.
TEST(FixtureProcess, AnswersEveryLineAndWhatItsCommandsChangeAndCountIsWhatOthersSee) {
    Fixture fixture;
    EXPECT_EQ("ok " + std::to_string(fixture.ProcessId()), fixture.Command("pid"));
    // The last: a window of another process is not the fixture's to change.
    for (const std::string& line : std::vector<std::string>{
             "frobnicate", "", "destroy 0", "counts 12345678", "create colour=red",
             "create caption=%4", "settext " + HandleToHex(GetDesktopWindow()) + " x"}) {
        EXPECT_EQ(0u, fixture.Command(line).rfind("err ", 0)) << line;
    }
    const std::string reply =
        fixture.Command("create class=" + UniqueName("VtBoxes") + " maxbox=0 minbox=0");
    ASSERT_EQ(0u, reply.rfind("ok ", 0)) << reply;
    const HWND boxes = ParseHwnd(reply.substr(3));
    ASSERT_TRUE(IsWindow(boxes));
    EXPECT_EQ(StyleOf(boxes) & (WS_VISIBLE | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX),
              static_cast<DWORD>(WS_VISIBLE | WS_THICKFRAME));

    // Class names and captions of any length and character come through whole, and what the
    // commands change is what others see.
    WindowSpec wanted = Spec(UniqueName("VtLong"));
    wanted.className.resize(254, 'x');
    while (wanted.caption.size() < 1200) {
        wanted.caption += "Caption 100% = a,b \"quoted\"\tC:\\path ";
    }
    wanted.caption.resize(1200);
    const HWND owner = fixture.CreateOne(wanted);
    const HWND hwnd = fixture.CreateOne(wanted);
    EXPECT_EQ(wanted.className, ClassOf(hwnd));
    // Only an upper bound: in a UTF-8 process the length is counted before conversion.
    EXPECT_GE(GetWindowTextLengthA(hwnd), 1200);
    EXPECT_EQ(wanted.caption, TextOf(hwnd));
    for (const std::string& text : {std::string(1500, 'z') + " end", std::string()}) {
        fixture.SetText(hwnd, text);
        EXPECT_EQ(text, TextOf(hwnd));
    }

    fixture.Show(hwnd, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    fixture.Show(hwnd, SW_SHOWMINNOACTIVE);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(IsIconic(hwnd));

    fixture.SetLong(hwnd, GWL_STYLE, static_cast<LONG_PTR>(StyleOf(hwnd) & ~WS_MAXIMIZEBOX));
    EXPECT_FALSE(StyleOf(hwnd) & WS_MAXIMIZEBOX);
    fixture.SetLong(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    EXPECT_EQ(owner, GetWindow(hwnd, GW_OWNER));

    fixture.Destroy(hwnd);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_THROW(fixture.Destroy(hwnd), std::runtime_error);

    // Posted messages are counted, and a close is ignored unless the window is closable.
    WindowSpec counted = Spec(UniqueName("VtCounts"));
    const HWND stubborn = fixture.CreateOne(counted);
    counted.closable = true;
    const HWND closable = fixture.CreateOne(counted);

    EXPECT_EQ(0, fixture.GetCounts(stubborn).sysCommandClose);
    EXPECT_EQ(0u, fixture.GetCounts(stubborn).lastSysCommand);

    ASSERT_TRUE(PostMessageA(stubborn, WM_SYSCOMMAND, SC_CLOSE, 0));
    ASSERT_TRUE(PostMessageA(stubborn, WM_KEYDOWN, VK_F5, 0x003F0001));
    ASSERT_TRUE(PostMessageA(stubborn, WM_KEYUP, VK_F5, static_cast<LPARAM>(0xC03F0001u)));
    ASSERT_TRUE(PostMessageA(stubborn, WM_COMMAND, 0xA220, 0));
    ASSERT_TRUE(PostMessageA(stubborn, WM_COMMAND, 0xA221, 0));
    ASSERT_TRUE(PostMessageA(stubborn, WM_SYSCOMMAND, SC_RESTORE, 0));
    ASSERT_TRUE(PostMessageA(closable, WM_SYSCOMMAND, SC_CLOSE, 0));

    // Posted messages are handled after the counts command, which arrives as a sent message.
    Counts after;
    EXPECT_TRUE(WaitUntil([&] {
        after = fixture.GetCounts(stubborn);
        return after.lastSysCommand == SC_RESTORE;
    })) << "last WM_SYSCOMMAND "
        << std::hex << after.lastSysCommand;
    EXPECT_EQ((std::vector<int>{1, 1, 1, 1}),
              (std::vector<int>{after.sysCommandClose, after.keyDownF5, after.keyUpF5,
                                after.commandA220}));
    EXPECT_TRUE(IsWindow(stubborn));

    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(closable); }));
    EXPECT_EQ(1, fixture.GetCounts(closable).sysCommandClose);
}

// However a fixture ends, its windows go with it and it answers no more. Each was started while
// the ones before it ran, so it could have inherited their pipe ends: the first must still see
// its input close.
TEST(FixtureProcess, EveryWayOfEndingLeavesNoWindow) {
    WindowSpec wanted = Spec(UniqueName("VtEnding"));
    wanted.children = 2;
    wanted.count = 3;
    Fixture byInput, byExit, byKill;
    const std::tuple<const char*, Fixture*, std::vector<HWND>> endings[] = {
        {"end of input", &byInput, byInput.Create(wanted)},
        {"exit", &byExit, byExit.Create(wanted)},
        {"kill", &byKill, byKill.Create(wanted)}};
    byInput.CloseInput();
    EXPECT_TRUE(WaitUntil([&] { return byInput.HasExited(); }) && byInput.ExitCode() == 0);
    EXPECT_EQ(0u, byExit.Exit());
    byKill.Kill();
    EXPECT_TRUE(byKill.HasExited());
    for (const auto& [name, fixture, windows] : endings) {
        const DWORD processId = fixture->ProcessId();
        EXPECT_TRUE(WaitUntil([&, &windows = windows] {
            return std::none_of(windows.begin(), windows.end(),
                                [](HWND h) { return IsWindow(h); }) &&
                   WindowsOfProcess(processId, wanted.className).empty();
        })) << name;
        EXPECT_THROW(fixture->Create(wanted), std::runtime_error) << name;
    }
}

} // namespace
} // namespace vt
