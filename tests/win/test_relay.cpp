// The relay is the only way the program hears about other applications' windows under Wine and
// about choices made in the items it puts into their system menus. These tests run the real
// relay and hook DLL, change windows of a separate fixture process, and check what reaches a
// window of the main window's class: each notice once, in order, with nothing extra.
#include "app/main_form.h"
#include "app/messages.h"
#include "commands/relay_process.h"
#include "commands/tray_hosting.h"
#include "platform/handles.h"
#include "relay/hook_lock.h"
#include "relay/relay_protocol.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vt {
namespace {

using namespace vantrel;
using namespace vantrel::relay;
using vantrel::platform::UniqueHandle;
using vantrel::platform::UniqueWindow;

// Stands in for the program's main window: hidden, of the main window's class, recording what
// the relay posts. The program's main window leaves that class registered with its own procedure
// and registers it again when it is missing, so the class is taken over while no window of it
// exists, and the last stand-in to go leaves none behind.
class MainWindowStandIn {
public:
    MainWindowStandIn() {
        UnregisterClassA(kMainWindowClass, GetModuleHandleA(nullptr));
        window_ = OwnWindow(kMainWindowClass, "Stand-in", &Proc, WS_OVERLAPPEDWINDOW);
        SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    HWND hwnd() const { return window_.get(); }
    const std::vector<MSG>& notices() const { return notices_; }
    bool WaitNotice(WPARAM code, HWND window) const {
        return WaitUntil([&] { return Count(WM_WINDOWNOTICE, code, L(window)) > 0; });
    }
    int Choices(HWND window, WPARAM id) const {
        return Count(WM_SYSMENUCOMMAND, W(window), static_cast<LPARAM>(id));
    }
    bool WaitChoice(HWND window, WPARAM id, int count = 1) const {
        return WaitUntil([&] { return Choices(window, id) >= count; });
    }
    // Everything posted about one window, in order, as "created renamed destroyed"; a choice made
    // in it (WM_SYSMENUCOMMAND carries the window in wParam) shows as "choice <id>".
    std::string Told(HWND window) const {
        std::string told;
        for (const MSG& n : notices_) {
            if (n.message == WM_WINDOWNOTICE && n.lParam == L(window)) {
                told += n.wParam == kNoticeCreated     ? " created"
                        : n.wParam == kNoticeRenamed   ? " renamed"
                        : n.wParam == kNoticeDestroyed ? " destroyed"
                                                       : " notice " + std::to_string(n.wParam);
            } else if (n.message == WM_SYSMENUCOMMAND && n.wParam == W(window)) {
                told += " choice " + std::to_string(n.lParam);
            }
        }
        return told.empty() ? told : told.substr(1);
    }

private:
    int Count(UINT message, WPARAM wParam, LPARAM lParam) const {
        return static_cast<int>(std::count_if(notices_.begin(), notices_.end(), [&](const MSG& n) {
            return n.message == message && n.wParam == wParam && n.lParam == lParam;
        }));
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<MainWindowStandIn*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if ((msg == WM_WINDOWNOTICE || msg == WM_SYSMENUCOMMAND) && self != nullptr) {
            self->notices_.push_back({hwnd, msg, wParam, lParam, 0, {}});
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    OwnWindow window_;
    std::vector<MSG> notices_;
};

// The hook set a relay uses alone: a 32-bit one is told so, as the program does on 32-bit
// Windows; the set it uses beside a 64-bit relay is tried with kPairedSetSwitch.
const char* const kAlone = sizeof(void*) == 4 ? kAloneSwitch : "";

bool Is32(const std::string& program) {
    return program.find("32.") != std::string::npos;
}

// The relay with that process id has installed its hooks: it names its window last, each
// bitness with its own title.
bool Active(DWORD processId, const char* program = kExecutableName) {
    const HWND window = FindRelayWindow(processId);
    return window != nullptr && TextOf(window) == (Is32(program) ? kActiveTitle32 : kActiveTitle64);
}

// Built beside the test program, and a program that this system runs. Some systems run 64-bit
// programs only (under Wine, a machine without 32-bit Linux support): asked once, of the 32-bit
// relay with a command line that it refuses at once.
bool Startable(const std::string& program) {
    static const bool runs32 = sizeof(void*) == 4 || [] {
        const LaunchedProcess relay(kExecutableName32, "--parent");
        return relay && ExitCode(relay.get()) == 2;
    }();
    return Exists(TestBinFolder() + program) && (!Is32(program) || runs32);
}

// The fixture of the test program's bitness, and the 32-bit one beside a 64-bit build.
std::vector<const char*> StartableFixtures() {
    if (Startable("vt_fixture32.exe")) {
        return {"vt_fixture.exe", "vt_fixture32.exe"};
    }
    return {"vt_fixture.exe"};
}

// Whether the process has loaded a hook DLL of either bitness from the given folder. The folder
// matters: Wine keeps the global hooks of a relay that was killed (Windows removes them with its
// thread), and those load an earlier test's copy.
bool HookDllLoadedInto(DWORD processId, const std::string& folder) {
    return ModuleLoadedInto(processId, folder + kHookDllName64) ||
           ModuleLoadedInto(processId, folder + kHookDllName32);
}

WindowSpec Visible(const std::string& caption, DWORD exStyle = 0, HWND owner = nullptr,
                   int children = 0) {
    WindowSpec shape = Spec(UniqueName("VtRelay"), caption);
    shape.exStyle = exStyle;
    shape.owner = owner;
    shape.children = children;
    return shape;
}

HWND Carrier(Fixture& fixture, const WindowSpec& shape) {
    const HWND window = fixture.CreateOne(shape);
    fixture.AddSystemMenuItem(window, 11, kProgramItemMarker);
    return window;
}

// Chosen in the window's system menu, as far as the window can tell, and handled there.
bool Chosen(Fixture& fixture, HWND window, WPARAM id) {
    return PostMessageA(window, WM_SYSCOMMAND, id, 0) &&
           WaitUntil([&] { return fixture.GetCounts(window).lastSysCommand == id; });
}

// As a user does it: the window to the front and Alt+Space, which highlights the first item, and
// then the keys.
void InSystemMenu(HWND window, std::initializer_list<WORD> keys) {
    SetForegroundWindow(window);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }));
    PressKey(VK_SPACE, {VK_MENU});
    ASSERT_TRUE(
        WaitUntil([&] { return FindPopupMenu(GetWindowThreadProcessId(window, nullptr)); }));
    for (const WORD key : keys) {
        PressKey(key);
    }
}

class RelayTest : public ::testing::Test {
protected:
    // relay_ (stopped first if it runs) with its hooks installed: its window, else null.
    HWND StartRelay(const std::string& arguments = kAlone, const char* program = kExecutableName) {
        relay_.Stop();
        const bool active = relay_.Start(TestBinFolder(), program, arguments) &&
                            WaitUntil([&] { return Active(relay_.ProcessId(), program); });
        return active ? FindRelayWindow(relay_.ProcessId()) : nullptr;
    }

