// What --seed hands the C runtime's generator. glibc's srand takes 0 as 1,
// and msvcrt's generator never lets the top bit of its seed reach a number
// it draws. So the accepted seeds are 0..maxSeed; each is handed over as it
// is, except 0, which is handed over as 2^31: glibc starts from a state of
// its own for it, and msvcrt, which sees only the lower 31 bits, from its
// own seed 0. No two accepted seeds start either runtime in the same state,
// and every other seed draws the labyrinth it always drew.
#pragma once

#include <cstdint>

const uint32_t maxSeed = 2147483647u;

uint32_t RuntimeSeedFor(uint32_t seed);

// Several files with one --seed: the file at index (0 for the first INPUT)
// gets seed + index, counted round after maxSeed; so each file gets its own
// labyrinth, and one file's result can be made again alone with
// --seed seed+index.
uint32_t FileSeed(uint32_t seed, uint32_t index);
