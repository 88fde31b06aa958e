// The library's own module handle, for loading its resources.
#pragma once

extern void* moduleHandle;  // HMODULE, set by DLLMain; null until then

// moduleHandle back to null.
void ResetModuleHandle();
