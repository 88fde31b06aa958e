#include "testhost/HostCallbacks.h"

#include "testhost/CallbackGuard.h"

#include <cstring>

Boolean PI_CDECL HostAbortProcEntry(void) noexcept {
    HostSession* session = ActiveHostSession();
    if (session == nullptr) return 0;
    ++session->abortPolls;
    if (session->onAbortPoll != nullptr) {
        const OSErr hook = AnswerOutOfMemory(session, [session] {
            session->onAbortPoll(session);
            return OSErr(noErr);
        });
        if (hook != noErr) return 1;  // the host cannot go on: stop the plug-in
    }
    if (session->cancelRequested) return 1;
    const int32 cancelAt = session->settings.cancelAtPoll;
    return cancelAt > 0 && session->abortPolls >= cancelAt ? 1 : 0;
}

OSErr PI_CDECL HostAdvanceStateEntry(void) noexcept {
    HostSession* session = ActiveHostSession();
    if (session == nullptr) return -50;
    return AnswerOutOfMemory(session, [session] { return HostAdvanceState(session); });
}

OSErr PI_CDECL HostDisplayPixelsEntry(const PSPixelMap* source, const VRect* srcRect, int32 dstRow,
                                      int32 dstCol, void* platformContext) noexcept {
    HostSession* session = ActiveHostSession();
    if (session == nullptr || source == nullptr || srcRect == nullptr) return -50;
    return AnswerOutOfMemory(session, [&] {
        ++session->displayCalls;
        session->lastPixelMap = *source;
        const int32 rows = srcRect->bottom - srcRect->top;
        if (rows > 0 && source->rowBytes > 0 && source->baseAddr != nullptr) {
            const uint8_t* base = static_cast<const uint8_t*>(source->baseAddr);
            session->lastDisplayed.assign(base,
                                          base + static_cast<size_t>(rows) * source->rowBytes);
        } else {
            session->lastDisplayed.clear();
        }
        DrawPixelMap(source, srcRect, dstRow, dstCol, platformContext);
        return OSErr(noErr);
    });
}
