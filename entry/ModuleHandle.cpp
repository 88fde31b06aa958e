#include "entry/ModuleHandle.h"

void* moduleHandle = nullptr;
