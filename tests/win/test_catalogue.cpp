// The window list against real windows of another process.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <future>
#include <iterator>
#include <map>
#include <string>

#include "app/catalogue.h"
#include "platform/window_api.h"
#include "res/resource.h"
#include "support/fixture_client.h"
#include "support/wait.h"

namespace {

using vantrel::Catalogue;
using vantrel::EnumerationMode;
using vantrel::WindowList;

class CatalogueTest : public ::testing::Test {
protected:
    CatalogueTest()
        : fallback_(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_WINDOW))),
          catalogue_(rows_, 11, ::GetModuleHandleA(nullptr), fallback_) {}

    // Rows of windows with the class, after a rebuild.
    std::vector<vantrel::WindowEntry> RowsOfClass(const std::string& cls) {
        std::vector<vantrel::WindowEntry> found;
        std::copy_if(rows_.Rows().begin(), rows_.Rows().end(), std::back_inserter(found),
                     [&](const vantrel::WindowEntry& row) { return row.className == cls; });
        return found;
    }
    bool Listed(HWND window) {
        catalogue_.Rebuild();
        return rows_.Find(window) >= 0;
    }

    HICON fallback_;
    WindowList rows_;
    Catalogue catalogue_;
    vt::Fixture fixture_;
};

TEST_F(CatalogueTest, ListsVisibleUnownedWindowsWithTheirDetails) {
    vt::WindowSpec spec;
    spec.className = vt::UniqueName("CatPlain");
    spec.caption = "Plain window";
    spec.count = 2;
    const auto windows = fixture_.Create(spec);
    vt::WindowSpec empty;
    empty.className = spec.className + "E";
    const HWND untitled = fixture_.CreateOne(empty);

    catalogue_.Rebuild();
    const auto rows = RowsOfClass(spec.className);
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& row : rows) {
        EXPECT_TRUE(std::count(windows.begin(), windows.end(), row.handle) == 1);
        EXPECT_EQ(row.caption, "Plain window");
        EXPECT_EQ(row.autoAction, "Default");
        EXPECT_EQ(row.autoZOrder, "Default");
        EXPECT_EQ(row.transparency, 0);
        EXPECT_EQ(row.autoRefreshInclusion, 1);
        EXPECT_GE(row.image, 0);
        // Full path from the module snapshot, not just the file name.
        EXPECT_EQ(row.path, vt::TestBinFolder() + "vt_fixture.exe");
    }
    // The rows of one program share its picture.
    EXPECT_EQ(rows[0].image, rows[1].image);
    EXPECT_LT(rows[0].image, ImageList_GetImageCount(catalogue_.Images()));
    const int row = rows_.Find(untitled);
    ASSERT_GE(row, 0);
    EXPECT_EQ(rows_.At(row).caption, "");
}

TEST_F(CatalogueTest, ListsOnlyTheWindowsThatPassItsFilters) {
    const std::string base = vt::UniqueName("CatFilter");
    const std::string bar = "ApplicationFrameTitleBarWindow";
    const std::string sink = "ApplicationFrameInputSinkWindow";
    const std::string core = "Windows.UI.Core.CoreWindow";
    const DWORD shown = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    struct Case {
        const char* name;
        DWORD style;
        DWORD exStyle;
        const char* owner; // name of an earlier case, or null
        std::vector<std::string> children;
        std::string cls; // empty: one of its own
        std::string caption;
        bool listed;
    };
    const std::vector<Case> cases = {
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
    for (const Case& c : cases) {
        vt::WindowSpec spec;
        spec.className = c.cls.empty() ? base + std::to_string(made.size()) : c.cls;
        spec.caption = c.caption;
        spec.style = c.style;
        spec.exStyle = c.exStyle;
        spec.owner = c.owner != nullptr ? made.at(c.owner) : nullptr;
        spec.children = static_cast<int>(c.children.size());
        if (c.children != std::vector<std::string>{""}) {
            spec.childClasses = c.children;
        }
        made[c.name] = fixture_.CreateOne(spec);
    }
    catalogue_.Rebuild();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rows_.Find(made.at(c.name)) >= 0, c.listed);
    }
}

TEST_F(CatalogueTest, RowOperationsByHandle) {
    vt::WindowSpec spec;
    spec.className = vt::UniqueName("CatOps");
    spec.caption = "before";
    const HWND window = fixture_.CreateOne(spec);
    catalogue_.Rebuild();
    const int first = rows_.Find(window);
    ASSERT_GE(first, 0);
    const int count = rows_.Count();

    catalogue_.AddOne(window);
    catalogue_.AddOne(window);
    EXPECT_EQ(rows_.Count(), count + 2);
    EXPECT_EQ(rows_.Find(window), first); // the first row wins
    EXPECT_EQ(rows_.At(count).handle, window);

    fixture_.SetText(window, "after");
    catalogue_.Rename(window);
    int renamed = 0;
    for (const auto& row : rows_.Rows()) {
        if (row.handle == window) {
            EXPECT_EQ(row.caption, "after");
            ++renamed;
        }
    }
    EXPECT_EQ(renamed, 3);

    const HWND stranger = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFF0000));
    catalogue_.Remove(stranger);
    EXPECT_EQ(rows_.Count(), count + 2);
    EXPECT_EQ(rows_.Find(stranger), -1);

    catalogue_.Remove(window);
    EXPECT_EQ(rows_.Count(), count - 1);
    EXPECT_EQ(rows_.Find(window), -1);

    // Add One runs the same filters as a rebuild.
    vt::WindowSpec tool = spec;
    tool.className += "T";
    tool.exStyle = WS_EX_TOOLWINDOW;
    const HWND toolWindow = fixture_.CreateOne(tool);
    catalogue_.AddOne(toolWindow);
    EXPECT_EQ(rows_.Find(toolWindow), -1);
}

