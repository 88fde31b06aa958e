// The plug-in's working buffers straight from the C runtime's heap.
#include "host/HeapMemory.h"

#include <cstdlib>

void* AllocBuffer(size_t bytes) { return malloc(bytes == 0 ? 1 : bytes); }

void* ResizeBuffer(void* block, size_t bytes) { return realloc(block, bytes == 0 ? 1 : bytes); }

void FreeBuffer(void* block) { free(block); }
