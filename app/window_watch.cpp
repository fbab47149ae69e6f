#include "app/window_watch.h"

#include "app/messages.h"

namespace vantrel {

WindowWatch ChooseWindowWatch(bool shellHookRegistered, int versionCode) {
    WindowWatch watch;
    if (shellHookRegistered && versionCode == 11) {
        // The shell tells of created and destroyed windows, events of the rest: no hook of ours
        // is loaded into any program, nor run on our thread for programs of the other bitness.
        watch.winEvents = true;
        return watch;
    }
    // Menu choices in other programs' windows are only seen from inside them.
    watch.relays = true;
    watch.shellReportsToRelays = shellHookRegistered;
    return watch;
}

std::vector<std::pair<DWORD, DWORD>> WatchedWindowEvents() {
    // Separate ranges: one spanning them would bring every move and focus change of every window
    // on the desktop to our queue.
    return {{EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE},
            {EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE},
            {kEventObjectCloaked, kEventObjectUncloaked}};
}

WPARAM WindowNoticeForEvent(DWORD event, LONG objectId, LONG childId) {
    if (objectId != OBJID_WINDOW || childId != CHILDID_SELF) {
        return 0;
    }
    switch (event) {
    case EVENT_OBJECT_SHOW:
    case kEventObjectUncloaked:
        return kNoticeCreated;
    case EVENT_OBJECT_HIDE:
    case kEventObjectCloaked:
        return kNoticeDestroyed;
    case EVENT_OBJECT_NAMECHANGE:
        return kNoticeRenamed;
    default:
        return 0;
    }
}

} // namespace vantrel
