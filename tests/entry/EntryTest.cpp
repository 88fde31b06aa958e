// The entry point: acquiring the instance, dispatch, and the handlers'
// effects on the host's record.
#include "dialogs/DialogsPosix.h"
#include "entry/HostKind.h"
#include "entry/ModuleState.h"
#include "entry/Parameters.h"
#include "entry/Selectors.h"
#include "host/GlobalMemory.h"
#include "host/Handles.h"
#include "testhost/HostSession.h"
#include "tests/support/FailingGlobalMemory.h"
#include "tests/support/HostImages.h"
#include "tests/support/RequestRects.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

HostImage GrayImage(int32 width, int32 height) { return UniformImage(width, height, 1, 77); }

class EntryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetModuleState();
        globalAllocFailAt = 0;
        settings.imageMode = plugInModeGrayScale;
        settings.planes = 1;
    }
    void TearDown() override {
        CloseHostSession(&session);
        ResetModuleState();
        globalAllocFailAt = 0;
    }
    void Open(int32 width = 300, int32 height = 200) {
        OpenHostSession(&session, GrayImage(width, height), settings);
    }
    int16 Call(int16 selector) { return CallSelector(&session, PluginMain, selector); }
    FilterInstance* Instance() { return reinterpret_cast<FilterInstance*>(session.data); }
    // The record is packed to 4 bytes, so its pointers are read by value.
    Handle Params() const { return session.record.parameters; }

    HostSettings settings;
    HostSession session;
};

TEST_F(EntryTest, UnknownSelectorsAnswerBadParametersButStillAcquire) {
    HostKind = hostKindPremiere;
    Open();
    session.record.wholeSize = Point{1, 2};
    EXPECT_EQ(Call(6), filterBadParameters);
    ASSERT_NE(session.data, 0);
    EXPECT_EQ(session.record.wholeSize.v, session.record.imageSize.v);
    EXPECT_EQ(session.record.wholeSize.h, session.record.imageSize.h);
    const intptr_t first = session.data;
    EXPECT_EQ(Call(-1), filterBadParameters);
    EXPECT_EQ(Call(static_cast<int16>(0x8000)), filterBadParameters);
    EXPECT_EQ(session.data, first);  // made once, kept across calls
    EXPECT_EQ(Call(filterSelectorPrepare), noErr);
    EXPECT_EQ(session.data, first);
    EXPECT_EQ(Instance()->filter, &session.record);
}

TEST_F(EntryTest, WholeSizeIsLeftAloneOnOtherHosts) {
    HostKind = ClassifyHost("Premiere.exe");
    Open();
    session.record.wholeSize = Point{1, 2};
    Call(filterSelectorPrepare);
    EXPECT_EQ(session.record.wholeSize.v, 1);
    EXPECT_EQ(session.record.wholeSize.h, 2);
}

TEST_F(EntryTest, HostKindFromExecutableNameIsExactAndCaseSensitive) {
    EXPECT_EQ(ClassifyHost("Photoshp.exe"), 3);
    EXPECT_EQ(ClassifyHost("Photoshop.exe"), 3);
    EXPECT_EQ(ClassifyHost("PHOTOSHOP.EXE"), 0);
    EXPECT_EQ(ClassifyHost("Fireworks.exe"), 1);
    EXPECT_EQ(ClassifyHost("AfterFX.exe"), 11);
    EXPECT_EQ(ClassifyHost("premiere.exe"), 8);
    EXPECT_EQ(ClassifyHost("Premiere.exe"), 0);
    EXPECT_EQ(ClassifyHost("vornhost.exe"), 0);
    EXPECT_EQ(ClassifyHost(""), 0);
    EXPECT_EQ(ClassifyHost(nullptr), 0);
}

TEST_F(EntryTest, FirstCallOutOfMemoryLeavesSlotEmpty) {
    Open();
    globalAllocFailAt = 1;
    EXPECT_EQ(Call(filterSelectorParameters), memFullErr);
    EXPECT_EQ(session.data, 0);
    EXPECT_EQ(Params(), nullptr);  // no handler ran
    EXPECT_EQ(Call(filterSelectorParameters), noErr);
    EXPECT_NE(session.data, 0);
}

