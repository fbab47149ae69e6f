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
#include <tlhelp32.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace vt {
namespace {

using vantrel::FindRelayWindow;
using vantrel::kMainWindowClass;
using vantrel::kNoticeCreated;
using vantrel::kNoticeDestroyed;
using vantrel::kNoticeRenamed;
using vantrel::RelayProcess;
using vantrel::WM_SYSMENUCOMMAND;
using vantrel::WM_WINDOWNOTICE;
using vantrel::platform::UniqueHandle;
using vantrel::platform::UniqueHook;
using vantrel::platform::UniqueSnapshot;
using vantrel::platform::UniqueWindow;

struct Notice {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Stands in for the program's main window: hidden, of the main window's class, recording what
// the relay posts. Other tests in this program may have registered that class with the real
// window procedure, which expects its own creation data; the procedure is therefore replaced
// before the window sees its first message, whoever registered the class.
class MainWindowStandIn {
public:
    MainWindowStandIn() {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kMainWindowClass;
        registered_ = RegisterClassExA(&wc) != 0;
        creating_ = this;
        const UniqueHook cbt(
            SetWindowsHookExA(WH_CBT, &MainWindowStandIn::CbtProc, nullptr, GetCurrentThreadId()));
        window_.reset(CreateWindowExA(0, kMainWindowClass, "Stand-in", WS_OVERLAPPEDWINDOW, 0, 0,
                                      100, 100, nullptr, nullptr, GetModuleHandleA(nullptr),
                                      nullptr));
        creating_ = nullptr;
    }
    ~MainWindowStandIn() {
        window_.reset();
        // Leave no class behind that a later test's real main window would fail to register.
        if (registered_) {
            UnregisterClassA(kMainWindowClass, GetModuleHandleA(nullptr));
        }
    }
    MainWindowStandIn(const MainWindowStandIn&) = delete;
    MainWindowStandIn& operator=(const MainWindowStandIn&) = delete;

    HWND hwnd() const { return window_.get(); }
    const std::vector<Notice>& notices() const { return notices_; }

    int Count(UINT message, WPARAM wParam, LPARAM lParam) const {
        return static_cast<int>(
            std::count_if(notices_.begin(), notices_.end(), [&](const Notice& n) {
                return n.message == message && n.wParam == wParam && n.lParam == lParam;
            }));
    }
    // Everything posted about one window (WM_SYSMENUCOMMAND carries it in wParam).
    std::vector<Notice> About(HWND window) const {
        std::vector<Notice> found;
        std::copy_if(notices_.begin(), notices_.end(), std::back_inserter(found),
                     [&](const Notice& n) {
                         return (n.message == WM_WINDOWNOTICE && n.lParam == L(window)) ||
                                (n.message == WM_SYSMENUCOMMAND && n.wParam == W(window));
                     });
        return found;
    }
    bool WaitFor(UINT message, WPARAM wParam, LPARAM lParam, int count = 1) const {
        return WaitUntil([&] { return Count(message, wParam, lParam) >= count; });
    }
    bool WaitNotice(WPARAM code, HWND hwnd, int count = 1) const {
        return WaitFor(WM_WINDOWNOTICE, code, L(hwnd), count);
    }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND && creating_ != nullptr) {
            const auto created = reinterpret_cast<HWND>(wParam);
            SetWindowLongPtrA(created, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating_));
            SetWindowLongPtrA(created, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(&MainWindowStandIn::Proc));
            creating_ = nullptr;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_WINDOWNOTICE || msg == WM_SYSMENUCOMMAND) {
            auto* self =
                reinterpret_cast<MainWindowStandIn*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (self != nullptr) {
                self->notices_.push_back({msg, wParam, lParam});
            }
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    static MainWindowStandIn* creating_;
    bool registered_ = false;
    UniqueWindow window_;
    std::vector<Notice> notices_;
};

MainWindowStandIn* MainWindowStandIn::creating_ = nullptr;

// The relay with that process id has installed its hooks (it names its window last).
bool WaitActive(DWORD processId) {
    return WaitUntil([&] {
        const HWND window = FindRelayWindow(processId);
        return window != nullptr && TextOf(window) == vantrel::relay::kActiveTitle;
    });
}

bool WaitProcessEnd(HANDLE process) {
    return WaitUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; });
}

UniqueHandle OpenForWaiting(DWORD processId) {
    return UniqueHandle(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
}

DWORD ExitCodeOf(HANDLE process) {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

// A relay started with arguments of the test's choosing; one that a failed test leaves running
// is terminated rather than left in the Wine prefix.
class LaunchedRelay {
public:
    explicit LaunchedRelay(const std::string& arguments,
                           const char* program = vantrel::relay::kExecutableName) {
        const std::string exe = TestBinFolder() + program;
        std::string commandLine = "\"" + exe + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &info)) {
            const UniqueHandle thread(info.hThread);
            process_.reset(info.hProcess);
        }
    }
    ~LaunchedRelay() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.get(), 1);
            WaitForSingleObject(process_.get(), 10000);
        }
    }
    LaunchedRelay(const LaunchedRelay&) = delete;
    LaunchedRelay& operator=(const LaunchedRelay&) = delete;
    HANDLE get() const { return process_.get(); }
    explicit operator bool() const { return static_cast<bool>(process_); }

private:
    UniqueHandle process_;
};

// Some systems run 64-bit programs only (under Wine, a machine without 32-bit Linux support).
// Asked once, of the 32-bit relay with a command line that it refuses at once.
bool Runs32BitPrograms() {
    if (sizeof(void*) == 4) {
        return true;
    }
    static const bool runs = [] {
        const LaunchedRelay relay("--parent", vantrel::relay::kExecutableName32);
        return relay && WaitForSingleObject(relay.get(), 10000) == WAIT_OBJECT_0 &&
               ExitCodeOf(relay.get()) == 2;
    }();
    return runs;
}

