// Amount through the host's scripting descriptors.
#include "dialogs/DialogsPosix.h"
#include "entry/ModuleState.h"
#include "entry/Parameters.h"
#include "entry/Scripting.h"
#include "entry/Selectors.h"
#include "testhost/HostSession.h"
#include "tests/support/HostImages.h"

#include <gtest/gtest.h>

namespace {

HostImage SmallImage() { return UniformImage(40, 30, 1, 5); }

bool dialogShown = false;
bool RecordingDialog(FilterInstance* instance) {
    dialogShown = true;
    *instance->result = noErr;
    return true;
}

class ScriptingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetModuleState();
        dialogShown = false;
        nativeFilterDialog = RecordingDialog;
        settings.imageMode = plugInModeGrayScale;
        settings.planes = 1;
    }
    void TearDown() override {
        nativeFilterDialog = nullptr;
        CloseHostSession(&session);
    }
    void Open() { OpenHostSession(&session, SmallImage(), settings); }
    int16 Call(int16 selector) { return CallSelector(&session, PluginMain, selector); }
    int16 Amount() const { return ParametersOf(&session.record)->Amount; }
    void SetAmount(int16 value) { ParametersOf(&session.record)->Amount = value; }
    FilterInstance* Instance() { return reinterpret_cast<FilterInstance*>(session.data); }
    PIDescriptorHandle Descriptor() const { return session.descriptorParameters.descriptor; }

    HostSettings settings;
    HostSession session;
};

TEST_F(ScriptingTest, ScriptedAmountWithoutDialog) {
    Open();
    Call(filterSelectorParameters);
    SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, 25}});
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    EXPECT_EQ(Amount(), 25);
    EXPECT_FALSE(dialogShown);  // playInfo 0 overrides the Parameters call
    EXPECT_EQ(Descriptor(), nullptr);
    EXPECT_EQ(session.liveHandles, 0);  // the descriptor was disposed of
    EXPECT_EQ(session.advanceCalls, 1);
}

TEST_F(ScriptingTest, MissingKeyKeepsAmountAndResult) {
    Open();
    Call(filterSelectorParameters);
    SetAmount(33);
    SetScriptDescriptor(&session, {ScriptItem{0x41424344, typeInteger, 7}});
    EXPECT_EQ(Call(filterSelectorStart), noErr);  // -1715 from the close is not an error
    EXPECT_EQ(Amount(), 33);
}

TEST_F(ScriptingTest, LastValueWinsAndOnlyLowSixteenBitsAreKept) {
    Open();
    SetScriptDescriptor(
        &session, {ScriptItem{keyAmount, typeInteger, 12}, ScriptItem{0x61626364, typeInteger, 99},
                   ScriptItem{keyAmount, typeInteger, 70000}});
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    EXPECT_EQ(Amount(), 4464);
    SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, 150}});
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    EXPECT_EQ(Amount(), 150);
}

TEST_F(ScriptingTest, NegativeScriptedAmountIsRefusedBeforeAnyRequest) {
    Open();
    SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, -3}});
    EXPECT_EQ(Call(filterSelectorStart), filterBadParameters);
    EXPECT_EQ(Amount(), -3);  // stored as given
    EXPECT_EQ(session.advanceCalls, 0);
    EXPECT_EQ(session.record.inRect.bottom, 0);
    // 65535 arrives as -1 in sixteen bits: refused the same way.
    SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, 65535}});
    EXPECT_EQ(Call(filterSelectorStart), filterBadParameters);
}

TEST_F(ScriptingTest, PlayInfoDecidesTheDialog) {
    settings.playInfo = plugInDialogSilent;
    Open();
    Call(filterSelectorParameters);
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    EXPECT_FALSE(dialogShown);

    session.descriptorParameters.playInfo = plugInDialogDisplay;
    EXPECT_EQ(Call(filterSelectorStart), noErr);  // no Parameters call, yet a dialog
    EXPECT_TRUE(dialogShown);
}

CloseReadDescriptorProc hostClose = nullptr;
OSErr PI_CDECL FailingClose(PIReadDescriptor token) {
    hostClose(token);
    return -50;
}

