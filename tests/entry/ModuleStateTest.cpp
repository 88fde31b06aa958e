// The one reset of the plug-in's lasting state: every variable of the list
// in entry/ModuleState.h, changed as runs and dialogs change it, is back at
// its value of a freshly loaded library afterwards.
#include "dialogs/DialogsPosix.h"
#include "dialogs/FilterDialogState.h"
#include "entry/HostKind.h"
#include "entry/ModuleHandle.h"
#include "entry/ModuleState.h"
#include "entry/Parameters.h"
#include "filter/ResolutionFactor.h"
#include "host/AlertPosix.h"
#include "labyrinth/LabyrinthParts.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewSchedule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool StandInDialog(FilterInstance*) { return true; }

// Every variable away from its value at load, the way the plug-in's own
// code (or a test standing in for the user) moves it.
void DisturbEverything(FilterInstance* instance) {
    static int module = 0;
    moduleHandle = &module;
    HostKind = hostKindAfterEffects;
    const int32_t draws[4] = {3, 2, 1, 3};
    const uint8_t grid[1] = {Open};
    ChooseDirectionWith(draws, grid, 2, 1, 1, 0, 0);  // reshuffles the order
    ResolutionFactor(640);
    OpenFilterDialog(instance);                   // the instance, the saved Amount, opened
    *DialogAmount() = 42;                         // no parameter block: the stand-in Amount
    BeginPreviewRender(false);                    // a render running
    HoldWhileRendering(WM_PREVIEW_SOURCE, 1, 2);  // and Cancel held for it
    previewImageFetched = true;
    nativeFilterDialog = StandInDialog;
    nativeAboutBoxCalls = 3;
    posixAlertLog.shownCount = 2;
    posixAlertStringId = 7;
    posixAlertString = "text";
    posixAlertAnswer = 2;
}

TEST(ModuleState, ResetPutsEveryListedVariableBackToItsValueAtLoad) {
    int16 result = 0;
    FilterRecord record{};
    FilterInstance instance{};
    instance.result = &result;
    instance.filter = &record;
    for (int32_t round = 0; round < 2; ++round) {
        DisturbEverything(&instance);
        ASSERT_NE(std::string(directionOrder, 4), "UDLR");
        ASSERT_EQ(previewState, Hold);
        ResetModuleState();

        EXPECT_EQ(moduleHandle, nullptr);
        EXPECT_EQ(HostKind, hostKindOther);
        EXPECT_EQ(std::string(directionOrder, 4), "UDLR");
        EXPECT_EQ(resolutionWidth, 0);
        EXPECT_EQ(dialogInstance, nullptr);
        EXPECT_EQ(savedAmount, 0);
        EXPECT_FALSE(FilterDialogOpened());
        EXPECT_EQ(*DialogAmount(), defaultAmount);
        EXPECT_EQ(previewState, Idle);
        EXPECT_FALSE(PreviewRenderRunning());
        // Nothing held or pending is posted when the next render ends.
        ASSERT_TRUE(BeginPreviewRender(true));
        const RenderFollowUp next = EndPreviewRender();
        EXPECT_FALSE(next.postHeld || next.postSource || next.postFiltered);
        EXPECT_FALSE(previewImageFetched);
        EXPECT_EQ(nativeFilterDialog, nullptr);
        EXPECT_EQ(nativeAboutBoxCalls, 0);
        EXPECT_EQ(posixAlertLog.shownCount, 0);
        EXPECT_EQ(posixAlertStringId, 0);
        EXPECT_EQ(posixAlertString, nullptr);
        EXPECT_EQ(posixAlertAnswer, 1);
    }
}

}  // namespace
