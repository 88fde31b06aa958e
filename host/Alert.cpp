#include "host/Alert.h"

#include "host/AlertPlatform.h"

#include <cstring>

int32 ShowWarningAlert(void* module, void* owner, int16 alertId, int16 stringId,
                       const CountedText* first, const CountedText* second) {
    CountedText message;
    ClearText(&message);
    if (alertId == 0) return 0;
    if (stringId > 0) {
        // 255 characters of room: at most 254 and the zero byte.
        char loaded[255];
        memset(loaded, 0, sizeof(loaded));
        LoadAlertString(module, stringId, loaded, static_cast<int32>(sizeof(loaded)));
        loaded[sizeof(loaded) - 1] = '\0';
        AppendText(&message, loaded, 0, static_cast<int16>(strlen(loaded)));
    }
    ExpandPlaceholders(&message, nullptr, first, second);
    return ShowAlertBox(owner, TextChars(&message), alertBoxStyle);
}

bool RequireAdvanceState(AdvanceStateProc advanceState, void* module) {
    if (advanceState != nullptr) return true;
    // The oldest host version that has the callback.
    CountedText version;
    ClearText(&version);
    DecimalText(&version, 3.0, 1);
    ShowWarningAlert(module, nullptr, versionAlertId, versionMessageId, &version, nullptr);
    return false;
}
