#pragma once
// Facts about the system the program runs on, and the auto-start value under the machine-wide
// Run key. The pure halves are separate so that the tables can be checked without the system.
#include <windows.h>

#include <functional>
#include <string>

#include "platform/task_scheduler.h"

namespace vantrel {

// Name of the Run value, which is also the name shown in error messages about it.
inline constexpr const char* kAutoStartValueName = "Vantrel";

// The program's small Windows version code (11 for NT 6 and later, whatever the real version,
// because the manifest names no supported systems).
int VersionCodeFor(unsigned platformId, unsigned major, unsigned minor);
int WindowsVersionCode();

bool Is64BitWindows();

// Major version from a text like "9.11.9600.17843": the number before the first ".", or 0 when
// there is no "." or that part is not a number.
int IEMajorVersionFrom(const std::string& versionText);
// 0 when Internet Explorer's key or its "Version" value is missing.
int InternetExplorerMajorVersion();

// True when the text of some item of the menu (read by position) contains text, case-sensitive.
bool MenuContainsText(HMENU menu, const std::string& text);

// Path under HKEY_LOCAL_MACHINE of the Run key that auto start uses.
std::string RunKeyPath(bool is64);

// Whether the value "Vantrel" under HKEY_LOCAL_MACHINE\keyPath asks for a start with "-Start".
// A missing key or value reads as off; a value that is not text throws UserError.
bool ReadAutoStart(const std::string& keyPath);

// The Run value's data: the executable's path in quotes (so that a path with spaces is found
// whole), then " -Start".
std::string AutoStartCommand(const std::string& exePath);

// Sets the value to AutoStartCommand(exePath), or deletes it (a value already gone is fine). The
// key is created when missing. Any failure throws UserError naming the value.
void WriteAutoStart(const std::string& keyPath, bool on, const std::string& exePath);

// Name of the logon task that starts the program where the Run value cannot: Windows does not
// start a program that asks for elevation from a Run key.
inline constexpr const char* kAutoStartTaskName = "Vantrel";

// The task's definition: at the logon of the user `userSid`, run exePath with "-Start" from its
// own folder, with the highest rights the user has and without a prompt; no time limit, not
// stopped on batteries, one instance at a time.
std::wstring LogonTaskXml(const std::string& exePath, const std::string& userSid);

// The scheduler calls that auto start makes (platform/task_scheduler): the system's by default,
// a scheduler that refuses or is missing where tests stand one in.
struct TaskScheduler {
    std::function<HRESULT(const std::string& name, const std::wstring& xml)> registerXml =
        platform::RegisterTaskXml;
    std::function<HRESULT(const std::string& name)> remove = platform::DeleteTask;
    std::function<HRESULT(const std::string& name, std::wstring& xml)> read = platform::ReadTaskXml;
};

// Registers the logon task for the current user, or removes it (a task already gone is fine).
// True when the task is now registered; false when it was removed, or on a system without Task
// Scheduler 2.0, where it does nothing (the Run value starts the program there). Any other
// failure throws UserError naming the task.
bool WriteAutoStartTask(const std::string& taskName, bool on, const std::string& exePath,
                        const TaskScheduler& scheduler = {});

// Whether the logon task of that name is registered (false without Task Scheduler 2.0).
bool AutoStartTaskRegistered(const std::string& taskName, const TaskScheduler& scheduler = {});

// Whether the Run value is to be set beside the logon task. With UAC off Windows runs both at
// logon, which would start two instances, so the Run value is set only where auto start is on
// and no task could be registered (no Task Scheduler 2.0, or it refused). With UAC on the Run
// value would start nothing: Windows skips Run entries that ask for elevation.
bool RunValueWanted(bool autoStart, bool taskRegistered);

// The security descriptor (SDDL) of an existing file or folder; "" where it does not exist, and
// something that is no descriptor where it cannot be read.
using SecurityQuery = std::function<std::string(const std::string& path)>;
// The system's answers, from platform/folder_rights.
std::string SystemSecurityOf(const std::string& path);

// True when starting the program at every logon hands administrator rights to no one else: its
// folder and the files it loads or reads there (the executable, both relay pairs, rules.dat) may
// be changed only by Administrators, SYSTEM and TrustedInstaller, and the folders above it moved
// only by them. Files missing from such a folder cannot be put there by anyone else either.
bool InstalledForAutoStart(const std::string& exePath, const SecurityQuery& query);

// Why auto start was refused, and what to do.
inline constexpr const char* kAutoStartNeedsInstall =
    "Vantrel can start with Windows only when it is installed in a folder that only "
    "administrators can change, such as Program Files. It starts with administrator rights, so "
    "from any other folder whoever can change the files there would get those rights at every "
    "logon.\n\nInstall Vantrel with its setup program and tick \"Auto start\" there again.";

} // namespace vantrel
