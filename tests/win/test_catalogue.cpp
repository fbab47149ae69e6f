// The window list against real windows of another process.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iterator>

#include "app/catalogue.h"
#include "platform/process.h"
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

TEST_F(CatalogueTest, FiltersHiddenToolAndOwnedWindows) {
    const std::string base = vt::UniqueName("CatFilter");
    vt::WindowSpec hidden;
    hidden.className = base + "H";
    hidden.style = WS_OVERLAPPEDWINDOW;
    vt::WindowSpec tool;
    tool.className = base + "T";
    tool.exStyle = WS_EX_TOOLWINDOW;
    vt::WindowSpec visibleOwner;
    visibleOwner.className = base + "VO";
    vt::WindowSpec hiddenOwner;
    hiddenOwner.className = base + "HO";
    hiddenOwner.style = WS_OVERLAPPEDWINDOW;
    vt::WindowSpec toolOwner;
    toolOwner.className = base + "TO";
    toolOwner.exStyle = WS_EX_TOOLWINDOW;

    const HWND hiddenWindow = fixture_.CreateOne(hidden);
    const HWND toolWindow = fixture_.CreateOne(tool);
    const HWND ownerVisible = fixture_.CreateOne(visibleOwner);
    const HWND ownerHidden = fixture_.CreateOne(hiddenOwner);
    const HWND ownerTool = fixture_.CreateOne(toolOwner);

    auto owned = [&](HWND owner, bool appWindow) {
        vt::WindowSpec spec;
        spec.className = base + "Owned";
        spec.owner = owner;
        spec.exStyle = appWindow ? WS_EX_APPWINDOW : 0;
        return fixture_.CreateOne(spec);
    };
    const HWND appUnderVisible = owned(ownerVisible, true);
    const HWND appUnderHidden = owned(ownerHidden, true);
    const HWND appUnderTool = owned(ownerTool, true);
    const HWND plainUnderHidden = owned(ownerHidden, false);

    catalogue_.Rebuild();
    EXPECT_LT(rows_.Find(hiddenWindow), 0);
    EXPECT_LT(rows_.Find(toolWindow), 0);
    EXPECT_LT(rows_.Find(ownerTool), 0);
    EXPECT_GE(rows_.Find(ownerVisible), 0);
    EXPECT_LT(rows_.Find(appUnderVisible), 0);
    EXPECT_GE(rows_.Find(appUnderHidden), 0);
    EXPECT_GE(rows_.Find(appUnderTool), 0);
    EXPECT_LT(rows_.Find(plainUnderHidden), 0);
}

TEST_F(CatalogueTest, EmptyApplicationFramesAndCoreWindowsAreSkipped) {
    const std::string base = vt::UniqueName("CatFrame");
    vt::WindowSpec frame;
    frame.className = base + "F3";
    frame.children = 3;
    frame.childClasses = {"ApplicationFrameTitleBarWindow", "ApplicationFrameInputSinkWindow",
                          "ApplicationFrameInputSinkWindow"};
    const HWND emptyFrame = fixture_.CreateOne(frame);
    frame.className = base + "F4";
    frame.children = 4;
    frame.childClasses.push_back(base + "Content");
    const HWND fullFrame = fixture_.CreateOne(frame);
    frame.className = base + "F2";
    frame.children = 2;
    frame.childClasses = {"ApplicationFrameTitleBarWindow", "ApplicationFrameInputSinkWindow"};
    const HWND twoPartFrame = fixture_.CreateOne(frame);

    vt::WindowSpec core;
    core.className = "Windows.UI.Core.CoreWindow";
    core.caption = "Core";
    const HWND bareCore = fixture_.CreateOne(core);
    core.children = 1;
    const HWND coreWithChild = fixture_.CreateOne(core);
    core.caption = "\xA2\xE3";
    const HWND coreWithMarker = fixture_.CreateOne(core);

    catalogue_.Rebuild();
    EXPECT_LT(rows_.Find(emptyFrame), 0);
    EXPECT_GE(rows_.Find(fullFrame), 0);
    EXPECT_GE(rows_.Find(twoPartFrame), 0);
    EXPECT_LT(rows_.Find(bareCore), 0);
    EXPECT_GE(rows_.Find(coreWithChild), 0);
    EXPECT_LT(rows_.Find(coreWithMarker), 0);
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
    vt::WindowSpec spec;
    spec.className = vt::UniqueName("CatFresh");
    const HWND window = fixture_.CreateOne(spec);
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
        const DWORD pid = doomed.ProcessId();
        doomed.Kill();
        EXPECT_FALSE(catalogue_.Examine(orphan, EnumerationMode::List));
        EXPECT_FALSE(vantrel::platform::ExecutablePathOf(pid, true).has_value());
    }
    // The rest of the list is still built.
    vt::WindowSpec other;
    other.className = spec.className + "Alive";
    const HWND alive = fixture_.CreateOne(other);
    EXPECT_TRUE(Listed(alive));
}

TEST(ExecutablePath, BareFileNameOutsideTheModuleRoute) {
    vt::Fixture fixture;
    const auto bare = vantrel::platform::ExecutablePathOf(fixture.ProcessId(), false);
    ASSERT_TRUE(bare.has_value());
    EXPECT_EQ(*bare, "vt_fixture.exe");
    const auto full = vantrel::platform::ExecutablePathOf(fixture.ProcessId(), true);
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(*full, vt::TestBinFolder() + "vt_fixture.exe");
    EXPECT_TRUE(vantrel::UsesModulePaths(7));
    EXPECT_FALSE(vantrel::UsesModulePaths(6));
}

} // namespace
