// A rebuild shares one process snapshot and one icon per executable between its rows. These
// tests hold the shared lookups to the answers a lookup of its own gives for each window.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/catalogue.h"
#include "platform/gdi.h"
#include "platform/handles.h"
#include "platform/process.h"
#include "platform/window_api.h"
#include "res/resource.h"
#include "support/fixture_client.h"
#include "support/wait.h"

namespace {

using vantrel::Catalogue;
using vantrel::EnumerationMode;
using vantrel::WindowEntry;
using vantrel::WindowList;
using vantrel::platform::ExecutablePathOf;
using vantrel::platform::ProcessPathCache;
using vantrel::platform::UniqueGdiObject;
using vantrel::platform::UniqueIcon;
using vantrel::platform::UniqueImageList;
using vantrel::platform::UniqueWindow;

// No process has this id: ids are multiples of four.
constexpr DWORD kNoSuchProcess = 0xFFFFFFF1;

// The image as the list view draws it, over two backgrounds, so that a difference in the mask
// or in how the alpha channel is used shows as well as one in the colours.
std::vector<DWORD> PixelsOf(HIMAGELIST list, int index) {
    int cx = 0;
    int cy = 0;
    ::ImageList_GetIconSize(list, &cx, &cy);
    if (index < 0 || index >= ::ImageList_GetImageCount(list)) {
        return {};
    }
    std::vector<DWORD> pixels;
    for (const COLORREF background : {RGB(255, 0, 255), RGB(0, 160, 0)}) {
        void* bits = nullptr;
        const UniqueGdiObject bitmap(vantrel::platform::CreateDib32(nullptr, cx, cy, &bits));
        if (!bitmap) {
            ADD_FAILURE() << "no picture of " << cx << " x " << cy;
            return {};
        }
        const UniqueGdiObject brush(::CreateSolidBrush(background));
        {
            const vantrel::platform::ScratchDc dc(nullptr);
            const HGDIOBJ old = ::SelectObject(dc.get(), bitmap.get());
            const RECT all{0, 0, cx, cy};
            ::FillRect(dc.get(), &all, static_cast<HBRUSH>(brush.get()));
            ::ImageList_Draw(list, index, dc.get(), 0, 0, ILD_NORMAL);
            ::GdiFlush();
            ::SelectObject(dc.get(), old);
        }
        const auto* first = static_cast<const DWORD*>(bits);
        pixels.insert(pixels.end(), first, first + cx * cy);
    }
    return pixels;
}

// A visible top-level window of this very process, whose executable has icons of its own (the
// fixture's has none, so its rows show the fallback picture).
// With another procedure and HWND_MESSAGE as parent, a message-only window of a class of its own.
UniqueWindow OwnWindow(const std::string& cls, const std::string& caption,
                       WNDPROC proc = &::DefWindowProcA, HWND parent = nullptr) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = cls.c_str();
    ::RegisterClassExA(&wc);
    return UniqueWindow(::CreateWindowExA(
        0, cls.c_str(), caption.c_str(), parent ? 0 : WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
        150, parent, nullptr, ::GetModuleHandleA(nullptr), nullptr));
}

// `count` windows of the fixture in class `cls`, made in batches each well within the fixture's
// time to answer on a busy machine, and one of this process's own, all listed from here on.
UniqueWindow FixtureAndOwnWindows(vt::Fixture& fixture, const std::string& cls, int count) {
    vt::WindowSpec spec;
    spec.className = cls;
    for (int made = 0; made < count; made += spec.count) {
        spec.count = std::min(20, count - made);
        fixture.Create(spec);
    }
    UniqueWindow own = OwnWindow(cls + "Own", "Own");
    vt::PumpMessages();
    return own;
}

std::vector<HWND> HandlesOf(const WindowList& rows) {
    std::vector<HWND> handles;
    for (const WindowEntry& row : rows.Rows()) {
        handles.push_back(row.handle);
    }
    return handles;
}

