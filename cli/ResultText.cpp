#include "cli/ResultText.h"

#include "entry/DefaultAmount.h"

std::string ResultText(int16 result, int16 amount) {
    const std::string code = " (result " + std::to_string(result) + ")";
    switch (result) {
        case memFullErr: return "the plug-in ran out of memory" + code;
        case userCanceledErr: return "the filter was cancelled" + code;
        case filterBadParameters:
            if (amount < 0)
                return "--amount " + std::to_string(amount) +
                       " is refused: Amount is the corridor width in pixels, 0 or more "
                       "(default " +
                       std::to_string(VORN_DEFAULT_AMOUNT) + ")" + code;
            return "the plug-in refused the parameters (Amount " + std::to_string(amount) + ")" +
                   code;
        case filterBadMode: return "the plug-in does not handle this image mode" + code;
        case errPlugInHostInsufficient:
            return "the plug-in needs something this host does not offer" + code;
        case -50: return "the plug-in asked for image data the host does not have" + code;
        default: return "the plug-in failed with result code " + std::to_string(result);
    }
}
