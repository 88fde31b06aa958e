// Handles: the host's suite when it passes the test, our own kind otherwise.
#include "host/GlobalMemory.h"
#include "host/Handles.h"
#include "tests/support/FailingGlobalMemory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

int32 newCalls = 0;
int32 disposeCalls = 0;
int32 lockCalls = 0;
int32 unlockCalls = 0;
char hostBlock[64];
char* hostMaster = hostBlock;

Handle PI_CDECL FakeNew(int32) {
    ++newCalls;
    return &hostMaster;
}
void PI_CDECL FakeDispose(Handle) { ++disposeCalls; }
int32 PI_CDECL FakeGetSize(Handle) { return 64; }
OSErr PI_CDECL FakeSetSize(Handle, int32) { return 0; }
Ptr PI_CDECL FakeLock(Handle h, Boolean) {
    ++lockCalls;
    return *h;
}
void PI_CDECL FakeUnlock(Handle) { ++unlockCalls; }

HandleProcs GoodSuite() {
    HandleProcs procs = {};
    procs.handleProcsVersion = 1;
    procs.numHandleProcs = 7;
    procs.newProc = FakeNew;
    procs.disposeProc = FakeDispose;
    procs.getSizeProc = FakeGetSize;
    procs.setSizeProc = FakeSetSize;
    procs.lockProc = FakeLock;
    procs.unlockProc = FakeUnlock;
    return procs;
}

class HandlesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        newCalls = disposeCalls = lockCalls = unlockCalls = 0;
        globalAllocFailAt = 0;
    }
    void TearDown() override { globalAllocFailAt = 0; }
};

TEST_F(HandlesTest, SuiteTestFollowsVersionCountAndProcedures) {
    HandleProcs procs = GoodSuite();
    EXPECT_TRUE(HandleSuiteUsable(&procs));  // exactly 7 procedures is enough
    EXPECT_FALSE(HandleSuiteUsable(nullptr));

    HandleProcs bad = GoodSuite();
    bad.handleProcsVersion = 2;
    EXPECT_FALSE(HandleSuiteUsable(&bad));
    bad = GoodSuite();
    bad.handleProcsVersion = 0;
    EXPECT_FALSE(HandleSuiteUsable(&bad));
    bad = GoodSuite();
    bad.numHandleProcs = 6;
    EXPECT_FALSE(HandleSuiteUsable(&bad));
    bad = GoodSuite();
    bad.numHandleProcs = -1;  // taken as unsigned: 65535 procedures
    EXPECT_TRUE(HandleSuiteUsable(&bad));
    bad = GoodSuite();
    bad.getSizeProc = nullptr;
    EXPECT_FALSE(HandleSuiteUsable(&bad));
    bad = GoodSuite();
    bad.lockProc = nullptr;  // would be called through null by LockHostHandle
    EXPECT_FALSE(HandleSuiteUsable(&bad));
}

TEST_F(HandlesTest, UsableSuiteIsCalledForEveryOperation) {
    HandleProcs procs = GoodSuite();
    Handle h = NewHostHandle(&procs, 16);
    ASSERT_EQ(h, &hostMaster);
    EXPECT_EQ(LockHostHandle(&procs, h, true), hostBlock);
    UnlockHostHandle(&procs, h);
    DisposeHostHandle(&procs, h);
    EXPECT_EQ(newCalls, 1);
    EXPECT_EQ(lockCalls, 1);
    EXPECT_EQ(unlockCalls, 1);
    EXPECT_EQ(disposeCalls, 1);
}

TEST_F(HandlesTest, UnusableSuiteFallsBackToOwnHandles) {
    HandleProcs procs = GoodSuite();
    procs.numHandleProcs = 6;
    Handle h = NewHostHandle(&procs, 2);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(newCalls, 0);
    const OwnHandle* own = reinterpret_cast<const OwnHandle*>(h);
    EXPECT_EQ(own->tag, ownHandleTag);
    Ptr data = LockHostHandle(&procs, h, true);
    EXPECT_EQ(data, own->dataBlock);
    EXPECT_EQ(data, *h);  // a host reads the first word of the handle
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[1], 0);
    UnlockHostHandle(&procs, h);
    EXPECT_EQ(LockHostHandle(&procs, h, false), data);  // still locked, same place
    EXPECT_EQ(lockCalls + unlockCalls, 0);
    DisposeHostHandle(&procs, h);  // the sanitizer build proves both blocks go
    EXPECT_EQ(disposeCalls, 0);
}

TEST_F(HandlesTest, OwnHandleTagBytesInMemoryOrder) {
    Handle h = NewOwnHandle(2);
    ASSERT_NE(h, nullptr);
    unsigned char tagBytes[4];
    memcpy(tagBytes, &reinterpret_cast<OwnHandle*>(h)->tag, 4);
    EXPECT_EQ(tagBytes[0], 0x4F);
    EXPECT_EQ(tagBytes[1], 0x54);
    EXPECT_EQ(tagBytes[2], 0x4F);
    EXPECT_EQ(tagBytes[3], 0x46);
    DisposeOwnHandle(h);
}

TEST_F(HandlesTest, OwnHandleFailuresLeaveNothingBehind) {
    globalAllocFailAt = 1;  // the record
    EXPECT_EQ(NewOwnHandle(2), nullptr);
    globalAllocFailAt = 2;  // the data block; the record must be released
    EXPECT_EQ(NewOwnHandle(2), nullptr);
    EXPECT_EQ(NewOwnHandle(-1), nullptr);
    DisposeOwnHandle(nullptr);

    Handle h = NewOwnHandle(4);
    ASSERT_NE(h, nullptr);
    OwnHandle* own = reinterpret_cast<OwnHandle*>(h);
    FreeGlobalLocked(own->dataBlock);
    own->dataBlock = nullptr;
    DisposeOwnHandle(h);  // releases only the record
}

}  // namespace
