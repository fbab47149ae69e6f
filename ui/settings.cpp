#include "ui/settings.h"

#include "platform/error.h"
#include "platform/link_check.h"
#include "platform/profile.h"
#include "rules/rule.h"

#include <shlobj.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace vantrel {

namespace {

const char* const kSettingsSubfolder = "Ostrim\\Vantrel\\";
const char* const kSettingsFileName = "vantrel.dat";
const char* const kSection = "Options";

struct PidlFree {
    void operator()(ITEMIDLIST* pidl) const noexcept { CoTaskMemFree(pidl); }
};
using PidlHolder = std::unique_ptr<ITEMIDLIST, PidlFree>;

std::string WithTrailingBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') {
        folder += '\\';
    }
    return folder;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates every missing folder along the path. The individual results are not looked at: the
// drive or server parts cannot be created and need not be, and only the final folder counts.
bool MakeFolders(const std::string& folder) {
    for (std::size_t at = folder.find_first_of("\\/"); at != std::string::npos;
         at = folder.find_first_of("\\/", at + 1)) {
        if (at > 0) {
            CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
        }
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    return IsFolder(folder);
}

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH * 2] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) {
        return path;
    }
    return std::string(buffer, length);
}

// A link planted in the per-user folder must not turn the elevated program's write into one of
// another file: such a write is refused like any other failed write.
void Write(const std::string& root, const std::string& path, const std::string& key,
           const std::string& value) {
    if (!platform::WriteProfileStringBelow(root, path, kSection, key, value)) {
        throw UserError(FormatWithArg(kUnableToWrite, path));
    }
}

} // namespace

std::string SettingsFilePath(const SettingsLocation& location) {
    const std::string exeFolder = WithTrailingBackslash(location.exeFolder);
    std::string folder;
    // An unknown application-data folder is treated like one that cannot be created: the
    // executable's folder is the only other place the program knows.
    if (!location.appDataFolder.empty()) {
        folder = WithTrailingBackslash(location.appDataFolder) + kSettingsSubfolder;
        if (!IsFolder(folder) && !MakeFolders(folder)) {
            folder.clear();
        }
    }
    if (folder.empty()) {
        folder = exeFolder;
    }
    const std::string path = folder + kSettingsFileName;
    const std::string localCopy = exeFolder + kSettingsFileName;
    if (!Exists(path) && Exists(localCopy) &&
        !EqualsAsciiNoCase(FullPath(path), FullPath(localCopy))) {
        std::ifstream in(localCopy, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        platform::CheckedFile copy;
        if (copy.Open(location.appDataFolder, path, true)) {
            copy.Replace(text.str());
        }
    }
    return path;
}

CommonSettings LoadSettings(const SettingsLocation& location) {
    const std::string path = SettingsFilePath(location);
    CommonSettings settings;
    settings.systemMenu =
        platform::ProfileInt(platform::ReadProfileString(path, kSection, "SystemMenu", ""), 1) != 0;
    settings.action = platform::ReadProfileString(path, kSection, "Action", "Default");
    settings.zOrder = platform::ReadProfileString(path, kSection, "ZOrder", "Default");
    return settings;
}

void SaveSettings(const SettingsLocation& location, const CommonSettings& settings) {
    const std::string path = SettingsFilePath(location);
    const std::string& root = location.appDataFolder;
    Write(root, path, "SystemMenu", settings.systemMenu ? "1" : "0");
    Write(root, path, "Action", settings.action);
    Write(root, path, "ZOrder", settings.zOrder);
}

std::string AppDataFolder(HWND owner) {
    LPITEMIDLIST raw = nullptr;
    const HRESULT hr = SHGetSpecialFolderLocation(owner, CSIDL_APPDATA, &raw);
    const PidlHolder pidl(raw);
    if (FAILED(hr) || !pidl) {
        return "";
    }
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(pidl.get(), path) || path[0] == '\0') {
        return "";
    }
    return WithTrailingBackslash(path);
}

} // namespace vantrel
