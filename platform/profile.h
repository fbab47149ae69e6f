#pragma once
// Key-by-key access to initialization files through the system's private-profile functions. Every
// read and write goes to the file at the moment it is made, so other programs editing it between
// two calls are seen and nothing is cached. Where the process code page is UTF-8, text that an
// older version wrote in the legacy code page is read as such and written back as UTF-8. Only the
// writes in the user's folder edit the file's text here, through one handle checked for links.
#include <windows.h>

#include <string>
#include <vector>

// The system's macro of this name (the win.ini writer) would silently rename the function below
// in every file that sees <windows.h>; nothing in the program writes win.ini.
#ifdef WriteProfileString
#undef WriteProfileString
#endif

namespace vantrel::platform {

// Values are read through a buffer of 2048 bytes; the system cuts a longer value to 2047 bytes
// without telling us; both data files live with that limit.
constexpr unsigned kProfileValueBufferSize = 2048;

// The value of the key, or def when the key, the section or the file is missing (a directory or
// an unreadable file counts as missing).
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& def);

// Replaces the value in place or adds the key (and the section, and the file) as needed. A value
// that the reader would trim or unquote is written inside quotes, so that it reads back as it
// was. False when the system refuses the write.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// Takes the key out of the section; false when the system refuses. The file is not touched when
// the key is not there, so a file without it stays byte for byte as it was.
bool DeleteProfileKey(const std::string& path, const std::string& section, const std::string& key);

// As WriteProfileString, but written through a CheckedFile (platform/link_check.h): refused
// (false, nothing written) when the write would reach another file through a link.
bool WriteProfileStringBelow(const std::string& root, const std::string& path,
                             const std::string& section, const std::string& key,
                             const std::string& value);

// `text` (a whole initialization file) with the key of that section set to `value`: replaced in
// place, or added at the end of the section, or in a new section at the end; the rest unchanged.
std::string WithProfileValue(const std::string& text, const std::string& section,
                             const std::string& key, const std::string& value);
// Larger data files are not ours; what a checked write reads of one stops there.
constexpr std::size_t kMaxProfileFileSize = 16u * 1024u * 1024u;

// The names of all sections in file order; empty for a missing file.
std::vector<std::string> ProfileSectionNames(const std::string& path);

// The integer rule of both data files: "0x"/"0X" then hexadecimal digits, otherwise decimal
// digits with an optional sign. Text that does not convert completely, or whose value does not
// fit an int, gives def.
int ProfileInt(const std::string& text, int def);

} // namespace vantrel::platform
