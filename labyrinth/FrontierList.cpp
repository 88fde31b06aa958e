// The growable list of grid points from which wall growth resumes.
#include "labyrinth/LabyrinthParts.h"

#include "host/HeapMemory.h"

#include <cstdint>

FrontierList* CreateFrontierList(int32_t capacity, int32_t width) {
    FrontierList* list = static_cast<FrontierList*>(AllocBuffer(sizeof(FrontierList)));
    if (list == nullptr) return nullptr;
    list->capacity = 0;
    list->lastIndex = -1;
    list->items = nullptr;
    list->width = width > 0 ? width : 1;
    if (capacity > 0) {
        size_t bytes = 0;
        void* items = nullptr;
        if (BufferBytes(static_cast<size_t>(capacity), sizeof(uint32_t), &bytes))
            items = AllocBuffer(bytes);
        if (items == nullptr) {
            FreeBuffer(list);
            return nullptr;
        }
        list->items = static_cast<uint32_t*>(items);
        list->capacity = capacity;
    }
    return list;
}

namespace {

// Gives the array room for newCapacity points. Nothing changes when that
// does not fit in memory; the old array then stays valid and in place.
bool ResizeFrontierList(FrontierList* list, int32_t newCapacity) {
    size_t bytes = 0;
    if (!BufferBytes(static_cast<size_t>(newCapacity), sizeof(uint32_t), &bytes)) return false;
    void* items = ResizeBuffer(list->items, bytes);
    if (items == nullptr) return false;
    list->items = static_cast<uint32_t*>(items);
    list->capacity = newCapacity;
    return true;
}

// Doubles the array; nothing changes when the new capacity would not fit in
// int32.
bool GrowFrontierList(FrontierList* list) {
    if (list->capacity > INT32_MAX / 2) return false;
    return ResizeFrontierList(list, list->capacity > 0 ? list->capacity * 2 : 1);
}

}  // namespace

bool ReserveFrontierList(FrontierList* list, int64_t more) {
    const int64_t wanted = int64_t(list->lastIndex) + 1 + (more > 0 ? more : 0);
    if (wanted <= list->capacity) return true;
    // Beyond int32 the list cannot count; it holds what it can, and a push
    // past that fails as a push onto a full list of that size does.
    return ResizeFrontierList(list, wanted > INT32_MAX ? INT32_MAX : int32_t(wanted));
}

bool PushPoint(FrontierList* list, int32_t column, int32_t row) {
    if (list->lastIndex >= list->capacity - 1 && !GrowFrontierList(list)) return false;
    ++list->lastIndex;
    list->items[list->lastIndex] = CellOf(list->width, column, row);
    return true;
}

void DropLast(FrontierList* list) { --list->lastIndex; }

GridPoint PointAt(const FrontierList* list, int32_t index) {
    const uint32_t cell = list->items[index];
    const uint32_t width = static_cast<uint32_t>(list->width);
    return GridPoint{static_cast<int32_t>(cell % width), static_cast<int32_t>(cell / width)};
}

GridPoint TakeAt(FrontierList* list, int32_t index) {
    const GridPoint point = PointAt(list, index);
    list->items[index] = list->items[list->lastIndex];
    DropLast(list);
    return point;
}

void DestroyFrontierList(FrontierList* list) {
    if (list == nullptr) return;
    if (list->capacity > 0) FreeBuffer(list->items);
    FreeBuffer(list);
}
