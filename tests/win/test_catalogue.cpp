// The window list against real windows of other processes. A rebuild shares one process snapshot
// and one icon per executable between its rows: these tests also hold the shared lookups to what
// the system says of each window on its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/catalogue.h"
#include "platform/handles.h"
#include "platform/icon_reader.h"
#include "platform/process.h"
#include "platform/window_api.h"
#include "res/resource.h"
#include "support/fixture_client.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

using vantrel::Catalogue;
using vantrel::EnumerationMode;
using vantrel::WindowEntry;
using vantrel::WindowList;
using vantrel::platform::ExecutablePathOf;
using vantrel::platform::ProcessPathCache;

// No process has this id: ids are multiples of four.
constexpr DWORD kNoSuchProcess = 0xFFFFFFF1;

// The full path of the test program (whose executable has icons of its own) or of the fixture's
// (which has none, so its rows show the fallback picture).
std::string Exe(bool own) {
    return vt::TestBinFolder() + (own ? "vantrel_tests.exe" : "vt_fixture.exe");
}

std::vector<HWND> HandlesOf(const WindowList& rows) {
    return vt::ColumnOf(rows, &WindowEntry::handle);
}

// The image as the list view draws it, over two backgrounds, so that a difference in the mask
// or in how the alpha channel is used shows as well as one in the colours.
std::vector<COLORREF> PixelsOf(HIMAGELIST list, int index) {
    int cx = 0;
    int cy = 0;
    ::ImageList_GetIconSize(list, &cx, &cy);
    std::vector<COLORREF> pixels;
    for (const COLORREF background : {RGB(255, 0, 255), RGB(0, 160, 0)}) {
        if (index < 0 || index >= ::ImageList_GetImageCount(list)) {
            break;
        }
        const vt::Canvas canvas(cx, cy, background);
        ::ImageList_Draw(list, index, canvas.dc(), 0, 0, ILD_NORMAL);
        const std::vector<COLORREF> drawn = vt::Pixels(canvas);
        pixels.insert(pixels.end(), drawn.begin(), drawn.end());
    }
    return pixels;
}

// `count` windows of the fixture in class `cls`, made in batches each well within the fixture's
// time to answer on a busy machine, and one of this process's own, all listed from here on.
vt::OwnWindow FixtureAndOwnWindows(vt::Fixture& fixture, const std::string& cls, int count) {
    vt::WindowSpec spec = vt::Spec(cls);
    for (int made = 0; made < count; made += spec.count) {
        spec.count = std::min(20, count - made);
        fixture.Create(spec);
    }
    vt::OwnWindow own(cls + "Own", "Own");
    vt::PumpMessages();
    return own;
}

class CatalogueTest : public ::testing::Test {
protected:
    // The picture the row of a window of this executable must show, made without the catalogue.
    std::vector<COLORREF> ExpectedPixels(const std::string& path) {
        const vantrel::platform::UniqueIcon icon(
            vantrel::platform::ExtractFirstIcon(::GetModuleHandleA(nullptr), path));
        const int index = ::ImageList_AddIcon(expected_.get(), icon ? icon.get() : fallback_);
        return PixelsOf(expected_.get(), index);
    }

    // Every row shows its executable's picture, the same image as every other row of that
    // executable: at most one image per program, and one fallback for all programs without an icon.
    void ExpectImagesShared() {
        std::map<std::string, std::pair<int, std::vector<COLORREF>>> expected;
        for (int i = 0; i < rows_.Count(); ++i) {
            const WindowEntry& row = rows_.At(i);
            const auto [found, first] = expected.try_emplace(row.path);
            if (first) {
                found->second = {row.image, ExpectedPixels(row.path)};
            }
            EXPECT_EQ(row.image, found->second.first) << i << " " << row.path;
            // Empty for an image the list does not hold, which the expected picture never is.
            EXPECT_EQ(PixelsOf(catalogue_.Images(), row.image), found->second.second)
                << i << " " << row.path;
        }
        EXPECT_LE(::ImageList_GetImageCount(catalogue_.Images()),
                  static_cast<int>(expected.size()) + 1);
    }

    HICON fallback_ = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_WINDOW));
    WindowList rows_;
    Catalogue catalogue_{rows_, 11, ::GetModuleHandleA(nullptr), fallback_};
    vantrel::platform::UniqueImageList expected_{::ImageList_Create(::GetSystemMetrics(SM_CXSMICON),
                                                                    ::GetSystemMetrics(SM_CYSMICON),
                                                                    ILC_COLOR32 | ILC_MASK, 4, 4)};
    vt::Fixture fixture_;
};
class CatalogueCache : public CatalogueTest {};

