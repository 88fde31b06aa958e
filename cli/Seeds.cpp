#include "cli/Seeds.h"

uint32_t RuntimeSeedFor(uint32_t seed) {
    const uint32_t accepted = seed & maxSeed;
    return accepted == 0 ? maxSeed + 1u : accepted;
}

uint32_t FileSeed(uint32_t seed, uint32_t index) {
    return uint32_t((uint64_t(seed & maxSeed) + index) % (uint64_t(maxSeed) + 1));
}