// Built beside the test program, and a program that this system runs.
bool Startable(const char* program) {
    if (GetFileAttributesA((TestBinFolder() + program).c_str()) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const std::string name = program;
    return name.find("32.") == std::string::npos || Runs32BitPrograms();
}

// Whether the process has loaded a hook DLL of either bitness from the given folder, read from
// outside as a user's tool would. Fails the test when the module list cannot be read, so that an
// empty list proves nothing. The folder matters: Wine keeps the global hooks of a relay that was
// killed (Windows removes them with its thread), and those load an earlier test's copy.
bool HookDllLoadedInto(DWORD processId, const std::string& folder) {
    const UniqueSnapshot snapshot(
        CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId));
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    EXPECT_TRUE(snapshot && Module32First(snapshot.get(), &entry)) << "no module list";
    if (!snapshot || !Module32First(snapshot.get(), &entry)) {
        return false;
    }
    do {
        for (const char* dll : {vantrel::relay::kHookDllName64, vantrel::relay::kHookDllName32}) {
            if (lstrcmpiA(entry.szExePath, (folder + dll).c_str()) == 0) {
                return true;
            }
        }
    } while (Module32Next(snapshot.get(), &entry));
    return false;
}

// Whether a relay of any program (an earlier test's, say) runs: its global hooks would load the
// hook DLL into every process, whatever the program under test does.
bool AnyRelayRuns() {
    const UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    if (!snapshot || !Process32First(snapshot.get(), &entry)) {
        return false;
    }
    do {
        if (std::string(entry.szExeFile).rfind("vantrel_relay", 0) == 0) {
            return true;
        }
    } while (Process32Next(snapshot.get(), &entry));
    return false;
}

// Suspends every thread of a process for as long as it lives.
class PausedProcess {
public:
    explicit PausedProcess(DWORD processId) {
        const UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
        THREADENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        if (!snapshot || !Thread32First(snapshot.get(), &entry)) {
            return;
        }
        do {
            if (entry.th32OwnerProcessID != processId) {
                continue;
            }
            UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
            if (thread && SuspendThread(thread.get()) != static_cast<DWORD>(-1)) {
                threads_.push_back(std::move(thread));
            }
        } while (Thread32Next(snapshot.get(), &entry));
    }
    ~PausedProcess() {
        for (const UniqueHandle& thread : threads_) {
            ResumeThread(thread.get());
        }
    }
    PausedProcess(const PausedProcess&) = delete;
    PausedProcess& operator=(const PausedProcess&) = delete;
    bool Paused() const { return !threads_.empty(); }

private:
    std::vector<UniqueHandle> threads_;
};

WindowSpec Visible(const std::string& caption) {
    WindowSpec spec;
    spec.className = UniqueName("VtRelay");
    spec.caption = caption;
    return spec;
}

class RelayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, main_->hwnd());
        // A 32-bit relay alone, as the program starts it on 32-bit Windows; the hook set it uses
        // beside a 64-bit relay is tested with the program's relays below.
        const std::string arguments = sizeof(void*) == 4 ? vantrel::relay::kAloneSwitch : "";
        ASSERT_TRUE(relay_.Start(TestBinFolder(), nullptr, arguments))
            << "error " << GetLastError();
        ASSERT_TRUE(WaitActive(relay_.ProcessId()));
    }

    // A window of the fixture that the relay has announced.
    HWND Announced(const WindowSpec& spec) {
        const HWND hwnd = fixture_.CreateOne(spec);
        EXPECT_TRUE(main_->WaitNotice(kNoticeCreated, hwnd)) << spec.caption;
        return hwnd;
    }

    // Everything the fixture's thread did before this has been reported once this returns,
    // since the relay passes events on in the order that thread caused them.
    void Settle() {
        const HWND marker = fixture_.CreateOne(Visible("marker"));
        ASSERT_TRUE(main_->WaitNotice(kNoticeCreated, marker));
    }

    std::unique_ptr<MainWindowStandIn> main_ = std::make_unique<MainWindowStandIn>();
    RelayProcess relay_;
    Fixture fixture_;
};

TEST_F(RelayTest, AnnouncesAnotherProcessWindowOnceFromCreationToDestruction) {
    const HWND hwnd = Announced(Visible("First caption"));

    fixture_.SetText(hwnd, "Second caption");
    ASSERT_TRUE(main_->WaitNotice(kNoticeRenamed, hwnd));
    // The notice comes after the change, so the receiver reads the new caption.
    char caption[64] = {};
    GetWindowTextA(hwnd, caption, sizeof(caption));
    EXPECT_STREQ("Second caption", caption);

    fixture_.Destroy(hwnd);
    ASSERT_TRUE(main_->WaitNotice(kNoticeDestroyed, hwnd));
    Settle();

    const std::vector<Notice> about = main_->About(hwnd);
    ASSERT_EQ(3u, about.size());
    EXPECT_EQ(kNoticeCreated, about[0].wParam);
    EXPECT_EQ(kNoticeRenamed, about[1].wParam);
    EXPECT_EQ(kNoticeDestroyed, about[2].wParam);
}

TEST_F(RelayTest, AnnouncesByVisibilityLikeTheShell) {
    WindowSpec hiddenSpec = Visible("Starts hidden");
    hiddenSpec.style = WS_OVERLAPPEDWINDOW;
    const HWND hwnd = fixture_.CreateOne(hiddenSpec);
    fixture_.SetText(hwnd, "Renamed while hidden");
    Settle();
    EXPECT_TRUE(main_->About(hwnd).empty());

    fixture_.Show(hwnd, SW_SHOWNORMAL);
    ASSERT_TRUE(main_->WaitNotice(kNoticeCreated, hwnd));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    // Minimizing keeps the window on screen as far as the shell is concerned.
    fixture_.Show(hwnd, SW_MINIMIZE);
    fixture_.Show(hwnd, SW_HIDE);
    ASSERT_TRUE(main_->WaitNotice(kNoticeDestroyed, hwnd));
    fixture_.Show(hwnd, SW_SHOWNOACTIVATE);
    ASSERT_TRUE(main_->WaitNotice(kNoticeCreated, hwnd, 2));
    Settle();

    const std::vector<Notice> about = main_->About(hwnd);
    ASSERT_EQ(3u, about.size());
    EXPECT_EQ(kNoticeCreated, about[0].wParam);
    EXPECT_EQ(kNoticeDestroyed, about[1].wParam);
    EXPECT_EQ(kNoticeCreated, about[2].wParam);
}

