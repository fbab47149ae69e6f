// What the elevated program takes from and hands to the system: libraries only from the system
// folder, and files and pages opened by the shell's own process rather than by itself.
#include "platform/handles.h"
#include "platform/shell_open.h"
#include "platform/system_library.h"
#include "platform/window_api.h"
#include "relay/relay_protocol.h"
#include "support/test_support.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace vantrel {
namespace {

std::string Upper(std::string text) {
    ::CharUpperA(text.data());
    return text;
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
    char system[MAX_PATH] = {}, loaded[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    ::GetModuleFileNameA(psapi.get(), loaded, MAX_PATH);
    EXPECT_EQ(Upper(loaded), Upper(std::string(system) + "\\psapi.dll"));
    // ... and after the entry point's restriction not even the system's own calls do.
    platform::RestrictLibrarySearch();
    EXPECT_FALSE(platform::UniqueModule(::LoadLibraryA("vtplant.dll")));
    ::SetDllDirectoryA(nullptr);
    ::SetCurrentDirectoryA(previous);
}

// The libraries a PE file of either bitness names in its import table (load-time imports;
// delay-loaded ones are not there), upper-cased, read from the file mapped as an image.
std::vector<std::string> LoadTimeImports(const std::string& path) {
    std::vector<std::string> names;
    const platform::UniqueModule image(::LoadLibraryExA(
        path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
    if (!image) {
        ADD_FAILURE() << path << " is no PE image";
        return names;
    }
    // The low bits of a handle mapped as data mark it so.
    const BYTE* base =
        reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image.get()) & ~ULONG_PTR{3});
    const BYTE* nt = base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew;
    const IMAGE_DATA_DIRECTORY imports =
        reinterpret_cast<const IMAGE_NT_HEADERS32*>(nt)->OptionalHeader.Magic ==
                IMAGE_NT_OPTIONAL_HDR64_MAGIC
            ? reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt)
                  ->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT]
            : reinterpret_cast<const IMAGE_NT_HEADERS32*>(nt)
                  ->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress != 0 && d->Name != 0; ++d) {
        names.push_back(Upper(reinterpret_cast<const char*>(base + d->Name)));
    }
    return names;
}

TEST(SystemLibraries, ShippedProgramsImportOnlyKnownDllsAtLoadTime) {
    // The loader looks for any other DLL in the program's folder first, before the entry point
    // can restrict the search. These are the system's known DLLs (the KnownDLLs key under
    // HKLM\SYSTEM\CurrentControlSet\Control\Session Manager on Windows 10 and 11, and ntdll,
    // which every process has before its imports are resolved); a program that needs another
    // library delay-loads it (cmake/delay_import.cmake) or loads it with LoadSystemLibrary.
    const std::set<std::string> known = {
        "ADVAPI32.DLL", "CLBCATQ.DLL",  "COMBASE.DLL",  "COMDLG32.DLL", "COML2.DLL",
        "GDI32.DLL",    "GDIPLUS.DLL",  "IMAGEHLP.DLL", "IMM32.DLL",    "KERNEL32.DLL",
        "MSCTF.DLL",    "MSVCRT.DLL",   "NORMALIZ.DLL", "NSI.DLL",      "NTDLL.DLL",
        "OLE32.DLL",    "OLEAUT32.DLL", "PSAPI.DLL",    "RPCRT4.DLL",   "SECHOST.DLL",
        "SETUPAPI.DLL", "SHCORE.DLL",   "SHELL32.DLL",  "SHLWAPI.DLL",  "USER32.DLL",
        "WLDAP32.DLL",  "WS2_32.DLL"};
    for (const char* program : {"Vantrel.exe", relay::kExecutableName, relay::kHookDllName,
                                relay::kExecutableName32, relay::kHookDllName32}) {
        const std::vector<std::string> imports = LoadTimeImports(vt::TestBinFolder() + program);
        EXPECT_NE(std::find(imports.begin(), imports.end(), "KERNEL32.DLL"), imports.end())
            << program << ": the import table was not read";
        for (const std::string& library : imports) {
            EXPECT_EQ(known.count(library), 1u) << program << " imports " << library;
        }
    }
}

TEST(ShellOpen, TheDesktopShellsProcessOpensWhatTheProgramAsksFor) {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_TRUE(
        platform::OpenThroughDesktopShell(std::string(windows) + "\\notepad.exe", SW_SHOWNORMAL));
    HWND notepad = nullptr;
    ASSERT_TRUE(
        vt::WaitUntil([&] { return (notepad = ::FindWindowA("Notepad", nullptr)); }, 30000));
    const PROCESSENTRY32 opened = vt::ProcessEntry(platform::ProcessIdOf(notepad));
    EXPECT_NE(opened.th32ParentProcessID, ::GetCurrentProcessId());
    EXPECT_EQ(Upper(vt::ProcessEntry(opened.th32ParentProcessID).szExeFile), "EXPLORER.EXE");
    ::PostMessageA(notepad, WM_CLOSE, 0, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return !::IsWindow(notepad); }));
}

} // namespace
} // namespace vantrel
