#include "app/window_watch.h"

#include "app/messages.h"

namespace vantrel {

WindowWatch ChooseWindowWatch(bool shellHookRegistered, int versionCode) {
    WindowWatch watch;
    if (shellHookRegistered) {
        // The shell tells of created and destroyed windows, events of the rest: no global hook
        // of ours is loaded into any program, nor run on our thread for programs of the other
        // bitness.
        watch.winEvents = true;
        // Menu choices in other programs' windows are only seen from inside them, so the
        // windows that carry the items are watched there, and only those.
        watch.relays = watch.relaysForMenusOnly = watch.shellReportsToRelays = versionCode != 11;
        return watch;
    }
    // Nothing else tells of windows: the relays' hooks watch every program.
    watch.relays = true;
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
