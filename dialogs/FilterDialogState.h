// The filter dialog's own state and the decisions that open and close it:
// which instance it edits, the Amount to put back on Cancel, and what the
// Start selector learns when the dialog is gone.
#pragma once

#include "entry/FilterInstance.h"

extern FilterInstance* dialogInstance;  // the open dialog's instance
extern int16 savedAmount;               // Amount when the dialog opened

// Everything above as a freshly loaded library has it: no instance, no
// saved Amount, no dialog opened or decided, the stand-in at the default.
void ResetFilterDialogState();

// Before the dialog is created: nothing has run yet.
void PrepareFilterDialog();

// WM_INITDIALOG, first step: keeps the instance and the Amount in effect.
// Nothing scheduled from an earlier dialog carries over.
void OpenFilterDialog(FilterInstance* instance);

// Whether WM_INITDIALOG ran for the dialog being shown.
bool FilterDialogOpened();

// The Amount the dialog edits: the parameter block's, or, should the host
// have none, a stand-in that lives only as long as the dialog.
int16* DialogAmount();

// OK: result 0 and the preview buffers released.
void ConfirmFilterDialog();

// Cancel or Close: result userCanceledErr, Amount as it was, buffers
// released.
void CancelFilterDialog();

// After the modal loop: previewState is Idle and nothing is left
// scheduled. A dialog that never opened ends Start with
// errPlugInHostInsufficient, since the preview never asked the host for
// the image; one that closed without OK or Cancel counts as cancelled.
// Answers whether the user confirmed (the result is 0).
bool FinishFilterDialog(FilterInstance* instance);