TEST_F(RelayTest, LeavesOutWindowsThatGetNoTaskbarButton) {
    WindowSpec toolSpec = Visible("Tool window");
    toolSpec.exStyle = WS_EX_TOOLWINDOW;
    const HWND tool = fixture_.CreateOne(toolSpec);

    const HWND owner = Announced(Visible("Owner"));
    WindowSpec ownedSpec = Visible("Owned window");
    ownedSpec.owner = owner;
    const HWND owned = fixture_.CreateOne(ownedSpec);

    WindowSpec appSpec = Visible("Owned app window");
    appSpec.owner = owner;
    appSpec.exStyle = WS_EX_APPWINDOW;
    const HWND app = Announced(appSpec);

    WindowSpec childSpec = Visible("With a child");
    childSpec.children = 1;
    const HWND parent = Announced(childSpec);
    const HWND child = GetWindow(parent, GW_CHILD);
    ASSERT_NE(nullptr, child);
    fixture_.Show(child, SW_HIDE);
    fixture_.Show(child, SW_SHOW);
    fixture_.SetText(child, "Child text");
    fixture_.SetText(tool, "Tool renamed");
    fixture_.Destroy(tool);
    Settle();

    EXPECT_TRUE(main_->About(tool).empty());
    EXPECT_TRUE(main_->About(owned).empty());
    EXPECT_TRUE(main_->About(child).empty());
    EXPECT_EQ(1u, main_->About(app).size());
    EXPECT_EQ(1u, main_->About(parent).size());
}

TEST_F(RelayTest, PassesOnExactlyTheProgramsSystemMenuCommands) {
    WindowSpec spec = Visible("Menu target");
    spec.children = 1;
    const HWND hwnd = Announced(spec);
    fixture_.AddSystemMenuItem(hwnd, 11, vantrel::relay::kProgramItemMarker);
    const HWND child = GetWindow(hwnd, GW_CHILD);
    ASSERT_NE(nullptr, child);

    std::vector<WPARAM> relayed = {11, 21, 22};
    for (WPARAM id = 30; id <= 42; ++id) {
        relayed.push_back(id);
    }
    for (WPARAM id = 51; id <= 59; ++id) {
        relayed.push_back(id);
    }
    relayed.push_back(61);
    // Sent rather than posted, as a program may do; it must not be reported twice either. Sent
    // first, because sent messages overtake posted ones in the receiving thread.
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(hwnd, WM_SYSCOMMAND, 31, 0, SMTO_NORMAL, 10000, &result));
    for (const WPARAM id : relayed) {
        ASSERT_TRUE(PostMessageA(hwnd, WM_SYSCOMMAND, id, 0));
        // Only top-level windows carry the program's menu items.
        ASSERT_TRUE(PostMessageA(child, WM_SYSCOMMAND, id, 0));
    }
    // Neighbours of every range, and the system's own encoding of one of the ids; the last one
    // tells when the fixture has taken every posted message.
    const std::vector<WPARAM> ignored = {0, 10, 12, 20, 23, 29, 43, 50, 60, 62, 31 << 4, 99};
    for (const WPARAM id : ignored) {
        ASSERT_TRUE(PostMessageA(hwnd, WM_SYSCOMMAND, id, 0));
    }
    // The relay only listens: the window still gets every command.
    ASSERT_TRUE(WaitUntil([&] { return fixture_.GetCounts(hwnd).lastSysCommand == 99; }));

    std::vector<WPARAM> expected = {31};
    expected.insert(expected.end(), relayed.begin(), relayed.end());
    std::vector<WPARAM> seen;
    auto collect = [&] {
        seen.clear();
        for (const Notice& n : main_->notices()) {
            if (n.message == WM_SYSMENUCOMMAND) {
                EXPECT_EQ(W(hwnd), n.wParam);
                seen.push_back(static_cast<WPARAM>(n.lParam));
            }
        }
        return seen.size() >= expected.size();
    };
    // Each choice is confirmed before it is passed on, so the last ones may come after the
    // windows' notices; once all are in, a repeat would have had time to follow.
    EXPECT_TRUE(WaitUntil(collect));
    Settle();
    collect();
    EXPECT_EQ(expected, seen);
}

TEST_F(RelayTest, ReportsAMenuChoiceOnceThoughItsQueueWasPeekedAt) {
    // A window of this process is as foreign to the relay as the fixture's, and here the test
    // controls the message loop that takes the command.
    const std::string className = UniqueName("VtRelayPeeked");
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className.c_str();
    ASSERT_TRUE(RegisterClassExA(&wc));
    {
        const UniqueWindow local(CreateWindowExA(0, className.c_str(), "Peeked",
                                                 WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                                 nullptr, GetModuleHandleA(nullptr), nullptr));
        ASSERT_TRUE(local);
        ASSERT_TRUE(InsertMenuA(GetSystemMenu(local.get(), FALSE), 0, MF_BYPOSITION | MF_STRING, 11,
                                vantrel::relay::kProgramItemMarker));
        ASSERT_TRUE(PostMessageA(local.get(), WM_SYSCOMMAND, 21, 0));
        MSG msg;
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(PeekMessageA(&msg, local.get(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE));
        }
        ASSERT_TRUE(PostMessageA(local.get(), WM_SYSCOMMAND, 22, 0));
        ASSERT_TRUE(main_->WaitFor(WM_SYSMENUCOMMAND, W(local.get()), 22));
        EXPECT_EQ(1, main_->Count(WM_SYSMENUCOMMAND, W(local.get()), 21));
    }
    UnregisterClassA(className.c_str(), GetModuleHandleA(nullptr));
}

// A menu of that window's thread is open on the screen.
bool SystemMenuOpenIn(HWND window) {
    return FindPopupMenu(GetWindowThreadProcessId(window, nullptr)) != nullptr;
}

// As a user does it: the window to the front and Alt+Space. The first item is highlighted.
void OpenSystemMenu(HWND window) {
    SetForegroundWindow(window);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }));
    PressKey(VK_SPACE, {VK_MENU});
    ASSERT_TRUE(WaitUntil([&] { return SystemMenuOpenIn(window); }));
}