TEST(ProcessPathCache, GivesEveryProcessThePathOfItsOwnLookupFromOneSnapshot) {
    vt::Fixture first;
    vt::Fixture second;
    const std::vector<DWORD> live = {first.ProcessId(), second.ProcessId(),
                                     ::GetCurrentProcessId()};
    for (const bool full : {true, false}) {
        ProcessPathCache cache(full);
        EXPECT_EQ(cache.Snapshots(), 0); // nothing is read before it is asked for
        for (int round = 0; round < 2; ++round) {
            for (const DWORD pid : live) {
                const auto cached = cache.PathOf(pid);
                ASSERT_TRUE(cached.has_value());
                EXPECT_EQ(*cached, ExecutablePathOf(pid, full).value_or("(none)"));
            }
        }
        EXPECT_EQ(cache.Snapshots(), 1);
        if (full) {
            EXPECT_EQ(*cache.PathOf(first.ProcessId()), vt::TestBinFolder() + "vt_fixture.exe");
            EXPECT_EQ(*cache.PathOf(::GetCurrentProcessId()),
                      vt::TestBinFolder() + "vantrel_tests.exe");
        } else {
            EXPECT_EQ(*cache.PathOf(second.ProcessId()), "vt_fixture.exe");
        }
        // An unknown id is asked about afresh once, then remembered.
        EXPECT_FALSE(cache.PathOf(kNoSuchProcess).has_value());
        EXPECT_FALSE(cache.PathOf(kNoSuchProcess).has_value());
        EXPECT_EQ(cache.Snapshots(), 2);
    }
}

TEST(ProcessPathCache, ProcessesThatEndOrStartAfterTheSnapshotAreLookedUpAfresh) {
    vt::Fixture witness;
    auto doomed = std::make_unique<vt::Fixture>();
    vt::Fixture endsLater;
    const DWORD doomedPid = doomed->ProcessId();
    ProcessPathCache cache(true);
    ASSERT_TRUE(cache.PathOf(witness.ProcessId()).has_value()); // the snapshot is taken here
    ASSERT_TRUE(cache.PathOf(endsLater.ProcessId()).has_value());

    // Gone entirely between the snapshot and its first lookup: nobody holds it any more.
    doomed->Kill();
    doomed.reset();
    EXPECT_FALSE(cache.PathOf(doomedPid).has_value());
    EXPECT_FALSE(ExecutablePathOf(doomedPid, true).has_value());

    // Ended after its path was found, while a handle keeps the process object alive.
    endsLater.Kill();
    EXPECT_FALSE(cache.PathOf(endsLater.ProcessId()).has_value());
    EXPECT_FALSE(ExecutablePathOf(endsLater.ProcessId(), true).has_value());

    // Started after the snapshot: not in it, but running, so it has a path.
    vt::Fixture newcomer;
    const auto path = cache.PathOf(newcomer.ProcessId());
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, vt::TestBinFolder() + "vt_fixture.exe");
    // The processes that did not change kept their place in the shared snapshot.
    EXPECT_EQ(*cache.PathOf(witness.ProcessId()), vt::TestBinFolder() + "vt_fixture.exe");
}

TEST(ProcessPathCache, RunningProcessesKeepTheirPathsFromPassToPass) {
    vt::Fixture stays;
    vt::Fixture ends;
    vt::Fixture unseen;
    const std::string fixturePath = vt::TestBinFolder() + "vt_fixture.exe";
    ProcessPathCache cache(true);
    cache.BeginPass();
    for (const DWORD pid : {stays.ProcessId(), ends.ProcessId(), unseen.ProcessId()}) {
        EXPECT_EQ(cache.PathOf(pid).value_or("(none)"), fixturePath);
    }
    ASSERT_EQ(cache.Snapshots(), 1);

    // Nothing has changed: the next pass needs no snapshot at all.
    cache.BeginPass();
    EXPECT_EQ(cache.PathOf(stays.ProcessId()).value_or("(none)"), fixturePath);
    EXPECT_EQ(cache.PathOf(ends.ProcessId()).value_or("(none)"), fixturePath);
    EXPECT_EQ(cache.Snapshots(), 1);
    cache.ForgetUnseen(); // `unseen` was not looked up in this pass

    // A forgotten process is worked out again, which takes a snapshot.
    cache.BeginPass();
    EXPECT_EQ(cache.PathOf(unseen.ProcessId()).value_or("(none)"), fixturePath);
    EXPECT_EQ(cache.Snapshots(), 2);

    ends.Kill();
    cache.BeginPass();
    EXPECT_FALSE(cache.PathOf(ends.ProcessId()).has_value());
    EXPECT_FALSE(cache.PathOf(ends.ProcessId()).has_value());
    EXPECT_FALSE(ExecutablePathOf(ends.ProcessId(), true).has_value());
    EXPECT_EQ(cache.PathOf(stays.ProcessId()).value_or("(none)"), fixturePath);
    EXPECT_EQ(cache.Snapshots(), 3); // one for the ended process, none for the others
}

