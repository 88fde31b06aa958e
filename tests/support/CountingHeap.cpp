// AllocBuffer, ResizeBuffer and FreeBuffer for the tests: each block carries
// its size, so that the bytes held can be followed, and any allocation can
// be made to fail.
#include "tests/support/CountingHeap.h"

#include <cstddef>
#include <cstdlib>

int32_t heapAllocFailAt = 0;
int32_t heapAllocCount = 0;
size_t heapBytesInUse = 0;
size_t heapPeakBytes = 0;

namespace {

// Each block carries its requested size in front of it, so that the byte
// counters can follow resizes and releases. The header keeps the block's
// alignment what malloc gives.
union BlockHeader {
    size_t bytes;
    max_align_t alignment;
};

bool HookSaysFail() {
    ++heapAllocCount;
    return heapAllocFailAt > 0 && --heapAllocFailAt == 0;
}

void CountBytes(size_t released, size_t added) {
    heapBytesInUse = heapBytesInUse - released + added;
    if (heapBytesInUse > heapPeakBytes) heapPeakBytes = heapBytesInUse;
}

BlockHeader* HeaderOf(void* block) { return static_cast<BlockHeader*>(block) - 1; }

}  // namespace

void* AllocBuffer(size_t bytes) { return ResizeBuffer(nullptr, bytes); }

void* ResizeBuffer(void* block, size_t bytes) {
    if (HookSaysFail()) return nullptr;
    if (bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    BlockHeader* old = block == nullptr ? nullptr : HeaderOf(block);
    const size_t oldBytes = old == nullptr ? 0 : old->bytes;
    BlockHeader* header =
        static_cast<BlockHeader*>(realloc(old, sizeof(BlockHeader) + (bytes == 0 ? 1 : bytes)));
    if (header == nullptr) return nullptr;
    header->bytes = bytes;
    CountBytes(oldBytes, bytes);
    return header + 1;
}

void FreeBuffer(void* block) {
    if (block == nullptr) return;
    BlockHeader* header = HeaderOf(block);
    CountBytes(header->bytes, 0);
    free(header);
}
