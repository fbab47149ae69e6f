#include "app/messages.h"
#include "app/window_watch.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

TEST(WindowWatch, MechanismFollowsTheShellHookAndTheVersionCode) {
    // Shell hook, version code, then 1 or 0 for: relays, for menus only, win events, shell reports
    // to relays.
    const std::tuple<bool, int, const char*> cases[] = {
        // Vista and later with the shell's notices: nothing of ours runs in other programs.
        {true, 11, "0010"},
        // Items in other windows' system menus: their choices are seen only from inside the
        // programs whose windows carry them.
        {true, 10, "1111"},
        {true, 9, "1111"},
        // No shell notices (Wine): the relays' global hooks announce every window.
        {false, 11, "1000"},
        {false, 10, "1000"},
    };
    for (const auto& [shellHook, versionCode, watch] : cases) {
        const auto w = vantrel::ChooseWindowWatch(shellHook, versionCode);
        const std::string got = {"01"[w.relays], "01"[w.relaysForMenusOnly], "01"[w.winEvents],
                                 "01"[w.shellReportsToRelays]};
        EXPECT_EQ(got, watch) << "shell hook " << shellHook << ", version " << versionCode;
    }
}

TEST(WindowWatch, OnlyEventsOfTheWindowItselfBecomeNotices) {
    // Event, object, child, the notice it becomes.
    const std::tuple<DWORD, LONG, LONG, WPARAM> cases[] = {
        {EVENT_OBJECT_SHOW, OBJID_WINDOW, CHILDID_SELF, vantrel::kNoticeCreated},
        {EVENT_OBJECT_HIDE, OBJID_WINDOW, CHILDID_SELF, vantrel::kNoticeDestroyed},
        {EVENT_OBJECT_NAMECHANGE, OBJID_WINDOW, CHILDID_SELF, vantrel::kNoticeRenamed},
        {vantrel::kEventObjectUncloaked, OBJID_WINDOW, CHILDID_SELF, vantrel::kNoticeCreated},
        {vantrel::kEventObjectCloaked, OBJID_WINDOW, CHILDID_SELF, vantrel::kNoticeDestroyed},
        // A window's parts and items: the caret shown, a list item renamed, a scroll bar hidden.
        {EVENT_OBJECT_SHOW, OBJID_CARET, CHILDID_SELF, 0},
        {EVENT_OBJECT_NAMECHANGE, OBJID_CLIENT, 3, 0},
        {EVENT_OBJECT_NAMECHANGE, OBJID_WINDOW, 3, 0},
        {EVENT_OBJECT_HIDE, OBJID_VSCROLL, CHILDID_SELF, 0},
        // Events the list does not need.
        {EVENT_OBJECT_LOCATIONCHANGE, OBJID_WINDOW, CHILDID_SELF, 0},
        {EVENT_OBJECT_DESTROY, OBJID_WINDOW, CHILDID_SELF, 0},
    };
    for (const auto& [event, objectId, childId, notice] : cases) {
        EXPECT_EQ(vantrel::WindowNoticeForEvent(event, objectId, childId), notice)
            << std::hex << event << " " << objectId << " " << childId;
        // An event that makes a notice must be one the program listens to.
        bool heard = false;
        for (const auto& [first, last] : vantrel::WatchedWindowEvents()) {
            heard = heard || (event >= first && event <= last);
        }
        EXPECT_TRUE(heard || notice == 0) << "not listened to: " << std::hex << event;
    }
}

} // namespace
