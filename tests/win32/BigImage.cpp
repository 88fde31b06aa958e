// The real plug-in over a very large image inside a 32-bit host process:
// the pass either completes or answers out of memory (-108) with the image
// untouched; it never crashes. Prints the time and the process's peak
// memory.
//
// The host here is lean on purpose: the image lives in one buffer, and
// advanceState hands the plug-in pointers into it for input and output
// alike (rows width x 3 bytes apart, no copies, no padding), with the
// selection in a second buffer of one byte per pixel. A host that kept
// separate source, input, output and result copies of 100 megapixels (the
// test host does) would run out of address space before the plug-in has
// allocated anything. Input and output may share memory for this filter:
// it reads the whole rectangle into its planes before it writes any pixel.
//
// Usage: win_BigImage PLUGIN WIDTH HEIGHT [mask | smallmask]
//   mask: the selection is the ellipse inscribed in the image (a fifth of
//   the pixels unselected); smallmask: a central ellipse covering a fifth
//   of the image, and the top-left and bottom-right pixels, so that the
//   selection's bounding box is still the whole image and four fifths of
//   it are unselected. Every unselected pixel seeds a wall, so the
//   frontier list holds every one of them.
// Exit 0 when the pass completed or answered -108 cleanly; the last line
// says which.
#include "testhost/PluginLoader.h"
#include "tests/win32/WinCheck.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

struct LeanHost {
    HostSession session;
    int32 width = 0;
    int32 height = 0;
    uint8_t* image = nullptr;  // width x height x 3, rows packed
    uint8_t* mask = nullptr;   // width x height, or null
    int32 advanceCalls = 0;
};

LeanHost lean;

bool InsideImage(const Rect& r) {
    return r.top >= 0 && r.left >= 0 && r.bottom <= lean.height && r.right <= lean.width &&
           r.top < r.bottom && r.left < r.right;
}

uint8_t* PixelAt(uint8_t* base, const Rect& r, int32 rowBytes, int32 pixelBytes) {
    return base + static_cast<size_t>(r.top) * rowBytes + static_cast<size_t>(r.left) * pixelBytes;
}

// Delivers pointers into the one image buffer; refuses requests it cannot
// serve without copying (outside the image, other planes).
OSErr PI_CDECL LeanAdvanceState() {
    FilterRecord& record = lean.session.record;
    ++lean.advanceCalls;
    const int32 rowBytes = lean.width * 3;
    record.inData = record.outData = record.maskData = nullptr;
    const Rect in = record.inRect;
    const Rect out = record.outRect;
    const bool anyRequest = in.bottom != in.top || out.bottom != out.top;
    if (!anyRequest) return noErr;
    if (!InsideImage(in) || memcmp(&in, &out, sizeof in) != 0) return -50;
    if (record.inLoPlane != 0 || record.inHiPlane != 2 || record.outLoPlane != 0 ||
        record.outHiPlane != 2)
        return -50;
    record.inData = PixelAt(lean.image, in, rowBytes, 3);
    record.outData = record.inData;
    record.inRowBytes = record.outRowBytes = rowBytes;
    record.inColumnBytes = record.outColumnBytes = 3;
    if (lean.mask != nullptr) {
        const Rect m = record.maskRect;
        if (memcmp(&m, &in, sizeof m) != 0) return -50;
        record.maskData = PixelAt(lean.mask, m, lean.width, 1);
        record.maskRowBytes = lean.width;
    }
    return noErr;
}

uint64_t Checksum(const uint8_t* bytes, size_t count) {
    uint64_t sum = 1469598103934665603ull;
    for (size_t i = 0; i < count; ++i) sum = (sum ^ bytes[i]) * 1099511628211ull;
    return sum;
}

// The peak working set, from kernel32's
// K32GetProcessMemoryInfo (psapi's structure, laid out here).
struct MemoryCounters {
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize;
    SIZE_T WorkingSetSize;
    SIZE_T QuotaPeakPagedPoolUsage;
    SIZE_T QuotaPagedPoolUsage;
    SIZE_T QuotaPeakNonPagedPoolUsage;
    SIZE_T QuotaNonPagedPoolUsage;
    SIZE_T PagefileUsage;
    SIZE_T PeakPagefileUsage;
};
typedef BOOL(WINAPI* GetMemoryInfoProc)(HANDLE, MemoryCounters*, DWORD);

void PrintPeakMemory() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    GetMemoryInfoProc get = reinterpret_cast<GetMemoryInfoProc>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "K32GetProcessMemoryInfo")));
    MemoryCounters counters = {};
    counters.cb = sizeof counters;
    if (get == nullptr || !get(GetCurrentProcess(), &counters, sizeof counters)) {
        printf("peak memory: not available\n");
        return;
    }
    // Wine's private-bytes counter does not follow the heap; the peak
    // working set (resident memory) does.
    printf("peak memory: %.0f MB working set\n", counters.PeakWorkingSetSize / 1048576.0);
}

void PrintAddressSpace() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    GlobalMemoryStatusEx(&status);
    printf("address space: %.0f MB for this process\n", status.ullTotalVirtual / 1048576.0);
}