TEST_F(ScriptingTest, ReadDirectlyStoresCloseCode) {
    Open();
    Call(filterSelectorPrepare);
    hostClose = session.readProcs.closeReadDescriptorProc;
    session.readProcs.closeReadDescriptorProc = FailingClose;
    SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, 20}});
    int16 result = 0;
    Instance()->result = &result;
    Instance()->filter = &session.record;
    EXPECT_EQ(ReadScriptParameters(Instance()), -50);
    EXPECT_EQ(result, -50);
}

TEST_F(ScriptingTest, NoSuitesLeaveEverythingAlone) {
    settings.haveDescriptorSuites = false;
    Open();
    Call(filterSelectorParameters);
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    EXPECT_TRUE(dialogShown);  // Parameters asked for it, nothing overrode it
    EXPECT_EQ(Call(filterSelectorFinish), noErr);
    EXPECT_TRUE(session.scriptRecorded.empty());
}

TEST_F(ScriptingTest, FinishRecordsAmountAndReplacesOldDescriptor) {
    Open();
    Call(filterSelectorParameters);
    SetAmount(-3);
    SetScriptDescriptor(&session, {ScriptItem{0x41424344, typeInteger, 1}});
    ASSERT_EQ(session.liveHandles, 1);
    session.descriptorParameters.recordInfo = plugInDialogRequired;
    EXPECT_EQ(Call(filterSelectorFinish), noErr);
    ASSERT_EQ(session.scriptRecorded.size(), 1u);
    EXPECT_EQ(session.scriptRecorded[0].key, keyAmount);
    EXPECT_EQ(session.scriptRecorded[0].value, -3);
    EXPECT_EQ(session.descriptorParameters.recordInfo, plugInDialogOptional);
    EXPECT_NE(Descriptor(), nullptr);
    EXPECT_EQ(session.liveHandles, 1);  // the old one went, the new one came
}

struct SuiteDamage {
    const char* what;
    void (*apply)(HostSession*);
};

TEST_F(ScriptingTest, DamagedSuitesAreNotUsed) {
    const SuiteDamage damages[] = {
        {"17 read procedures", [](HostSession* s) { s->readProcs.numReadDescriptorProcs = 17; }},
        {"a null read procedure", [](HostSession* s) { s->readProcs.getStringProc = nullptr; }},
        {"read suite version 1",
         [](HostSession* s) { s->readProcs.readDescriptorProcsVersion = 1; }},
        {"15 write procedures", [](HostSession* s) { s->writeProcs.numWriteDescriptorProcs = 15; }},
        {"no putIntegerProc", [](HostSession* s) { s->writeProcs.putIntegerProc = nullptr; }},
        {"no closeWriteDescriptorProc",
         [](HostSession* s) { s->writeProcs.closeWriteDescriptorProc = nullptr; }},
        {"parameters version 1",
         [](HostSession* s) { s->descriptorParameters.descriptorParametersVersion = 1; }},
        {"no read suite",
         [](HostSession* s) { s->descriptorParameters.readDescriptorProcs = nullptr; }},
    };
    for (const SuiteDamage& damage : damages) {
        SCOPED_TRACE(damage.what);
        Open();
        EXPECT_TRUE(DescriptorSuitesAvailable(&session.descriptorParameters)) << "healthy";
        // Open() restores healthy suites; damage them now.
        damage.apply(&session);
        EXPECT_FALSE(DescriptorSuitesAvailable(&session.descriptorParameters));
        SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, 44}});
        Call(filterSelectorParameters);
        dialogShown = false;
        EXPECT_EQ(Call(filterSelectorStart), noErr);
        EXPECT_EQ(Amount(), 10);
        EXPECT_TRUE(dialogShown);
        EXPECT_NE(Descriptor(), nullptr);  // never touched
        EXPECT_EQ(Call(filterSelectorFinish), noErr);
        EXPECT_TRUE(session.scriptRecorded.empty());
        CloseHostSession(&session);
    }
}

TEST_F(ScriptingTest, NullReadTokenStillFollowsPlayInfo) {
    Open();
    session.readProcs.openReadDescriptorProc =
        [](PIDescriptorHandle, DescriptorKeyID*) -> PIReadDescriptor { return nullptr; };
    Call(filterSelectorParameters);
    SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, 44}});
    EXPECT_EQ(Call(filterSelectorStart), noErr);
    EXPECT_EQ(Amount(), 10);
    EXPECT_FALSE(dialogShown);
    EXPECT_NE(Descriptor(), nullptr);  // nothing was read, nothing disposed of
}

}  // namespace
