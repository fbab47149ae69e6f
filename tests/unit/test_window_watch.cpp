#include "app/messages.h"
#include "app/window_watch.h"

#include <gtest/gtest.h>

namespace {

using vantrel::ChooseWindowWatch;
using vantrel::WindowNoticeForEvent;

TEST(WindowWatch, MechanismFollowsTheShellHookAndTheVersionCode) {
    struct Case {
        bool shellHook;
        int versionCode;
        bool relays;
        bool relaysForMenusOnly;
        bool winEvents;
        bool shellReportsToRelays;
    };
    const Case cases[] = {
        // Vista and later with the shell's notices: nothing of ours runs in other programs.
        {true, 11, false, false, true, false},
        // Items in other windows' system menus: their choices are seen only from inside the
        // programs whose windows carry them.
        {true, 10, true, true, true, true},
        {true, 9, true, true, true, true},
        // No shell notices (Wine): the relays' global hooks announce every window.
        {false, 11, true, false, false, false},
        {false, 10, true, false, false, false},
    };
    for (const Case& c : cases) {
        const auto watch = ChooseWindowWatch(c.shellHook, c.versionCode);
        EXPECT_EQ(watch.relays, c.relays) << c.shellHook << " " << c.versionCode;
        EXPECT_EQ(watch.relaysForMenusOnly, c.relaysForMenusOnly)
            << c.shellHook << " " << c.versionCode;
        EXPECT_EQ(watch.winEvents, c.winEvents) << c.shellHook << " " << c.versionCode;
        EXPECT_EQ(watch.shellReportsToRelays, c.shellReportsToRelays)
            << c.shellHook << " " << c.versionCode;
    }
}

TEST(WindowWatch, OnlyEventsOfTheWindowItselfBecomeNotices) {
    struct Case {
        DWORD event;
        LONG objectId;
        LONG childId;
        WPARAM notice;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        EXPECT_EQ(WindowNoticeForEvent(c.event, c.objectId, c.childId), c.notice)
            << std::hex << c.event << " " << c.objectId << " " << c.childId;
    }
    // Every event that makes a notice is one the program listens to.
    for (const Case& c : cases) {
        if (c.notice == 0) {
            continue;
        }
        bool heard = false;
        for (const auto& [first, last] : vantrel::WatchedWindowEvents()) {
            heard = heard || (c.event >= first && c.event <= last);
        }
        EXPECT_TRUE(heard) << std::hex << c.event;
    }
}

} // namespace