class CatalogueCache : public ::testing::Test {
protected:
    CatalogueCache()
        : fallback_(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_WINDOW))),
          catalogue_(rows_, 11, ::GetModuleHandleA(nullptr), fallback_) {}

    // The rows of these windows, in list order.
    static std::vector<WindowEntry> RowsOf(const WindowList& rows, const std::set<HWND>& windows) {
        std::vector<WindowEntry> found;
        for (const WindowEntry& row : rows.Rows()) {
            if (windows.count(row.handle) != 0) {
                found.push_back(row);
            }
        }
        return found;
    }

    // The picture the row of a window of this executable must show, made without the catalogue.
    std::vector<DWORD> ExpectedPixels(const std::string& path) {
        if (!expected_) {
            expected_.reset(::ImageList_Create(::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON),
                                               ILC_COLOR32 | ILC_MASK, 4, 4));
        }
        UniqueIcon icon(::ExtractIconA(::GetModuleHandleA(nullptr), path.c_str(), 0));
        const bool own = icon && reinterpret_cast<ULONG_PTR>(icon.get()) > 1;
        if (!own) {
            icon.release();
        }
        const int index = ::ImageList_AddIcon(expected_.get(), own ? icon.get() : fallback_);
        return PixelsOf(expected_.get(), index);
    }

    // Every row shows its executable's picture; returns how many executables the rows name.
    std::size_t ExpectEveryRowShowsItsPicture() {
        std::map<std::string, std::vector<DWORD>> expected;
        for (int i = 0; i < rows_.Count(); ++i) {
            const WindowEntry& row = rows_.At(i);
            auto found = expected.find(row.path);
            if (found == expected.end()) {
                found = expected.emplace(row.path, ExpectedPixels(row.path)).first;
            }
            EXPECT_LT(row.image, ::ImageList_GetImageCount(catalogue_.Images())) << i;
            EXPECT_EQ(PixelsOf(catalogue_.Images(), row.image), found->second)
                << i << " " << row.path;
        }
        return expected.size();
    }

    HICON fallback_;
    WindowList rows_;
    Catalogue catalogue_;
    UniqueImageList expected_;
};

TEST_F(CatalogueCache, RebuildMakesTheRowsThatOneLookupPerWindowMakes) {
    std::vector<std::unique_ptr<vt::Fixture>> fixtures;
    std::set<HWND> windows;
    const std::string base = vt::UniqueName("CatCache");
    for (int i = 0; i < 3; ++i) {
        fixtures.push_back(std::make_unique<vt::Fixture>());
        vt::WindowSpec spec;
        spec.className = base + "F" + std::to_string(i);
        spec.caption = "Fixture " + std::to_string(i);
        spec.count = 2; // two windows sharing one process and one path
        for (HWND window : fixtures.back()->Create(spec)) {
            windows.insert(window);
        }
    }
    const UniqueWindow ownA = OwnWindow(base + "Own", "Own A");
    const UniqueWindow ownB = OwnWindow(base + "Own", "Own B");
    ASSERT_TRUE(ownA && ownB);
    windows.insert(ownA.get());
    windows.insert(ownB.get());
    vt::PumpMessages();

    catalogue_.Rebuild();
    const std::vector<WindowEntry> shared = RowsOf(rows_, windows);
    ASSERT_EQ(shared.size(), 8u);

    // The same windows, each examined on its own with lookups of its own.
    WindowList singleRows;
    Catalogue single(singleRows, 11, ::GetModuleHandleA(nullptr), fallback_);
    for (HWND window : vantrel::platform::TopLevelWindows()) {
        single.Examine(window, EnumerationMode::List);
    }
    const std::vector<WindowEntry> alone = RowsOf(singleRows, windows);
    ASSERT_EQ(alone.size(), shared.size());

    std::map<std::string, int> rowsPerPath;
    std::map<std::string, std::set<int>> imagesPerPath;
    for (size_t i = 0; i < shared.size(); ++i) {
        const WindowEntry& a = shared[i];
        const WindowEntry& b = alone[i];
        const auto fields = [](const WindowEntry& e) {
            return std::tie(e.handle, e.caption, e.className, e.autoAction, e.autoZOrder, e.path,
                            e.transparency, e.autoRefreshInclusion);
        };
        EXPECT_EQ(fields(a), fields(b));
        const DWORD pid = vantrel::platform::ProcessIdOf(a.handle);
        EXPECT_EQ(a.path,
                  vt::TestBinFolder() +
                      (pid == ::GetCurrentProcessId() ? "vantrel_tests.exe" : "vt_fixture.exe"));
        ++rowsPerPath[a.path];

        // The rows of one executable share its image, and it is that executable's picture.
        imagesPerPath[a.path].insert(a.image);
        const std::vector<DWORD> pixels = PixelsOf(catalogue_.Images(), a.image);
        ASSERT_FALSE(pixels.empty());
        EXPECT_EQ(pixels, PixelsOf(single.Images(), b.image));
        EXPECT_EQ(pixels, ExpectedPixels(a.path)) << a.path;
    }
    EXPECT_EQ(rowsPerPath[vt::TestBinFolder() + "vt_fixture.exe"], 6);
    EXPECT_EQ(rowsPerPath[vt::TestBinFolder() + "vantrel_tests.exe"], 2);
    for (const auto& [path, images] : imagesPerPath) {
        EXPECT_EQ(images.size(), 1u) << path;
    }
    // The program's own icon and the fallback differ, so the rows above really tell them apart.
    EXPECT_NE(ExpectedPixels(vt::TestBinFolder() + "vantrel_tests.exe"),
              ExpectedPixels(vt::TestBinFolder() + "vt_fixture.exe"));
}

