// vantrel_relay.exe: tells the main window about other applications' top-level windows and
// passes on the commands chosen from the items the program put into their system menus. The
// program starts it with "--parent <pid>"; it installs the global hooks of vantrel_hook.dll
// and turns what they observe into WM_WINDOWNOTICE and WM_SYSMENUCOMMAND for the window of class
// kMainWindowClass.
//
// Life: it has one hidden message-only window of class "VantrelRelay" (HWND_MESSAGE: invisible,
// absent from EnumWindows, found with FindWindowExA(HWND_MESSAGE, ...)). It ends when that
// window gets WM_CLOSE (how the program stops it), when its thread gets WM_QUIT, or when the
// parent process ends, which covers a program that crashed or was killed.
//
// Which hooks, by what the program passes on the command line:
// - by default (the shell tells the program nothing, as under Wine): global hooks, so that every
//   window's creation, destruction and caption reach the program, and every system-menu choice;
// - with --menus-only (the shell's notices and the system's events tell the program of every
//   window, and the program's items are in other windows' system menus): no global hook, only
//   WH_GETMESSAGE and WH_CALLWNDPROCRET for each thread whose window the program said carries its
//   items (kWindowCarriesItems), and only threads of processes of the relay's own bitness; a
//   thread is let go when none of its windows carries the items any more or exists.
//
// Only one relay per bitness installs hooks at a time (a named mutex, relay/hook_lock.h): a
// second program instance starts a second relay, and two sets of hooks would report every event
// twice. The second relay waits and takes over when the first ends.
//
// Every running instance of the program hears the notices: each window of kMainWindowClass whose
// process is the parent or runs the parent's executable, and no other window of that class.
//
// Exit codes: 0 normal end, 2 bad command line, 3 the parent is not running, 4 the hook DLL is
// missing or unusable, 5 no window.
#include "app/messages.h"
#include "platform/handles.h"
#include "relay/hook_lock.h"
#include "relay/relay_protocol.h"

#include <ntsecapi.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

using namespace vantrel;
using namespace vantrel::relay;
using platform::UniqueHandle;
using platform::UniqueHook;
using platform::UniqueModule;
using platform::UniqueWindow;

constexpr int kExitBadCommandLine = 2;
constexpr int kExitNoParent = 3;
constexpr int kExitNoHooks = 4;
constexpr int kExitNoWindow = 5;

// A process killed from outside never destroys its windows through the messages the hooks see,
// so the announced windows are checked now and then: all of them once in kSweepMs, at most
// kSweepBatch at a time, so that thousands of windows never hold the notices the relay passes
// on, while a few hundred cost one wake-up a second.
constexpr UINT_PTR kSweepTimer = 1;
constexpr UINT kSweepMs = 1000;
constexpr std::size_t kSweepBatch = 250;

struct Options {
    bool hasParent = false;
    DWORD parent = 0;
    bool shellReports = false;
    bool alone = false;
    bool pairedSet = false;
    bool menusOnly = false;
    bool testClock = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == kShellReportsSwitch) {
            options.shellReports = true;
            continue;
        }
        if (arg == kAloneSwitch) {
            options.alone = true;
            continue;
        }
        if (arg == kMenusOnlySwitch) {
            options.menusOnly = true;
            continue;
        }
        if (arg == kPairedSetSwitch) {
            options.pairedSet = true;
            continue;
        }
        if (arg == kTestClockSwitch) {
            options.testClock = true;
            continue;
        }
        if (arg != kParentSwitch || i + 1 >= argc) {
            return false;
        }
        const std::string value = argv[++i];
        char* end = nullptr;
        const unsigned long pid = std::strtoul(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || pid == 0) {
            return false;
        }
        options.hasParent = true;
        options.parent = static_cast<DWORD>(pid);
    }
    return true;
}

