#pragma once
// The per-user data files are written by an elevated program in a folder that any program of
// the user may change. A junction or symbolic link put there, or a hard link in place of the
// file, would turn a write or a delete of the program's own file into one of a file elsewhere,
// with administrator rights. These checks find such links before a write or delete.
#include <windows.h>

#include <functional>
#include <string>

namespace vantrel::platform {

// Attributes and link count of an existing file or folder; false when it does not exist.
struct PathFacts {
    DWORD attributes = 0;
    DWORD links = 1;
};
using PathQuery = std::function<bool(const std::string& path, PathFacts& facts)>;

// True when writing or deleting `path` could reach another file: the file is a reparse point
// (symbolic link, junction, mount point) or has more than one hard link, or a folder on its path
// below `root` is a reparse point. Folders above `root` are the user's own choice (a profile on
// a junctioned drive) and are not looked at; with an empty `root`, or a path outside it, only the
// file itself is. Parts that do not exist yet are fine: they are made as real folders and files.
bool ReachesThroughLink(const std::string& root, const std::string& path);
// The same with the file system's answers given by the caller.
bool ReachesThroughLink(const std::string& root, const std::string& path, const PathQuery& query);

} // namespace vantrel::platform