    HWND Announced(const WindowSpec& shape) {
        const HWND hwnd = fixture_.CreateOne(shape);
        EXPECT_TRUE(main_->WaitNotice(kNoticeCreated, hwnd)) << shape.caption;
        return hwnd;
    }

    // Everything the fixture's thread did before this has been reported once this returns,
    // since the relay passes events on in the order that thread caused them.
    void Settle() {
        ASSERT_TRUE(main_->WaitNotice(kNoticeCreated, fixture_.CreateOne(Visible("marker"))));
    }

    std::unique_ptr<MainWindowStandIn> main_ = std::make_unique<MainWindowStandIn>();
    RelayProcess relay_;
    Fixture fixture_;
};

// Windows of every kind through their lives, while a second relay waits and takes over once the
// first has ended: every main window of the class, also one made anew, is told each change that
// the shell would report once and in order, and nothing of windows that get no taskbar button.
TEST_F(RelayTest, TellsOfEachWindowsLifeOnceAndInOrder) {
    ASSERT_TRUE(StartRelay());
    RelayProcess waiting;
    ASSERT_TRUE(waiting.Start(TestBinFolder()));
    ASSERT_TRUE(WaitUntil([&] { return FindRelayWindow(waiting.ProcessId()) != nullptr; }));
    EXPECT_EQ("", TextOf(FindRelayWindow(waiting.ProcessId())));

    const HWND before = Announced(Visible("Before the main window was made anew"));
    main_.reset(); // a moment without any main window
    main_ = std::make_unique<MainWindowStandIn>();
    const MainWindowStandIn second; // another running instance of the program
    fixture_.Destroy(before);

    const HWND plain = Announced(Visible("First caption"));
    fixture_.SetText(plain, "Second caption");
    ASSERT_TRUE(main_->WaitNotice(kNoticeRenamed, plain));
    // The notice comes after the change, so the receiver reads the new caption.
    EXPECT_EQ("Second caption", TextOf(plain));
    fixture_.Destroy(plain);

    const HWND hidden =
        fixture_.CreateOne(Spec(UniqueName("VtRelay"), "Starts hidden", WS_OVERLAPPEDWINDOW));
    fixture_.SetText(hidden, "Renamed while hidden");
    Settle();
    EXPECT_EQ("", main_->Told(hidden));
    fixture_.Show(hidden, SW_SHOWNORMAL);
    ASSERT_TRUE(main_->WaitNotice(kNoticeCreated, hidden));
    // Minimizing keeps the window on screen as far as the shell is concerned.
    fixture_.Show(hidden, SW_MINIMIZE);
    fixture_.Show(hidden, SW_HIDE);
    ASSERT_TRUE(main_->WaitNotice(kNoticeDestroyed, hidden));
    fixture_.Show(hidden, SW_SHOWNOACTIVATE);

    const HWND tool = fixture_.CreateOne(Visible("Tool window", WS_EX_TOOLWINDOW));
    const HWND owner = fixture_.CreateOne(Visible("Owner"));
    const HWND owned = fixture_.CreateOne(Visible("Owned window", 0, owner));
    const HWND app = fixture_.CreateOne(Visible("Owned app window", WS_EX_APPWINDOW, owner));
    const HWND parent = fixture_.CreateOne(Visible("With a child", 0, nullptr, 1));
    const HWND child = GetWindow(parent, GW_CHILD);
    ASSERT_NE(nullptr, child);
    fixture_.Show(child, SW_HIDE);
    fixture_.Show(child, SW_SHOW);
    fixture_.SetText(child, "Child text");
    fixture_.SetText(tool, "Tool renamed");
    fixture_.Destroy(tool);

    Fixture doomed;
    const HWND killed = doomed.CreateOne(Visible("Killed with its process"));
    ASSERT_TRUE(main_->WaitNotice(kNoticeCreated, killed));
    doomed.Kill();
    ASSERT_TRUE(main_->WaitNotice(kNoticeDestroyed, killed));

    // While the relay sleeps, the hooks' reports pile up; it handles them when the windows have
    // long changed, and the shell's early "created" and the later "shown" of one window then look
    // alike.
    auto pause = std::make_unique<PausedProcess>(relay_.ProcessId());
    ASSERT_TRUE(pause->Paused());
    const HWND slept = fixture_.CreateOne(Visible("Shown while the relay slept"));
    fixture_.SetText(slept, "Renamed while the relay slept");
    const HWND flicker = fixture_.CreateOne(Visible("Gone again before the relay woke"));
    fixture_.Show(flicker, SW_HIDE);
    pause.reset();
    Settle();

    const std::tuple<const char*, HWND, const char*> rows[] = {
        {"destroyed after the main window was made anew", before, "destroyed"},
        {"created, renamed, destroyed", plain, "created renamed destroyed"},
        {"hidden at first, then shown and hidden", hidden, "created destroyed created"},
        {"tool window", tool, ""},
        {"owner", owner, "created"},
        {"owned window", owned, ""},
        {"owned app window", app, "created"},
        {"parent", parent, "created"},
        {"child", child, ""},
        {"killed with its process", killed, "created destroyed"},
        {"shown while the relay slept", slept, "created renamed"},
        {"gone again before the relay woke", flicker, ""},
    };
    for (const auto& [name, window, told] : rows) {
        EXPECT_EQ(told, main_->Told(window)) << name;
        EXPECT_EQ(told, second.Told(window)) << name << ", another instance";
    }

    // Taking over, the waiting relay announces what is on screen once more (the program lists a
    // window once), and then tells of windows as the first did.
    relay_.Stop();
    ASSERT_TRUE(WaitUntil([&] { return Active(waiting.ProcessId()); }));
    const HWND later = Announced(Visible("After the first relay ended"));
    fixture_.Destroy(later);
    fixture_.Destroy(slept);
    EXPECT_TRUE(main_->WaitNotice(kNoticeDestroyed, slept));
    Settle();
    EXPECT_EQ("created destroyed", main_->Told(later));
}

TEST_F(RelayTest, PassesOnExactlyTheProgramsSystemMenuCommandsEachOnce) {
    ASSERT_TRUE(StartRelay());
    const HWND hwnd = Carrier(fixture_, Visible("Menu target", 0, nullptr, 1));
    const HWND child = GetWindow(hwnd, GW_CHILD);
    ASSERT_NE(nullptr, child);

    // Sent rather than posted, as a program may do; it must not be reported twice either. Sent
    // first, because sent messages overtake posted ones in the receiving thread.
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(hwnd, WM_SYSCOMMAND, 31, 0, SMTO_NORMAL, 10000, &result));
    // Only top-level windows carry the program's items, so nothing is told of the child.
    std::string want = "created choice 31";
    for (const WPARAM id : {11, 21, 22, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39,
                            40, 41, 42, 51, 52, 53, 54, 55, 56, 57, 58, 59, 61}) {
        ASSERT_TRUE(PostMessageA(hwnd, WM_SYSCOMMAND, id, 0));
        ASSERT_TRUE(PostMessageA(child, WM_SYSCOMMAND, id, 0));
        want += " choice " + std::to_string(id);
    }
    // Neighbours of every range, and the system's own encoding of one of the ids; the last one
    // tells when the fixture has taken every posted message.
    for (const WPARAM id : {0, 10, 12, 20, 23, 29, 43, 50, 60, 62, 31 << 4}) {
        ASSERT_TRUE(PostMessageA(hwnd, WM_SYSCOMMAND, id, 0));
    }
    // The relay only listens: the window still gets every command.
    ASSERT_TRUE(Chosen(fixture_, hwnd, 99));
    // Each choice is confirmed before it is passed on, so the last ones may come after the
    // windows' notices; once all are in, a repeat would have had time to follow.
    EXPECT_TRUE(WaitUntil([&] { return main_->Told(hwnd) == want; }));
    Settle();
    EXPECT_EQ(want, main_->Told(hwnd));
    EXPECT_EQ("", main_->Told(child));

