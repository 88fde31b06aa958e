// Short-lived working buffers of a filter pass and of the preview come from
// the runtime heap through these three calls. The unit tests, the fuzz
// target and the benchmarks link a counting replacement in their place
// (tests/support/CountingHeap.cpp), which can make any allocation fail on
// purpose; that is why host/HeapMemory.cpp defines these three and nothing
// else.
#pragma once

#include <cstddef>
#include <cstdint>

// malloc / realloc / free, answering null where the runtime does. Sizes of
// 0 are allowed (a 1-byte block).
void* AllocBuffer(size_t bytes);
void* ResizeBuffer(void* block, size_t bytes);  // null: the old block stays valid
void FreeBuffer(void* block);

// Multiplies element count and size, answering false when the product does
// not fit in size_t (or exceeds what the platform can address).
inline bool BufferBytes(size_t count, size_t elementSize, size_t* bytes) {
    if (elementSize != 0 && count > SIZE_MAX / elementSize) return false;
    *bytes = count * elementSize;
    return true;
}