TEST_F(EntryTest, ParameterBlockThatCannotBeMadeIsReportedAndStartRequestsNothing) {
    Open();
    globalAllocFailAt = 2;  // the instance succeeds, the parameter handle's record fails
    EXPECT_EQ(Call(filterSelectorPrepare), memFullErr);
    EXPECT_NE(session.data, 0);
    EXPECT_EQ(Params(), nullptr);
    globalAllocFailAt = 1;  // Start tries again and fails again
    EXPECT_EQ(Call(filterSelectorStart), memFullErr);
    EXPECT_EQ(session.advanceCalls, 0);
    EXPECT_EQ(session.record.inRect.bottom, 0);
}

TEST_F(EntryTest, ParametersCreatedWithDefaultOnlyWhenAbsent) {
    Open();
    EXPECT_EQ(Call(filterSelectorParameters), noErr);
    ASSERT_NE(Params(), nullptr);
    EXPECT_EQ(ParametersOf(&session.record)->Amount, 10);
    EXPECT_EQ(reinterpret_cast<OwnHandle*>(Params())->tag, ownHandleTag);
    EXPECT_EQ(Instance()->showDialog, 1);

    HostSession other;
    OpenHostSession(&other, GrayImage(20, 20), settings);
    other.record.parameters = HostParametersHandle(42);
    EXPECT_EQ(CallSelector(&other, PluginMain, filterSelectorParameters), noErr);
    EXPECT_EQ(ParametersOf(&other.record)->Amount, 42);
    HostDisposeHandle(Handle(other.record.parameters));
    CloseHostSession(&other);
}

TEST_F(EntryTest, InitializeForgetsPreviewBuffersAndReadsTransparency) {
    settings.planes = 1;
    settings.inTransparencyMask = 1;
    Open();
    Call(filterSelectorParameters);
    EXPECT_EQ(Instance()->hasTransparency, 1);
    uint8_t dummy = 0;
    Instance()->previewPixels = &dummy;
    session.record.planes = 2;
    session.record.supportsPadding = 1;
    Call(filterSelectorParameters);
    EXPECT_EQ(Instance()->hasTransparency, 0);
    EXPECT_EQ(Instance()->previewPixels, nullptr);
    EXPECT_EQ(session.record.supportsPadding, 0);
}

TEST_F(EntryTest, PrepareZeroesSpaceFields) {
    Open();
    session.record.bufferSpace = 1234;
    session.record.maxSpace = 5678;
    EXPECT_EQ(Call(filterSelectorPrepare), noErr);
    EXPECT_EQ(session.record.bufferSpace, 0);
    EXPECT_EQ(session.record.maxSpace, 0);
}

TEST_F(EntryTest, StartWithoutDialogRequestsFilterRect) {
    settings.filterRect = Rect{10, 20, 110, 220};
    settings.planes = 1;
    Open();
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    const FilterRecord& r = session.record;
    EXPECT_TRUE(RequestsAre(r, Rect{10, 20, 110, 220}));
    EXPECT_EQ(Instance()->workRect.top, 0);
    EXPECT_EQ(Instance()->workRect.left, 0);
    EXPECT_EQ(Instance()->workRect.bottom, 100);
    EXPECT_EQ(Instance()->workRect.right, 200);
    EXPECT_EQ(r.inLoPlane, 0);
    EXPECT_EQ(r.inHiPlane, 0);
    EXPECT_EQ(r.outLoPlane, 0);
    EXPECT_EQ(r.outHiPlane, 0);
    EXPECT_EQ(r.inputPadding, 255);
    EXPECT_EQ(r.outputPadding, 255);
    EXPECT_EQ(r.maskPadding, 255);
    EXPECT_EQ(r.inputRate, 0x10000);
    EXPECT_EQ(r.maskRate, 0x10000);
    EXPECT_EQ(session.advanceCalls, 1);
    EXPECT_NE(static_cast<void*>(r.inData), nullptr);
}

TEST_F(EntryTest, StartWithoutAdvanceStateIsCancelledAndMakesNothing) {
    settings.haveAdvanceState = false;
    Open();
    Call(filterSelectorPrepare);  // the instance exists already
    DisposeOwnHandle(Params());
    session.record.parameters = nullptr;  // the host passes no parameter block
    session.record.inRect = Rect{1, 2, 3, 4};
    EXPECT_EQ(Call(filterSelectorStart), userCanceledErr);
    EXPECT_EQ(session.record.inRect.bottom, 0);
    EXPECT_EQ(session.record.inRect.right, 0);
    EXPECT_EQ(Params(), nullptr);
}

