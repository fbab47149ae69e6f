// vt_package_check: starts an unpacked release of Vantrel as a user would, with windows of
// fixture programs of both bitnesses open before it starts and opened after it, and checks that
// each window is listed and gets its rule, then ends the program through Exit.
//
// Usage: vt_package_check <program folder> <fixture.exe> [<fixture.exe> ...]
// It must be of the program's own bitness, because it reads the program's window list through
// memory of the program's process. Exit code 0 when every check passed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/messages.h"
#include "relay/relay_protocol.h"
#include "support/app_process.h"
#include "support/fixture_client.h"
#include "support/remote_list.h"
#include "support/wait.h"

namespace {

namespace relay = vantrel::relay;

constexpr DWORD kListTimeoutMs = 30000;
constexpr DWORD kRelayTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 15000;

int failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    failures += ok ? 0 : 1;
}

// 32 or 64 from the executable's header, 0 when it is not a Windows program for x86.
int BitsOf(const std::string& exe) {
    std::ifstream in(exe, std::ios::binary);
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS32 nt{}; // the signature and file header stand alike in both bitnesses
    if (!in.read(reinterpret_cast<char*>(&dos), sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        !in.seekg(dos.e_lfanew).read(reinterpret_cast<char*>(&nt), sizeof nt) ||
        nt.Signature != IMAGE_NT_SIGNATURE) {
        return 0;
    }
    const WORD machine = nt.FileHeader.Machine;
    return machine == IMAGE_FILE_MACHINE_I386 ? 32 : machine == IMAGE_FILE_MACHINE_AMD64 ? 64 : 0;
}

struct Program {
    std::unique_ptr<vt::Fixture> fixture;
    int bits;
    std::string ClassName() const { return "VtPackage" + std::to_string(bits); }
};

struct Opened {
    HWND window;
    std::string caption;
    int bits;
};

// A normal window of the fixture's class; null when the fixture could not make it.
Opened Open(const Program& program, const std::string& when) {
    Opened opened{nullptr, when + "-" + std::to_string(program.bits), program.bits};
    vt::WindowSpec wanted;
    wanted.className = program.ClassName();
    wanted.caption = opened.caption;
    try {
        opened.window = program.fixture->CreateOne(wanted);
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
    }
    Check(opened.window != nullptr, "fixture opened " + opened.caption);
    return opened;
}

void CheckListedAndRuled(const vt::RemoteLists& lists, const std::vector<Opened>& windows,
                         const std::string& when) {
    std::vector<bool> listed(windows.size());
    vt::WaitUntil(
        [&] {
            const std::vector<vt::ListedRow> rows = lists.Rows();
            bool all = true;
            for (std::size_t i = 0; i < windows.size(); ++i) {
                listed[i] =
                    listed[i] || std::any_of(rows.begin(), rows.end(), [&](const auto& row) {
                        return row.text == windows[i].caption;
                    });
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

bool RelayActive(const char* title) {
    return ::FindWindowExA(HWND_MESSAGE, nullptr, relay::kWindowClass, title) != nullptr;
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
    const std::string exe = folder + "Vantrel.exe";
    const int programBits = BitsOf(exe);
    const int ownBits = static_cast<int>(sizeof(void*) * 8);
    Check(programBits == ownBits, exe + " is a " + std::to_string(ownBits) + "-bit program");
    if (failures > 0) {
        return 1;
    }
    // Of the program's own bitness, as this check is: the relay pair it starts, and its help.
    for (const char* file : {relay::kExecutableName, relay::kHookDllName, "Vantrel.chm"}) {
        Check(vt::Exists(folder + file), std::string(file) + " lies beside the program");
    }
    // The 64-bit program serves 32-bit programs through a second pair, when the release has it.
    const bool relay32 = programBits == 64 && vt::Exists(folder + relay::kExecutableName32) &&
                         vt::Exists(folder + relay::kHookDllName32);
    if (programBits == 64) {
        std::printf("32-bit relay pair %s\n", relay32 ? "present" : "absent");
    }

    std::vector<Program> programs;
    // One rule per fixture class: maximize, so that "ruled" can be seen from outside.
    std::string rules = "[Options]\r\nWindowCount=" + std::to_string(argc - 2) + "\r\n";
    for (int i = 2; i < argc; ++i) {
        Program program{nullptr, BitsOf(argv[i])};
        try {
            program.fixture = std::make_unique<vt::Fixture>(10000, argv[i]);
        } catch (const std::exception& e) {
            std::printf("%s\n", e.what());
        }
        Check(program.bits != 0 && program.fixture, std::string("fixture ") + argv[i] +
                                                        " started (" +
                                                        std::to_string(program.bits) + "-bit)");
        rules += "[Window" + std::to_string(i - 1) + "]\r\nClassName=" + program.ClassName() +
                 "\r\nAction=1\r\nZOrder=0\r\n";
        programs.push_back(std::move(program));
    }
    // Without a 32-bit fixture (the machine runs no 32-bit program) the 32-bit relay, started or
    // not, has nothing to be checked by.
    const bool check32 = relay32 && std::any_of(programs.begin(), programs.end(),
                                                [](const auto& p) { return p.bits == 32; });
    if (relay32 && !check32) {
        std::printf("skipped: the 32-bit relay pair, since no 32-bit fixture was given\n");
    }
    Check(static_cast<bool>(std::ofstream(folder + "rules.dat", std::ios::binary) << rules),
          "rules written beside the program");
    if (failures > 0) {
        return 1;
    }

    std::vector<Opened> before;
    for (const Program& program : programs) {
        before.push_back(Open(program, "Before"));
    }

    // Started from another folder, as from a shortcut: the program finds its files by its own
    // path, not by the current directory.
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const vt::StartedProcess started = vt::StartProgram("\"" + exe + "\"", 0, temp);
    if (!started.process) {
        Check(false, "program started");
        return 1;
    }
    const HANDLE process = started.process.get();
    HWND main = nullptr;
    vt::WaitUntil(
        [&] {
            const auto windows = vt::WindowsOfProcess(started.id, vantrel::kMainWindowClass);
            main = windows.empty() ? nullptr : windows.front();
            return main != nullptr;
        },
        kListTimeoutMs);
    Check(main != nullptr, "program started and made its main window");
    if (main == nullptr) {
        ::TerminateProcess(process, 1);
        return 1;
    }
    const vt::RemoteLists lists(main, started.id);
    CheckListedAndRuled(lists, before, "before the program");

    const bool relaysUp = vt::WaitUntil(
        [&] {
            return RelayActive(relay::kActiveTitle) &&
                   (!check32 || RelayActive(relay::kActiveTitle32));
        },
        kRelayTimeoutMs);
    Check(relaysUp,
          check32 ? "both relays installed their hooks" : "the relay installed its hooks");

    std::vector<Opened> after;
    for (const Program& program : programs) {
        if (program.bits != programBits && !check32) {
            std::printf("skipped: no relay reports new %d-bit windows to this program\n",
                        program.bits);
            continue;
        }
        after.push_back(Open(program, "After"));
    }
    CheckListedAndRuled(lists, after, "while the program runs");

    const DWORD code = vt::ExitThroughMenu(main, process, kExitTimeoutMs);
    Check(code == 0, "Exit ended the program with exit code 0");
    if (code == STILL_ACTIVE) {
        ::TerminateProcess(process, 1);
    }
    std::printf("%s\n", failures == 0 ? "PACKAGE CHECK PASSED" : "PACKAGE CHECK FAILED");
    return failures == 0 ? 0 : 1;
}