// A choice made as a user makes it, in each hook set: the one a relay of either bitness uses
// alone, and the one a 32-bit relay uses beside a 64-bit one. Windows hands the latter's hook the
// command without its four low bits; a choice given that way is still told whole.
TEST(RelayMenuKeys, AChoiceMadeWithTheKeysIsPassedOnByEitherHookSet) {
    struct Case {
        const char* arguments;
        bool lowBitsCleared;
    };
    const Case cases[] = {{sizeof(void*) == 4 ? vantrel::relay::kAloneSwitch : "", false},
                          {vantrel::relay::kPairedSetSwitch, false},
                          {vantrel::relay::kPairedSetSwitch, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.arguments) + (c.lowBitsCleared ? " low bits cleared" : ""));
        MainWindowStandIn main;
        RelayProcess relay;
        ASSERT_TRUE(relay.Start(TestBinFolder(), nullptr, c.arguments));
        ASSERT_TRUE(WaitActive(relay.ProcessId()));
        Fixture fixture;
        const HWND hwnd = fixture.CreateOne(Visible("Keys"));
        fixture.AddSystemMenuItem(hwnd, 11, vantrel::relay::kProgramItemMarker);
        if (c.lowBitsCleared) {
            // The item highlighted, the menu left with Escape, and 11 as that hook sees it.
            OpenSystemMenu(hwnd);
            PressKey(VK_ESCAPE);
            PressKey(VK_ESCAPE);
            ASSERT_TRUE(WaitUntil([&] { return !SystemMenuOpenIn(hwnd); }));
            ASSERT_TRUE(PostMessageA(hwnd, WM_SYSCOMMAND, 11 & ~0xF, 0));
        } else {
            OpenSystemMenu(hwnd);
            PressKey(VK_DOWN);
            PressKey(VK_UP);
            PressKey(VK_RETURN);
        }
        EXPECT_TRUE(main.WaitFor(WM_SYSMENUCOMMAND, W(hwnd), 11));
    }
}

// Any process can post to the relay's window, as the hooks do from every program. A choice claimed
// there reaches the program only when the window's own process confirms it: made there, while
// the window's menu still carries the program's items, within the hook's ten seconds for a choice
// and the relay's for a question. The relay is held still between the choice and its question so
// that a row can change what the confirmation finds; the clocks are moved on, not waited out.
TEST(RelayConfirmation, AChoiceIsPassedOnOnlyWhenTheWindowsProcessConfirmsItInTime) {
    using namespace vantrel::relay;
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
    // The 32-bit pair alone as on 32-bit Windows, with a program of its bitness.
    const struct {
        const char* relay;
        const char* hookDll;
        const char* fixture;
        std::string arguments;
    } pairs[] = {
        {kExecutableName64, kHookDllName64, "vt_fixture.exe", kTestClockSwitch},
        {kExecutableName32, kHookDllName32, "vt_fixture32.exe",
         std::string(kTestClockSwitch) + " " + kAloneSwitch},
    };
    const DWORD lapse = 10001;
    for (const auto& pair : pairs) {
        if (!Startable(pair.relay) || !Startable(pair.fixture)) {
            continue; // a system that runs no 32-bit programs
        }
        SCOPED_TRACE(pair.relay);
        const MainWindowStandIn main;
        RelayProcess relay;
        ASSERT_TRUE(relay.Start(TestBinFolder(), pair.relay, pair.arguments));
        ASSERT_TRUE(WaitActive(relay.ProcessId()));
        const HWND relayWindow = FindRelayWindow(relay.ProcessId());
        Fixture fixture(10000, pair.fixture);
        const HWND carrier = fixture.CreateOne(Visible("Carries the items"));
        const HWND plain = fixture.CreateOne(Visible("Plain menu"));
        const HWND settler = fixture.CreateOne(Visible("Settles each row"));
        for (const HWND window : {carrier, settler}) {
            fixture.AddSystemMenuItem(window, 11, kProgramItemMarker);
        }
        WPARAM id = 30;
        int settled = 0;
        for (const auto& row : rows) {
            SCOPED_TRACE(row.name);
            const HWND window = row.items ? carrier : plain;
            {
                const PausedProcess pause(relay.ProcessId());
                ASSERT_TRUE(pause.Paused());
                ++id;
                if (row.made) {
                    ASSERT_TRUE(PostMessageA(window, WM_SYSCOMMAND, id, 0));
                    ASSERT_TRUE(
                        WaitUntil([&] { return fixture.GetCounts(window).lastSysCommand == id; }));
                } else {
                    ASSERT_TRUE(PostMessageA(relayWindow, kRawSysCommand, W(window),
                                             static_cast<LPARAM>(id)));
                    ASSERT_TRUE(PostMessageA(relayWindow, kRawConfirmed, 0x5A5A5A5A, L(window)));
                }
                if (row.meanwhile == Meanwhile::ItemsRemoved) {
                    ASSERT_EQ(fixture.Command("sysmenureset " + HandleToHex(window)), "ok");
                } else if (row.meanwhile == Meanwhile::ChoiceLapses) {
                    ASSERT_EQ(fixture.Command("hookclock " + std::to_string(lapse) + " " +
                                              PercentEncode(TestBinFolder() + pair.hookDll)),
                              "ok");
                } else if (row.meanwhile == Meanwhile::QuestionLapses) {
                    // Taken by the relay after it asked, before the answer comes.
                    ASSERT_TRUE(PostMessageA(relayWindow, kAdvanceClock, lapse, 0));
                }
            }
            // A choice made afterwards is confirmed after the row's, by the same thread.
            ASSERT_TRUE(PostMessageA(settler, WM_SYSCOMMAND, 61, 0));
            ASSERT_TRUE(main.WaitFor(WM_SYSMENUCOMMAND, W(settler), 61, ++settled));
            EXPECT_EQ(main.Count(WM_SYSMENUCOMMAND, W(window), static_cast<LPARAM>(id)),
                      row.passed ? 1 : 0);
            if (row.meanwhile == Meanwhile::ItemsRemoved) {
                fixture.AddSystemMenuItem(carrier, 11, kProgramItemMarker);
            }
        }
    }
}

TEST_F(RelayTest, CatchesUpLateWithoutRepeatingItself) {
    HWND shown = nullptr;
    HWND flicker = nullptr;
    {
        // While the relay sleeps, the hooks' reports pile up; it handles them when the windows
        // have long changed, and the shell's early "created" and the later "shown" of one window
        // then look alike.
        const PausedProcess pause(relay_.ProcessId());
        ASSERT_TRUE(pause.Paused());
        shown = fixture_.CreateOne(Visible("Shown while the relay slept"));
        fixture_.SetText(shown, "Renamed while the relay slept");
        flicker = fixture_.CreateOne(Visible("Gone again before the relay woke"));
        fixture_.Show(flicker, SW_HIDE);
    }
    Settle();

    const std::vector<Notice> about = main_->About(shown);
    ASSERT_EQ(2u, about.size());
    EXPECT_EQ(kNoticeCreated, about[0].wParam);
    EXPECT_EQ(kNoticeRenamed, about[1].wParam);
    EXPECT_TRUE(main_->About(flicker).empty());
}