TEST_F(CatalogueTest, ListsOnlyTheWindowsThatPassItsFilters) {
    const std::string base = vt::UniqueName("CatFilter");
    const std::string bar = "ApplicationFrameTitleBarWindow";
    const std::string sink = "ApplicationFrameInputSinkWindow";
    const std::string core = "Windows.UI.Core.CoreWindow";
    const DWORD shown = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    // Name, style, extended style, owner (an earlier row's name), child classes ({""}: one of the
    // fixture's default class), class (empty: one of its own), caption, whether it is listed.
    using Children = std::vector<std::string>;
    using Case = std::tuple<const char*, DWORD, DWORD, const char*, Children, std::string,
                            std::string, bool>;
    const Case cases[] = {
        {"hidden", WS_OVERLAPPEDWINDOW, 0, nullptr, {}, "", "", false},
        {"tool window", shown, WS_EX_TOOLWINDOW, nullptr, {}, "", "", false},
        {"visible owner", shown, 0, nullptr, {}, "", "", true},
        {"hidden owner", WS_OVERLAPPEDWINDOW, 0, nullptr, {}, "", "", false},
        {"tool owner", shown, WS_EX_TOOLWINDOW, nullptr, {}, "", "", false},
        {"app window, visible owner", shown, WS_EX_APPWINDOW, "visible owner", {}, "", "", false},
        {"app window, hidden owner", shown, WS_EX_APPWINDOW, "hidden owner", {}, "", "", true},
        {"app window, tool owner", shown, WS_EX_APPWINDOW, "tool owner", {}, "", "", true},
        {"plain window, hidden owner", shown, 0, "hidden owner", {}, "", "", false},
        {"empty application frame", shown, 0, nullptr, {bar, sink, sink}, "", "", false},
        {"frame with content", shown, 0, nullptr, {bar, sink, sink, base + "C"}, "", "", true},
        {"two-part application frame", shown, 0, nullptr, {bar, sink}, "", "", true},
        {"bare core window", shown, 0, nullptr, {}, core, "Core", false},
        {"core window with a child", shown, 0, nullptr, {""}, core, "Core", true},
        {"core window, marker caption", shown, 0, nullptr, {""}, core, "\xA2\xE3", false},
    };
    std::map<std::string, HWND> made;
    for (const auto& [name, style, exStyle, owner, children, cls, caption, listed] : cases) {
        vt::WindowSpec spec =
            vt::Spec(cls.empty() ? base + std::to_string(made.size()) : cls, caption, style);
        spec.exStyle = exStyle;
        spec.owner = owner != nullptr ? made.at(owner) : nullptr;
        spec.children = static_cast<int>(children.size());
        if (children != Children{""}) {
            spec.childClasses = children;
        }
        made[name] = fixture_.CreateOne(spec);
    }
    catalogue_.Rebuild();
    const int total = rows_.Count();
    for (const auto& [name, style, exStyle, owner, children, cls, caption, listed] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(rows_.Find(made.at(name)) >= 0, listed);
        // Add One runs the same filters as a rebuild.
        const int count = rows_.Count();
        catalogue_.AddOne(made.at(name));
        EXPECT_EQ(rows_.Count(), count + (listed ? 1 : 0));
    }

    // Rows by handle: the first row of a window is the one found, a rename reaches all of them,
    // and a rebuild starts the rows afresh, one each, the user's changes to them gone.
    const HWND window = made.at("visible owner"); // listed, and added once more
    const int first = rows_.Find(window);
    ASSERT_GE(first, 0);
    const int count = rows_.Count();
    catalogue_.AddOne(window);
    EXPECT_EQ(rows_.Find(window), first);
    EXPECT_EQ(rows_.At(count).handle, window);
    fixture_.SetText(window, "after");
    catalogue_.Rename(window);
    const std::vector<HWND> handles = HandlesOf(rows_);
    EXPECT_EQ(std::count(handles.begin(), handles.end(), window), 3);
    for (int row = 0; row <= count; ++row) {
        EXPECT_TRUE(handles[row] != window || rows_.At(row).caption == "after") << row;
    }
    catalogue_.Remove(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFF0000))); // no window
    EXPECT_EQ(HandlesOf(rows_), handles);
    rows_.At(first).transparency = 40;
    rows_.At(first).autoRefreshInclusion = 0;
    catalogue_.Rebuild();
    const int again = rows_.Find(window);
    ASSERT_GE(again, 0);
    EXPECT_EQ(rows_.Count(), total);
    EXPECT_EQ(rows_.At(again).transparency, 0);
    EXPECT_EQ(rows_.At(again).autoRefreshInclusion, 1);
    catalogue_.Remove(window);
    EXPECT_EQ(rows_.Count(), total - 1);
    EXPECT_EQ(rows_.Find(window), -1);
}