    // Once, though its queue was peeked at: a window of this process is as foreign to the relay
    // as the fixture's, and here the test controls the message loop that takes the command.
    const UniqueWindow local = PlainWindow("Peeked");
    ASSERT_TRUE(local);
    ASSERT_TRUE(InsertMenuA(GetSystemMenu(local.get(), FALSE), 0, MF_BYPOSITION | MF_STRING, 11,
                            kProgramItemMarker));
    ASSERT_TRUE(PostMessageA(local.get(), WM_SYSCOMMAND, 21, 0));
    MSG msg;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PeekMessageA(&msg, local.get(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE));
    }
    ASSERT_TRUE(PostMessageA(local.get(), WM_SYSCOMMAND, 22, 0));
    ASSERT_TRUE(main_->WaitChoice(local.get(), 22));
    EXPECT_EQ(1, main_->Choices(local.get(), 21));
}

// A choice made with the keys, as a user makes it, is passed on by each hook set. Any process can
// post to the relay's window, as the hooks do from every program, so a choice claimed there
// reaches the program only when the window's own process confirms it: made there, while the
// window's menu still carries the program's items, within the hook's ten seconds for a choice and
// the relay's for a question. The relay is held still between the choice and its question so that
// a row can change what the confirmation finds; the clocks are moved on, not waited out.
TEST_F(RelayTest, AChoiceIsPassedOnByEitherHookSetOnlyWhenItsProcessConfirmsItInTime) {
    enum class Meanwhile { Nothing, ItemsRemoved, ChoiceLapses, QuestionLapses };
    const struct {
        const char* name;
        bool made;  // in the window; else claimed to the relay, and confirmed with a guess
        bool items; // the window's system menu carries the program's items
        Meanwhile meanwhile;
        bool passed;
    } rows[] = {
        {"made in a window with the items", true, true, Meanwhile::Nothing, true},
        {"claimed for a window with the items", false, true, Meanwhile::Nothing, false},
        {"claimed for a window without them", false, false, Meanwhile::Nothing, false},
        {"made in a window without them", true, false, Meanwhile::Nothing, false},
        {"items removed before it is confirmed", true, true, Meanwhile::ItemsRemoved, false},
        {"confirmation asked after its life", true, true, Meanwhile::ChoiceLapses, false},
        {"confirmed after the question's life", true, true, Meanwhile::QuestionLapses, false},
    };
    // Each hook set: the one a relay of either bitness uses alone, and the one a 32-bit relay uses
    // beside a 64-bit one (here in a relay of ours), which Windows hands commands without low bits.
    const std::pair<const char*, std::string> sets[] = {{kExecutableName64, ""},
                                                        {kExecutableName32, kAloneSwitch},
                                                        {kExecutableName, kPairedSetSwitch}};
    for (const auto& [program, set] : sets) {
        const bool is32 = Is32(program);
        const char* const fixtureExe = is32 ? "vt_fixture32.exe" : "vt_fixture.exe";
        if (!Startable(program) || !Startable(fixtureExe)) {
            continue; // a system that runs no 32-bit programs
        }
        SCOPED_TRACE(program + (" " + set));
        const HWND relayWindow = StartRelay(kTestClockSwitch + (" " + set), program);
        ASSERT_TRUE(relayWindow);
        Fixture fixture(10000, fixtureExe);
        const HWND carrier = Carrier(fixture, Visible("Carries the items"));
        const HWND plain = fixture.CreateOne(Visible("Plain menu"));
        const HWND settler = Carrier(fixture, Visible("Settles each row"));
        InSystemMenu(carrier, {VK_DOWN, VK_UP, VK_RETURN});
        EXPECT_TRUE(main_->WaitChoice(carrier, 11)) << "made with the keys";
        if (set == kPairedSetSwitch) {
            // The item highlighted, the menu left with Escape, and 11 as that hook sees it.
            InSystemMenu(settler, {VK_ESCAPE, VK_ESCAPE});
            ASSERT_TRUE(WaitUntil(
                [&] { return !FindPopupMenu(GetWindowThreadProcessId(settler, nullptr)); }));
            ASSERT_TRUE(PostMessageA(settler, WM_SYSCOMMAND, 11 & ~0xF, 0));
            EXPECT_TRUE(main_->WaitChoice(settler, 11)) << "low bits cleared";
            continue; // that hook takes the highlighted item, not a posted command
        }
        WPARAM id = 30;
        int settled = 0;
        for (const auto& row : rows) {
            SCOPED_TRACE(row.name);
            const HWND window = row.items ? carrier : plain;
            auto pause = std::make_unique<PausedProcess>(relay_.ProcessId());
            ASSERT_TRUE(pause->Paused());
            ++id;
            if (row.made) {
                ASSERT_TRUE(Chosen(fixture, window, id));
            } else {
                ASSERT_TRUE(
                    PostMessageA(relayWindow, kRawSysCommand, W(window), static_cast<LPARAM>(id)));
                ASSERT_TRUE(PostMessageA(relayWindow, kRawConfirmed, 0x5A5A5A5A, L(window)));
            }
            if (row.meanwhile == Meanwhile::ItemsRemoved) {
                ASSERT_EQ(fixture.Command("sysmenureset " + HandleToHex(window)), "ok");
            } else if (row.meanwhile == Meanwhile::ChoiceLapses) {
                const char* const dll = is32 ? kHookDllName32 : kHookDllName64;
                ASSERT_EQ(
                    fixture.Command("hookclock 10001 " + PercentEncode(TestBinFolder() + dll)),
                    "ok");
            } else if (row.meanwhile == Meanwhile::QuestionLapses) {
                // Taken by the relay after it asked, before the answer comes.
                ASSERT_TRUE(PostMessageA(relayWindow, kAdvanceClock, 10001, 0));
            }
            pause.reset();
            // A choice made afterwards is confirmed after the row's, by the same thread.
            ASSERT_TRUE(PostMessageA(settler, WM_SYSCOMMAND, 61, 0));
            ASSERT_TRUE(main_->WaitChoice(settler, 61, ++settled));
            EXPECT_EQ(main_->Choices(window, id), row.passed ? 1 : 0);
            if (row.meanwhile == Meanwhile::ItemsRemoved) {
                fixture.AddSystemMenuItem(carrier, 11, kProgramItemMarker);
            }
        }
    }
}

