#include "platform/link_check.h"

#include "platform/handles.h"

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

} // namespace

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
