#include "fuzz/FuzzDialog.h"

#include "entry/Parameters.h"
#include "preview/PreviewBuffers.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewImage.h"
#include "preview/PreviewPixelMap.h"
#include "preview/PreviewRender.h"
#include "preview/PreviewZoom.h"

FuzzInput* dialogInput = nullptr;

namespace {

// The preview control's rectangle: usually a plausible one, sometimes
// empty, reversed or oddly placed.
Rect PickFrame(FuzzInput* input) {
    const int16 left = int16(TakeBelow(input, 40));
    const int16 top = int16(TakeBelow(input, 40));
    switch (TakeBelow(input, 6)) {
        case 0: return Rect{top, left, top, int16(left + 100)};
        case 1: return Rect{int16(top + 50), int16(left + 50), top, left};
        case 2: return Rect{-300, -200, int16(-300 + TakeBelow(input, 200)), -100};
        default:
            return Rect{top, left, int16(top + 1 + TakeBelow(input, 250)),
                        int16(left + 1 + TakeBelow(input, 250))};
    }
}

void Render(FilterInstance* instance, FuzzInput* input) {
    RenderPreview(instance, TakeBelow(input, 4) != 0);
}

}  // namespace

bool FuzzFilterDialog(FilterInstance* instance) {
    FuzzInput* input = dialogInput;
    instance->previewFrame = PickFrame(input);
    AllocatePreviewBuffers(instance);
    FetchPreviewImage(instance);
    RenderPreview(instance, false);
    RenderPreview(instance, true);
    const int32_t moves = TakeBelow(input, 10);
    for (int32_t move = 0; move < moves; ++move) {
        switch (TakeBelow(input, 9)) {
            case 0: StepZoom(instance, -1); break;
            case 1: StepZoom(instance, 1); break;
            case 2: instance->zoomLevel = TakeInt16(input); break;
            case 3: {
                const int32_t dx = TakeBool(input) ? TakeInt32(input) : TakeBelow(input, 40) - 20;
                const int32_t dy = TakeBool(input) ? TakeInt32(input) : TakeBelow(input, 40) - 20;
                PanPreview(instance, dx, dy);
                break;
            }
            case 4:
                instance->panRow = TakeInt32(input);
                instance->panColumn = TakeInt32(input);
                break;
            case 5:
                if (FilterParameters* parameters = ParametersOf(instance->filter))
                    parameters->Amount = int16(1 + TakeBelow(input, 99));
                break;
            case 6: DrawPreviewPixels(instance, nullptr, 0, 0); break;
            default: break;
        }
        Render(instance, input);
    }
    DrawPreviewPixels(instance, nullptr, 0, 0);
    ReleasePreviewBuffers(instance);
    const bool confirmed = TakeBelow(input, 4) != 0;
    *instance->result = confirmed ? noErr : userCanceledErr;
    return confirmed;
}
