#include "labyrinth/BuildProgress.h"

LabyrinthBuildProgress labyrinthBuildProgress;

void ResetBuildProgress() {
    labyrinthBuildProgress.walled.store(0, std::memory_order_relaxed);
    labyrinthBuildProgress.reachable.store(0, std::memory_order_relaxed);
}
