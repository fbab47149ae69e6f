// The record of hidden windows read back at start, one table of the owners and files a start
// meets: each case says whether the window comes back and whether its record stays.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "commands/hidden_journal.h"
#include "platform/handles.h"
#include "support/fixture_client.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

using vantrel::HiddenRecord;
using vantrel::platform::UniqueHandle;

unsigned long long StartOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    ::GetProcessTimes(process, &created, &exited, &kernel, &user);
    return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

UniqueHandle OpenProcessOf(DWORD pid) {
    return UniqueHandle(::OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid));
}

// A process that never runs a line: an owner that is alive but answers nothing.
class StalledProcess {
public:
    StalledProcess() {
        std::string command = "\"" + vt::TestBinFolder() + "vt_fixture.exe\"";
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                             nullptr, nullptr, &si, &pi)) {
            process_ = UniqueHandle(pi.hProcess);
            thread_ = UniqueHandle(pi.hThread);
            pid_ = pi.dwProcessId;
        }
    }
    ~StalledProcess() {
        if (process_) {
            ::TerminateProcess(process_.get(), 0);
            ::WaitForSingleObject(process_.get(), 10000);
        }
    }
    StalledProcess(const StalledProcess&) = delete;
    StalledProcess& operator=(const StalledProcess&) = delete;
    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return process_.get(); }

private:
    UniqueHandle process_;
    UniqueHandle thread_;
    DWORD pid_ = 0;
};

class HiddenJournalStart : public ::testing::Test {
protected:
    void SetUp() override {
        vt::WindowSpec spec;
        spec.className = cls_;
        window_ = fixture_.CreateOne(spec);
        fixture_.Show(window_, SW_HIDE);
        // An owner instance that has ended; its handle stays open so the id is not reused.
        vt::Fixture ended;
        endedPid_ = ended.ProcessId();
        ended_ = OpenProcessOf(endedPid_);
        ended.Kill();
    }
    HiddenRecord Record(DWORD ownerPid, unsigned long long ownerStart) const {
        HiddenRecord r;
        r.ownerPid = ownerPid;
        r.ownerStart = ownerStart;
        r.window = reinterpret_cast<ULONG_PTR>(window_);
        r.windowPid = fixture_.ProcessId();
        r.className = cls_;
        return r;
    }

    std::string cls_ = vt::UniqueName("Journal");
    vt::Fixture fixture_;
    HWND window_ = nullptr;
    DWORD endedPid_ = 0;
    UniqueHandle ended_;
};

TEST_F(HiddenJournalStart, ShowsOnlyTheWindowsOfOwnersThatAreGone) {
    ASSERT_TRUE(ended_);
    const vt::Fixture beside; // a second instance that runs on
    const UniqueHandle besideProcess = OpenProcessOf(beside.ProcessId());
    const UniqueHandle fixtureProcess = OpenProcessOf(fixture_.ProcessId());
    const StalledProcess stalled;
    ASSERT_NE(stalled.Pid(), 0u);
    const unsigned long long endedStart = StartOf(ended_.get());

    struct Case {
        const char* name;
        std::function<std::string()> file;
        bool shown; // the window comes back
        bool kept;  // its record is still there afterwards
    };
    const auto lines = [](std::vector<HiddenRecord> records) {
        return vantrel::FormatHiddenRecords(records);
    };
    const std::vector<Case> cases = {
        {"killed owner", [&] { return lines({Record(endedPid_, endedStart)}); }, true, false},
        {"hung owner", [&] { return lines({Record(stalled.Pid(), StartOf(stalled.Handle()))}); },
         false, true},
        {"live second instance",
         [&] { return lines({Record(beside.ProcessId(), StartOf(besideProcess.get()))}); }, false,
         true},
        {"this instance",
         [&] {
             return lines(
                 {Record(vantrel::HiddenJournal::SelfPid(), vantrel::HiddenJournal::SelfStart())});
         },
         false, true},
        // The id now names a process that started after the owner: the owner is gone.
        {"reused process id",
         [&] { return lines({Record(fixture_.ProcessId(), StartOf(fixtureProcess.get()) - 1)}); },
         true, false},
        // The handle value now names another window: not the one that was hidden.
        {"reused handle, other class",
         [&] {
             HiddenRecord r = Record(endedPid_, endedStart);
             r.className += "X";
             return lines({r});
         },
         false, false},
        {"reused handle, other program",
         [&] {
             HiddenRecord r = Record(endedPid_, endedStart);
             r.windowPid = beside.ProcessId();
             return lines({r});
         },
         false, false},
        {"damaged file around a record",
         [&] {
             return std::string("\x01\xFF garbage\r\n-1 x\r\n\r\n0 0 0 0 zero\r\n") +
                    lines({Record(endedPid_, endedStart)}) + std::string(3000, '\xEE');
         },
         true, false},
        {"damaged file only", [] { return std::string("\0\0\xFF\r\n12 \r\n", 10); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fixture_.Show(window_, SW_HIDE);
        fixture_.Sync();
        ASSERT_FALSE(::IsWindowVisible(window_));
        const vt::TempDir dir;
        const std::string path = dir.path() + "hidden.dat";
        std::ofstream(path, std::ios::binary) << c.file();
        vantrel::HiddenJournal journal;
        journal.SetPath(path, dir.path());
        const ULONGLONG before = ::GetTickCount64();
        const std::vector<HWND> shown = journal.RecoverOrphans();
        EXPECT_LT(::GetTickCount64() - before, 2000u) << "the start waited for an owner";
        fixture_.Sync();
        EXPECT_EQ(shown == std::vector<HWND>{window_}, c.shown);
        EXPECT_EQ(::IsWindowVisible(window_) != FALSE, c.shown);
        const std::vector<HiddenRecord> left = vantrel::ParseHiddenRecords(vt::FileText(path));
        EXPECT_EQ(left.size(), c.kept ? 1u : 0u);
        if (c.kept && left.size() == 1) {
            EXPECT_EQ(left[0].window, reinterpret_cast<ULONG_PTR>(window_));
        }
    }
}

} // namespace
