#include "ui/environment.h"

#include "platform/folder_rights.h"
#include "relay/relay_protocol.h"

#include "platform/com_scope.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/task_scheduler.h"

namespace vantrel {

namespace {

const char* const kStartSwitch = "-Start";
constexpr int kMenuTextMax = 250;

} // namespace

int VersionCodeFor(unsigned platformId, unsigned major, unsigned minor) {
    if (platformId == VER_PLATFORM_WIN32_NT) {
        switch (major) {
        case 3:
            return 5;
        case 4:
            return 6;
        case 5:
            return minor == 1 ? 9 : minor == 2 ? 10 : 7;
        case 6:
            return 11;
        default:
            return 10;
        }
    }
    if (major == 4) {
        switch (minor) {
        case 0:
            return 1;
        case 10:
            return 3;
        case 90:
            return 8;
        default:
            break;
        }
    }
    return 10;
}

int WindowsVersionCode() {
    OSVERSIONINFOA info = {};
    static_assert(sizeof info == 148, "the version query expects the 148-byte structure");
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) {
        return VersionCodeFor(0, 0, 0);
    }
    return VersionCodeFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

bool Is64BitWindows() {
#if defined(_WIN64)
    // IsWow64Process answers false for a native 64-bit process, which only 64-bit Windows runs.
    return true;
#else
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    // kernel32 stays loaded for the life of every process, so its handle is not ours to free.
    const HMODULE kernel = GetModuleHandleA("kernel32");
    if (kernel == nullptr) {
        return false;
    }
    const FARPROC proc = GetProcAddress(kernel, "IsWow64Process");
    if (proc == nullptr) {
        return false;
    }
    // The detour through a function type without parameters is the sanctioned way to cast
    // between unrelated function pointer types.
    const auto isWow64Process =
        reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(proc));
    BOOL wow64 = FALSE;
    return isWow64Process(GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
#endif
}

int IEMajorVersionFrom(const std::string& versionText) {
    const std::size_t dot = versionText.find('.');
    if (dot == std::string::npos) {
        return 0;
    }
    return platform::ProfileInt(versionText.substr(0, dot), 0);
}

int InternetExplorerMajorVersion() {
    platform::RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer", KEY_READ) !=
        ERROR_SUCCESS) {
        return 0;
    }
    std::string version;
    if (key.ReadString("Version", version) != ERROR_SUCCESS) {
        return 0;
    }
    return IEMajorVersionFrom(version);
}

bool MenuContainsText(HMENU menu, const std::string& text) {
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        char buffer[kMenuTextMax + 1] = {};
        const int length =
            GetMenuStringA(menu, static_cast<UINT>(position), buffer, kMenuTextMax, MF_BYPOSITION);
        if (length < 0) {
            continue;
        }
        if (std::string(buffer, static_cast<std::size_t>(length)).find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string RunKeyPath(bool is64) {
    return is64 ? "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"
                : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
}

bool ReadAutoStart(const std::string& keyPath) {
    platform::RegKey key;
    // Reading needs no more than read access, so the state shows even without elevation.
    if (key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ) != ERROR_SUCCESS) {
        return false;
    }
    std::string command;
    const LONG rc = key.ReadString(kAutoStartValueName, command);
    if (rc == ERROR_INVALID_DATATYPE) {
        throw UserError(FormatWithArg(kInvalidDataType, kAutoStartValueName));
    }
    return rc == ERROR_SUCCESS && command.find(kStartSwitch) != std::string::npos;
}

std::string AutoStartCommand(const std::string& exePath) {
    return "\"" + exePath + "\" " + kStartSwitch;
}

void WriteAutoStart(const std::string& keyPath, bool on, const std::string& exePath) {
    const std::string failure = FormatWithArg(kFailedToSetData, kAutoStartValueName);
    platform::RegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, keyPath, KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS) {
        throw UserError(failure);
    }
    if (on) {
        if (key.WriteString(kAutoStartValueName, AutoStartCommand(exePath)) != ERROR_SUCCESS) {
            throw UserError(failure);
        }
        return;
    }
    // Auto start that could not be switched off must not pass unnoticed; a value that is
    // already gone is simply off.
    const LONG rc = key.DeleteValue(kAutoStartValueName);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        throw UserError(failure);
    }
}

