// The Windows build's part of the lasting state: the preview window.
#include "entry/ModuleState.h"

#include "preview/PreviewWindow.h"

void ResetWindowSystemState() { ResetPreviewWindow(); }
