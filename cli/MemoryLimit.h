// How much memory this process can still obtain: the smaller of what the
// system has available (physical memory not in use plus free swap) and the
// process's own limits (address space, data size; on Win32 the free
// virtual address space, 2 GB in all for an ordinary 32-bit process).
#pragma once

#include <cstdint>

uint64_t AvailableMemoryBytes();
