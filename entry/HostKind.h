// The kind of host application, told apart by the executable's file name
// when the library is loaded.
#pragma once

#include <cstdint>

const int32_t hostKindOther = 0;
const int32_t hostKindFireworks = 1;
const int32_t hostKindPhotoshop = 3;
const int32_t hostKindPremiere = 8;
const int32_t hostKindAfterEffects = 11;

extern int32_t HostKind;  // set by DLLMain from the host executable's name

// HostKind back to hostKindOther, as before DLLMain has run.
void ResetHostKind();

int32_t ClassifyHost(const char* fileName);