// Who is at the other end counts by the file its process runs: windows of the relay's class and
// title and of the main window's class, made by another program before and after the relay
// starts, are sent nothing, while the program's own window hears it all. The hook lock is one
// that others cannot take first where the system allows.
TEST_F(RelayTest, AWindowCountsByTheFileItsProcessRunsSoImpostorsHearNothing) {
    using Outcome = NamespaceOutcome;
    EXPECT_EQ(HookLockKind::PrivateNamespace, ChooseHookLock(Outcome::Made, true));
    EXPECT_EQ(HookLockKind::SessionName, ChooseHookLock(Outcome::Unsupported, true));
    EXPECT_EQ(HookLockKind::SessionName, ChooseHookLock(Outcome::Refused, false));
    // A plain name could be planted by a process of lower rights: better no lock at all.
    EXPECT_EQ(HookLockKind::None, ChooseHookLock(Outcome::Refused, true));

    const std::string self = TestBinFolder() + "vantrel_tests.exe";
    std::string lower = self;
    CharLowerA(&lower[0]);
    const FileIdentity program = IdentityOf(self.c_str());
    const FileIdentity fixtureFile = IdentityOf((TestBinFolder() + "vt_fixture.exe").c_str());
    const FileIdentity missing = IdentityOf((TestBinFolder() + "no such file.exe").c_str());
    EXPECT_TRUE(SameFile(program, IdentityOf(lower.c_str())));
    EXPECT_FALSE(SameFile(missing, missing));

    const HWND other = fixture_.CreateOne(Visible("Another program"));
    const DWORD me = GetCurrentProcessId();
    // Another instance of the parent's executable.
    EXPECT_TRUE(MayTellMainWindow(other, me, fixtureFile));
    EXPECT_FALSE(MayTellMainWindow(other, me, missing));
    EXPECT_FALSE(MayTellMainWindow(main_->hwnd(), 0, program));
    EXPECT_FALSE(MayTellMainWindow(nullptr, me, program));
    EXPECT_TRUE(IsGenuineRelayWindow(other, fixtureFile));
    EXPECT_FALSE(IsGenuineRelayWindow(other, missing));
    EXPECT_FALSE(IsGenuineRelayWindow(nullptr, fixtureFile));

    WindowSpec relayLike = Spec(kWindowClass, kActiveTitle, 0);
    relayLike.owner = HWND_MESSAGE;
    const WindowSpec mainLike = Spec(kMainWindowClass, "", WS_OVERLAPPEDWINDOW);
    const HWND early = fixture_.CreateOne(relayLike);
    const HWND fakeMain = fixture_.CreateOne(mainLike);
    ASSERT_TRUE(StartRelay());
    // Whichever order the system finds them in, an impostor comes before the relay.
    const HWND late = fixture_.CreateOne(relayLike);
    // Made by a third program: inside the impostors' own, the hooks would take an impostor for
    // the relay itself and report nothing to anyone.
    Fixture third;
    EXPECT_TRUE(main_->WaitNotice(kNoticeCreated, third.CreateOne(Visible("Seen by the program"))));
    fixture_.Sync();
    for (const auto& [name, hwnd] : {std::pair{"relay's, made early", early},
                                     {"relay's, made late", late},
                                     {"main window's", fakeMain}}) {
        EXPECT_EQ(0, fixture_.GetCounts(hwnd).privateMessages) << "impostor of the " << name;
    }
}

