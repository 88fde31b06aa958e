// The boundary between the plug-in and the callbacks this host hands it.
// The host keeps its data in standard containers, whose allocations throw
// when memory runs out; such an exception must never unwind through the
// plug-in's frames (across a DLL boundary that is undefined behaviour, and
// the plug-in is built without exceptions). Each callback runs its body
// through AnswerOutOfMemory, which answers the interface's out-of-memory
// code instead and notes it in the session. Any other exception ends the
// program at the callback (noexcept), still before it reaches the plug-in.
#pragma once

#include "testhost/HostSession.h"

#include <new>
#include <stdexcept>

template <typename Body>
OSErr AnswerOutOfMemory(HostSession* session, Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {  // a size no container can hold
    }
    if (session != nullptr) session->callbackError = memFullErr;
    return memFullErr;
}