TEST_F(CatalogueCache, LongListsHoldOneImagePerProgramAndShowEveryRowsPicture) {
    vt::Fixture fixture;
    const UniqueWindow own = FixtureAndOwnWindows(fixture, vt::UniqueName("CatLong"), 140);
    ASSERT_TRUE(own);

    catalogue_.Rebuild();
    ASSERT_GE(rows_.Count(), 141);
    const std::size_t programs = ExpectEveryRowShowsItsPicture();
    // Not one image per window: at most one per program, and one fallback for all programs
    // without an icon.
    EXPECT_LE(::ImageList_GetImageCount(catalogue_.Images()), static_cast<int>(programs) + 1);
}

TEST_F(CatalogueCache, RowsMadeFromInsideARebuildKeepTheirPictures) {
    // Rule application can wait on another process, and a message sent to the program in the
    // meantime may add a row, or rebuild the whole list, while the rebuild is half done.
    vt::Fixture fixture;
    const std::string cls = vt::UniqueName("CatNested");
    const UniqueWindow own = FixtureAndOwnWindows(fixture, cls, 3);
    ASSERT_TRUE(own);

    for (const bool innerRebuild : {false, true}) {
        SCOPED_TRACE(innerRebuild ? "rebuild inside" : "add one inside");
        bool nested = false;
        vantrel::CatalogueServices services;
        services.applyRule = [&](HWND window) {
            if (!nested && vantrel::platform::ClassNameOf(window) == cls) {
                nested = true;
                if (innerRebuild) {
                    catalogue_.Rebuild();
                } else {
                    catalogue_.AddOne(own.get());
                }
            }
        };
        catalogue_.SetServices(services);
        catalogue_.Rebuild();
        ASSERT_TRUE(nested);
        ExpectEveryRowShowsItsPicture();
        const std::vector<HWND> handles = HandlesOf(rows_);
        // Asked for from inside, both are carried out once the rebuild is over: the added row
        // comes after the rebuild's own row of the window, and the second rebuild replaces
        // every row, so own is listed once.
        EXPECT_EQ(std::count(handles.begin(), handles.end(), own.get()), innerRebuild ? 1 : 2);
        catalogue_.SetServices({});
    }
}

TEST_F(CatalogueCache, AProcessThatEndsDuringTheRebuildLeavesNoRows) {
    const std::string base = vt::UniqueName("CatEnd");
    vt::Fixture doomed;
    vt::WindowSpec spec;
    spec.className = base + "Doomed";
    spec.count = 2;
    const std::vector<HWND> doomedWindows = doomed.Create(spec);
    // Made later, so above the doomed ones in z order and listed before them.
    vt::Fixture survivor;
    spec.className = base + "Survivor";
    const std::vector<HWND> survivorWindows = survivor.Create(spec);

    vantrel::CatalogueServices services;
    int applied = 0;
    services.applyRule = [&](HWND window) {
        ++applied;
        if (!doomed.HasExited() && vantrel::platform::ClassNameOf(window) == base + "Survivor") {
            doomed.Kill(); // after the snapshot, before the doomed windows are reached
        }
    };
    catalogue_.SetServices(services);
    catalogue_.Rebuild();
    EXPECT_TRUE(doomed.HasExited());
    for (HWND window : doomedWindows) {
        EXPECT_EQ(rows_.Find(window), -1);
    }
    for (HWND window : survivorWindows) {
        const int row = rows_.Find(window);
        ASSERT_GE(row, 0);
        EXPECT_EQ(rows_.At(row).path, vt::TestBinFolder() + "vt_fixture.exe");
    }
    EXPECT_EQ(applied, rows_.Count()); // every row made had its rule applied, once
}