// A pass in slices lists the windows on another thread; the notices that come meanwhile are
// the pass's own: a window added then has one row, a window removed then stays out.
TEST_F(CatalogueTest, NoticesWhileAPassListsTheWindowsLeaveOneRowEach) {
    vt::WindowSpec spec = vt::Spec(vt::UniqueName("CatListing"));
    spec.count = 3;
    const auto windows = fixture_.Create(spec);
    std::promise<std::vector<HWND>> listing;
    int waits = 0;
    vantrel::CatalogueServices services;
    services.passWaiting = [&](bool) { ++waits; };
    services.listWindows = [&] { return listing.get_future(); };
    catalogue_.SetServices(std::move(services));

    catalogue_.RequestRebuild();
    catalogue_.AddOne(windows[0]);
    catalogue_.Remove(windows[1]);
    const int waitsBefore = waits;
    catalogue_.ContinuePass();
    EXPECT_TRUE(catalogue_.PassRunning());
    EXPECT_GT(waits, waitsBefore); // it asks to be called again, and examined nothing yet

    listing.set_value(vantrel::platform::TopLevelWindows());
    for (int slices = 0; catalogue_.PassRunning() && slices < 1000; ++slices) {
        catalogue_.ContinuePass();
    }
    ASSERT_FALSE(catalogue_.PassRunning());
    const std::vector<HWND> handles = HandlesOf(rows_);
    const char* names[] = {"added", "removed", "untouched"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::count(handles.begin(), handles.end(), windows[i]), i == 1 ? 0 : 1)
            << names[i];
    }
}