TEST_F(EntryTest, StartAnswersAdvanceStateFailureAndClearsRequest) {
    settings.planes = 2;  // more planes than the host's one-channel image
    Open();
    EXPECT_EQ(Call(filterSelectorStart), -50);
    EXPECT_EQ(session.record.inRect.bottom, 0);
    EXPECT_EQ(session.record.outRect.right, 0);
}

TEST_F(EntryTest, NegativeAmountIsRefusedBeforeAnyRequest) {
    Open();
    session.record.parameters = HostParametersHandle(-1);
    EXPECT_EQ(Call(filterSelectorStart), filterBadParameters);
    EXPECT_EQ(session.advanceCalls, 0);
    EXPECT_EQ(session.record.inRect.bottom, 0);
    ParametersOf(&session.record)->Amount = 0;  // pitch 1 is still a lattice
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    HostDisposeHandle(Params());
}

bool ConfirmingDialog(FilterInstance* instance) {
    *instance->result = noErr;
    return true;
}

bool CancellingDialog(FilterInstance* instance) {
    *instance->result = userCanceledErr;
    return false;
}

TEST_F(EntryTest, DialogBranchUsesFilterRectAndKeepsDialogsRequest) {
    settings.haveDescriptorSuites = false;
    settings.filterRect = Rect{5, 6, 50, 60};
    Open();
    Call(filterSelectorParameters);
    nativeFilterDialog = ConfirmingDialog;
    session.record.inRect = Rect{0, 0, 200, 300};  // as the dialog's whole-image request leaves it
    session.record.outRect = session.record.inRect;
    session.record.inLoPlane = 0;
    session.record.inHiPlane = 0;
    session.record.outLoPlane = 0;
    session.record.outHiPlane = 0;
    session.record.inputPadding = 7;
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    EXPECT_EQ(Instance()->showDialog, 0);
    EXPECT_EQ(Instance()->workRect.top, 5);
    EXPECT_EQ(Instance()->workRect.right, 60);
    EXPECT_EQ(session.record.inRect.bottom, 200);  // not replaced by the filter rectangle
    EXPECT_EQ(session.record.inputPadding, 7);
    // The next Start without Parameters runs without the dialog.
    nativeFilterDialog = CancellingDialog;
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    EXPECT_EQ(session.record.inRect.bottom, 50);
}

TEST_F(EntryTest, CancelledDialogClearsRequest) {
    settings.haveDescriptorSuites = false;
    Open();
    Call(filterSelectorParameters);
    nativeFilterDialog = CancellingDialog;
    session.record.inRect = Rect{1, 1, 2, 2};
    EXPECT_EQ(Call(filterSelectorStart), userCanceledErr);
    EXPECT_EQ(session.record.inRect.bottom, 0);
    EXPECT_EQ(session.advanceCalls, 0);
}

TEST_F(EntryTest, DialogThatCannotBeShownEndsStartWithoutRequest) {
    settings.haveDescriptorSuites = false;
    Open();
    Call(filterSelectorParameters);
    EXPECT_EQ(Call(filterSelectorStart), errPlugInHostInsufficient);
    EXPECT_EQ(session.advanceCalls, 0);
    EXPECT_EQ(session.record.inRect.bottom, 0);
}

TEST_F(EntryTest, ContinueOnEmptyFilterRectClearsRequest) {
    Open();
    session.record.filterRect = Rect{10, 10, 10, 50};
    session.record.inRect = Rect{1, 2, 3, 4};
    session.record.outRect = Rect{1, 2, 3, 4};
    session.record.maskRect = Rect{1, 2, 3, 4};
    EXPECT_EQ(Call(filterSelectorContinue), noErr);
    EXPECT_TRUE(RequestsAre(session.record, Rect{0, 0, 0, 0}));
}