TEST_F(RelayTest, ReportsTheWindowsOfAProcessThatWasKilled) {
    Fixture doomed;
    const HWND hwnd = doomed.CreateOne(Visible("Killed with its process"));
    ASSERT_TRUE(main_->WaitNotice(kNoticeCreated, hwnd));
    doomed.Kill();
    EXPECT_TRUE(main_->WaitNotice(kNoticeDestroyed, hwnd));
}

TEST_F(RelayTest, FindsTheMainWindowAgainWhenItWasReplaced) {
    const HWND first = Announced(Visible("Before"));
    main_.reset();
    main_ = std::make_unique<MainWindowStandIn>();
    const HWND second = Announced(Visible("After"));
    fixture_.Destroy(first);
    EXPECT_TRUE(main_->WaitNotice(kNoticeDestroyed, first));
    EXPECT_EQ(1u, main_->About(second).size());
}

TEST_F(RelayTest, EveryRunningInstanceHearsTheNotices) {
    const MainWindowStandIn second;
    ASSERT_NE(nullptr, second.hwnd());
    const HWND hwnd = Announced(Visible("Seen by both"));
    fixture_.SetText(hwnd, "Renamed for both");
    for (const MainWindowStandIn* main :
         {static_cast<const MainWindowStandIn*>(main_.get()), &second}) {
        EXPECT_TRUE(main->WaitNotice(kNoticeCreated, hwnd));
        EXPECT_TRUE(main->WaitNotice(kNoticeRenamed, hwnd));
    }
}

TEST_F(RelayTest, SecondRelayWaitsWhileTheFirstRunsThenTakesOver) {
    RelayProcess second;
    ASSERT_TRUE(second.Start(TestBinFolder()));
    ASSERT_NE(relay_.ProcessId(), second.ProcessId());
    ASSERT_TRUE(WaitUntil([&] { return FindRelayWindow(second.ProcessId()) != nullptr; }));
    EXPECT_TRUE(second.Running());
    EXPECT_EQ("", TextOf(FindRelayWindow(second.ProcessId())));

    // Two relays, yet each event is reported once.
    const HWND hwnd = Announced(Visible("While both run"));
    fixture_.SetText(hwnd, "Renamed while both run");
    ASSERT_TRUE(main_->WaitNotice(kNoticeRenamed, hwnd));
    Settle();
    EXPECT_EQ(2u, main_->About(hwnd).size());

    const UniqueHandle first = OpenForWaiting(relay_.ProcessId());
    ASSERT_TRUE(first);
    relay_.Stop();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first.get(), 0));
    ASSERT_TRUE(WaitActive(second.ProcessId()));

    const HWND later = Announced(Visible("After the first ended"));
    fixture_.Destroy(hwnd);
    ASSERT_TRUE(main_->WaitNotice(kNoticeDestroyed, hwnd));
    fixture_.Destroy(later);
    ASSERT_TRUE(main_->WaitNotice(kNoticeDestroyed, later));
    Settle();
    EXPECT_EQ(2u, main_->About(later).size());
}

TEST(RelayIdentity, TheHookLockIsOneOthersCannotTakeFirstWhereTheSystemAllows) {
    using vantrel::relay::ChooseHookLock;
    using vantrel::relay::HookLockKind;
    using vantrel::relay::NamespaceOutcome;
    const struct {
        NamespaceOutcome outcome;
        bool elevated;
        HookLockKind kind;
    } cases[] = {
        {NamespaceOutcome::Made, true, HookLockKind::PrivateNamespace},
        {NamespaceOutcome::Unsupported, true, HookLockKind::SessionName},
        {NamespaceOutcome::Refused, false, HookLockKind::SessionName},
        // A plain name could be planted by a process of lower rights: better no lock at all.
        {NamespaceOutcome::Refused, true, HookLockKind::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseHookLock(c.outcome, c.elevated), c.kind)
            << static_cast<int>(c.outcome) << c.elevated;
    }
}

TEST(RelayIdentity, AWindowCountsByTheFileItsProcessRuns) {
    using vantrel::relay::FileIdentity;
    using vantrel::relay::IdentityOf;
    using vantrel::relay::IsGenuineRelayWindow;
    using vantrel::relay::MayTellMainWindow;
    char self[MAX_PATH * 2] = {};
    ASSERT_NE(0u, GetModuleFileNameA(nullptr, self, sizeof(self)));
    std::string lower = self;
    CharLowerA(&lower[0]);
    const FileIdentity program = IdentityOf(self);
    const FileIdentity relayFile =
        IdentityOf((TestBinFolder() + vantrel::relay::kExecutableName).c_str());
    const FileIdentity fixtureFile = IdentityOf((TestBinFolder() + "vt_fixture.exe").c_str());
    const FileIdentity missing = IdentityOf((TestBinFolder() + "no such file.exe").c_str());
    EXPECT_TRUE(SameFile(program, IdentityOf(lower.c_str())));
    EXPECT_FALSE(SameFile(program, relayFile));
    EXPECT_FALSE(SameFile(missing, missing));

    const MainWindowStandIn main;
    Fixture fixture;
    const HWND other = fixture.CreateOne(Visible("Another program"));
    const DWORD me = GetCurrentProcessId();
    const struct {
        HWND window;
        DWORD parent;
        const FileIdentity& file;
        bool tell;
    } cases[] = {
        {main.hwnd(), me, program, true},
        {other, me, program, false},
        // Another instance of the parent's executable.
        {other, me, fixtureFile, true},
        {other, me, missing, false},
        {main.hwnd(), 0, program, false},
        {nullptr, me, program, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MayTellMainWindow(c.window, c.parent, c.file), c.tell)
            << c.window << " " << c.parent;
    }
    EXPECT_FALSE(IsGenuineRelayWindow(other, relayFile));
    EXPECT_TRUE(IsGenuineRelayWindow(other, fixtureFile));
    EXPECT_FALSE(IsGenuineRelayWindow(other, missing));
    EXPECT_FALSE(IsGenuineRelayWindow(nullptr, fixtureFile));
}

