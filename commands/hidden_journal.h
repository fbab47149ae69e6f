#pragma once
// A record, outside the process, of the windows this instance has hidden. If the instance ends
// without restoring them (killed, crashed), the next instance to start shows them again, so a
// hidden window is never lost. Records are tagged with the instance (process id and start time),
// so an instance running beside another never undoes the other's work.
#include <windows.h>
#include <string>
#include <vector>

namespace vantrel {

struct HiddenRecord {
    DWORD ownerPid = 0;
    unsigned long long ownerStart = 0; // creation time of the owning instance
    unsigned long long window = 0;
    DWORD windowPid = 0;
    std::string className;
};

std::string FormatHiddenRecords(const std::vector<HiddenRecord>& records);
// Lines that do not parse are dropped.
std::vector<HiddenRecord> ParseHiddenRecords(const std::string& text);

class HiddenJournal {
public:
    // Links on the path below `linkRoot` (the per-user folder), or the file being a link, stop
    // every write and delete (platform/link_check.h).
    void SetPath(std::string path, std::string linkRoot = {}) {
        path_ = std::move(path);
        linkRoot_ = std::move(linkRoot);
    }
    const std::string& Path() const { return path_; }
    // Adds a record of this instance for the window, before the window is hidden.
    void Add(HWND window) const;
    // Rewrites this instance's records to match `hidden`; other live instances' records stay.
    void Save(const std::vector<HWND>& hidden) const;
    // Shows again the windows of instances that are no longer running and drops their records.
    // Returns the windows that were shown.
    std::vector<HWND> RecoverOrphans() const;
    // This instance's identity.
    static DWORD SelfPid();
    static unsigned long long SelfStart();

private:
    static HiddenRecord RecordOf(HWND window);
    std::vector<HiddenRecord> Read() const;
    void Write(const std::vector<HiddenRecord>& records) const;
    std::string path_;
    std::string linkRoot_;
};

bool InstanceAlive(DWORD pid, unsigned long long start);

} // namespace vantrel