TEST_F(EntryTest, AboutTouchesNoFilterField) {
    Open();
    const int32 before = nativeAboutBoxCalls;
    // An AboutRecord alone, with guard bytes where a FilterRecord would go on.
    struct {
        AboutRecord about;
        unsigned char guard[512];
    } block;
    memset(&block, 0xA5, sizeof(block));
    block.about.platformData = nullptr;
    intptr_t data = 0;
    int16 result = 99;
    PluginMain(filterSelectorAbout, &block.about, &data, &result);
    EXPECT_EQ(result, noErr);
    EXPECT_EQ(data, 0);
    EXPECT_EQ(nativeAboutBoxCalls, before + 1);
    for (unsigned char byte : block.guard) ASSERT_EQ(byte, 0xA5);
}

TEST_F(EntryTest, NullArgumentsDoNotCrash) {
    Open();
    int16 result = 99;
    intptr_t data = 0;
    PluginMain(filterSelectorStart, nullptr, &data, &result);
    EXPECT_EQ(result, filterBadParameters);
    result = 99;
    PluginMain(filterSelectorStart, &session.record, nullptr, &result);
    EXPECT_EQ(result, filterBadParameters);
    PluginMain(filterSelectorStart, &session.record, &data, nullptr);
    EXPECT_EQ(data, 0);
}

// ---- Fireworks: the instance lives in a host handle ----------------------

int32 lockFailDisposals = 0;
Ptr PI_CDECL FailingLock(Handle, Boolean) { return nullptr; }
void PI_CDECL CountingDispose(Handle h) {
    ++lockFailDisposals;
    HostDisposeHandle(h);
}

TEST_F(EntryTest, FireworksKeepsInstanceInHostHandle) {
    HostKind = hostKindFireworks;
    Open();
    EXPECT_EQ(Call(filterSelectorParameters), noErr);
    ASSERT_NE(session.data, 0);
    Handle held = reinterpret_cast<Handle>(session.data);
    EXPECT_EQ(session.liveHandles, 1);  // made through the host's suite
    FilterInstance* instance = reinterpret_cast<FilterInstance*>(*held);
    EXPECT_EQ(instance->showDialog, 1);
    EXPECT_EQ(instance->filter, &session.record);
    EXPECT_EQ(Call(filterSelectorPrepare), noErr);
    EXPECT_EQ(reinterpret_cast<Handle>(session.data), held);
    HostDisposeHandle(held);
}

TEST_F(EntryTest, FireworksWithUnusableSuiteUsesOwnHandle) {
    HostKind = hostKindFireworks;
    for (int variant = 0; variant < 3; ++variant) {
        Open();
        if (variant == 0) session.handleProcs.handleProcsVersion = 2;
        if (variant == 1) session.handleProcs.numHandleProcs = 6;
        if (variant == 2) session.handleProcs.getSizeProc = nullptr;
        EXPECT_EQ(Call(filterSelectorParameters), noErr);
        ASSERT_NE(session.data, 0);
        EXPECT_EQ(session.liveHandles, 0);
        const OwnHandle* own = reinterpret_cast<const OwnHandle*>(session.data);
        EXPECT_EQ(own->tag, ownHandleTag);
        EXPECT_EQ(reinterpret_cast<FilterInstance*>(own->dataBlock)->showDialog, 1);
        DisposeOwnHandle(reinterpret_cast<Handle>(session.data));
        CloseHostSession(&session);
    }
}

TEST_F(EntryTest, FireworksLockFailureDisposesHandleAndLeavesSlot) {
    HostKind = hostKindFireworks;
    Open();
    session.handleProcs.lockProc = FailingLock;
    session.handleProcs.disposeProc = CountingDispose;
    lockFailDisposals = 0;
    EXPECT_EQ(Call(filterSelectorParameters), memFullErr);
    EXPECT_EQ(session.data, 0);
    EXPECT_EQ(lockFailDisposals, 1);
    EXPECT_EQ(session.liveHandles, 0);
}

TEST_F(EntryTest, FireworksHandleAllocationFailure) {
    HostKind = hostKindFireworks;
    Open();
    session.handleProcs.handleProcsVersion = 2;  // own handles
    globalAllocFailAt = 1;
    EXPECT_EQ(Call(filterSelectorParameters), memFullErr);
    EXPECT_EQ(session.data, 0);
}

}  // namespace