// The rows follow the windows' order on the screen, front to back, as it stands at each rebuild.
TEST_F(CatalogueTest, RowsFollowTheWindowOrderOfTheMoment) {
    vt::WindowSpec spec = vt::Spec(vt::UniqueName("CatOrder"));
    spec.count = 3;
    const std::vector<HWND> made = fixture_.Create(spec);
    ASSERT_EQ(made.size(), 3u);
    auto ours = [&](const std::vector<HWND>& windows) {
        std::vector<HWND> order;
        std::copy_if(windows.begin(), windows.end(), std::back_inserter(order),
                     [&](HWND w) { return std::find(made.begin(), made.end(), w) != made.end(); });
        return order;
    };
    for (HWND front : {made[0], made[2], made[1]}) {
        ::SetWindowPos(front, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // Windows just made may still be moving in the order: a rebuild counts once the order
        // stood still around it.
        std::vector<HWND> screen;
        std::vector<HWND> rows;
        ASSERT_TRUE(vt::WaitUntil([&] {
            screen = ours(vantrel::platform::TopLevelWindows());
            catalogue_.Rebuild();
            rows = HandlesOf(rows_);
            return screen == ours(vantrel::platform::TopLevelWindows()) && screen.front() == front;
        }));
        EXPECT_EQ(ours(rows), screen);
    }
}

// A pass's lookups share one snapshot and give what a lookup of its own gives; processes that end
// or start after the snapshot are looked up afresh, and those that run on keep their paths from
// pass to pass, with no snapshot taken for them.
TEST(ProcessPathCache, OneSnapshotAPassUntilProcessesEndOrStartAndPathsKeptWhileTheyRun) {
    vt::Fixture stays;
    vt::Fixture endsLater;
    vt::Fixture ends;
    vt::Fixture unseen;
    auto doomed = std::make_unique<vt::Fixture>();
    const DWORD doomedPid = doomed->ProcessId();
    // Full paths come by the module route from version code 7 on, file names before.
    EXPECT_TRUE(vantrel::UsesModulePaths(7));
    EXPECT_FALSE(vantrel::UsesModulePaths(6));
    {
        ProcessPathCache names(false);
        for (const DWORD pid : {stays.ProcessId(), ::GetCurrentProcessId()}) {
            EXPECT_EQ(names.PathOf(pid), ExecutablePathOf(pid, false));
            EXPECT_EQ(names.PathOf(pid),
                      pid == stays.ProcessId() ? "vt_fixture.exe" : "vantrel_tests.exe");
        }
        EXPECT_EQ(names.Snapshots(), 1);
    }
    ProcessPathCache cache(true);
    EXPECT_EQ(cache.Snapshots(), 0); // nothing is read before it is asked for
    const auto pathOf = [&](DWORD pid) { return cache.PathOf(pid).value_or("(none)"); };
    const auto expectGone = [&](DWORD pid, const char* which) {
        EXPECT_EQ(pathOf(pid), "(none)") << which;
        EXPECT_EQ(pathOf(pid), "(none)") << which << ", asked again";
        EXPECT_FALSE(ExecutablePathOf(pid, true).has_value()) << which;
    };
    cache.BeginPass();
    for (const vt::Fixture* f : {&stays, &endsLater, &ends, &unseen}) {
        EXPECT_EQ(pathOf(f->ProcessId()), Exe(false)); // from the one snapshot taken here
    }
    EXPECT_EQ(cache.PathOf(::GetCurrentProcessId()),
              ExecutablePathOf(::GetCurrentProcessId(), true));
    EXPECT_EQ(pathOf(::GetCurrentProcessId()), Exe(true));
    ASSERT_EQ(cache.Snapshots(), 1);
    // An unknown id is asked about afresh once, then remembered.
    expectGone(kNoSuchProcess, "no such process");
    EXPECT_EQ(cache.Snapshots(), 2);

    // Gone entirely between the snapshot and its first lookup: nobody holds it any more.
    doomed->Kill();
    doomed.reset();
    expectGone(doomedPid, "gone before its lookup");
    // Ended after its path was found, while a handle keeps the process object alive.
    endsLater.Kill();
    expectGone(endsLater.ProcessId(), "ended after its lookup");
    // Started after the snapshot: not in it, but running, so it has a path.
    vt::Fixture newcomer;
    EXPECT_EQ(pathOf(newcomer.ProcessId()), Exe(false));
    // The processes that did not change kept their place in the shared snapshot.
    EXPECT_EQ(pathOf(stays.ProcessId()), Exe(false));

    // Nothing has changed since: the next pass needs no snapshot at all.
    const int taken = cache.Snapshots();
    cache.BeginPass();
    EXPECT_EQ(pathOf(stays.ProcessId()), Exe(false));
    EXPECT_EQ(pathOf(ends.ProcessId()), Exe(false));
    EXPECT_EQ(cache.Snapshots(), taken);
    cache.ForgetUnseen(); // `unseen` was not looked up in this pass

    // A forgotten process is worked out again, which takes a snapshot.
    cache.BeginPass();
    EXPECT_EQ(pathOf(unseen.ProcessId()), Exe(false));
    EXPECT_EQ(cache.Snapshots(), taken + 1);

    ends.Kill();
    cache.BeginPass();
    expectGone(ends.ProcessId(), "ended between passes");
    EXPECT_EQ(pathOf(stays.ProcessId()), Exe(false));
    EXPECT_EQ(cache.Snapshots(), taken + 2); // one for the ended process, none for the others
}

// Every row holds what a lookup of its own finds for its window.
TEST_F(CatalogueCache, ARebuildMakesEveryRowAsOneLookupForItsWindowWouldWithOneImagePerProgram) {
    const std::string base = vt::UniqueName("CatCache");
    struct Case {
        const char* name;
        std::string className;
        std::string caption;
        std::string shown; // the caption in the row
        bool own;          // a window of this process, else two of a fixture's
    };
    const Case cases[] = {
        {"titled", base + "F", "Plain window", "Plain window", false},
        {"untitled", base + "E", "", "", false},
        {"longest class, overlong caption", base + std::string(254 - base.size(), 'x'),
         std::string(1500, 'c'), std::string(1000, 'c'), false},
        {"own A", base + "Own", "Own A", "Own A", true},
        {"own B", base + "Own", "Own B", "Own B", true},
    };
    std::vector<vt::OwnWindow> owned;
    std::map<HWND, const Case*> made;
    for (const Case& c : cases) {
        if (c.own) {
            owned.emplace_back(c.className, c.caption);
            made[owned.back().get()] = &c;
            continue;
        }
        vt::WindowSpec spec = vt::Spec(c.className, c.caption);
        spec.count = 2; // two windows sharing one process and one path
        for (HWND window : fixture_.Create(spec)) {
            made[window] = &c;
        }
    }
    // A long list: one image per program, not per window, however many windows it has.
    const vt::OwnWindow own = FixtureAndOwnWindows(fixture_, base + "Long", 140);
    ASSERT_TRUE(own);
    catalogue_.Rebuild();
    for (const auto& [window, c] : made) {
        const int row = rows_.Find(window);
        ASSERT_GE(row, 0) << c->name;
        const WindowEntry& a = rows_.At(row);
        // The full path comes from the module snapshot, not just the file name.
        EXPECT_EQ(std::tie(a.className, a.caption, a.autoAction, a.autoZOrder, a.transparency,
                           a.autoRefreshInclusion, a.processId, a.path),
                  std::make_tuple(c->className, c->shown, std::string("Default"),
                                  std::string("Default"), 0, 1,
                                  vantrel::platform::ProcessIdOf(a.handle), Exe(c->own)))
            << c->name;
    }
    ASSERT_GE(rows_.Count(), 149);
    ExpectImagesShared();
    // The program's own icon and the fallback differ, so the rows above really tell them apart.
    EXPECT_NE(ExpectedPixels(Exe(true)), ExpectedPixels(Exe(false)));
}

// A process that ends after the rebuild's snapshot leaves no rows, and windows that are gone are
// skipped quietly; a process started after the rebuild is found by Add One.
TEST_F(CatalogueCache, ProcessesEndingDuringARebuildLeaveNoRowsAndOnesStartedSinceAreAdded) {
    const std::string base = vt::UniqueName("CatEnd");
    vt::Fixture doomed;
    vt::WindowSpec spec = vt::Spec(base + "Doomed");
    spec.count = 2;
    const std::vector<HWND> doomedWindows = doomed.Create(spec);
    // Made later, so above the doomed ones in z order and listed before them.
    spec.className = base + "Survivor";
    std::vector<HWND> ours = fixture_.Create(spec);

    vantrel::CatalogueServices services;
    std::vector<HWND> applied;
    services.applyRule = [&](HWND window) {
        applied.push_back(window);
        if (!doomed.HasExited() && vantrel::platform::ClassNameOf(window) == spec.className) {
            doomed.Kill(); // after the snapshot, before the doomed windows are reached
        }
    };
    catalogue_.SetServices(services);
    catalogue_.Rebuild();
    catalogue_.SetServices({});
    EXPECT_TRUE(doomed.HasExited());
    for (HWND window : doomedWindows) {
        EXPECT_EQ(rows_.Find(window), -1);
        EXPECT_FALSE(catalogue_.Examine(window, EnumerationMode::List));
    }
    EXPECT_EQ(applied, HandlesOf(rows_));

    const int before = rows_.Count();
    vt::Fixture late;
    spec.className = base + "Late";
    spec.count = 5;
    const std::vector<HWND> lateWindows = late.Create(spec);
    for (HWND window : lateWindows) {
        catalogue_.AddOne(window);
    }
    const std::vector<HWND> handles = HandlesOf(rows_);
    EXPECT_EQ(std::vector<HWND>(handles.begin() + before, handles.end()), lateWindows);
    ours.insert(ours.end(), lateWindows.begin(), lateWindows.end());
    for (HWND window : ours) {
        const int row = rows_.Find(window);
        ASSERT_GE(row, 0);
        EXPECT_EQ(rows_.At(row).path, Exe(false));
    }
    // However many windows a program adds, they share the picture the rebuild made for it.
    ExpectImagesShared();
}

// Set by the probe window's procedure: the rows the rebuild had made when the message sent to
// it was answered, and the list changes it asked for from there.
struct ProbeState {
    Catalogue* catalogue = nullptr;
    HWND addOne = nullptr;
    int rowsMade = 0;
    int rowsWhenAnswered = -1;
} g_probe;

LRESULT CALLBACK ProbeProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) {
        g_probe.rowsWhenAnswered = g_probe.rowsMade;
        g_probe.catalogue->AddOne(g_probe.addOne);
        g_probe.catalogue->Rebuild();
        g_probe.catalogue->AddOne(g_probe.addOne);
        // Told of as new while the rebuild had not listed it yet, and listed by the time it runs.
        g_probe.catalogue->AddNew(g_probe.addOne);
        return 1;
    }
    return ::DefWindowProcA(window, msg, wParam, lParam);
}

