#include "preview/PreviewSchedule.h"

int32_t previewState = Idle;

namespace {

int32_t renderDepth = 0;     // renders on the stack
bool pendingSource = false;  // asked for while a render ran
bool pendingFiltered = false;
bool heldPending = false;  // OK/Cancel/Close waiting for the render
HeldMessage heldMessage = {0, 0, 0};

}  // namespace

void ResetPreviewSchedule() {
    previewState = Idle;
    renderDepth = 0;
    pendingSource = false;
    pendingFiltered = false;
    heldPending = false;
    heldMessage = HeldMessage{0, 0, 0};
}

bool PreviewRenderRunning() { return renderDepth > 0; }

bool BeginPreviewRender(bool runFilter) {
    if (runFilter && PreviewRenderRunning()) {
        pendingFiltered = true;
        return false;
    }
    // A render started inside another one must not wipe what the outer
    // one was asked to do afterwards.
    if (PreviewRenderRunning()) {
        pendingSource = pendingSource || previewState == Rezoom;
        pendingFiltered = pendingFiltered || previewState == Refilter || previewState == Rezoom;
    }
    ++renderDepth;
    previewState = Rendering;
    return true;
}

RenderFollowUp EndPreviewRender() {
    RenderFollowUp next = {false, HeldMessage{0, 0, 0}, false, false};
    const int32_t state = previewState;
    previewState = Idle;
    if (renderDepth > 0) --renderDepth;

    pendingSource = pendingSource || state == Rezoom;
    pendingFiltered = pendingFiltered || state == Refilter || state == Rezoom;
    if (renderDepth > 0) return next;

    if (heldPending) {
        next.postHeld = true;
        next.held = heldMessage;
    } else if (state != Hold) {
        next.postSource = pendingSource;
        next.postFiltered = pendingFiltered;
    }
    heldPending = false;
    pendingSource = false;
    pendingFiltered = false;
    return next;
}

bool NoteFilteredRequest() {
    if (previewState == Idle) return true;
    if (previewState == Rendering) previewState = Refilter;
    return false;
}

bool NoteZoomStep() {
    if (previewState != Rendering) return true;
    previewState = Rezoom;
    return false;
}

bool HoldWhileRendering(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (!PreviewRenderRunning()) return false;
    previewState = Hold;
    if (!heldPending) {
        heldPending = true;
        heldMessage = HeldMessage{message, wParam, lParam};
    }
    return true;
}

void NoteDragStart() { previewState = Hold; }

bool NoteDragEnd() {
    if (previewState == Idle || previewState == Hold) {
        previewState = Idle;
        return true;
    }
    if (previewState == Rendering) previewState = Refilter;
    return false;
}
