// Ids of the dialog templates and of their controls: included by the
// resource script (Dialogs.dlg), the dialog code and the Win32 test
// drivers. Plain macros, so that the resource compiler reads them too.
#ifndef VORN_RESOURCES_DIALOG_IDS_H
#define VORN_RESOURCES_DIALOG_IDS_H

// Templates.
#define DIALOG_ABOUT_BOX 101
#define DIALOG_FILTER 102

// The About box's one text control.
#define CONTROL_ABOUT_TEXT 1001

// The filter dialog's controls beside OK (IDOK, 1) and Cancel (IDCANCEL, 2).
#define CONTROL_ZOOM_IN 1002
#define CONTROL_ZOOM_OUT 1003
#define CONTROL_PREVIEW 1007
#define CONTROL_ZOOM_LABEL 1008
#define CONTROL_OPTIONS_GROUP 1009
#define CONTROL_AMOUNT_LABEL 1010
#define CONTROL_AMOUNT_EDIT 1011
#define CONTROL_AMOUNT_SLIDER 1012

#endif
