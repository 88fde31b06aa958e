#include "entry/ModuleState.h"

#include "dialogs/FilterDialogState.h"
#include "entry/HostKind.h"
#include "entry/ModuleHandle.h"
#include "filter/ResolutionFactor.h"
#include "labyrinth/BuildProgress.h"
#include "labyrinth/LabyrinthParts.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewSchedule.h"

void ResetModuleState() {
    ResetModuleHandle();
    ResetHostKind();
    ResetDirectionOrder();
    ResetBuildProgress();
    ResetResolutionFactor();
    ResetFilterDialogState();
    ResetPreviewSchedule();
    ResetPreviewImage();
    ResetWindowSystemState();
}