// Asked through its window, by Stop or by the owner's end, it ends on its own (0, not the code
// Stop terminates with); a missing executable starts nothing, which is not an error. Started by
// hand, a relay of either bitness refuses a bad command line (2) or a parent that is gone (3),
// and with a parent that runs, it waits for it and then ends on its own (0).
TEST(RelayLifetime, EndsWhenAskedOrWithItsParentAndRefusesBadStarts) {
    const TempDir empty;
    RelayProcess missing;
    EXPECT_FALSE(missing.Start(empty.path()));
    EXPECT_FALSE(missing.Running());
    EXPECT_EQ(0u, missing.ProcessId());
    missing.Stop();
    for (const bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "stopped" : "its owner ended");
        auto relay = std::make_unique<RelayProcess>();
        ASSERT_TRUE(relay->Start(TestBinFolder()));
        const DWORD processId = relay->ProcessId();
        EXPECT_TRUE(relay->Start(TestBinFolder())); // already running: the same process
        EXPECT_EQ(processId, relay->ProcessId());
        const UniqueHandle process = OpenedProcess(processId);
        ASSERT_TRUE(WaitUntil([&] { return FindRelayWindow(processId) != nullptr; }));
        if (stop) {
            relay->Stop();
            EXPECT_FALSE(relay->Running());
        }
        relay.reset();
        EXPECT_EQ(0u, ExitCode(process.get(), 0));
        EXPECT_EQ(nullptr, FindRelayWindow(processId));
    }

    const DWORD gone = [] {
        Fixture ended;
        ended.Kill();
        return ended.ProcessId(); // known from its start
    }();
    const struct {
        const char* program;
        std::string arguments; // empty: the parent is a running fixture, killed once it is seen
        DWORD exitCode;
    } cases[] = {
        {kExecutableName, "--parent", 2},
        {kExecutableName, "--parent 0", 2},
        {kExecutableName, "--parent 12x", 2},
        {kExecutableName, "--other 5", 2},
        {kExecutableName, "--parent " + std::to_string(gone), 3},
        {kExecutableName64, "", 0},
        {kExecutableName32, "", 0},
    };
    for (const auto& c : cases) {
        if (!Startable(c.program)) {
            continue;
        }
        SCOPED_TRACE(std::string(c.program) + " " + c.arguments);
        std::optional<Fixture> parent;
        if (c.arguments.empty()) {
            parent.emplace();
        }
        const LaunchedProcess relay(
            c.program, parent ? "--parent " + std::to_string(parent->ProcessId()) : c.arguments);
        ASSERT_TRUE(relay) << "error " << GetLastError();
        if (parent) {
            const DWORD id = GetProcessId(relay.get());
            ASSERT_TRUE(WaitUntil([&] { return FindRelayWindow(id) != nullptr; }));
            EXPECT_EQ(STILL_ACTIVE, ExitCode(relay.get(), 0));
            parent->Kill();
        }
        EXPECT_EQ(c.exitCode, ExitCode(relay.get()));
    }
}

