#pragma once
// The ticks of the main window's two timers: the Internet Explorer page refresh (timer 1, at the
// interval the rules set) and the two-minute tick (timer 2) that rebuilds the list on the one
// system that needs it and keeps Internet Explorer windows on top when their rule says so.
namespace vantrel {

class TfrmMain;

// Posts a refresh to every listed window whose class names Internet Explorer's frame in any
// letter case and that is not excluded from the refresh.
void Timer1Timer(TfrmMain& form);
void TimerVistaRefreshTimer(TfrmMain& form);

} // namespace vantrel