// Windows of the relay's class and title and of the main window's class, made by another program
// before and after the relay starts, are sent nothing; the program's own window hears it all.
TEST(RelayIdentity, ImpostorWindowsOfTheRelayAndTheProgramHearNothing) {
    const MainWindowStandIn main;
    ASSERT_NE(nullptr, main.hwnd());
    Fixture impostor;
    WindowSpec relaySpec;
    relaySpec.className = vantrel::relay::kWindowClass;
    relaySpec.caption = vantrel::relay::kActiveTitle;
    relaySpec.style = 0;
    relaySpec.owner = HWND_MESSAGE;
    WindowSpec mainSpec;
    mainSpec.className = kMainWindowClass;
    mainSpec.style = WS_OVERLAPPEDWINDOW;
    const HWND early = impostor.CreateOne(relaySpec);
    const HWND fakeMain = impostor.CreateOne(mainSpec);
    RelayProcess relay;
    ASSERT_TRUE(relay.Start(TestBinFolder(), nullptr,
                            sizeof(void*) == 4 ? vantrel::relay::kAloneSwitch : ""));
    ASSERT_TRUE(WaitActive(relay.ProcessId()));
    // Whichever order the system finds them in, an impostor comes before the relay.
    const HWND late = impostor.CreateOne(relaySpec);

    Fixture other;
    const HWND shown = other.CreateOne(Visible("Seen by the program alone"));
    EXPECT_TRUE(main.WaitNotice(kNoticeCreated, shown));
    other.SetText(shown, "Renamed for the program alone");
    EXPECT_TRUE(main.WaitNotice(kNoticeRenamed, shown));
    impostor.Sync();
    for (const HWND hwnd : {early, late, fakeMain}) {
        EXPECT_EQ(0, impostor.GetCounts(hwnd).privateMessages) << hwnd;
    }
}

// Asked through its window, by Stop or by the owner's end: it ends on its own (0, not the code
// Stop terminates with).
TEST(RelayLifetime, StopAndItsOwnersEndCloseTheRelayThroughItsWindow) {
    for (const bool stop : {true, false}) {
        UniqueHandle process;
        DWORD processId = 0;
        {
            RelayProcess relay;
            ASSERT_TRUE(relay.Start(TestBinFolder()));
            processId = relay.ProcessId();
            EXPECT_TRUE(relay.Start(TestBinFolder())); // already running: the same process
            EXPECT_EQ(processId, relay.ProcessId());
            process = OpenForWaiting(processId);
            ASSERT_TRUE(process);
            ASSERT_TRUE(WaitUntil([&] { return FindRelayWindow(processId) != nullptr; }));
            if (stop) {
                relay.Stop();
                EXPECT_FALSE(relay.Running());
            }
        }
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 0)) << stop;
        EXPECT_EQ(0u, ExitCodeOf(process.get()));
        EXPECT_EQ(nullptr, FindRelayWindow(processId));
    }
}

TEST(RelayLifetime, EndsWithItsParentProcess) {
    for (const char* program :
         {vantrel::relay::kExecutableName64, vantrel::relay::kExecutableName32}) {
        if (!Startable(program)) {
            continue;
        }
        SCOPED_TRACE(program);
        Fixture parent;
        const LaunchedRelay relay("--parent " + std::to_string(parent.ProcessId()), program);
        ASSERT_TRUE(relay);
        ASSERT_TRUE(
            WaitUntil([&] { return FindRelayWindow(GetProcessId(relay.get())) != nullptr; }));
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(relay.get(), 0));

        parent.Kill();
        ASSERT_TRUE(WaitProcessEnd(relay.get()));
        EXPECT_EQ(0u, ExitCodeOf(relay.get()));
    }
}

TEST(RelayLifetime, RefusesABadCommandLineOrAParentThatIsGone) {
    DWORD gone = 0;
    {
        Fixture ended;
        gone = ended.ProcessId();
        ended.Kill();
    }
    struct Case {
        std::string arguments;
        DWORD exitCode;
    };
    const std::vector<Case> cases = {{"--parent", 2},
                                     {"--parent 0", 2},
                                     {"--parent 12x", 2},
                                     {"--other 5", 2},
                                     {"--parent " + std::to_string(gone), 3}};
    for (const Case& c : cases) {
        const LaunchedRelay relay(c.arguments);
        ASSERT_TRUE(relay) << c.arguments;
        ASSERT_TRUE(WaitProcessEnd(relay.get())) << c.arguments;
        EXPECT_EQ(c.exitCode, ExitCodeOf(relay.get())) << c.arguments;
    }
}

TEST(RelayLifetime, MissingExecutableIsNotAnError) {
    const TempDir empty;
    RelayProcess relay;
    EXPECT_FALSE(relay.Start(empty.path()));
    EXPECT_FALSE(relay.Running());
    EXPECT_EQ(0u, relay.ProcessId());
    relay.Stop();
    EXPECT_FALSE(relay.Running());
}

