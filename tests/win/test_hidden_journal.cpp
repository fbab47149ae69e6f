// The record of hidden windows read back at start, one table of the owners and files a start
// meets: each case says whether the window comes back and whether its record stays.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "commands/hidden_journal.h"
#include "support/fixture_client.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

using vantrel::HiddenRecord;

// The creation time that, with the id, names an owner in a record; read here, not through the
// program's own reading, which the cases check.
unsigned long long StartOf(DWORD pid) {
    FILETIME created{}, exited{}, kernel{}, user{};
    ::GetProcessTimes(vt::OpenedProcess(pid).get(), &created, &exited, &kernel, &user);
    return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

TEST(HiddenJournalStart, ShowsOnlyTheWindowsOfOwnersThatAreGone) {
    const std::string cls = vt::UniqueName("Journal");
    vt::Fixture fixture;
    const HWND window = fixture.CreateOne(vt::Spec(cls));
    // Hidden by an owner that has gone, in a program that has stopped since.
    const HWND hung = fixture.CreateHung(cls + "H", "Hung", 1, WS_OVERLAPPEDWINDOW).front();
    // An owner instance that has ended; its handle stays open so the id is not reused.
    vt::Fixture ended;
    const DWORD endedPid = ended.ProcessId();
    const auto endedProcess = vt::OpenedProcess(endedPid);
    ASSERT_TRUE(endedProcess);
    ended.Kill();
    const unsigned long long endedStart = StartOf(endedPid);
    const vt::Fixture beside; // a second instance that runs on
    // An owner that is alive but answers nothing: it never runs a line.
    const vt::LaunchedProcess stalled("vt_fixture.exe", "", CREATE_SUSPENDED);
    ASSERT_TRUE(stalled);

    // The file holding one record of the window, as its owner would have written it.
    const auto file = [&](DWORD ownerPid, unsigned long long ownerStart,
                          const std::string& classSuffix = "", DWORD windowPid = 0,
                          HWND target = nullptr) {
        const HWND w = target != nullptr ? target : window;
        return vantrel::FormatHiddenRecords(
            {{ownerPid, ownerStart, reinterpret_cast<ULONG_PTR>(w),
              windowPid != 0 ? windowPid : fixture.ProcessId(), vt::ClassOf(w) + classSuffix}});
    };
    struct Case {
        const char* name;
        std::string file;
        bool shown;            // the window comes back (is asked to, for a hung program)
        bool kept;             // its record is still there afterwards
        HWND target = nullptr; // the window of the record when not `window`
    };
    const Case cases[] = {
        {"killed owner", file(endedPid, endedStart), true, false},
        {"hung owner", file(::GetProcessId(stalled.get()), StartOf(::GetProcessId(stalled.get()))),
         false, true},
        {"live second instance", file(beside.ProcessId(), StartOf(beside.ProcessId())), false,
         true},
        {"this instance",
         file(vantrel::HiddenJournal::SelfPid(), vantrel::HiddenJournal::SelfStart()), false, true},
        // The id now names a process that started after the owner: the owner is gone.
        {"reused process id", file(fixture.ProcessId(), StartOf(fixture.ProcessId()) - 1), true,
         false},
        // The handle value now names another window: not the one that was hidden.
        {"reused handle, other class", file(endedPid, endedStart, "X"), false, false},
        {"reused handle, other program", file(endedPid, endedStart, "", beside.ProcessId()), false,
         false},
        {"damaged file around a record",
         "\x01\xFF garbage\r\n-1 x\r\n\r\n0 0 0 0 zero\r\n" + file(endedPid, endedStart) +
             std::string(3000, '\xEE'),
         true, false},
        {"damaged file only", std::string("\0\0\xFF\r\n12 \r\n", 10), false, false},
        // Asked, the window shows only when its program wakes: the next start asks again.
        {"window of a hung program", file(endedPid, endedStart, "", 0, hung), true, true, hung},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HWND target = c.target != nullptr ? c.target : window;
        fixture.Show(window, SW_HIDE);
        fixture.Sync();
        ASSERT_FALSE(::IsWindowVisible(target));
        const vt::TempDir dir;
        const std::string path = dir.path() + "hidden.dat";
        std::ofstream(path, std::ios::binary) << c.file;
        vantrel::HiddenJournal journal;
        journal.SetPath(path, dir.path());
        const ULONGLONG before = ::GetTickCount64();
        const std::vector<HWND> shown = journal.RecoverOrphans();
        EXPECT_LT(::GetTickCount64() - before, 2000u) << "the start waited for an owner";
        fixture.Sync();
        EXPECT_EQ(shown == std::vector<HWND>{target}, c.shown);
        EXPECT_EQ(::IsWindowVisible(target) != FALSE, c.shown && target != hung);
        const std::vector<HiddenRecord> left = vantrel::ParseHiddenRecords(vt::FileText(path));
        EXPECT_EQ(left.size(), c.kept ? 1u : 0u);
        if (c.kept && left.size() == 1) {
            EXPECT_EQ(left[0].window, reinterpret_cast<ULONG_PTR>(target));
        }
    }
    fixture.Wake();
    EXPECT_TRUE(vt::WaitUntil([&] { return ::IsWindowVisible(hung) != FALSE; }))
        << "the hung program was not asked to show its window";
}

} // namespace
