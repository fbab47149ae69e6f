#pragma once
// Looks into this thread's own message queue, for work that must not hold up the programs that
// are waiting on it and for requests that a later one of the same kind makes unnecessary.
#include <windows.h>

namespace vantrel::platform {

// Handles the messages that other threads and programs have sent to this thread's windows and
// are waiting on, and nothing else: no posted message is taken, no input or paint is handled.
// Cheap when nothing waits (one look at the queue's state).
void AnswerSentMessages();
// True when the calling thread has a person's input or a window to paint waiting.
bool InputOrPaintWaiting();

// True when a message `message` posted to `window` waits in this thread's queue; `found` gets
// the first such one. Nothing is taken from the queue.
bool PostedMessageWaiting(HWND window, UINT message, MSG* found);

} // namespace vantrel::platform