// Where the shell and the system's events tell the program of every window, the relay hooks only
// the threads whose windows carry the program's items, and only those of its own bitness; it
// announces nothing, and a thread is let go when its windows no longer carry the items.
TEST_F(RelayTest, HooksOnlyTheThreadsOfWindowsThatCarryTheItems) {
    // Programs started once no relay with global hooks runs (an earlier test's, say, would load
    // the hook DLL into every process): what loads into them is ours.
    ASSERT_TRUE(WaitUntil([] { return !ProcessRuns("vantrel_relay"); }, 30000));
    const HWND relayWindow = StartRelay(kMenusOnlySwitch);
    ASSERT_TRUE(relayWindow);
    for (const char* exe : StartableFixtures()) {
        SCOPED_TRACE(exe);
        Fixture carrier(10000, exe);
        Fixture settler(10000, exe);
        Fixture bystander(10000, exe);
        const HWND window = Carrier(carrier, Visible("Carries the items"));
        const HWND settling = Carrier(settler, Visible("Carries them too"));
        ASSERT_TRUE(PostMessageA(relayWindow, kWindowCarriesItems, W(window), TRUE));
        ASSERT_TRUE(PostMessageA(relayWindow, kWindowCarriesItems, W(settling), TRUE));
        const HWND plain = bystander.CreateOne(Visible("Plain"));
        bystander.SetText(plain, "Renamed"); // messages a global hook would have seen
        bystander.Sync();
        ASSERT_TRUE(Chosen(carrier, window, 21));
        if (Is32(exe)) {
            // No hook DLL of the relay's bitness can load there, and a 64-bit program cannot
            // read a 32-bit process's modules under Wine.
            continue;
        }
        EXPECT_TRUE(main_->WaitChoice(window, 21));
        EXPECT_TRUE(HookDllLoadedInto(carrier.ProcessId(), TestBinFolder()));
        EXPECT_FALSE(HookDllLoadedInto(bystander.ProcessId(), TestBinFolder()));
        // Let go: a choice made there afterwards is not seen; one in a window still carrying the
        // items is, and the relay handles its reports in order.
        ASSERT_TRUE(PostMessageA(relayWindow, kWindowCarriesItems, W(window), FALSE));
        ASSERT_TRUE(Chosen(carrier, window, 22));
        ASSERT_TRUE(PostMessageA(settling, WM_SYSCOMMAND, 22, 0));
        EXPECT_TRUE(main_->WaitChoice(settling, 22));
        EXPECT_EQ(0, main_->Choices(window, 22));
    }
    for (const MSG& n : main_->notices()) {
        EXPECT_EQ(WM_SYSMENUCOMMAND, n.message) << "the relay announced a window";
    }
}

// The program tells its relays which windows carry the items whenever they can hear it: one still
// starting, and one started again after a crash, learns of every such window.
TEST_F(RelayTest, TheProgramsRelaysLearnOfEveryCarrierAlsoAfterACrash) {
    const HWND window = Carrier(fixture_, Visible("Told before the relay was ready"));
    Relays relays;
    relays.Start(TestBinFolder(), sizeof(void*) == 8, true);
    relays.WindowCarriesItems(window);
    // Chosen again until the relay, on one of the program's rounds, has hooked the thread.
    auto passedOn = [&](WPARAM id) {
        ULONGLONG last = 0;
        return WaitUntil([&] {
            if (GetTickCount64() - last >= 200) {
                last = GetTickCount64();
                relays.KeepRunning();
                PostMessageA(window, WM_SYSCOMMAND, id, 0);
            }
            return main_->Choices(window, id) > 0;
        });
    };
    EXPECT_TRUE(passedOn(21));
    const DWORD crashed = relays.Own().ProcessId();
    ASSERT_TRUE(TerminateProcess(relays.Own().Process(), 1));
    ASSERT_EQ(1u, ExitCode(relays.Own().Process()));
    EXPECT_TRUE(passedOn(22));
    EXPECT_NE(crashed, relays.Own().ProcessId());
}

