// The plug-in's lasting state: every module variable that outlives a call,
// the file that owns it, how long what it holds matters, and the one call
// that puts all of them back as a freshly loaded library has them. Each
// owner keeps its variables and offers the small reset named here;
// nothing else outlives a call (the instance record and the parameter
// block are the host's to keep). tests/system/build/module_state.sh compares
// this list with the variables the builds actually contain.
//
// Lifetimes: "per load" holds from the library's load to its unload and is
// carried from run to run; "per dialog" is set when a filter dialog opens
// (or its preview window is attached) and is not read after it closes.
//
// clang-format off
// | Variables | Owner | Lifetime | Reset |
// |---|---|---|---|
// | moduleHandle | entry/ModuleHandle.cpp | per load, set by DLLMain | ResetModuleHandle |
// | HostKind | entry/HostKind.cpp | per load, set by DLLMain from the host's file name | ResetHostKind |
// | directionOrder | labyrinth/DirectionChoice.cpp | per load, reshuffled by every direction choice | ResetDirectionOrder |
// | labyrinthBuildProgress | labyrinth/BuildProgress.cpp | per run, restarted by every labyrinth built; read by the native host's progress line | ResetBuildProgress |
// | resolutionWidth | filter/ResolutionFactor.cpp | per load, the last full-resolution width on After Effects | ResetResolutionFactor |
// | dialogInstance, savedAmount, dialogOpened, dialogDecided, standInAmount | dialogs/FilterDialogState.cpp | per dialog | ResetFilterDialogState |
// | previewState, renderDepth, pendingSource, pendingFiltered, heldPending, heldMessage | preview/PreviewSchedule.cpp | per dialog | ResetPreviewSchedule |
// | previewImageFetched | preview/PreviewImage.cpp | per dialog | ResetPreviewImage |
// | previousPreviewProc, previewInstance, moveCursor, dragActive, lastMouseX, lastMouseY | preview/PreviewWindowWin32.cpp (Windows build) | per dialog | ResetPreviewWindow |
// | nativeFilterDialog, nativeAboutBoxCalls | dialogs/DialogsPosix.cpp (native build) | per load, the tests' stand-in for the user | ResetNativeDialogs |
// | posixAlertLog, posixAlertStringId, posixAlertString, posixAlertAnswer | host/AlertPosix.cpp (native build) | per load, the tests' stand-in for the alert box | ResetPosixAlert |
// clang-format on
//
// Not the plug-in's: the C runtime's random generator, which the host seeds
// (the labyrinth draws from it), and the test programs' own hooks in
// tests/support/ (allocations made to fail on purpose).
#pragma once

// Every variable above back to its value at load. DLLMain runs it when the
// library is attached; the native host runs it before each run, so that a
// run in a long-lived process starts as one with a freshly loaded .8bf.
void ResetModuleState();

// The part of ResetModuleState that only one build has: the preview
// window's variables in the Windows build, the stand-ins for the window
// system in the native one (ModuleStateWin32.cpp, ModuleStatePosix.cpp).
void ResetWindowSystemState();
