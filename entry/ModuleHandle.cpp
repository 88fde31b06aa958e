#include "entry/ModuleHandle.h"

void* moduleHandle = nullptr;

void ResetModuleHandle() { moduleHandle = nullptr; }
