// The global memory the tests link in place of host/GlobalMemoryPosix.cpp:
// the same four calls (host/GlobalMemory.h), and able to fail on purpose.
#pragma once

#include "host/GlobalMemory.h"

#include <cstdint>

// When positive, the n-th next AllocGlobalLocked call (1 = the very next
// one) fails as if memory had run out. 0 turns this off.
extern int32_t globalAllocFailAt;