std::string ExecutableFolder() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::string();
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// ReleaseMutex has to come from the thread that owns it, before the handle closes.
class MutexOwnership {
public:
    MutexOwnership() = default;
    ~MutexOwnership() {
        if (mutex_ != nullptr) {
            ReleaseMutex(mutex_);
        }
    }
    MutexOwnership(const MutexOwnership&) = delete;
    MutexOwnership& operator=(const MutexOwnership&) = delete;
    void Own(HANDLE mutex) { mutex_ = mutex; }
    bool Owned() const { return mutex_ != nullptr; }

private:
    HANDLE mutex_ = nullptr;
};

// On Windows the relay runs elevated like the program, and the hooks post from processes of
// lower integrity; those posts are dropped unless the window lets these two messages through.
// Looked up at run time because the call does not exist before Windows 7 (or Vista's form).
void AllowLowerIntegrityPosts(HWND window) {
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    if (user32 == nullptr) {
        return;
    }
    using FilterExFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using FilterFn = BOOL(WINAPI*)(UINT, DWORD);
    if (auto filterEx = reinterpret_cast<FilterExFn>(
            reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilterEx")))) {
        filterEx(window, kRawWindowEvent, MSGFLT_ALLOW, nullptr);
        filterEx(window, kRawSysCommand, MSGFLT_ALLOW, nullptr);
        filterEx(window, kRawConfirmed, MSGFLT_ALLOW, nullptr);
    } else if (auto filter = reinterpret_cast<FilterFn>(
                   reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")))) {
        filter(kRawWindowEvent, MSGFLT_ADD);
        filter(kRawSysCommand, MSGFLT_ADD);
        filter(kRawConfirmed, MSGFLT_ADD);
    }
}

// Tokens must not be guessable: a process that saw one question in its own queue could
// otherwise answer the next one about another program's window.
ULONG_PTR RandomToken() {
    ULONG_PTR token = 0;
    while (token == 0) {
        if (!RtlGenRandom(&token, sizeof(token))) {
            LARGE_INTEGER counter{};
            QueryPerformanceCounter(&counter);
            token = static_cast<ULONG_PTR>(counter.QuadPart) ^ GetCurrentThreadId();
        }
    }
    return token;
}

// Whether that process is of the relay's own bitness, whose hook DLL it can load.
bool OfThisBitness(DWORD processId) {
    // The limited right is unknown before Vista, which is where the items are inserted.
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) {
        process.reset(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    }
    BOOL ours = FALSE;
    BOOL theirs = FALSE;
    return process && IsWow64Process(GetCurrentProcess(), &ours) &&
           IsWow64Process(process.get(), &theirs) && ours == theirs;
}

// The program that started the relay: its id and its executable, which every instance the relay
// tells runs.
struct Program {
    DWORD processId = 0;
    FileIdentity file;
};

class Relay {
public:
    Relay(HINSTANCE instance, const Program& program, bool shellReports, bool fullSet,
          bool menusOnly, bool testClock)
        : instance_(instance), program_(program), shellReports_(shellReports || menusOnly),
          fullSet_(fullSet), menusOnly_(menusOnly), testClock_(testClock) {}

    bool CreateWindowFor() {
        confirmMessage_ = RegisterWindowMessageA(kConfirmMessageName);
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Relay::WndProc;
        wc.hInstance = instance_;
        wc.lpszClassName = kWindowClass;
        if (!RegisterClassExA(&wc)) {
            return false;
        }
        window_.reset(CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      instance_, this));
        if (!window_) {
            return false;
        }
        AllowLowerIntegrityPosts(window_.get());
        return true;
    }

    // Called once this relay owns the hook mutex.
    bool InstallHooks() {
        const std::string folder = ExecutableFolder();
        if (folder.empty()) {
            return false;
        }
        // A full path, so that the system loads this very DLL into the hooked processes.
        dll_.reset(LoadLibraryA((folder + kHookDllName).c_str()));
        if (!dll_) {
            return false;
        }
        const auto get = reinterpret_cast<GetHookProcedures>(
            reinterpret_cast<void*>(GetProcAddress(dll_.get(), kHookProceduresExport)));
        const HookProcedures* procedures = get != nullptr ? get() : nullptr;
        if (procedures == nullptr) {
            return false;
        }
        procedures->markRelayProcess();
        if (menusOnly_) {
            procedures_ = procedures;
            StartSweep();
            SetWindowTextA(window_.get(), kActiveTitle);
            for (const HWND hwnd : carriers_) {
                HookThreadOf(hwnd);
            }
            return true;
        }
        const HINSTANCE module = dll_.get();
        // Each bitness has hook types of its own where both run (see vantrel_hook.cpp).
        if (fullSet_) {
            hooks_[0].reset(SetWindowsHookExA(WH_SHELL, procedures->shell, module, 0));
            hooks_[1].reset(
                SetWindowsHookExA(WH_CALLWNDPROCRET, procedures->callWndProcRet, module, 0));
            hooks_[2].reset(SetWindowsHookExA(WH_GETMESSAGE, procedures->getMessage, module, 0));
            if (!hooks_[0] || !hooks_[1] || !hooks_[2]) {
                return false;
            }
        } else {
            hooks_[0].reset(SetWindowsHookExA(WH_CALLWNDPROC, procedures->callWndProc, module, 0));
            hooks_[1].reset(SetWindowsHookExA(WH_CBT, procedures->cbt, module, 0));
            if (!hooks_[0] || !hooks_[1]) {
                return false;
            }
        }
        StartSweep();
        // The title is what the hooks look for. Set before the windows on screen are counted, so
        // that a window shown meanwhile is either counted or reported by a hook: set after, one
        // shown during the count would be neither. One reported twice is announced once.
        SetWindowTextA(window_.get(), kActiveTitle);
        // What is already on screen is announced once the hooks are in place: the program
        // listed the windows of its first rebuild before this relay started, and a window shown
        // in between would otherwise never be announced (the program lists a window once).
        EnumWindows(&Relay::AnnounceIfShown, reinterpret_cast<LPARAM>(this));
        return true;
    }

    void RemoveHooks() {
        if (window_) {
            KillTimer(window_.get(), kSweepTimer);
            SetWindowTextA(window_.get(), "");
        }
        for (UniqueHook& hook : hooks_) {
            hook.reset();
        }
        threads_.clear();
        procedures_ = nullptr;
    }

    ~Relay() {
        RemoveHooks();
        // Before the members it would otherwise outlive.
        window_.reset();
    }
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

private:
    static BOOL CALLBACK AnnounceIfShown(HWND hwnd, LPARAM self) {
        reinterpret_cast<Relay*>(self)->OnWindowEvent(kEventShown, hwnd, true);
        return TRUE;
    }

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        }
        auto* self = reinterpret_cast<Relay*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self != nullptr) {
            switch (msg) {
            case kRawWindowEvent:
                // The shell and the system's events tell the program; the hooks in the threads
                // that carry the items see their windows' changes only by the way.
                if (!self->menusOnly_) {
                    self->OnWindowEvent(wParam, reinterpret_cast<HWND>(lParam));
                }
                return 0;
            case kWindowCarriesItems:
                self->OnCarriesItems(reinterpret_cast<HWND>(wParam), lParam != FALSE);
                return 0;
            case kRawSysCommand:
                self->AskToConfirm(reinterpret_cast<HWND>(wParam), lParam);
                return 0;
            case kRawConfirmed:
                self->OnConfirmed(wParam, reinterpret_cast<HWND>(lParam));
                return 0;
            case kShellReportsWindows:
                self->shellReports_ = true;
                return 0;
            case kAdvanceClock:
                if (self->testClock_) {
                    self->clockAhead_ += static_cast<DWORD>(wParam);
                }
                return 0;
            case WM_TIMER:
                if (wParam == kSweepTimer) {
                    self->Sweep();
                    return 0;
                }
                break;
            case WM_CLOSE:
                // The window is destroyed by its owner on the way out, after the hooks.
                PostQuitMessage(0);
                return 0;
            default:
                break;
            }
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    // A window is announced once when it appears and once when it goes, whichever of the hooks
    // (and however many of them) reported it: the main program adds a row per "created". Once
    // the shell is known to tell the program itself, appearing and going are only recorded.
    void OnWindowEvent(WPARAM event, HWND hwnd, bool announceAnyway = false) {
        const bool tell = announceAnyway || !shellReports_;
        switch (event) {
        case kEventShown:
            // Checked again here: by now the window may have gone, or a window that the shell
            // reported at creation may still be waiting to be shown.
            if (IsWindowVisible(hwnd) && IsTopLevel(hwnd) && IsAppWindow(hwnd) &&
                shown_.insert(hwnd).second && tell) {
                Tell(WM_WINDOWNOTICE, kNoticeCreated, reinterpret_cast<LPARAM>(hwnd));
            }
            break;
        case kEventGone:
            if (shown_.erase(hwnd) != 0 && tell) {
                Tell(WM_WINDOWNOTICE, kNoticeDestroyed, reinterpret_cast<LPARAM>(hwnd));
            }
            break;
        case kEventRenamed:
            if (shown_.count(hwnd) != 0) {
                Tell(WM_WINDOWNOTICE, kNoticeRenamed, reinterpret_cast<LPARAM>(hwnd));
            }
            break;
        default:
            break;
        }
    }

    // Anyone may post to this window, so a reported choice is only a claim: it is passed on once
    // the thread of the window named has confirmed it (relay_protocol.h). The question does not
    // wait, so a program that hangs delays nothing here; its choice simply lapses.
    void AskToConfirm(HWND hwnd, LPARAM id) {
        if (!IsRelayedCommand(static_cast<WPARAM>(id)) || !IsTopLevel(hwnd) ||
            confirmMessage_ == 0) {
            return;
        }
        const DWORD now = Now();
        while (!questions_.empty() && (questions_.size() >= kMaxQuestions ||
                                       now - questions_.front().tick > kQuestionLifeMs)) {
            questions_.pop_front();
        }
        const Question question{RandomToken(), hwnd, id, now};
        if (SendNotifyMessageA(hwnd, confirmMessage_, question.token, id)) {
            questions_.push_back(question);
        }
    }

    void OnConfirmed(WPARAM token, HWND hwnd) {
        const auto it = std::find_if(questions_.begin(), questions_.end(), [&](const Question& q) {
            return q.token == token && q.window == hwnd;
        });
        if (it == questions_.end()) {
            return;
        }
        const Question question = *it;
        questions_.erase(it);
        if (Now() - question.tick <= kQuestionLifeMs) {
            Tell(WM_SYSMENUCOMMAND, reinterpret_cast<WPARAM>(hwnd), question.id);
        }
    }

    DWORD Now() const { return GetTickCount() + clockAhead_; }

    // Where the relay watches only the windows that carry the program's items, their threads
    // get the two hooks that see a choice and the question about it, from the relay of their
    // own bitness: a hook of the other bitness would run on this thread for every message.
    void OnCarriesItems(HWND hwnd, bool carries) {
        if (!menusOnly_) {
            return;
        }
        if (hwnd == nullptr) {
            if (!carries) {
                carriers_.clear();
                threads_.clear();
            }
            return;
        }
        if (!carries) {
            carriers_.erase(hwnd);
            for (auto& [thread, hooks] : threads_) {
                hooks.windows.erase(hwnd);
            }
            UnhookIdleThreads();
            return;
        }
        if (IsTopLevel(hwnd) && carriers_.insert(hwnd).second) {
            HookThreadOf(hwnd);
        }
    }

    void HookThreadOf(HWND hwnd) {
        DWORD process = 0;
        const DWORD thread = GetWindowThreadProcessId(hwnd, &process);
        // The relay's own windows never carry the items, and its own hooks report nothing.
        if (procedures_ == nullptr || thread == 0 || process == GetCurrentProcessId() ||
            !OfThisBitness(process)) {
            return;
        }
        ThreadHooks& hooks = threads_[thread];
        if (!hooks.getMessage) {
            hooks.getMessage.reset(
                SetWindowsHookExA(WH_GETMESSAGE, procedures_->getMessage, dll_.get(), thread));
            hooks.callWndProcRet.reset(SetWindowsHookExA(
                WH_CALLWNDPROCRET, procedures_->callWndProcRet, dll_.get(), thread));
        }
        if (!hooks.getMessage || !hooks.callWndProcRet) {
            // A process of higher rights, say: nothing of ours runs there.
            threads_.erase(thread);
            return;
        }
        hooks.windows.insert(hwnd);
    }

    // Windows gone (or their handle now another thread's) no longer keep their thread hooked.
    void UnhookIdleThreads() {
        for (auto it = threads_.begin(); it != threads_.end();) {
            auto& windows = it->second.windows;
            for (auto w = windows.begin(); w != windows.end();) {
                if (GetWindowThreadProcessId(*w, nullptr) != it->first) {
                    carriers_.erase(*w);
                    w = windows.erase(w);
                } else {
                    ++w;
                }
            }
            it = windows.empty() ? threads_.erase(it) : std::next(it);
        }
    }

    void StartSweep() {
        sweepPeriod_ = kSweepMs;
        SetTimer(window_.get(), kSweepTimer, kSweepMs, nullptr);
    }

    void Sweep() {
        if (menusOnly_) {
            for (auto it = carriers_.begin(); it != carriers_.end();) {
                it = IsWindow(*it) ? std::next(it) : carriers_.erase(it);
            }
            UnhookIdleThreads();
            return;
        }
        if (sweepNext_ >= sweepRound_.size()) {
            sweepRound_.assign(shown_.begin(), shown_.end());
            sweepNext_ = 0;
            const std::size_t batches =
                std::max<std::size_t>(1, (sweepRound_.size() + kSweepBatch - 1) / kSweepBatch);
            const UINT period =
                std::max<UINT>(USER_TIMER_MINIMUM, kSweepMs / static_cast<UINT>(batches));
            if (period != sweepPeriod_) {
                sweepPeriod_ = period;
                SetTimer(window_.get(), kSweepTimer, period, nullptr);
            }
        }
        const std::size_t end = std::min(sweepRound_.size(), sweepNext_ + kSweepBatch);
        std::vector<HWND> gone;
        for (; sweepNext_ < end; ++sweepNext_) {
            const HWND hwnd = sweepRound_[sweepNext_];
            // Gone already since the round began: told once.
            if (shown_.count(hwnd) != 0 && (!IsWindow(hwnd) || !IsWindowVisible(hwnd))) {
                gone.push_back(hwnd);
            }
        }
        for (const HWND hwnd : gone) {
            OnWindowEvent(kEventGone, hwnd);
        }
    }

    // Every instance of the program: each runs its own list and rules. Looked up each time, so
    // an instance started or ended since is served too. Any process may make a window of the
    // main class; only the program's own are told (relay_protocol.h).
    void Tell(UINT message, WPARAM wParam, LPARAM lParam) {
        HWND main = nullptr;
        while ((main = FindWindowExA(nullptr, main, kMainWindowClass, nullptr)) != nullptr) {
            if (MayTellMainWindow(main, program_.processId, program_.file)) {
                PostMessageA(main, message, wParam, lParam);
            }
        }
    }

    struct Question {
        ULONG_PTR token;
        HWND window;
        LPARAM id;
        DWORD tick;
    };
    struct ThreadHooks {
        UniqueHook getMessage;
        UniqueHook callWndProcRet;
        std::unordered_set<HWND> windows;
    };
    static constexpr std::size_t kMaxQuestions = 32;
    static constexpr DWORD kQuestionLifeMs = 10000;

    HINSTANCE instance_;
    Program program_;
    UniqueWindow window_;
    UniqueModule dll_;
    // Declared after the DLL so that they are removed before it is unloaded.
    UniqueHook hooks_[3];
    std::unordered_map<DWORD, ThreadHooks> threads_;
    const HookProcedures* procedures_ = nullptr;
    // Every window the program said carries its items, hooked or not (not while another relay
    // holds the hooks).
    std::unordered_set<HWND> carriers_;
    std::unordered_set<HWND> shown_;
    // The windows the running sweep checks, a batch at each tick.
    std::vector<HWND> sweepRound_;
    std::size_t sweepNext_ = 0;
    UINT sweepPeriod_ = kSweepMs;
    std::deque<Question> questions_;
    UINT confirmMessage_ = 0;
    bool shellReports_;
    bool fullSet_;
    bool menusOnly_;
    bool testClock_;
    DWORD clockAhead_ = 0;
};