// Where the shell and the system's events tell the program of every window, the relay hooks only
// the threads whose windows carry the program's items, and only those of its own bitness; it
// announces nothing, and a thread is let go when its windows no longer carry the items.
TEST(RelayForMenusOnly, HooksOnlyTheThreadsOfWindowsThatCarryTheItems) {
    // Programs started once no relay with global hooks runs: what loads into them is ours.
    ASSERT_TRUE(WaitUntil([] { return !AnyRelayRuns(); }, 30000));
    MainWindowStandIn main;
    RelayProcess relay;
    ASSERT_TRUE(relay.Start(TestBinFolder(), nullptr, vantrel::relay::kMenusOnlySwitch));
    ASSERT_TRUE(WaitActive(relay.ProcessId()));
    const HWND relayWindow = FindRelayWindow(relay.ProcessId());
    auto carries = [&](HWND window, BOOL yes) {
        ASSERT_TRUE(PostMessageA(relayWindow, vantrel::relay::kWindowCarriesItems, W(window), yes));
    };
    struct Program {
        const char* exe;
        bool hooked; // of the relay's bitness
    };
    const char* other = sizeof(void*) == 8 ? "vt_fixture32.exe" : "vt_fixture.exe";
    std::vector<Program> programs = {{"vt_fixture.exe", sizeof(void*) == 8}};
    if (Startable(other)) {
        programs.push_back({other, sizeof(void*) == 4});
    }
    for (const Program& program : programs) {
        SCOPED_TRACE(program.exe);
        Fixture carrier(10000, program.exe);
        Fixture settler(10000, program.exe);
        Fixture bystander(10000, program.exe);
        const HWND window = carrier.CreateOne(Visible("Carries the items"));
        const HWND settling = settler.CreateOne(Visible("Carries them too"));
        const HWND plain = bystander.CreateOne(Visible("Plain"));
        for (const auto& [fixture, hwnd] : {std::pair{&carrier, window}, {&settler, settling}}) {
            fixture->AddSystemMenuItem(hwnd, 11, vantrel::relay::kProgramItemMarker);
            carries(hwnd, TRUE);
        }
        ASSERT_TRUE(PostMessageA(window, WM_SYSCOMMAND, 21, 0));
        ASSERT_TRUE(WaitUntil([&] { return carrier.GetCounts(window).lastSysCommand == 21; }));
        if (program.hooked) {
            EXPECT_TRUE(main.WaitFor(WM_SYSMENUCOMMAND, W(window), 21));
        }
        bystander.SetText(plain, "Renamed"); // messages a global hook would have seen
        bystander.Sync();
        EXPECT_EQ(program.hooked, HookDllLoadedInto(carrier.ProcessId(), TestBinFolder()));
        EXPECT_FALSE(HookDllLoadedInto(bystander.ProcessId(), TestBinFolder()));
        if (!program.hooked) {
            continue;
        }
        // Let go: a choice made there afterwards is not seen; one in a window still carrying the
        // items is, and the relay handles its reports in order.
        carries(window, FALSE);
        ASSERT_TRUE(PostMessageA(window, WM_SYSCOMMAND, 22, 0));
        ASSERT_TRUE(WaitUntil([&] { return carrier.GetCounts(window).lastSysCommand == 22; }));
        ASSERT_TRUE(PostMessageA(settling, WM_SYSCOMMAND, 22, 0));
        EXPECT_TRUE(main.WaitFor(WM_SYSMENUCOMMAND, W(settling), 22));
        EXPECT_EQ(0, main.Count(WM_SYSMENUCOMMAND, W(window), 22));
    }
    for (const Notice& n : main.notices()) {
        EXPECT_EQ(WM_SYSMENUCOMMAND, n.message) << "the relay announced a window";
    }
}

// The program tells its relays which windows carry the items whenever they can hear it: one still
// starting, and one started again after a crash, learns of every such window.
TEST(RelayForMenusOnly, TheProgramsRelaysLearnOfEveryCarrierAlsoAfterACrash) {
    MainWindowStandIn main;
    Fixture fixture;
    const HWND window = fixture.CreateOne(Visible("Told before the relay was ready"));
    fixture.AddSystemMenuItem(window, 11, vantrel::relay::kProgramItemMarker);
    vantrel::Relays relays;
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
            return main.Count(WM_SYSMENUCOMMAND, W(window), static_cast<LPARAM>(id)) > 0;
        });
    };
    EXPECT_TRUE(passedOn(21));
    const DWORD crashed = relays.Own().ProcessId();
    ASSERT_TRUE(TerminateProcess(relays.Own().Process(), 1));
    ASSERT_TRUE(WaitProcessEnd(relays.Own().Process()));
    EXPECT_TRUE(passedOn(22));
    EXPECT_NE(crashed, relays.Own().ProcessId());
    relays.Stop();
}

// The program itself with its relays, as a user runs it: the pairs of both bitnesses beside it.
class ProgramWithRelays : public MainFormTest {
protected:
    vantrel::TfrmMain& StartWithRelays(const std::string& rules = std::string()) {
        // A 64-bit build has both pairs, a 32-bit build its own pair only.
        for (const char* file :
             {vantrel::relay::kExecutableName64, vantrel::relay::kHookDllName64,
              vantrel::relay::kExecutableName32, vantrel::relay::kHookDllName32}) {
            const std::string from = TestBinFolder() + file;
            if (GetFileAttributesA(from.c_str()) != INVALID_FILE_ATTRIBUTES) {
                EXPECT_TRUE(CopyFileA(from.c_str(), (folder() + file).c_str(), FALSE)) << file;
            }
        }
        if (!rules.empty()) {
            WriteFile("rules.dat", rules);
        }
        startRelay_ = true;
        return Start();
    }
#ifdef _WIN64
    static constexpr const char* kOtherTitle = vantrel::relay::kActiveTitle32;
    static constexpr const char* kOtherRelay = vantrel::relay::kExecutableName32;
#else
    static constexpr const char* kOtherTitle = vantrel::relay::kActiveTitle64;
    static constexpr const char* kOtherRelay = vantrel::relay::kExecutableName64;
#endif
    // Every relay that was built holds its hooks.
    bool WaitBothActive() {
        auto& relays = form().relay();
        const bool other = Startable(kOtherRelay);
        return WaitUntil([&] {
            const HWND own = FindRelayWindow(relays.Own().ProcessId());
            const HWND theirs = FindRelayWindow(relays.Other().ProcessId());
            return own != nullptr && TextOf(own) == vantrel::relay::kActiveTitle &&
                   (!other || (theirs != nullptr && TextOf(theirs) == kOtherTitle));
        });
    }
    int RowsOf(HWND window) {
        int rows = 0;
        for (const auto& row : form().windows().Rows()) {
            rows += row.handle == window ? 1 : 0;
        }
        return rows;
    }
    bool WaitCaption(HWND window, const std::string& caption) {
        return WaitUntil([&] {
            const int row = form().windows().Find(window);
            return row >= 0 && form().windows().At(row).caption == caption;
        });
    }
    // As the shell posts it to the application's taskbar window.
    void ShellReports(WPARAM code, HWND window) {
        ASSERT_TRUE(PostMessageA(vantrel::Application::Instance().Handle(),
                                 form().shellHookMessage(), code, L(window)));
    }

    Fixture fixture_;
};

