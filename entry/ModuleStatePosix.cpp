// The native build's part of the lasting state: the stand-ins for the
// dialogs and the alert box that the tests set.
#include "entry/ModuleState.h"

#include "dialogs/DialogsPosix.h"
#include "host/AlertPosix.h"

void ResetWindowSystemState() {
    ResetNativeDialogs();
    ResetPosixAlert();
}
