// vt_package_check: starts an unpacked release of Vantrel as a user would, with windows of
// fixture programs of both bitnesses open before it starts and opened after it, and checks that
// each window is listed and gets its rule, then ends the program through Exit.
//
// Usage: vt_package_check <program folder> <fixture.exe> [<fixture.exe> ...]
// It must be of the program's own bitness, because it reads the program's window list through
// memory of the program's process. Exit code 0 when every check passed.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/messages.h"
#include "platform/handles.h"
#include "support/wait.h"

namespace {

using vantrel::platform::UniqueFile;
using vantrel::platform::UniqueHandle;

constexpr DWORD kListTimeoutMs = 30000;
constexpr DWORD kRelayTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 15000;
constexpr char kRelayClass[] = "VantrelRelay";

int failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    if (!ok) {
        ++failures;
    }
}

// 32 or 64 from the executable's header, 0 when it is not a Windows program for x86.
int BitsOf(const std::string& exe) {
    const UniqueFile file(::CreateFileA(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return 0;
    }
    IMAGE_DOS_HEADER dos{};
    DWORD got = 0;
    if (!::ReadFile(file.get(), &dos, sizeof dos, &got, nullptr) || got != sizeof dos ||
        dos.e_magic != IMAGE_DOS_SIGNATURE) {
        return 0;
    }
    struct {
        DWORD signature;
        IMAGE_FILE_HEADER header;
    } nt{};
    if (::SetFilePointer(file.get(), dos.e_lfanew, nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER ||
        !::ReadFile(file.get(), &nt, sizeof nt, &got, nullptr) || got != sizeof nt ||
        nt.signature != IMAGE_NT_SIGNATURE) {
        return 0;
    }
    switch (nt.header.Machine) {
    case IMAGE_FILE_MACHINE_I386:
        return 32;
    case IMAGE_FILE_MACHINE_AMD64:
        return 64;
    default:
        return 0;
    }
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct WindowQuery {
    DWORD pid;
    std::string className;
    std::string caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto& q = *reinterpret_cast<WindowQuery*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    char cls[256] = {};
    char text[256] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    ::GetWindowTextA(window, text, sizeof text);
    if (pid == q.pid && q.className == cls && (q.caption.empty() || q.caption == text)) {
        q.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindTopLevel(DWORD pid, const std::string& className, const std::string& caption = "") {
    WindowQuery q{pid, className, caption, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

// A fixture program fed one command line at a time on its standard input; its replies go
// nowhere, and its windows are found by class and caption. Closing the input ends it.
class FixtureProgram {
public:
    FixtureProgram(std::string exe, int bits) : exe_(std::move(exe)), bits_(bits) {
        HANDLE read = nullptr;
        HANDLE write = nullptr;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        if (!::CreatePipe(&read, &write, &inherit, 1 << 16)) {
            return;
        }
        UniqueHandle childEnd(read);
        input_.reset(write);
        ::SetHandleInformation(write, HANDLE_FLAG_INHERIT, 0);
        UniqueHandle nul(::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit,
                                       OPEN_EXISTING, 0, nullptr));
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = childEnd.get();
        si.hStdOutput = nul.get();
        si.hStdError = nul.get();
        std::string command = "\"" + exe_ + "\"";
        PROCESS_INFORMATION pi{};
        if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &si, &pi)) {
            ::CloseHandle(pi.hThread);
            process_.reset(pi.hProcess);
            pid_ = pi.dwProcessId;
        }
    }
    ~FixtureProgram() {
        input_.reset();
        if (process_ && ::WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0) {
            ::TerminateProcess(process_.get(), 1);
        }
    }
    FixtureProgram(const FixtureProgram&) = delete;
    FixtureProgram& operator=(const FixtureProgram&) = delete;

    bool Running() const { return pid_ != 0; }
    int Bits() const { return bits_; }
    std::string ClassName() const { return "VtPackage" + std::to_string(bits_); }

    // Opens a normal window of this program's class; null when it did not appear in time.
    HWND Open(const std::string& caption) {
        const std::string line = "create class=" + ClassName() + " caption=" + caption + "\n";
        DWORD written = 0;
        if (!::WriteFile(input_.get(), line.data(), static_cast<DWORD>(line.size()), &written,
                         nullptr)) {
            return nullptr;
        }
        HWND window = nullptr;
        vt::WaitUntil(
            [&] { return (window = FindTopLevel(pid_, ClassName(), caption)) != nullptr; });
        return window;
    }

private:
    std::string exe_;
    int bits_;
    UniqueHandle input_;
    UniqueHandle process_;
    DWORD pid_ = 0;
};

// One rule per fixture class: maximize, so that "ruled" can be seen from outside.
bool WriteRules(const std::string& folder, const std::vector<std::string>& classes) {
    const std::string path = folder + "rules.dat";
    bool ok = ::WritePrivateProfileStringA("Options", "WindowCount",
                                           std::to_string(classes.size()).c_str(), path.c_str());
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const std::string section = "Window" + std::to_string(i + 1);
        ok = ok &&
             ::WritePrivateProfileStringA(section.c_str(), "ClassName", classes[i].c_str(),
                                          path.c_str()) &&
             ::WritePrivateProfileStringA(section.c_str(), "Action", "1", path.c_str()) &&
             ::WritePrivateProfileStringA(section.c_str(), "ZOrder", "0", path.c_str());
    }
    return ok;
}

BOOL CALLBACK CollectListViews(HWND child, LPARAM param) {
    char cls[64] = {};
    ::GetClassNameA(child, cls, sizeof cls);
    if (std::string(cls) == WC_LISTVIEWA) {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
    }
    return TRUE;
}

// Every cell text of every list view in the program's main window, read through a buffer in
// the program's own address space, as list view messages carry pointers.
class RemoteLists {
public:
    RemoteLists(HWND main, DWORD pid) : main_(main) {
        process_.reset(
            ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
        if (process_) {
            remote_ = ::VirtualAllocEx(process_.get(), nullptr, kBytes, MEM_COMMIT | MEM_RESERVE,
                                       PAGE_READWRITE);
        }
    }
    ~RemoteLists() {
        if (remote_ != nullptr) {
            ::VirtualFreeEx(process_.get(), remote_, 0, MEM_RELEASE);
        }
    }
    RemoteLists(const RemoteLists&) = delete;
    RemoteLists& operator=(const RemoteLists&) = delete;

    bool Contains(const std::string& text) {
        if (remote_ == nullptr) {
            return false;
        }
        std::vector<HWND> lists;
        ::EnumChildWindows(main_, CollectListViews, reinterpret_cast<LPARAM>(&lists));
        for (HWND list : lists) {
            const auto rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            const HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
            const int columns =
                header != nullptr ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0))
                                  : 1;
            for (int row = 0; row < rows; ++row) {
                for (int column = 0; column < columns; ++column) {
                    if (Cell(list, row, column) == text) {
                        return true;
                    }
                }
            }
        }
        return false;
    }

private:
    static constexpr SIZE_T kBytes = 4096;
    static constexpr SIZE_T kTextOffset = 512;

    std::string Cell(HWND list, int row, int column) {
        char* const remoteText = static_cast<char*>(remote_) + kTextOffset;
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = remoteText;
        item.cchTextMax = static_cast<int>(kBytes - kTextOffset);
        SIZE_T moved = 0;
        if (!::WriteProcessMemory(process_.get(), remote_, &item, sizeof item, &moved)) {
            return {};
        }
        const auto length = static_cast<SIZE_T>(::SendMessageA(
            list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote_)));
        std::string text(length, '\0');
        if (length > 0 &&
            !::ReadProcessMemory(process_.get(), remoteText, text.data(), length, &moved)) {
            return {};
        }
        return text;
    }

    HWND main_;
    UniqueHandle process_;
    void* remote_ = nullptr;
};

bool RelayActive(const char* title) {
    return ::FindWindowExA(HWND_MESSAGE, nullptr, kRelayClass, title) != nullptr;
}

struct Opened {
    HWND window;
    std::string caption;
    int bits;
};

void CheckListedAndRuled(RemoteLists& lists, const std::vector<Opened>& windows,
                         const std::string& when) {
    std::vector<bool> listed(windows.size());
    vt::WaitUntil(
        [&] {
            bool all = true;
            for (std::size_t i = 0; i < windows.size(); ++i) {
                listed[i] = listed[i] || lists.Contains(windows[i].caption);
                all = all && listed[i] && ::IsZoomed(windows[i].window);
            }
            return all;
        },
        kListTimeoutMs);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const std::string name =
            std::to_string(windows[i].bits) + "-bit window opened " + when + " is ";
        Check(listed[i], name + "listed");
        Check(::IsZoomed(windows[i].window) != FALSE, name + "maximized by its rule");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: vt_package_check <program folder> <fixture.exe> ...\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') {
        folder += '\\';
    }
    const std::string program = folder + "Vantrel.exe";
    const int programBits = BitsOf(program);
    const int ownBits = static_cast<int>(sizeof(void*) * 8);
    Check(programBits == ownBits, program + " is a " + std::to_string(ownBits) + "-bit program");
    if (failures > 0) {
        return 1;
    }
    // A pair is named by its bitness: the 32-bit one carries "32" in either program's release.
    const char* suffix = programBits == 64 ? "" : "32";
    for (const std::string& file :
         {std::string("vantrel_relay") + suffix + ".exe",
          std::string("vantrel_hook") + suffix + ".dll", std::string("Vantrel.chm")}) {
        Check(Exists(folder + file), file + " lies beside the program");
    }
    // The 64-bit program serves 32-bit programs through a second pair, when the release has it.
    const bool relay32 = programBits == 64 && Exists(folder + "vantrel_relay32.exe") &&
                         Exists(folder + "vantrel_hook32.dll");
    if (programBits == 64) {
        std::printf("32-bit relay pair %s\n", relay32 ? "present" : "absent");
    }

    std::vector<std::unique_ptr<FixtureProgram>> fixtures;
    std::vector<std::string> classes;
    for (int i = 2; i < argc; ++i) {
        const int bits = BitsOf(argv[i]);
        fixtures.push_back(std::make_unique<FixtureProgram>(argv[i], bits));
        Check(bits != 0 && fixtures.back()->Running(),
              std::string("fixture ") + argv[i] + " started (" + std::to_string(bits) + "-bit)");
        classes.push_back(fixtures.back()->ClassName());
    }
    // Without a 32-bit fixture (the machine runs no 32-bit program) the 32-bit relay, started or
    // not, has nothing to be checked by.
    const bool check32 = relay32 && std::any_of(fixtures.begin(), fixtures.end(),
                                                [](auto& f) { return f->Bits() == 32; });
    if (relay32 && !check32) {
        std::printf("skipped: the 32-bit relay pair, since no 32-bit fixture was given\n");
    }
    Check(WriteRules(folder, classes), "rules written beside the program");
    if (failures > 0) {
        return 1;
    }

    std::vector<Opened> before;
    for (auto& fixture : fixtures) {
        const std::string caption = "Before-" + std::to_string(fixture->Bits());
        const HWND window = fixture->Open(caption);
        Check(window != nullptr, "fixture opened " + caption);
        before.push_back({window, caption, fixture->Bits()});
    }

    // Started from another folder, as from a shortcut: the program finds its files by its own
    // path, not by the current directory.
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::string command = "\"" + program + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, temp, &si,
                          &pi)) {
        Check(false, "program started");
        return 1;
    }
    ::CloseHandle(pi.hThread);
    const UniqueHandle process(pi.hProcess);
    HWND main = nullptr;
    vt::WaitUntil(
        [&] { return (main = FindTopLevel(pi.dwProcessId, vantrel::kMainWindowClass)) != nullptr; },
        kListTimeoutMs);
    Check(main != nullptr, "program started and made its main window");
    if (main == nullptr) {
        ::TerminateProcess(process.get(), 1);
        return 1;
    }
    RemoteLists lists(main, pi.dwProcessId);
    CheckListedAndRuled(lists, before, "before the program");

    const char* const ownRelay =
        programBits == 64 ? "Vantrel relay, 64-bit hooks" : "Vantrel relay, 32-bit hooks";
    const bool relaysUp = vt::WaitUntil(
        [&] {
            return RelayActive(ownRelay) &&
                   (!check32 || RelayActive("Vantrel relay, 32-bit hooks"));
        },
        kRelayTimeoutMs);
    Check(relaysUp,
          check32 ? "both relays installed their hooks" : "the relay installed its hooks");

    std::vector<Opened> after;
    for (auto& fixture : fixtures) {
        const std::string caption = "After-" + std::to_string(fixture->Bits());
        if (fixture->Bits() != programBits && !check32) {
            std::printf("skipped: no relay reports new %d-bit windows to this program\n",
                        fixture->Bits());
            continue;
        }
        const HWND window = fixture->Open(caption);
        Check(window != nullptr, "fixture opened " + caption);
        after.push_back({window, caption, fixture->Bits()});
    }
    CheckListedAndRuled(lists, after, "while the program runs");

    ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(vantrel::kCmdExit, 0), 0);
    const bool ended = ::WaitForSingleObject(process.get(), kExitTimeoutMs) == WAIT_OBJECT_0;
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    Check(ended && code == 0, "Exit ended the program with exit code 0");
    if (!ended) {
        ::TerminateProcess(process.get(), 1);
    }
    std::printf("%s\n", failures == 0 ? "PACKAGE CHECK PASSED" : "PACKAGE CHECK FAILED");
    return failures == 0 ? 0 : 1;
}