bool IsWall(const uint8_t* pixel) { return pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0; }
bool IsCorridor(const uint8_t* pixel) {
    return pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        printf("usage: win_BigImage PLUGIN WIDTH HEIGHT [mask]\n");
        return 2;
    }
    const int32 width = atoi(argv[2]);
    const int32 height = atoi(argv[3]);
    const bool smallMask = argc > 4 && strcmp(argv[4], "smallmask") == 0;
    const bool withMask = smallMask || (argc > 4 && strcmp(argv[4], "mask") == 0);
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
        printf("FAILED: sides must be 1..32767\n");
        return 2;
    }
    PrintAddressSpace();

    LoadedPlugin plugin;
    if (!LoadPluginUnderTest(argc, argv, &plugin)) return 1;

    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    lean.width = width;
    lean.height = height;
    lean.image = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, pixels * 3, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (lean.image == nullptr) {
        printf("FAILED: the host cannot hold the image itself (%.0f MB)\n", pixels * 3 / 1048576.0);
        return 1;
    }
    for (size_t i = 0; i < pixels * 3; ++i) lean.image[i] = static_cast<uint8_t>(90 + i % 7);
    if (withMask) {
        lean.mask = static_cast<uint8_t*>(
            VirtualAlloc(nullptr, pixels, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (lean.mask == nullptr) {
            printf("FAILED: the host cannot hold the selection\n");
            return 1;
        }
        // An ellipse of half-axes k * width and k * height covers
        // pi * k^2 of the image: a fifth for k = sqrt(0.2 / pi).
        const double cy = height / 2.0, cx = width / 2.0;
        const double fifth = 0.25231325220201604;
        const double ry = smallMask ? height * fifth : cy, rx = smallMask ? width * fifth : cx;
        for (int32 y = 0; y < height; ++y) {
            for (int32 x = 0; x < width; ++x) {
                const double dy = (y - cy) / ry, dx = (x - cx) / rx;
                lean.mask[static_cast<size_t>(y) * width + x] = dy * dy + dx * dx < 1.0 ? 255 : 0;
            }
        }
        if (smallMask) lean.mask[0] = lean.mask[pixels - 1] = 255;
        size_t unselected = 0;
        for (size_t i = 0; i < pixels; ++i) unselected += lean.mask[i] == 0 ? 1 : 0;
        printf("selection: %.1f%% of the pixels unselected\n", 100.0 * unselected / pixels);
    }
    const uint64_t before = Checksum(lean.image, pixels * 3);

    // A tiny stand-in image for the session's own copies: this host
    // delivers from its buffer, not from the session's.
    HostImage stand;
    stand.width = stand.height = 1;
    stand.channels = 3;
    stand.samples.assign(3, 0);
    HostSettings settings;
    settings.imageMode = plugInModeRGBColor;
    settings.planes = 3;
    settings.haveDescriptorSuites = false;  // no dialog: Start requests at once
    OpenHostSession(&lean.session, stand, settings);
    FilterRecord& record = lean.session.record;
    record.imageSize = Point{static_cast<int16>(height), static_cast<int16>(width)};
    record.wholeSize = record.imageSize;
    record.filterRect = Rect{0, 0, static_cast<int16>(height), static_cast<int16>(width)};
    record.haveMask = withMask ? 1 : 0;
    record.advanceState = LeanAdvanceState;

    printf("image: %d x %d RGB (%.1f megapixels)%s\n", width, height, pixels / 1e6,
           smallMask  ? ", small elliptic selection and two corners"
           : withMask ? ", elliptic selection"
                      : "");
    fflush(stdout);
    const ULONGLONG start = GetTickCount64();
    const int16 prepare = CallSelector(&lean.session, plugin.entry, filterSelectorPrepare);
    const int16 started = CallSelector(&lean.session, plugin.entry, filterSelectorStart);
    WIN_CHECK_EQ(prepare, noErr);
    WIN_CHECK_EQ(started, noErr);
    WIN_CHECK_EQ(lean.advanceCalls, 1);
    const int16 result = CallSelector(&lean.session, plugin.entry, filterSelectorContinue);
    const double seconds = (GetTickCount64() - start) / 1000.0;
    printf("pass: %.1f s, result %d\n", seconds, result);
    PrintPeakMemory();

    WIN_CHECK(result == noErr || result == memFullErr);
    WIN_CHECK_EQ(record.inRect.bottom, 0);  // the request ended either way
    const uint64_t after = Checksum(lean.image, pixels * 3);
    if (result == noErr) {
        WIN_CHECK(after != before);
        // The border of the rectangle is wall; without a selection every
        // pixel is wall or corridor, and both occur.
        WIN_CHECK(IsWall(lean.image));
        WIN_CHECK(IsWall(lean.image + (pixels - 1) * 3));
        size_t walls = 0, corridors = 0;
        for (size_t i = 0; i < pixels; i += 997) {
            walls += IsWall(lean.image + i * 3) ? 1 : 0;
            corridors += IsCorridor(lean.image + i * 3) ? 1 : 0;
        }
        WIN_CHECK(walls > 0 && corridors > 0);
        WIN_CHECK_EQ(walls + corridors, (pixels + 996) / 997);
        WIN_CHECK_EQ(CallSelector(&lean.session, plugin.entry, filterSelectorFinish), noErr);
        printf("outcome: completed\n");
    } else {
        WIN_CHECK(after == before);  // nothing written
        printf("outcome: out of memory, image untouched\n");
    }
    CloseHostSession(&lean.session);
    UnloadFilterPlugin(&plugin);
    return FinishChecks("bigimage");
}
