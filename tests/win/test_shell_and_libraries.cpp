// What the elevated program takes from and hands to the system: libraries only from the system
// folder, and files and pages opened by the shell's own process rather than by itself.
#include "platform/handles.h"
#include "platform/shell_open.h"
#include "platform/system_library.h"
#include "relay/relay_protocol.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cctype>
#include <string>

namespace vantrel {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, n);
}

struct ProcessFacts {
    DWORD parent = 0;
    std::string exe;
};

ProcessFacts FactsOf(DWORD pid) {
    ProcessFacts facts;
    const platform::UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && ::Process32First(snapshot.get(), &entry); more;
         more = ::Process32Next(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == pid) {
            facts.parent = entry.th32ParentProcessID;
            facts.exe = entry.szExeFile;
        }
    }
    return facts;
}

struct ClassSearch {
    std::string className;
    DWORD notPid;
    HWND found;
};

BOOL CALLBACK FindByClass(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<ClassSearch*>(param);
    char cls[256] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (search.className == cls && pid != search.notPid) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

TEST(SystemLibraries, ComeFromTheSystemFolderNeverFromTheCurrentOne) {
    vt::TempDir dir;
    // Any library will do as the planted one; the hook DLL has no start-up code to speak of.
    ASSERT_TRUE(::CopyFileA((vt::TestBinFolder() + vantrel::relay::kHookDllName).c_str(),
                            (dir.path() + "vtplant.dll").c_str(), FALSE));
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryA(dir.path().c_str()));
    // The classic search finds the planted file in the current folder ...
    EXPECT_TRUE(platform::UniqueModule(::LoadLibraryA("vtplant.dll")));
    // ... the program's loads do not,
    EXPECT_EQ(platform::LoadSystemLibrary("vtplant.dll"), nullptr);
    const platform::UniqueModule psapi(platform::LoadSystemLibrary("psapi.dll"));
    ASSERT_TRUE(psapi);
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(Upper(ModulePath(psapi.get())), Upper(std::string(system) + "\\psapi.dll"));
    // ... and after the entry point's restriction not even the system's own calls do.
    platform::RestrictLibrarySearch();
    EXPECT_FALSE(platform::UniqueModule(::LoadLibraryA("vtplant.dll")));
    ::SetDllDirectoryA(nullptr);
    ::SetCurrentDirectoryA(previous);
}

TEST(ShellOpen, TheDesktopShellsProcessOpensWhatTheProgramAsksFor) {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_TRUE(
        platform::OpenThroughDesktopShell(std::string(windows) + "\\notepad.exe", SW_SHOWNORMAL));
    ClassSearch search{"Notepad", ::GetCurrentProcessId(), nullptr};
    ASSERT_TRUE(vt::WaitUntil(
        [&] {
            search.found = nullptr;
            ::EnumWindows(FindByClass, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        30000));
    DWORD opened = 0;
    ::GetWindowThreadProcessId(search.found, &opened);
    const ProcessFacts facts = FactsOf(opened);
    EXPECT_NE(facts.parent, ::GetCurrentProcessId());
    EXPECT_EQ(Upper(FactsOf(facts.parent).exe), "EXPLORER.EXE");
    ::PostMessageA(search.found, WM_CLOSE, 0, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return !::IsWindow(search.found); }));
}

} // namespace
} // namespace vantrel
