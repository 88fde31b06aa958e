// The entry point and one handler per selector.
#pragma once

#include "entry/FilterInstance.h"

#if defined(_WIN32)
#define VORN_EXPORT __declspec(dllexport)
#else
#define VORN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" VORN_EXPORT void PI_CDECL PluginMain(int16 selector, void* paramBlock, intptr_t* data,
                                                int16* result);

void OnAbout(const AboutRecord* about);
void OnParameters(FilterInstance* instance);
void OnPrepare(FilterInstance* instance);
void OnStart(FilterInstance* instance);
void OnContinue(FilterInstance* instance);
void OnFinish(FilterInstance* instance);

void InitializeInstance(FilterInstance* instance);
