#pragma once
// The per-user data files are written by an elevated program in a folder that any program of
// the user may change. A junction or symbolic link put there, or a hard link in place of the
// file, would turn a write or a delete of the program's own file into one of a file elsewhere,
// with administrator rights. These checks find such links before a write or delete.
#include <windows.h>

#include "platform/handles.h"

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

// What the system says of an opened file.
struct OpenedFacts {
    DWORD attributes = 0;
    DWORD links = 1;
    std::string finalPath; // GetFinalPathNameByHandle: where the handle really is
};
// True when the opened file is not the plain file the caller meant, whose real location is
// `expectedFinalPath`: a link itself, a file of several names, or one reached through a junction
// or mount point swapped in on the way (its final path is elsewhere).
bool OpenedElsewhere(const OpenedFacts& facts, const std::string& expectedFinalPath);

// A data file in the user's folder, opened once without following a link and checked on that
// handle; every read, write and delete then goes through the same handle, so that nothing
// swapped in on the path after the check can redirect them. Folders above `root` are taken as
// they are, as ReachesThroughLink does.
class CheckedFile {
public:
    // Opens `path`, or creates it when `create`; false (and nothing made or left behind) where
    // it is missing, cannot be opened or fails the check.
    bool Open(const std::string& root, const std::string& path, bool create);
    bool IsOpen() const { return static_cast<bool>(file_); }
    // The whole content, up to `limit` bytes.
    std::string Read(std::size_t limit) const;
    // Makes the content exactly `text`.
    bool Replace(const std::string& text) const;
    // Deletes the file the handle holds (and closes it).
    bool Delete();

private:
    UniqueFile file_;
};

} // namespace vantrel::platform
