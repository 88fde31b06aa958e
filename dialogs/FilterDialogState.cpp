#include "dialogs/FilterDialogState.h"

#include "entry/Parameters.h"
#include "preview/PreviewBuffers.h"
#include "preview/PreviewSchedule.h"

FilterInstance* dialogInstance = nullptr;
int16 savedAmount = 0;

namespace {

bool dialogOpened = false;   // WM_INITDIALOG ran
bool dialogDecided = false;  // OK, Cancel or Close ran
int16 standInAmount = defaultAmount;

void SetResult(FilterInstance* instance, OSErr code) {
    if (instance != nullptr && instance->result != nullptr) *instance->result = code;
}

}  // namespace

void ResetFilterDialogState() {
    dialogInstance = nullptr;
    savedAmount = 0;
    dialogOpened = false;
    dialogDecided = false;
    standInAmount = defaultAmount;
}

void PrepareFilterDialog() {
    dialogOpened = false;
    dialogDecided = false;
}

void OpenFilterDialog(FilterInstance* instance) {
    dialogInstance = instance;
    dialogOpened = true;
    dialogDecided = false;
    standInAmount = defaultAmount;
    savedAmount = *DialogAmount();
    ResetPreviewSchedule();
}

bool FilterDialogOpened() { return dialogOpened; }

int16* DialogAmount() {
    FilterParameters* parameters = dialogInstance != nullptr && dialogInstance->filter != nullptr
                                       ? ParametersOf(dialogInstance->filter)
                                       : nullptr;
    return parameters != nullptr ? &parameters->Amount : &standInAmount;
}

void ConfirmFilterDialog() {
    SetResult(dialogInstance, noErr);
    if (dialogInstance != nullptr) ReleasePreviewBuffers(dialogInstance);
    dialogDecided = true;
}

void CancelFilterDialog() {
    SetResult(dialogInstance, userCanceledErr);
    *DialogAmount() = savedAmount;
    if (dialogInstance != nullptr) ReleasePreviewBuffers(dialogInstance);
    dialogDecided = true;
}

bool FinishFilterDialog(FilterInstance* instance) {
    if (!dialogOpened) {
        SetResult(instance, errPlugInHostInsufficient);
    } else if (!dialogDecided) {
        dialogInstance = instance;
        CancelFilterDialog();
    }
    if (instance != nullptr) ReleasePreviewBuffers(instance);
    ResetPreviewSchedule();
    dialogOpened = false;
    dialogDecided = false;
    return instance != nullptr && instance->result != nullptr && *instance->result == noErr;
}
