#include "dialogs/FilterDialog.h"

// Seam: the filter dialog arrives with the dialogs work; until then it is
// a dialog that could not be created, and Start requests nothing.
bool RunFilterDialog(FilterInstance* instance) {
    *instance->result = errPlugInHostInsufficient;
    return false;
}
