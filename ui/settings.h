#pragma once
// The common settings and the per-user file that keeps them. The file's path is worked out anew
// at every load and save, so a folder or file removed while the program runs is made again.
#include <windows.h>

#include <string>

namespace vantrel {

struct CommonSettings {
    bool systemMenu = true;         // add the program's items to other windows' system menus
    std::string action = "Default"; // for windows whose class has no rule
    std::string zOrder = "Default";
};

struct SettingsLocation {
    std::string appDataFolder; // per-user application data; empty when it could not be found
    std::string exeFolder;     // folder of the executable, which may hold a "vantrel.dat" to copy
};

// Full path of "vantrel.dat": under "Ostrim\Vantrel\" in the application-data folder, created with
// its parents when missing, or in the executable's folder when that folder cannot be had. When
// the file is missing there, the executable folder's copy (if any) is copied in first.
std::string SettingsFilePath(const SettingsLocation& location);

// Missing keys and a missing file give the defaults.
CommonSettings LoadSettings(const SettingsLocation& location);

// Writes only the three keys of section "Options"; everything else in the file stays. A refused
// write throws UserError naming the file.
void SaveSettings(const SettingsLocation& location, const CommonSettings& settings);

// The user's application-data folder with a trailing backslash, or "" when the shell cannot say.
std::string AppDataFolder(HWND owner);

} // namespace vantrel
