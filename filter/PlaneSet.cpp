#include "filter/PixelPlanes.h"

#include "host/HeapMemory.h"

bool AllocPlaneSet(PlaneSet* planes, int32_t planeCount, size_t pixelCount) {
    if (planes == nullptr) return false;
    *planes = PlaneSet{};
    if (planeCount > maxPlaneCount) return false;
    size_t bytes = 0;
    if (!BufferBytes(pixelCount, sizeof(float), &bytes)) return false;
    for (int32_t l = 0; l < planeCount; ++l) {
        planes->planes[l] = static_cast<float*>(AllocBuffer(bytes));
        if (planes->planes[l] == nullptr) {
            FreePlaneSet(planes);
            return false;
        }
    }
    return true;
}

void FreePlaneSet(PlaneSet* planes) {
    if (planes == nullptr) return;
    for (float*& plane : planes->planes) {
        FreeBuffer(plane);
        plane = nullptr;
    }
}
