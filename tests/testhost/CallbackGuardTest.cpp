// The test host's callbacks never throw into the plug-in: an allocation
// that fails in the host answers the interface's out-of-memory code, and a
// run in which that happened fails with it and changes nothing.
#include "entry/ModuleState.h"
#include "entry/Selectors.h"
#include "testhost/CallbackGuard.h"
#include "testhost/HostSession.h"
#include "tests/support/HostImages.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <vector>

namespace {

TEST(CallbackGuard, FailedAllocationsAnswerOutOfMemory) {
    HostSession session;
    EXPECT_EQ(AnswerOutOfMemory(&session, [] { return OSErr(-50); }), -50);
    EXPECT_EQ(session.callbackError, noErr);
    EXPECT_EQ(AnswerOutOfMemory(&session, []() -> OSErr { throw std::bad_alloc(); }), memFullErr);
    EXPECT_EQ(session.callbackError, memFullErr);
    session.callbackError = noErr;
    // What a container throws for a size it can never hold.
    EXPECT_EQ(AnswerOutOfMemory(&session,
                                [] {
                                    std::vector<uint8_t> huge;
                                    huge.reserve(huge.max_size() + 1);
                                    return OSErr(noErr);
                                }),
              memFullErr);
    EXPECT_EQ(session.callbackError, memFullErr);
    EXPECT_EQ(AnswerOutOfMemory(nullptr, []() -> OSErr { throw std::bad_alloc(); }), memFullErr);
}

int32 pollsBeforeFailing = 0;

// The host's own work at a poll (a progress line, say) runs out of memory.
void FailingPoll(HostSession* session) {
    if (session->abortPolls > pollsBeforeFailing) throw std::bad_alloc();
}

TEST(CallbackGuard, HostOutOfMemoryInAbortProcStopsTheRunWithOutOfMemory) {
    ResetModuleState();
    const HostImage image = GradientImage(64, 48);
    HostSession session;
    OpenHostSession(&session, image, HostSettings());
    SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, 3}});
    session.onAbortPoll = FailingPoll;
    pollsBeforeFailing = 0;
    EXPECT_EQ(RunFilterSession(&session, PluginMain, false), memFullErr);
    EXPECT_EQ(session.callbackError, memFullErr);
    EXPECT_EQ(session.abortPolls, 1);                  // the plug-in stopped at once
    EXPECT_EQ(session.result.samples, image.samples);  // nothing written

    // The next run starts clean and filters.
    session.onAbortPoll = nullptr;
    EXPECT_EQ(RunFilterSession(&session, PluginMain, false), noErr);
    EXPECT_EQ(session.callbackError, noErr);
    EXPECT_NE(session.result.samples, image.samples);
    CloseHostSession(&session);
}

}  // namespace