TEST_F(CatalogueCache, AddOneAfterARebuildSeesAProcessStartedSince) {
    catalogue_.Rebuild();
    const int before = rows_.Count();
    const int images = ::ImageList_GetImageCount(catalogue_.Images());
    vt::Fixture late;
    vt::WindowSpec spec;
    spec.className = vt::UniqueName("CatLate");
    const HWND window = late.CreateOne(spec);
    catalogue_.AddOne(window);
    ASSERT_EQ(rows_.Count(), before + 1);
    EXPECT_EQ(rows_.At(before).handle, window);
    EXPECT_EQ(rows_.At(before).path, vt::TestBinFolder() + "vt_fixture.exe");
    // At most one new image, however many windows of the program follow: none when the
    // rebuild already had this program's picture.
    spec.count = 4;
    for (HWND more : late.Create(spec)) {
        catalogue_.AddOne(more);
        EXPECT_EQ(rows_.At(rows_.Find(more)).image, rows_.At(before).image);
    }
    EXPECT_EQ(rows_.Count(), before + 5);
    EXPECT_LE(::ImageList_GetImageCount(catalogue_.Images()), images + 1);
    EXPECT_EQ(PixelsOf(catalogue_.Images(), rows_.At(before).image),
              ExpectedPixels(rows_.At(before).path));
}

// Set by the probe window's procedure: the rows the rebuild had made when the message sent to
// it was answered, and the list changes it asked for from there.
struct ProbeState {
    Catalogue* catalogue = nullptr;
    HWND addOne = nullptr;
    int rowsMade = 0;
    int rowsWhenAnswered = -1;
};
ProbeState g_probe;

LRESULT CALLBACK ProbeProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) {
        g_probe.rowsWhenAnswered = g_probe.rowsMade;
        g_probe.catalogue->AddOne(g_probe.addOne);
        g_probe.catalogue->Rebuild();
        g_probe.catalogue->AddOne(g_probe.addOne);
        return 1;
    }
    return ::DefWindowProcA(window, msg, wParam, lParam);
}

TEST_F(CatalogueCache, ARebuildAnswersSentMessagesOnItsWayAndCarriesOutTheirChangesAfter) {
    vt::Fixture fixture;
    const UniqueWindow own = FixtureAndOwnWindows(fixture, vt::UniqueName("CatAnswer"),
                                                  3 * Catalogue::kWindowsBetweenAnswers);
    ASSERT_TRUE(own);
    const UniqueWindow probe = OwnWindow(vt::UniqueName("CatProbe"), "", &ProbeProc, HWND_MESSAGE);
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
        // The rebuild goes on only once the message waits in this thread's queue.
        const ULONGLONG deadline = ::GetTickCount64() + 5000;
        while ((HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0 &&
               ::GetTickCount64() < deadline) {
            ::SwitchToThread();
        }
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
    // with the second rebuild, which made the rows a rebuild makes, then the last was added.
    EXPECT_EQ(catalogue_.Rebuilds(), rebuildsBefore + 2);
    std::vector<HWND> after = HandlesOf(rows_);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.back(), own.get());
    after.pop_back();
    EXPECT_EQ(after, plain);
}

} // namespace

namespace {

// An executable whose icon takes as long as a lost network share: the rows are listed with the
// fallback picture meanwhile, the icon arrives later, and no rebuild reads it again.
TEST_F(CatalogueCache, AnIconReadOffTheListsThreadNeverHoldsARebuildAndIsReadOnce) {
    const UniqueWindow own = OwnWindow(vt::UniqueName("CatSlow"), "Slow share");
    const std::string ownPath = vt::TestBinFolder() + "vantrel_tests.exe";
    vantrel::platform::UniqueHandle released(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> ownReads{0};
    std::atomic<bool> waiting{false};
    vantrel::CatalogueServices services;
    services.readIcon = [&](const std::string& path) -> HICON {
        if (path == ownPath) {
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
    // The fixture's executable has no icon: its picture is the fallback.
    EXPECT_EQ(PixelsOf(catalogue_.Images(), image),
              ExpectedPixels(vt::TestBinFolder() + "vt_fixture.exe"));
    ::SetEvent(released.get());
    ASSERT_TRUE(vt::WaitUntil([&] { return waiting.load(); }));
    ASSERT_TRUE(vt::WaitUntil([&] { return catalogue_.TakeIcons(); }));
    EXPECT_EQ(PixelsOf(catalogue_.Images(), image), ExpectedPixels(ownPath));
    catalogue_.Rebuild();
    EXPECT_EQ(rows_.At(rows_.Find(own.get())).image, image);
    EXPECT_EQ(ownReads.load(), 1);
}

} // namespace
