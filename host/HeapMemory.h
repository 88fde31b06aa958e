// Short-lived working buffers of a filter pass and of the preview come from
// the runtime heap through these calls, so that every allocation can be made
// to fail on purpose in tests.
#pragma once

#include <cstddef>
#include <cstdint>

// malloc / realloc / free, answering null where the runtime does, or where
// the failure hook below says so. Sizes of 0 are allowed (a 1-byte block).
void* AllocBuffer(size_t bytes);
void* ResizeBuffer(void* block, size_t bytes);  // null: the old block stays valid
void FreeBuffer(void* block);

// Multiplies element count and size, answering false when the product does
// not fit in size_t (or exceeds what the platform can address).
bool BufferBytes(size_t count, size_t elementSize, size_t* bytes);

// Test support: when positive, the n-th next AllocBuffer or ResizeBuffer call
// (1 = the very next one) fails. 0 turns this off. heapAllocCount counts the
// calls made, so a test can learn how many allocations a pass makes.
extern int32_t heapAllocFailAt;
extern int32_t heapAllocCount;

// Bytes held in blocks from AllocBuffer / ResizeBuffer that are not yet
// released, and the most ever held at once (a measurement may set it back
// to heapBytesInUse before it starts).
extern size_t heapBytesInUse;
extern size_t heapPeakBytes;
