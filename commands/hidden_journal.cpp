#include "commands/hidden_journal.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>

#include "platform/foreign_window.h"
#include "platform/handles.h"
#include "platform/link_check.h"
#include "platform/text.h"
#include "platform/window_api.h"

namespace vantrel {

namespace {
unsigned long long CreationTimeOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}
} // namespace

std::string FormatHiddenRecords(const std::vector<HiddenRecord>& records) {
    std::ostringstream out;
    for (const HiddenRecord& r : records) {
        out << r.ownerPid << ' ' << r.ownerStart << ' ' << r.window << ' ' << r.windowPid << ' '
            << r.className << "\r\n";
    }
    return out.str();
}

std::vector<HiddenRecord> ParseHiddenRecords(const std::string& text) {
    std::vector<HiddenRecord> records;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream fields(line);
        HiddenRecord r;
        if (!(fields >> r.ownerPid >> r.ownerStart >> r.window >> r.windowPid)) {
            continue;
        }
        fields.get(); // the single space before the class name
        std::getline(fields, r.className);
        if (r.window == 0) {
            continue;
        }
        records.push_back(std::move(r));
    }
    return records;
}

DWORD HiddenJournal::SelfPid() {
    return ::GetCurrentProcessId();
}

unsigned long long HiddenJournal::SelfStart() {
    static const unsigned long long start = CreationTimeOf(::GetCurrentProcess());
    return start;
}

bool InstanceAlive(DWORD pid, unsigned long long start) {
    platform::UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (!process) {
        return false;
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(process.get(), &code) || code != STILL_ACTIVE) {
        return false;
    }
    // A reused process id belongs to another program that started later.
    return CreationTimeOf(process.get()) == start;
}

std::vector<HiddenRecord> HiddenJournal::Read() const {
    std::string text;
    if (path_.empty()) {
        return {};
    }
    platform::UniqueFile file(::CreateFileA(path_.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return {};
    }
    char buffer[4096];
    DWORD got = 0;
    // A journal is a few lines; anything past 1 MB is not ours and is ignored.
    while (text.size() < (1u << 20) &&
           ::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    // A journal an older version left holds its class names in the legacy code page; compared
    // with the UTF-8 names read now, they would never match their windows.
    if (platform::TextIsUtf8()) {
        text = platform::LegacyLinesToUtf8(text, platform::LegacyCodePage());
    }
    return ParseHiddenRecords(text);
}

void HiddenJournal::Write(const std::vector<HiddenRecord>& records) const {
    // Opened once and checked on the handle: through a planted link the elevated program would
    // replace or delete another file.
    platform::CheckedFile file;
    if (path_.empty() || !file.Open(linkRoot_, path_, !records.empty())) {
        return; // best effort: the journal only guards against a crash
    }
    if (records.empty()) {
        file.Delete();
    } else {
        file.Replace(FormatHiddenRecords(records));
    }
}

HiddenRecord HiddenJournal::RecordOf(HWND window) {
    HiddenRecord r;
    r.ownerPid = SelfPid();
    r.ownerStart = SelfStart();
    r.window = reinterpret_cast<ULONG_PTR>(window);
    r.windowPid = platform::ProcessIdOf(window);
    r.className = platform::ClassNameOf(window);
    return r;
}

void HiddenJournal::Add(HWND window) const {
    std::vector<HiddenRecord> records = Read();
    records.push_back(RecordOf(window));
    Write(records);
}

void HiddenJournal::Save(const std::vector<HWND>& hidden) const {
    std::vector<HiddenRecord> records;
    for (HiddenRecord& r : Read()) {
        if (!(r.ownerPid == SelfPid() && r.ownerStart == SelfStart())) {
            records.push_back(std::move(r));
        }
    }
    std::transform(hidden.begin(), hidden.end(), std::back_inserter(records), RecordOf);
    Write(records);
}

std::vector<HWND> HiddenJournal::RecoverOrphans() const {
    std::vector<HiddenRecord> keep;
    std::vector<HWND> shown;
    for (HiddenRecord& r : Read()) {
        if (InstanceAlive(r.ownerPid, r.ownerStart)) {
            keep.push_back(std::move(r));
            continue;
        }
        HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(r.window));
        // Only the very window that was hidden: a handle value may since belong to another.
        if (::IsWindow(window) && platform::ProcessIdOf(window) == r.windowPid &&
            platform::ClassNameOf(window) == r.className && !::IsWindowVisible(window)) {
            platform::foreign::Show(window, SW_SHOWNA);
            shown.push_back(window);
            // A program that does not answer shows the window only when it wakes: until it has,
            // the record stays, so that the next start asks again.
            if (!platform::foreign::Answers(window)) {
                keep.push_back(std::move(r));
            }
        }
    }
    Write(keep);
    return shown;
}

} // namespace vantrel
