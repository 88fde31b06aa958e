// libFuzzer entry: a hostile host drives PluginMain through a run of
// selector calls chosen by the input, spoiling its records between calls,
// and checks after every call what the plug-in must never do: write into
// the host's input, write output outside the work rectangle or after a
// failure, leave a request standing after a failed Start or any Continue,
// keep heap buffers past the call, or answer a Continue with a code that
// is not its own.
#include "dialogs/DialogsPosix.h"
#include "entry/HostKind.h"
#include "entry/ModuleState.h"
#include "entry/Selectors.h"
#include "fuzz/FuzzDialog.h"
#include "fuzz/FuzzHost.h"
#include "host/HostSamples.h"
#include "tests/support/CountingHeap.h"
#include "tests/support/FailingGlobalMemory.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, int32_t detail) {
    fprintf(stderr, "robustness check failed: %s (%d)\n", what, int(detail));
    abort();
}

int32_t PickHostKind(FuzzInput* input) {
    static const int32_t kinds[] = {hostKindOther,
                                    hostKindPhotoshop,
                                    hostKindFireworks,
                                    hostKindPremiere,
                                    hostKindAfterEffects,
                                    0,
                                    3,
                                    7};
    return TakeOneOf(input, kinds);
}

int16 PickSelector(FuzzInput* input) {
    static const int16 selectors[] = {1, 2, 3, 4, 5, 3, 4, 3, 4, 0, 6, -1, 32767, -32768};
    return TakeOneOf(input, selectors);
}

bool RectIsZero(const Rect& r) {
    return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0;
}

bool RequestEnded(const FilterRecord& record) {
    return RectIsZero(record.inRect) && RectIsZero(record.outRect) && RectIsZero(record.maskRect);
}

std::vector<uint8_t> Copy(const DeliveredBuffer& buffer) {
    if (buffer.bytes == nullptr) return {};
    return std::vector<uint8_t>(buffer.bytes, buffer.bytes + buffer.size);
}

// Whether byte `index` of the output lies in a pixel of the work rectangle
// as the plug-in addresses it.
bool InsideWorkRect(const FuzzHost* host, const FilterInstance* instance, size_t index) {
    const FilterRecord& record = host->session.record;
    const int64_t rowBytes = record.outRowBytes;
    if (rowBytes <= 0) return false;
    const int64_t row = int64_t(index) / rowBytes;
    const int64_t offset = int64_t(index) % rowBytes;
    const Rect& work = instance->workRect;
    const int64_t step = int64_t(record.planes) * BytesPerSample(record.imageMode);
    const int64_t first = int64_t(work.left) * record.outColumnBytes;
    const int64_t width = int64_t(work.right) - work.left;
    return row >= work.top && row < work.bottom && offset >= first && offset < first + width * step;
}

void CheckContinue(FuzzHost* host, int16 result, const std::vector<uint8_t>& inBefore,
                   const std::vector<uint8_t>& outBefore) {
    if (result != noErr && result != memFullErr && result != userCanceledErr &&
        result != filterBadParameters && result != filterBadMode)
        Fail("Continue answered a code of its own making", result);
    if (!RequestEnded(host->session.record)) Fail("Continue left a request standing", result);
    if (Copy(host->inBuffer) != inBefore) Fail("the input buffer was written", result);
    const std::vector<uint8_t> outAfter = Copy(host->outBuffer);
    if (outAfter == outBefore) return;
    if (result != noErr) Fail("output written by a pass that failed", result);
    const FilterInstance* instance = FuzzInstance(host);
    for (size_t i = 0; i < outAfter.size(); ++i) {
        if (outAfter[i] != outBefore[i] && !InsideWorkRect(host, instance, i))
            Fail("output written outside the work rectangle", int32_t(i));
    }
}

// VORN_FUZZ_TRACE=1 prints every call, for turning an input into a test.
void Trace(const FuzzHost* host, int16 selector, int16 result) {
    static const bool tracing = getenv("VORN_FUZZ_TRACE") != nullptr;
    if (!tracing) return;
    const FilterRecord& r = host->session.record;
    fprintf(stderr,
            "selector %d -> %d | kind %d mode %d planes %d image %dx%d filterRect %d,%d,%d,%d "
            "haveMask %d in %d,%d,%d,%d rowBytes in %d out %d mask %d columns in %d out %d "
            "advanceCalls %d\n",
            selector, result, int(HostKind), r.imageMode, r.planes, r.imageSize.v, r.imageSize.h,
            r.filterRect.top, r.filterRect.left, r.filterRect.bottom, r.filterRect.right,
            r.haveMask, r.inRect.top, r.inRect.left, r.inRect.bottom, r.inRect.right,
            int(r.inRowBytes), int(r.outRowBytes), int(r.maskRowBytes), int(r.inColumnBytes),
            int(r.outColumnBytes), int(host->advanceCalls));
}

void CallPlugin(FuzzHost* host, int16 selector) {
    const std::vector<uint8_t> inBefore = Copy(host->inBuffer);
    const std::vector<uint8_t> outBefore = Copy(host->outBuffer);
    const size_t heapBefore = heapBytesInUse;
    const int16 result = CallSelector(&host->session, PluginMain, selector);
    NoteHostDescriptor(host);
    Trace(host, selector, result);
    if (heapBytesInUse != heapBefore) Fail("heap buffers outlived the call", selector);
    if (selector == filterSelectorContinue) CheckContinue(host, result, inBefore, outBefore);
    if (selector == filterSelectorStart && result != noErr && !RequestEnded(host->session.record))
        Fail("a failed Start left its request standing", result);
}

// What a freshly loaded library holds, so that an input replays alike.
void ResetPlugin() {
    srand(1);
    ResetModuleState();
    heapAllocFailAt = 0;
    globalAllocFailAt = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = {data, size, 0};
    ResetPlugin();
    HostKind = PickHostKind(&input);
    nativeFilterDialog = TakeBelow(&input, 8) != 0 ? FuzzFilterDialog : nullptr;
    dialogInput = &input;
    const size_t heapBefore = heapBytesInUse;

    FuzzHost* host = new FuzzHost();
    OpenFuzzHost(host, &input);
    for (int32_t step = 0; step < 24 && InputLeft(&input); ++step) {
        switch (TakeBelow(&input, 10)) {
            case 6:
            case 7: SpoilFuzzHost(host, &input); break;
            case 8: heapAllocFailAt = 1 + TakeBelow(&input, 24); break;
            case 9: globalAllocFailAt = 1 + TakeBelow(&input, 4); break;
            default: CallPlugin(host, PickSelector(&input)); break;
        }
    }
    heapAllocFailAt = 0;
    globalAllocFailAt = 0;
    CloseFuzzHost(host);
    delete host;
    if (heapBytesInUse != heapBefore) Fail("heap buffers left after the run", 0);
    return 0;
}
