#include "platform/link_check.h"

#include "platform/handles.h"

#include <algorithm>
#include <vector>

namespace vantrel::platform {

namespace {

char Folded(char c) {
    return c == '/' ? '\\' : (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// `path` lies inside `root` (compared as the file system does, without regard to ASCII case and
// slash direction); gives the length of the root with its trailing separator.
bool Below(const std::string& root, const std::string& path, std::size_t& rootLength) {
    std::string folder = root;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') {
        folder += '\\';
    }
    if (folder.empty() || path.size() <= folder.size()) {
        return false;
    }
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (Folded(folder[i]) != Folded(path[i])) {
            return false;
        }
    }
    rootLength = folder.size();
    return true;
}

bool SystemFacts(const std::string& path, PathFacts& facts) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    facts.attributes = data.dwFileAttributes;
    facts.links = 1;
    if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
        // Opened for nothing but its attributes, and never through a link.
        const UniqueFile file(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                            nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (file && ::GetFileInformationByHandle(file.get(), &info)) {
            facts.links = info.nNumberOfLinks;
        }
    }
    return true;
}

std::string FinalPathOf(HANDLE handle) {
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleA(
            handle, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return std::string(buffer.data(), length);
        }
        buffer.resize(length + 1);
    }
}

// Where the file is meant to be: below the user's folder (as the system resolves that folder
// itself), or beside whatever its own folder is.
std::string ExpectedFinalPath(const std::string& root, const std::string& path) {
    std::size_t rootLength = 0;
    std::string folder;
    std::string rest;
    if (Below(root, path, rootLength)) {
        folder = path.substr(0, rootLength - 1);
        rest = path.substr(rootLength);
    } else {
        const std::size_t slash = path.find_last_of("\\/");
        if (slash == std::string::npos) {
            return {};
        }
        folder = path.substr(0, slash);
        rest = path.substr(slash + 1);
    }
    const UniqueFile opened(::CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
    const std::string final = opened ? FinalPathOf(opened.get()) : std::string();
    if (final.empty()) {
        return {};
    }
    std::replace(rest.begin(), rest.end(), '/', '\\');
    return final + (final.back() == '\\' ? "" : "\\") + rest;
}

} // namespace

bool OpenedElsewhere(const OpenedFacts& facts, const std::string& expectedFinalPath) {
    if ((facts.attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        facts.links != 1 || facts.finalPath.empty() ||
        facts.finalPath.size() != expectedFinalPath.size()) {
        return true;
    }
    for (std::size_t i = 0; i < facts.finalPath.size(); ++i) {
        if (Folded(facts.finalPath[i]) != Folded(expectedFinalPath[i])) {
            return true;
        }
    }
    return false;
}

bool CheckedFile::Open(const std::string& root, const std::string& path, bool create) {
    file_.reset();
    // Only the file's own folder may still be missing; the folders are made by the caller.
    const std::string expected = ExpectedFinalPath(root, path);
    if (expected.empty()) {
        return false;
    }
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                  FILE_SHARE_READ, nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const bool made = create && file && ::GetLastError() != ERROR_ALREADY_EXISTS;
    if (!file) {
        return false;
    }
    OpenedFacts facts;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(file.get(), &info)) {
        facts.attributes = info.dwFileAttributes;
        facts.links = info.nNumberOfLinks;
        facts.finalPath = FinalPathOf(file.get());
    } else {
        facts.attributes = FILE_ATTRIBUTE_REPARSE_POINT; // unknown counts as unsafe
    }
    if (OpenedElsewhere(facts, expected)) {
        if (made) {
            // Made by this call where it was not meant to be: it goes again, through the same
            // handle, so that no other file can be the one deleted.
            FILE_DISPOSITION_INFO disposition{TRUE};
            ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition,
                                         sizeof disposition);
        }
        return false;
    }
    file_ = std::move(file);
    return true;
}

std::string CheckedFile::Read(std::size_t limit) const {
    std::string text;
    LARGE_INTEGER start{};
    if (!file_ || !::SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN)) {
        return text;
    }
    char buffer[4096];
    DWORD got = 0;
    while (text.size() < limit && ::ReadFile(file_.get(), buffer, sizeof buffer, &got, nullptr) &&
           got > 0) {
        text.append(buffer, got);
    }
    if (text.size() > limit) {
        text.resize(limit);
    }
    return text;
}

bool CheckedFile::Replace(const std::string& text) const {
    LARGE_INTEGER start{};
    if (!file_ || !::SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN)) {
        return false;
    }
    DWORD written = 0;
    return ::WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) &&
           written == text.size() && ::SetEndOfFile(file_.get());
}

bool CheckedFile::Delete() {
    FILE_DISPOSITION_INFO disposition{TRUE};
    const bool deleted = file_ && ::SetFileInformationByHandle(file_.get(), FileDispositionInfo,
                                                               &disposition, sizeof disposition);
    file_.reset();
    return deleted;
}

bool ReachesThroughLink(const std::string& root, const std::string& path) {
    return ReachesThroughLink(root, path, SystemFacts);
}

bool ReachesThroughLink(const std::string& root, const std::string& path, const PathQuery& query) {
    PathFacts facts;
    if (query(path, facts) &&
        ((facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || facts.links > 1)) {
        return true;
    }
    std::size_t start = 0;
    if (!Below(root, path, start)) {
        return false;
    }
    for (std::size_t at = path.find_first_of("\\/", start); at != std::string::npos;
         at = path.find_first_of("\\/", at + 1)) {
        PathFacts folder;
        if (query(path.substr(0, at), folder) &&
            (folder.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return true;
        }
    }
    return false;
}

} // namespace vantrel::platform
