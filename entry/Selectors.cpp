// The six selector handlers and the per-call initialisation.
#include "entry/Selectors.h"

#include "dialogs/AboutBox.h"
#include "dialogs/FilterDialog.h"
#include "entry/ModuleHandle.h"
#include "entry/Parameters.h"
#include "entry/Scripting.h"
#include "filter/FilterPass.h"
#include "filter/RecordChecks.h"
#include "host/Alert.h"
#include "host/DataRequest.h"
#include "host/Handles.h"

void InitializeInstance(FilterInstance* instance) {
    FilterRecord* filter = instance->filter;
    filter->supportsPadding = 0;
    instance->previewPixels = nullptr;
    instance->previewMask = nullptr;
    instance->transparencyPlane = nullptr;
    instance->hasTransparency =
        (filter->planes == 3 || filter->planes == 1) && filter->inTransparencyMask != 0 ? 1 : 0;
    if (filter->parameters == nullptr) {
        filter->parameters = NewOwnHandle(static_cast<int32>(sizeof(FilterParameters)));
        if (filter->parameters != nullptr) {
            ParametersOf(filter)->Amount = defaultAmount;
        } else {
            *instance->result = memFullErr;
        }
    }
}

void OnAbout(const AboutRecord* about) { RunAboutBox(about); }

void OnParameters(FilterInstance* instance) {
    InitializeInstance(instance);
    instance->showDialog = 1;
}

void OnPrepare(FilterInstance* instance) {
    instance->filter->bufferSpace = 0;
    instance->filter->maxSpace = 0;
}

namespace {

// Ends Start before the request with `code` as its result.
bool Refuse(FilterInstance* instance, OSErr code) {
    *instance->result = code;
    return false;
}

// Start up to the host's request: the checks, the scripted parameters and
// the dialog, then the request rectangles. False when Start ends there,
// with the result set to why (by the dialog when it was cancelled).
bool PrepareRequest(FilterInstance* instance) {
    FilterRecord* filter = instance->filter;
    if (!RequireAdvanceState(filter->advanceState, moduleHandle))
        return Refuse(instance, userCanceledErr);
    InitializeInstance(instance);
    // No parameter block could be made: there is no Amount to work with.
    if (ParametersOf(filter) == nullptr) return Refuse(instance, memFullErr);
    // An image the filter does not work on (another mode, no planes) is
    // refused before anything is requested or shown.
    const OSErr format = CheckImageFormat(filter);
    if (format != noErr) return Refuse(instance, format);
    ReadScriptParameters(instance);

    if (instance->showDialog != 0) {
        instance->showDialog = 0;
        if (!RunFilterDialog(instance)) return false;
        // The dialog left the request at the whole image, so the filter
        // rectangle itself addresses the pixels inside the buffers.
        instance->workRect = filter->filterRect;
        return true;
    }
    // A pitch below 1 has no lattice and generation would never end; only
    // scripting can bring such a value, and it is refused before any pixel
    // is requested.
    if (ParametersOf(filter)->Amount < 0) return Refuse(instance, filterBadParameters);
    RequestFilterRect(filter);
    // The buffers then hold the filter rectangle alone: the pass starts at
    // their corner.
    instance->workRect.top = 0;
    instance->workRect.left = 0;
    instance->workRect.bottom =
        static_cast<int16>(filter->filterRect.bottom - filter->filterRect.top);
    instance->workRect.right =
        static_cast<int16>(filter->filterRect.right - filter->filterRect.left);
    return true;
}

}  // namespace

void OnStart(FilterInstance* instance) {
    FilterRecord* filter = instance->filter;
    int16* result = instance->result;
    *result = noErr;
    bool requested = false;
    if (PrepareRequest(instance)) {
        *result = filter->advanceState();
        requested = *result == noErr;
    }
    // A Start that ends without the host's buffers leaves no request behind.
    if (!requested) ClearRequestRects(filter);
}

void OnContinue(FilterInstance* instance) {
    FilterRecord* filter = instance->filter;
    if (filter->filterRect.top != filter->filterRect.bottom &&
        filter->filterRect.left != filter->filterRect.right) {
        RunFilterPass(instance);
    }
    ClearRequestRects(filter);
}

void OnFinish(FilterInstance* instance) { WriteScriptParameters(instance); }
