// How far the labyrinth being built has come. BuildLabyrinth calls nothing
// back while it runs (it can take seconds on a large image at a small
// Amount), so a host that links the labyrinth in may read these from
// another thread to show progress: lattice points turned into walls so
// far, out of the open lattice points after seeding, which is as many as
// growth can reach. Both are atomics written with relaxed stores by the
// building thread alone; a reader sees a value that was true a moment ago.
#pragma once

#include <atomic>
#include <cstdint>

struct LabyrinthBuildProgress {
    std::atomic<uint32_t> walled;     // lattice points turned into walls by growth
    std::atomic<uint32_t> reachable;  // open lattice points once the grid is seeded
};

// Reset by every BuildLabyrinth; written by SeedGrid and GrowWalls.
extern LabyrinthBuildProgress labyrinthBuildProgress;

// Both counts back to 0, as at load.
void ResetBuildProgress();
