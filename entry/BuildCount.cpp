#include "entry/BuildCount.h"

#include "labyrinth/BuildProgress.h"

void ReadBuildCount(int64_t* done, int64_t* total) {
    *done = labyrinthBuildProgress.walled.load(std::memory_order_relaxed);
    *total = labyrinthBuildProgress.reachable.load(std::memory_order_relaxed);
}
