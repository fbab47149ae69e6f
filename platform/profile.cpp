#include "platform/profile.h"

#include "platform/link_check.h"
#include "platform/text.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <climits>

namespace vantrel::platform {

namespace {

constexpr DWORD kFirstNamesBufferSize = 4096;
// The names list grows by doubling; a file holding more than this in section names is either
// junk or hostile, and what fits is enough for any caller.
constexpr DWORD kMaxNamesBufferSize = 64u * 1024u * 1024u;

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

int ParseHex(const std::string& digits, int def) {
    if (digits.empty()) {
        return def;
    }
    long long value = 0;
    for (const char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0) {
            return def;
        }
        value = value * 16 + d;
        if (value > INT_MAX) {
            return def;
        }
    }
    return static_cast<int>(value);
}

int ParseDecimal(const std::string& text, int def) {
    std::size_t i = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) {
        return def;
    }
    // One more than INT_MAX is still needed for INT_MIN.
    const long long limit = static_cast<long long>(INT_MAX) + (negative ? 1 : 0);
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return def;
        }
        value = value * 10 + (c - '0');
        if (value > limit) {
            return def;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

// The reader trims white space from both ends of a value and takes one pair of matching quotes
// off it, so such a value would come back changed; written inside quotes, it comes back whole.
bool NeedsQuotes(const std::string& value) {
    if (value.empty()) {
        return false;
    }
    auto space = [](unsigned char c) {
        return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A || c == 0xA0;
    };
    const auto first = static_cast<unsigned char>(value.front());
    const auto last = static_cast<unsigned char>(value.back());
    if (space(first) || space(last)) {
        return true;
    }
    return value.size() >= 2 && (first == '"' || first == '\'') && last == first;
}

} // namespace

namespace {

// A file that starts with a byte order mark was decoded by the system by that mark.
bool HasByteOrderMark(const std::string& raw) {
    return raw.rfind("\xFF\xFE", 0) == 0 || raw.rfind("\xFE\xFF", 0) == 0 ||
           raw.rfind("\xEF\xBB\xBF", 0) == 0;
}

bool HasNonAscii(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// The file's bytes, or nothing when it cannot be read.
std::string RawFile(const std::string& path) {
    CheckedFile file;
    return file.Open({}, path, false) ? file.Read(kMaxProfileFileSize) : std::string();
}

// A file of an older version holds its text in the legacy code page, which the system's reader
// cannot decode when the process code page is UTF-8 (such bytes come back as U+FFFD). Before the
// system rewrites the file, its text is brought to UTF-8, so no value of it is lost; the file is
// UTF-8 from then on.
void PrepareForSystemWrite(const std::string& path) {
    if (!TextIsUtf8()) {
        return;
    }
    CheckedFile file;
    if (!file.Open({}, path, false)) {
        return;
    }
    const std::string raw = file.Read(kMaxProfileFileSize);
    if (!IsUtf8(raw) && !HasByteOrderMark(raw)) {
        file.Replace(LegacyLinesToUtf8(raw, LegacyCodePage()));
    }
}

std::string SystemRead(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& def) {
    std::string buffer(kProfileValueBufferSize, '\0');
    const DWORD copied =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), &buffer[0],
                                 kProfileValueBufferSize, path.c_str());
    buffer.resize(std::min<DWORD>(copied, kProfileValueBufferSize - 1));
    return buffer;
}

// The system's reading of the key in `text`, through a scratch copy: lines, sections and keys
// keep the system's own rules, so what is read now is what the file gives once it is rewritten
// as UTF-8. `def` when no scratch file can be made.
std::string ReadFromText(const std::string& text, const std::string& section,
                         const std::string& key, const std::string& def) {
    char folder[MAX_PATH + 1] = {};
    char name[MAX_PATH + 1] = {};
    if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "vtl", 0, name) == 0) {
        return def;
    }
    bool written = false;
    {
        // Made just now under a new name, and refused when it is a link all the same.
        CheckedFile file;
        written = file.Open({}, name, false) && file.Replace(text);
    }
    const std::string value = written ? SystemRead(name, section, key, def) : def;
    DeleteFileA(name);
    return value;
}

} // namespace

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& def) {
    const std::string buffer = SystemRead(path, section, key, def);
    // Only a value beyond ASCII can hold text the system could not decode; the file's own bytes
    // then decide, read in the legacy code page where they are not UTF-8.
    if (TextIsUtf8() && HasNonAscii(buffer)) {
        const std::string raw = RawFile(path);
        if (!IsUtf8(raw) && !HasByteOrderMark(raw)) {
            return ReadFromText(LegacyLinesToUtf8(raw, LegacyCodePage()), section, key, buffer);
        }
    }
    return buffer;
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    PrepareForSystemWrite(path);
    const std::string written = NeedsQuotes(value) ? '"' + value + '"' : value;
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), written.c_str(),
                                      path.c_str()) != FALSE;
}