namespace {

std::wstring XmlEscaped(const std::string& text) {
    std::wstring out;
    for (const wchar_t c : platform::Widen(text)) {
        switch (c) {
        case L'&':
            out += L"&amp;";
            break;
        case L'<':
            out += L"&lt;";
            break;
        case L'>':
            out += L"&gt;";
            break;
        case L'"':
            out += L"&quot;";
            break;
        case L'\'':
            out += L"&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::wstring LogonTaskXml(const std::string& exePath, const std::string& userSid) {
    const std::size_t slash = exePath.find_last_of("\\/");
    const std::string folder =
        slash == std::string::npos ? std::string() : exePath.substr(0, slash);
    // Without a known user the scheduler takes the one who registers the task.
    const std::wstring user = userSid.empty()
                                  ? std::wstring()
                                  : L"      <UserId>" + XmlEscaped(userSid) + L"</UserId>\r\n";
    std::wstring xml =
        L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        L"<Task version=\"1.2\" "
        L"xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        L"  <RegistrationInfo>\r\n"
        L"    <Description>Starts Vantrel in the notification area at logon.</Description>\r\n"
        L"  </RegistrationInfo>\r\n"
        L"  <Triggers>\r\n"
        L"    <LogonTrigger>\r\n"
        L"      <Enabled>true</Enabled>\r\n" +
        user +
        L"    </LogonTrigger>\r\n"
        L"  </Triggers>\r\n"
        L"  <Principals>\r\n"
        L"    <Principal id=\"Author\">\r\n" +
        user +
        L"      <LogonType>InteractiveToken</LogonType>\r\n"
        L"      <RunLevel>HighestAvailable</RunLevel>\r\n"
        L"    </Principal>\r\n"
        L"  </Principals>\r\n"
        L"  <Settings>\r\n"
        L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
        L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
        L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
        L"    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
        L"    <Priority>4</Priority>\r\n"
        L"  </Settings>\r\n"
        L"  <Actions Context=\"Author\">\r\n"
        L"    <Exec>\r\n"
        L"      <Command>" +
        XmlEscaped(exePath) +
        L"</Command>\r\n"
        L"      <Arguments>" +
        XmlEscaped(kStartSwitch) +
        L"</Arguments>\r\n"
        L"      <WorkingDirectory>" +
        XmlEscaped(folder) +
        L"</WorkingDirectory>\r\n"
        L"    </Exec>\r\n"
        L"  </Actions>\r\n"
        L"</Task>\r\n";
    return xml;
}

bool WriteAutoStartTask(const std::string& taskName, bool on, const std::string& exePath,
                        const TaskScheduler& scheduler) {
    const HRESULT hr =
        on ? scheduler.registerXml(taskName, LogonTaskXml(exePath, platform::InteractiveUserSid()))
           : scheduler.remove(taskName);
    if (FAILED(hr) && !platform::IsSchedulerMissing(hr)) {
        throw UserError(FormatWithArg(kFailedToSetData, taskName));
    }
    return on && SUCCEEDED(hr);
}

bool AutoStartTaskRegistered(const std::string& taskName, const TaskScheduler& scheduler) {
    std::wstring xml;
    return scheduler.read(taskName, xml) == S_OK;
}

bool RunValueWanted(bool autoStart, bool taskRegistered) {
    return autoStart && !taskRegistered;
}

std::string SystemSecurityOf(const std::string& path) {
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
        (::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND)) {
        return {};
    }
    const std::string sddl = platform::SecurityDescriptorOf(path);
    return sddl.empty() ? "unreadable" : sddl;
}

bool InstalledForAutoStart(const std::string& exePath, const SecurityQuery& query) {
    const std::size_t slash = exePath.find_last_of("\\/");
    if (slash == std::string::npos || slash == 0) {
        return false;
    }
    const std::string folder = exePath.substr(0, slash);
    if (!platform::OnlyAdministratorsMay(platform::Change::Contents, query(folder))) {
        return false;
    }
    for (const char* name : {relay::kExecutableName64, relay::kHookDllName64,
                             relay::kExecutableName32, relay::kHookDllName32, "rules.dat"}) {
        const std::string sddl = query(folder + "\\" + name);
        if (!sddl.empty() && !platform::OnlyAdministratorsMay(platform::Change::Contents, sddl)) {
            return false;
        }
    }
    if (!platform::OnlyAdministratorsMay(platform::Change::Contents, query(exePath))) {
        return false;
    }
    // Every folder above, up to the drive's root, must stay where it is.
    for (std::size_t at = folder.find_last_of("\\/"); at != std::string::npos && at > 0;
         at = folder.find_last_of("\\/", at - 1)) {
        const std::string above = folder.substr(0, at) + (folder[at - 1] == ':' ? "\\" : "");
        if (!platform::OnlyAdministratorsMay(platform::Change::Place, query(above))) {
            return false;
        }
        if (folder[at - 1] == ':') {
            break;
        }
    }
    return true;
}

} // namespace vantrel
