// When the preview renders. Renders are asked for by posting the plug-in's
// own messages to the filter dialog, so that requests made while a render
// runs collapse into one follow-up render of each kind. A filtered render
// runs the filter pass, whose abortProc lets the host dispatch window
// messages: the dialog and the preview window are then entered again while
// the render is still on the stack. previewState and the render depth kept
// here decide what may happen at such a moment.
#pragma once

#include <cstdint>

enum PreviewStates : int32_t {
    Idle = 0,       // no render running, nothing pending
    Hold = 1,       // a drag is on, or OK/Cancel/Close waits for the render
    Refilter = 2,   // Amount or the view changed during a render: filter again
    Rezoom = 3,     // the zoom changed during a render: both renders again
    Rendering = 4,  // a render is running
};

extern int32_t previewState;

// The plug-in's own window messages (WM_APP range).
const uint32_t WM_PREVIEW_ATTACH = 0x8001;    // to the preview control, once
const uint32_t WM_PREVIEW_FILTERED = 0x8064;  // to the dialog: render with the labyrinth
const uint32_t WM_PREVIEW_SOURCE = 0x8065;    // to the dialog: render without it

// A window message kept to be posted later.
struct HeldMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// What the dialog is to be sent when the outermost render ends, in this
// order: the held OK/Cancel/Close (nothing else then), or an unfiltered
// and/or a filtered render.
struct RenderFollowUp {
    bool postHeld;
    HeldMessage held;
    bool postSource;
    bool postFiltered;
};

// Back to Idle with nothing running, held or pending: when a dialog opens
// and when it has ended.
void ResetPreviewSchedule();

// Whether a render is on the stack (possibly suspended in abortProc).
bool PreviewRenderRunning();

// Start of a render: previewState := Rendering. A filtered render never
// starts inside another one (the filter pass is not re-entrant, and the
// running pass still owns workRect); it answers false then, and the
// filtered render follows when the outermost render ends.
bool BeginPreviewRender(bool runFilter);

// End of a render: previewState := Idle. The outermost render answers what
// to post: Refilter asks for a filtered render, Rezoom for an unfiltered
// and then a filtered one, a filtered render refused meanwhile for a
// filtered one, and a held OK/Cancel/Close for itself alone. A render that
// ends in Hold with a drag still on asks for nothing: the button release
// does. A render ending inside another one posts nothing; what it would
// have asked for waits for the outer one.
RenderFollowUp EndPreviewRender();

// RequestFilteredPreview (Amount changed, dialog opened): answers true when
// WM_PREVIEW_FILTERED is to be posted now (Idle); during a render the
// running render is marked Refilter instead; Hold, Refilter and Rezoom stay.
bool NoteFilteredRequest();

// A zoom step: answers true when the two renders are to run now; during a
// render it marks Rezoom and answers false.
bool NoteZoomStep();

// OK, Cancel or Close: answers true when a render is running, in which case
// previewState := Hold and the message is kept (the first one, when
// several come) to be posted when the render ends.
bool HoldWhileRendering(uint32_t message, uintptr_t wParam, intptr_t lParam);

// Left button pressed in the preview: previewState := Hold.
void NoteDragStart();

// Left button released (or the drag ended otherwise): answers true when
// WM_PREVIEW_FILTERED is to be posted now. Idle and Hold (a press and
// release without a move leaves Hold behind) become Idle and post;
// Rendering becomes Refilter; Refilter and Rezoom stay.
bool NoteDragEnd();