TEST_F(CatalogueTest, RebuildStartsRowsAfresh) {
    const HWND window = fixture_.CreateOfNewClass("CatFresh");
    catalogue_.Rebuild();
    const int row = rows_.Find(window);
    ASSERT_GE(row, 0);
    rows_.At(row).transparency = 40;
    rows_.At(row).autoRefreshInclusion = 0;
    catalogue_.Rebuild();
    const int again = rows_.Find(window);
    ASSERT_GE(again, 0);
    EXPECT_EQ(rows_.At(again).transparency, 0);
    EXPECT_EQ(rows_.At(again).autoRefreshInclusion, 1);

    fixture_.Destroy(window);
    EXPECT_FALSE(Listed(window));
}

TEST_F(CatalogueTest, LongCaptionsAndClassNamesAreKeptWithinTheirLimits) {
    vt::WindowSpec spec;
    spec.className = vt::UniqueName("CatLong");
    spec.className.append(254 - spec.className.size(), 'x');
    spec.caption = std::string(1500, 'c');
    const HWND window = fixture_.CreateOne(spec);
    catalogue_.Rebuild();
    const int row = rows_.Find(window);
    ASSERT_GE(row, 0);
    EXPECT_EQ(rows_.At(row).className, spec.className);
    EXPECT_EQ(rows_.At(row).caption, std::string(1000, 'c'));
}

TEST_F(CatalogueTest, VanishedWindowsAndProcessesAreSkippedQuietly) {
    vt::WindowSpec spec;
    spec.className = vt::UniqueName("CatGone");
    const HWND window = fixture_.CreateOne(spec);
    fixture_.Destroy(window);
    EXPECT_FALSE(catalogue_.Examine(window, EnumerationMode::List));

    {
        vt::Fixture doomed;
        const HWND orphan = doomed.CreateOne(spec);
        doomed.Kill();
        EXPECT_FALSE(catalogue_.Examine(orphan, EnumerationMode::List));
    }
    // The rest of the list is still built.
    vt::WindowSpec other;
    other.className = spec.className + "Alive";
    const HWND alive = fixture_.CreateOne(other);
    EXPECT_TRUE(Listed(alive));
}

// A pass in slices lists the windows on another thread; the notices that come meanwhile are
// the pass's own: a window added then has one row, a window removed then stays out.
TEST_F(CatalogueTest, NoticesWhileAPassListsTheWindowsLeaveOneRowEach) {
    vt::WindowSpec spec;
    spec.className = vt::UniqueName("CatListing");
    spec.count = 3;
    const auto windows = fixture_.Create(spec);
    const HWND added = windows[0];
    const HWND removed = windows[1];
    const HWND untouched = windows[2];
    std::promise<std::vector<HWND>> listing;
    int waits = 0;
    vantrel::CatalogueServices services;
    services.passWaiting = [&](bool) { ++waits; };
    services.listWindows = [&] { return listing.get_future(); };
    catalogue_.SetServices(std::move(services));

    catalogue_.RequestRebuild();
    catalogue_.AddOne(added);
    catalogue_.Remove(removed);
    const int waitsBefore = waits;
    catalogue_.ContinuePass();
    EXPECT_TRUE(catalogue_.PassRunning());
    EXPECT_GT(waits, waitsBefore); // it asks to be called again, and examined nothing yet

    listing.set_value(vantrel::platform::TopLevelWindows());
    for (int slices = 0; catalogue_.PassRunning() && slices < 1000; ++slices) {
        catalogue_.ContinuePass();
    }
    ASSERT_FALSE(catalogue_.PassRunning());
    const auto rows = RowsOfClass(spec.className);
    auto rowsOf = [&](HWND window) {
        return std::count_if(rows.begin(), rows.end(),
                             [&](const vantrel::WindowEntry& row) { return row.handle == window; });
    };
    EXPECT_EQ(rowsOf(added), 1);
    EXPECT_EQ(rowsOf(removed), 0);
    EXPECT_EQ(rowsOf(untouched), 1);
}

// Which route gives full paths; the paths themselves are held in ProcessPathCache's tests.
TEST(ExecutablePath, FullPathsFromTheModuleRouteFromVersionCode7) {
    EXPECT_TRUE(vantrel::UsesModulePaths(7));
    EXPECT_FALSE(vantrel::UsesModulePaths(6));
}

} // namespace
