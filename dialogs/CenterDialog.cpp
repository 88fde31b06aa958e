#include "dialogs/CenterDialog.h"

DialogPosition CenteredDialogPosition(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                      int32_t width, int32_t height) {
    return DialogPosition{(left + right - width) / 2, (top + bottom - height) / 3};
}