TEST_F(ProgramWithRelays, WindowsOfBothBitnessesAreListedRenamedCommandedAndRemoved) {
    auto& f = StartWithRelays();
    ASSERT_TRUE(WaitBothActive());
    for (const char* program : {"vt_fixture.exe", "vt_fixture32.exe"}) {
        if (!Startable(program)) {
            continue;
        }
        SCOPED_TRACE(program);
        Fixture other(10000, program);
        const HWND window = other.CreateOne(Visible("First"));
        ASSERT_TRUE(WaitUntil([&] { return f.windows().Find(window) >= 0; }));
        // The full path, though a 64-bit program cannot read a 32-bit process's modules.
        EXPECT_EQ(f.windows().At(f.windows().Find(window)).path, TestBinFolder() + program);
        other.SetText(window, "Second");
        EXPECT_TRUE(WaitCaption(window, "Second"));
        if (std::string(program) == "vt_fixture.exe") {
            // The relays' way: their hooks run inside every program.
            EXPECT_TRUE(HookDllLoadedInto(other.ProcessId(), folder()));
        }

        other.AddSystemMenuItem(window, 11, vantrel::relay::kProgramItemMarker);
        OpenSystemMenu(window);
        PressKey(VK_DOWN);
        PressKey(VK_UP);
        PressKey(VK_RETURN);
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
    for (RelayProcess* relay : {&f.relay().Own(), &f.relay().Other()}) {
        if (!relay->Running()) {
            continue;
        }
        const DWORD crashed = relay->ProcessId();
        ASSERT_TRUE(TerminateProcess(relay->Process(), 1));
        ASSERT_TRUE(WaitUntil([&] { return relay->Running() && relay->ProcessId() != crashed; }));
    }
    ASSERT_TRUE(WaitBothActive());
    Fixture late(10000, Startable("vt_fixture32.exe") ? "vt_fixture32.exe" : "vt_fixture.exe");
    const HWND window = late.CreateOne(Visible("After the crash"));
    EXPECT_TRUE(WaitUntil([&] { return f.windows().Find(window) >= 0; }));

    // Stopped through their windows, not terminated.
    std::vector<UniqueHandle> relays;
    for (RelayProcess* relay : {&f.relay().Own(), &f.relay().Other()}) {
        if (relay->Running()) {
            relays.push_back(OpenForWaiting(relay->ProcessId()));
        }
    }
    f.relay().Stop();
    for (const UniqueHandle& relay : relays) {
        ASSERT_TRUE(relay);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(relay.get(), 0));
        EXPECT_EQ(0u, ExitCodeOf(relay.get()));
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
    ASSERT_TRUE(WaitUntil([] { return !AnyRelayRuns(); }, 30000));
    Fixture clean;
    const HWND cleanWindow = clean.CreateOne(Visible("Clean"));
    const std::string hiddenClass = UniqueName("VtRelayTray");
    auto& f =
        StartWithRelays("[Options]\r\nWindowCount=1\r\n[Window1]\r\nClassName=" + hiddenClass +
                        "\r\nAction=4\r\nZOrder=0\r\nWindowCaption=\r\n"
                        "AutoRefresh=-\r\nTimeInterval=-1\r\n");
    ASSERT_EQ(11, f.versionCode());
    ASSERT_TRUE(f.windowWatch().winEvents);
    ASSERT_TRUE(f.windowEvents().Active());
    EXPECT_FALSE(f.relay().Running());
    EXPECT_EQ(0u, f.relay().Own().ProcessId());
    EXPECT_EQ(0u, f.relay().Other().ProcessId());

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
        ASSERT_TRUE(
            PostMessageA(f.Handle(), vantrel::WM_WINDOWNOTICE, vantrel::kNoticeRenamed, L(marker)));
        ASSERT_TRUE(WaitCaption(marker, caption));
    };

    const HWND plain = fixture_.CreateOne(Visible("Plain"));
    appears(plain);
    WindowSpec spec = Visible("Hidden by its rule");
    spec.className = hiddenClass;
    const HWND tray = fixture_.CreateOne(spec);
    appears(tray);
    ASSERT_TRUE(WaitUntil([&] { return f.tray().WindowIconAdded(tray); }));
    settle();
    EXPECT_EQ(1, RowsOf(plain));
    EXPECT_FALSE(IsWindowVisible(tray));

    // Restored by a double click on its icon; the shell reports it shown again.
    SendMessageA(f.Handle(), vantrel::WM_HIDDENTRAYICON, vantrel::IconIdOf(tray), WM_LBUTTONDBLCLK);
    // The shell's notice first: the event before it would spend the window's one skip, and the
    // rebuild that follows would hide it again (the relays' notices can race the same way).
    ShellReports(HSHELL_WINDOWCREATED, tray);
    ASSERT_TRUE(WaitUntil([&] { return f.skipOnceWindow() == nullptr; }));
    event(EVENT_OBJECT_SHOW, tray);
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
    EXPECT_FALSE(f.relay().Running());
    EXPECT_FALSE(AnyRelayRuns());
}

// The program lists the open windows before its relays hold their hooks; a window shown in
// between is announced by the relay once it is ready.
TEST_F(ProgramWithRelays, AWindowShownBeforeTheHooksAreInPlaceIsListed) {
    // Holding the hook lock keeps the program's 64-bit relay waiting, as a slow start would.
    const vantrel::relay::HookLock lock;
    ASSERT_NE(nullptr, lock.mutex());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(lock.mutex(), 0));
    const HWND listed = fixture_.CreateOne(Visible("Listed at start"));
    auto& f = StartWithRelays();
    ASSERT_GE(f.windows().Find(listed), 0);
    ASSERT_TRUE(WaitUntil([&] { return FindRelayWindow(f.relay().Own().ProcessId()) != nullptr; }));
    const HWND early = fixture_.CreateOne(Visible("Before the hooks"));
    PumpMessages();
    EXPECT_LT(f.windows().Find(early), 0);
    ASSERT_TRUE(ReleaseMutex(lock.mutex()));
    ASSERT_TRUE(WaitBothActive());
    EXPECT_TRUE(WaitUntil([&] { return f.windows().Find(early) >= 0; }));
    EXPECT_EQ(1, RowsOf(early));
    // The relay announces that one too; it is listed already.
    EXPECT_EQ(1, RowsOf(listed));
}

} // namespace
} // namespace vt
