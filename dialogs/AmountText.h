// The rules by which the dialog's Amount edit box and slider agree: how
// typed text becomes a value and which values are taken.
#pragma once

#include <cstdint>

// Characters read from the edit box, its terminating zero included: at most
// seven characters count.
const int32_t amountTextBuffer = 8;

// Decimal value of typed text: leading blanks skipped, an optional sign,
// then digits up to the first character that is none; 0 without digits.
int32_t ParseAmountText(const char* text);

// Whether a typed value is taken: inside the slider's range and different
// from the Amount in effect. Anything else is ignored without a word.
bool AcceptTypedAmount(int32_t value, int32_t rangeMin, int32_t rangeMax, int32_t amount);

// value held between lo and hi.
int32_t ClampToRange(int32_t value, int32_t lo, int32_t hi);