// Runs until asked to end or the parent ends. While another relay holds the hooks this one only
// waits, with its window in place so that it can still be told to close.
int Run(HINSTANCE instance, const Options& options) {
    UniqueHandle parent;
    // Without a parent there is no program to tell anything.
    Program program;
    if (options.hasParent) {
        // An id naming this very process can only be a stale one that the system handed out
        // again; waiting on ourselves would never end.
        if (options.parent == GetCurrentProcessId()) {
            return kExitNoParent;
        }
        parent.reset(OpenProcess(SYNCHRONIZE, FALSE, options.parent));
        if (!parent || WaitForSingleObject(parent.get(), 0) == WAIT_OBJECT_0) {
            return kExitNoParent;
        }
        program.processId = options.parent;
        char image[MAX_PATH * 2];
        if (ProcessImagePath(options.parent, image, sizeof(image))) {
            program.file = IdentityOf(image);
        }
    }
    const HookLock lock;
    const HANDLE mutex = lock.mutex();
    MutexOwnership ownership;
#ifdef _WIN64
    const bool fullSet = !options.pairedSet;
#else
    const bool fullSet = options.alone && !options.pairedSet;
#endif
    Relay relay(instance, program, options.shellReports, fullSet, options.menusOnly,
                options.testClock);
    if (!relay.CreateWindowFor()) {
        return kExitNoWindow;
    }
    // Without the mutex no second relay can be kept out; reporting twice beats not at all.
    if (mutex == nullptr && !relay.InstallHooks()) {
        return kExitNoHooks;
    }
    for (;;) {
        HANDLE handles[2];
        DWORD count = 0;
        DWORD mutexIndex = MAXDWORD;
        if (parent) {
            handles[count++] = parent.get();
        }
        if (mutex != nullptr && !ownership.Owned()) {
            mutexIndex = count;
            handles[count++] = mutex;
        }
        const DWORD result =
            MsgWaitForMultipleObjectsEx(count, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0 + count) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    return 0;
                }
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            continue;
        }
        // An abandoned mutex is owned all the same: the relay that held it has ended.
        const bool gotMutex = mutexIndex != MAXDWORD && (result == WAIT_OBJECT_0 + mutexIndex ||
                                                         result == WAIT_ABANDONED_0 + mutexIndex);
        if (gotMutex) {
            ownership.Own(mutex);
            if (!relay.InstallHooks()) {
                return kExitNoHooks;
            }
            continue;
        }
        // The parent ended, or the wait failed and nothing sensible is left to wait for.
        return 0;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Options options;
    if (!ParseOptions(__argc, __argv, options)) {
        return kExitBadCommandLine;
    }
    return Run(instance, options);
}