// Rule application can wait on another process, and a message sent to the program in the
// meantime may add a row, or rebuild the whole list, while the rebuild is half done.
TEST_F(CatalogueCache, ARebuildAnswersSentMessagesOnItsWayAndCarriesOutTheirChangesAfter) {
    const vt::OwnWindow own = FixtureAndOwnWindows(fixture_, vt::UniqueName("CatAnswer"),
                                                   3 * Catalogue::kWindowsBetweenAnswers);
    ASSERT_TRUE(own);
    const vt::OwnWindow probe(vt::UniqueName("CatProbe"), "", &ProbeProc, 0, HWND_MESSAGE);
    ASSERT_TRUE(probe);
    catalogue_.Rebuild();
    const std::vector<HWND> plain = HandlesOf(rows_);
    const int rebuildsBefore = catalogue_.Rebuilds();

    g_probe = ProbeState{&catalogue_, own.get(), 0, -1};
    LRESULT answer = 0;
    std::thread sender;
    vantrel::CatalogueServices services;
    services.applyRule = [&](HWND) {
        if (++g_probe.rowsMade != 1) {
            return;
        }
        sender = std::thread([&] {
            DWORD_PTR result = 0;
            if (::SendMessageTimeoutA(probe.get(), WM_APP, 0, 0, SMTO_NORMAL, 5000, &result)) {
                answer = static_cast<LRESULT>(result);
            }
        });
        // The rebuild goes on only once the message waits in this thread's queue, not handled.
        vt::WaitUntil([] { return HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) != 0; }, 5000, [] {});
    };
    catalogue_.SetServices(services);
    catalogue_.Rebuild();
    sender.join();
    catalogue_.SetServices({});
    EXPECT_EQ(answer, 1);
    // Answered within a few windows of the row that was being made when it came, long before
    // the end.
    EXPECT_GE(g_probe.rowsWhenAnswered, 1);
    EXPECT_LE(g_probe.rowsWhenAnswered, Catalogue::kWindowsBetweenAnswers);
    // The changes asked for were made after the rebuild, in order: the first row added went
    // with the second rebuild, which made the rows a rebuild makes, then the last was added, and
    // the window told of as new was not added again.
    EXPECT_EQ(catalogue_.Rebuilds(), rebuildsBefore + 2);
    std::vector<HWND> after = HandlesOf(rows_);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.back(), own.get());
    after.pop_back();
    // As sets: on a loaded machine the window server can still be settling the order of the
    // windows just made, and what is checked here is which rows the changes made, not their order.
    std::sort(after.begin(), after.end());
    std::vector<HWND> sorted = plain;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(after, sorted);
    ExpectImagesShared();
}