bool DeleteProfileKey(const std::string& path, const std::string& section, const std::string& key) {
    // The system trims blanks of a default, so the marker for "missing" is made of control
    // characters that no value written by a person holds.
    const std::string missing = "\x01\x02\x01";
    if (ReadProfileString(path, section, key, missing) == missing) {
        return true;
    }
    PrepareForSystemWrite(path);
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, path.c_str()) != FALSE;
}

bool WriteProfileStringBelow(const std::string& root, const std::string& path,
                             const std::string& section, const std::string& key,
                             const std::string& value) {
    // Read, changed and written back through one handle checked for links (link_check.h).
    CheckedFile file;
    if (!file.Open(root, path, true)) {
        return false;
    }
    const std::string written = NeedsQuotes(value) ? '"' + value + '"' : value;
    std::string text = file.Read(kMaxProfileFileSize);
    if (TextIsUtf8() && !HasByteOrderMark(text)) {
        text = LegacyLinesToUtf8(text, LegacyCodePage());
    }
    return file.Replace(WithProfileValue(text, section, key, written));
}

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::string WithProfileValue(const std::string& text, const std::string& section,
                             const std::string& key, const std::string& value) {
    // Lines as the system's reader sees them: a section starts at a line whose first non-blank
    // character is '[', a key is the text before the first '=', both without regard to case.
    const std::string line = key + "=" + value + "\r\n";
    bool inSection = false;
    std::size_t insertAt = std::string::npos; // after the section's last non-blank line
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string content = text.substr(at, end - at);
        while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) {
            content.pop_back();
        }
        const std::string trimmed = Trimmed(content);
        if (!trimmed.empty() && trimmed[0] == '[') {
            if (inSection) {
                break;
            }
            const std::size_t close = trimmed.find(']');
            inSection =
                SameName(Trimmed(trimmed.substr(1, close == std::string::npos ? std::string::npos
                                                                              : close - 1)),
                         section);
            insertAt = inSection ? end : insertAt;
        } else if (inSection) {
            const std::size_t equals = trimmed.find('=');
            if (equals != std::string::npos && SameName(Trimmed(trimmed.substr(0, equals)), key)) {
                return text.substr(0, at) + line + text.substr(end);
            }
            if (!trimmed.empty()) {
                insertAt = end;
            }
        }
        at = end;
    }
    if (insertAt != std::string::npos) {
        const bool needsBreak = insertAt > 0 && text[insertAt - 1] != '\n';
        return text.substr(0, insertAt) + (needsBreak ? "\r\n" : "") + line + text.substr(insertAt);
    }
    const bool needsBreak = !text.empty() && text.back() != '\n';
    return text + (needsBreak ? "\r\n" : "") + "[" + section + "]\r\n" + line;
}

std::vector<std::string> ProfileSectionNames(const std::string& path) {
    std::vector<char> buffer;
    DWORD copied = 0;
    bool cut = false;
    for (DWORD size = kFirstNamesBufferSize;; size *= 2) {
        buffer.assign(size, '\0');
        copied = GetPrivateProfileSectionNamesA(buffer.data(), size, path.c_str());
        // A full buffer is reported as size - 2, which cannot be told apart from an exact fit.
        if (copied < size - 2) {
            break;
        }
        if (size >= kMaxNamesBufferSize) {
            cut = true;
            break;
        }
    }
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < copied; ++i) {
        if (buffer[i] == '\0') {
            names.emplace_back(buffer.data() + start, i - start);
            start = i + 1;
        }
    }
    if (start < copied) {
        names.emplace_back(buffer.data() + start, copied - start);
    }
    // The last name of a list cut by the system may itself be cut, and a shortened name would
    // pass for a different section.
    if (cut && !names.empty()) {
        names.pop_back();
    }
    return names;
}

int ProfileInt(const std::string& text, int def) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return ParseHex(text.substr(2), def);
    }
    return ParseDecimal(text, def);
}

} // namespace vantrel::platform