// The program itself with its relays, as a user runs it: the pairs of both bitnesses beside it.
class ProgramWithRelays : public MainFormTest {
protected:
    TfrmMain& StartWithRelays() {
        // A 64-bit build has both pairs, a 32-bit build its own pair only.
        for (const char* file :
             {kExecutableName64, kHookDllName64, kExecutableName32, kHookDllName32}) {
            const std::string from = TestBinFolder() + file;
            EXPECT_TRUE(!Exists(from) || CopyFileA(from.c_str(), (folder() + file).c_str(), FALSE))
                << file;
        }
        startRelay_ = true;
        return Start();
    }
    bool WaitBothActive() {
        auto& relays = form().relay();
        return WaitUntil([&] {
            return Active(relays.Own().ProcessId()) &&
                   (!Startable(other_) || Active(relays.Other().ProcessId(), other_));
        });
    }
    // The relay of the other bitness (which our hook lock does not hold back) has hooked and
    // announced the windows it found: it shows itself active before it counts them, and answers
    // a sent message only after.
    bool OtherDoneAnnouncing() {
        const DWORD id = form().relay().Other().ProcessId();
        DWORD_PTR ignored = 0;
        return !Startable(other_) || (WaitUntil([&] { return Active(id, other_); }) &&
                                      SendMessageTimeoutA(FindRelayWindow(id), WM_NULL, 0, 0,
                                                          SMTO_ABORTIFHUNG, 10000, &ignored) != 0);
    }
    int RowsOf(HWND window) {
        const auto handles = ColumnOf(form().windows(), &WindowEntry::handle);
        return static_cast<int>(std::count(handles.begin(), handles.end(), window));
    }
    bool WaitCaption(HWND window, const std::string& caption) {
        return WaitUntil([&] {
            const int row = form().windows().Find(window);
            return row >= 0 && form().windows().At(row).caption == caption;
        });
    }
    // As the shell posts it to the application's taskbar window.
    void ShellReports(WPARAM code, HWND window) {
        ASSERT_TRUE(PostMessageA(Application::Instance().Handle(), form().shellHookMessage(), code,
                                 L(window)));
    }

    const char* const other_ = sizeof(void*) == 8 ? kExecutableName32 : kExecutableName64;
    Fixture fixture_;
};

// The program lists the open windows before its relays hold their hooks; a window shown in
// between is announced by the relay once it is ready. Then windows of both bitnesses are told.
TEST_F(ProgramWithRelays, WindowsOfBothBitnessesAreListedRenamedCommandedAndRemoved) {
    // Holding the hook lock keeps the program's 64-bit relay waiting, as a slow start would.
    const HookLock lock;
    ASSERT_NE(nullptr, lock.mutex());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(lock.mutex(), 0));
    const HWND listed = fixture_.CreateOne(Visible("Listed at start"));
    auto& f = StartWithRelays();
    ASSERT_GE(f.windows().Find(listed), 0);
    ASSERT_TRUE(WaitUntil([&] { return FindRelayWindow(f.relay().Own().ProcessId()) != nullptr; }));
    ASSERT_TRUE(OtherDoneAnnouncing());
    const HWND early = fixture_.CreateOne(Visible("Before the hooks"));
    PumpMessages();
    EXPECT_LT(f.windows().Find(early), 0);
    ASSERT_TRUE(ReleaseMutex(lock.mutex()));
    ASSERT_TRUE(WaitBothActive());
    EXPECT_TRUE(WaitUntil([&] { return f.windows().Find(early) >= 0; }));
    EXPECT_EQ(1, RowsOf(early));
    // The relay announces that one too; it is listed already.
    EXPECT_EQ(1, RowsOf(listed));

    for (const char* program : StartableFixtures()) {
        SCOPED_TRACE(program);
        Fixture other(10000, program);
        const HWND window = other.CreateOne(Visible("First"));
        ASSERT_TRUE(WaitUntil([&] { return f.windows().Find(window) >= 0; }));
        // The full path, though a 64-bit program cannot read a 32-bit process's modules.
        EXPECT_EQ(f.windows().At(f.windows().Find(window)).path, TestBinFolder() + program);
        other.SetText(window, "Second");
        EXPECT_TRUE(WaitCaption(window, "Second"));
        if (!Is32(program)) {
            // The relays' way: their hooks run inside every program.
            EXPECT_TRUE(HookDllLoadedInto(other.ProcessId(), folder()));
        }

        other.AddSystemMenuItem(window, 11, kProgramItemMarker);
        InSystemMenu(window, {VK_DOWN, VK_UP, VK_RETURN});
        EXPECT_TRUE(WaitUntil([&] { return f.tray().WindowIconAdded(window); }));
        // The window's own thread carries out the hide.
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }));
        // The fixture program has no icon of its own; the icon shows the stock window picture.
        EXPECT_NE(nullptr, f.tray().WindowIcon(window));

        const HWND doomed = other.CreateOne(Visible("Doomed"));
        ASSERT_TRUE(WaitUntil([&] { return f.windows().Find(doomed) >= 0; }));
        other.Destroy(doomed);
        EXPECT_TRUE(WaitUntil([&] { return f.windows().Find(doomed) < 0; }));
    }

    // A relay that crashes is started again, and serves as before.
    std::vector<UniqueHandle> relays;
    for (RelayProcess* relay : {&f.relay().Own(), &f.relay().Other()}) {
        if (!relay->Running()) {
            continue;
        }
        const DWORD crashed = relay->ProcessId();
        ASSERT_TRUE(TerminateProcess(relay->Process(), 1));
        ASSERT_TRUE(WaitUntil([&] { return relay->Running() && relay->ProcessId() != crashed; }));
        relays.push_back(OpenedProcess(relay->ProcessId()));
    }
    ASSERT_TRUE(WaitBothActive());
    Fixture late(10000, StartableFixtures().back());
    const HWND window = late.CreateOne(Visible("After the crash"));
    EXPECT_TRUE(WaitUntil([&] { return f.windows().Find(window) >= 0; }));

    // Stopped through their windows, not terminated.
    f.relay().Stop();
    for (const UniqueHandle& relay : relays) {
        EXPECT_EQ(0u, ExitCode(relay.get(), 0));
    }
    EXPECT_FALSE(f.relay().Running());
}

