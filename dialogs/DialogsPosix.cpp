// Without a window system there is no dialog to show. The filter dialog then
// counts as one that could not be created: Start ends with
// errPlugInHostInsufficient and requests nothing. Tests may put their own
// stand-in for the user in nativeFilterDialog.
#include "dialogs/DialogsPosix.h"
#include "dialogs/AboutBox.h"
#include "dialogs/FilterDialog.h"

bool (*nativeFilterDialog)(FilterInstance* instance) = nullptr;
int32_t nativeAboutBoxCalls = 0;

void ResetNativeDialogs() {
    nativeFilterDialog = nullptr;
    nativeAboutBoxCalls = 0;
}

bool RunFilterDialog(FilterInstance* instance) {
    if (nativeFilterDialog != nullptr) return nativeFilterDialog(instance);
    *instance->result = errPlugInHostInsufficient;
    return false;
}

intptr_t RunAboutBox(const AboutRecord*) {
    ++nativeAboutBoxCalls;
    return 0;
}
