#include "platform/message_queue.h"

namespace vantrel::platform {

void AnswerSentMessages() {
    // Asking the queue is far cheaper than a look that finds nothing, which also flushes the
    // thread's drawing and takes in the display's events under Wine.
    if ((HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0) {
        return;
    }
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD | PM_QS_SENDMESSAGE);
}

bool InputOrPaintWaiting() {
    return HIWORD(::GetQueueStatus(QS_INPUT | QS_PAINT)) != 0;
}

bool PostedMessageWaiting(HWND window, UINT message, MSG* found) {
    MSG msg;
    if (!::PeekMessageA(&msg, window, message, message,
                        PM_NOREMOVE | PM_NOYIELD | PM_QS_POSTMESSAGE)) {
        return false;
    }
    if (found != nullptr) {
        *found = msg;
    }
    return true;
}

} // namespace vantrel::platform