// Where the shell reports windows (Windows from Vista on), the program watches them without its
// relays, so nothing of ours runs inside other programs: the shell tells of created windows and
// the system's events of the rest. A window that both report is listed once and gets its rule
// once, so a window restored from its icon stays restored. Wine has neither the shell hook nor
// these events: the program is told it has the hook, and the test posts the shell's messages and
// hands the program the events that Windows would raise.
TEST_F(ProgramWithRelays, WithTheShellsNoticesNothingOfOursRunsInOtherPrograms) {
    shellHookRegistered_ = true;
    // Once no relay of an earlier test runs, any relay found at the end is the program's.
    ASSERT_TRUE(WaitUntil([] { return !ProcessRuns("vantrel_relay"); }, 30000));
    Fixture clean;
    const HWND cleanWindow = clean.CreateOne(Visible("Clean"));
    const std::string hiddenClass = UniqueName("VtRelayTray");
    WriteFile("rules.dat", RulesFile({RuleSection(1, hiddenClass, 4)}));
    auto& f = StartWithRelays();
    ASSERT_TRUE(f.windowEvents().Active());

    auto event = [&](DWORD code, HWND window, LONG objectId = OBJID_WINDOW) {
        f.windowEvents().Deliver(code, objectId, CHILDID_SELF, window);
    };
    // Shown: the shell says created, and the system raises its event too.
    auto appears = [&](HWND window) {
        ShellReports(HSHELL_WINDOWCREATED, window);
        event(EVENT_OBJECT_SHOW, window);
    };
    const HWND marker = fixture_.CreateOne(Visible("Marker"));
    appears(marker);
    ASSERT_TRUE(WaitUntil([&] { return f.windows().Find(marker) >= 0; }));
    // A caption change reaches the list as an event of the window itself, not of its parts.
    event(EVENT_OBJECT_NAMECHANGE, marker, OBJID_CLIENT);
    fixture_.SetText(marker, "Renamed");
    event(EVENT_OBJECT_NAMECHANGE, marker, OBJID_CLIENT);
    EXPECT_EQ("Marker", f.windows().At(f.windows().Find(marker)).caption);
    event(EVENT_OBJECT_NAMECHANGE, marker);
    EXPECT_TRUE(WaitCaption(marker, "Renamed"));
    // Everything posted to the program before this has been handled.
    int round = 0;
    auto settle = [&] {
        const std::string caption = "Marker " + std::to_string(++round);
        fixture_.SetText(marker, caption);
        ASSERT_TRUE(PostMessageA(f.Handle(), WM_WINDOWNOTICE, kNoticeRenamed, L(marker)));
        ASSERT_TRUE(WaitCaption(marker, caption));
    };

    const HWND plain = fixture_.CreateOne(Visible("Plain"));
    appears(plain);
    const HWND tray = fixture_.CreateOne(Spec(hiddenClass, "Hidden by its rule"));
    appears(tray);
    ASSERT_TRUE(WaitUntil([&] { return f.tray().WindowIconAdded(tray); }));
    settle();
    EXPECT_EQ(1, RowsOf(plain));
    EXPECT_FALSE(IsWindowVisible(tray));

    // Restored by a double click on its icon; the system's event comes before the shell's
    // notice, whose rebuild alone spends the window's one skip.
    SendMessageA(f.Handle(), WM_HIDDENTRAYICON, IconIdOf(tray), WM_LBUTTONDBLCLK);
    event(EVENT_OBJECT_SHOW, tray);
    EXPECT_EQ(tray, f.skipOnceWindow());
    ShellReports(HSHELL_WINDOWCREATED, tray);
    ASSERT_TRUE(WaitUntil([&] { return f.skipOnceWindow() == nullptr; }));
    settle();
    EXPECT_TRUE(IsWindowVisible(tray));
    EXPECT_FALSE(f.tray().WindowIconAdded(tray));
    EXPECT_EQ(1, RowsOf(tray));
    EXPECT_EQ(1, RowsOf(plain));

    // A window hidden by its own program leaves the list without a word from the shell.
    fixture_.Show(plain, SW_HIDE);
    event(EVENT_OBJECT_HIDE, plain);
    EXPECT_TRUE(WaitUntil([&] { return f.windows().Find(plain) < 0; }));

    clean.SetText(cleanWindow, "Clean, renamed"); // messages a hook would have seen
    clean.Sync();
    EXPECT_FALSE(HookDllLoadedInto(clean.ProcessId(), folder()));
    EXPECT_FALSE(ProcessRuns("vantrel_relay"));
}

} // namespace
} // namespace vt