// An executable whose icon takes as long as a lost network share: the rows are listed with the
// fallback picture meanwhile, the icon arrives later, and no rebuild reads it again.
TEST_F(CatalogueCache, AnIconReadOffTheListsThreadNeverHoldsARebuildAndIsReadOnce) {
    const vt::OwnWindow own(vt::UniqueName("CatSlow"), "Slow share");
    vantrel::platform::UniqueHandle released(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> ownReads{0};
    std::atomic<bool> waiting{false};
    vantrel::CatalogueServices services;
    services.readIcon = [&](const std::string& path) -> HICON {
        if (path == Exe(true)) {
            ++ownReads;
            ::WaitForSingleObject(released.get(), 60000);
        }
        return vantrel::platform::ExtractFirstIcon(::GetModuleHandleA(nullptr), path);
    };
    services.iconsWaiting = [&] { waiting = true; };
    catalogue_.SetServices(services);

    catalogue_.Rebuild(); // returns although the read of its own icon is held
    const int row = rows_.Find(own.get());
    ASSERT_GE(row, 0);
    const int image = rows_.At(row).image;
    EXPECT_EQ(PixelsOf(catalogue_.Images(), image), ExpectedPixels(Exe(false))); // the fallback
    ::SetEvent(released.get());
    ASSERT_TRUE(vt::WaitUntil([&] { return waiting.load(); }));
    ASSERT_TRUE(vt::WaitUntil([&] { return catalogue_.TakeIcons(); }));
    EXPECT_EQ(PixelsOf(catalogue_.Images(), image), ExpectedPixels(Exe(true)));
    catalogue_.Rebuild();
    EXPECT_EQ(rows_.At(rows_.Find(own.get())).image, image);
    EXPECT_EQ(ownReads.load(), 1);
}

} // namespace
