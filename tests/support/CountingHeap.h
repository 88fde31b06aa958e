// The heap the tests link in place of host/HeapMemory.cpp: the same three
// calls (host/HeapMemory.h), counted, and able to fail on purpose.
#pragma once

#include "host/HeapMemory.h"

#include <cstddef>
#include <cstdint>

// When positive, the n-th next AllocBuffer or ResizeBuffer call (1 = the
// very next one) fails. 0 turns this off. heapAllocCount counts the calls
// made, so a test can learn how many allocations a pass makes.
extern int32_t heapAllocFailAt;
extern int32_t heapAllocCount;

// Bytes held in blocks from AllocBuffer / ResizeBuffer that are not yet
// released, and the most ever held at once (a measurement may set it back
// to heapBytesInUse before it starts).
extern size_t heapBytesInUse;
extern size_t heapPeakBytes;
