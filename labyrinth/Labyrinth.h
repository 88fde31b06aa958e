// Labyrinth generation on a byte grid covering one work rectangle.
#pragma once

#include <cstddef>
#include <cstdint>

// Cell codes of a labyrinth grid.
const uint8_t Open = 0;     // corridor: background colour
const uint8_t Wall = 1;     // wall: foreground colour
const uint8_t Outline = 2;  // selection outline, only while seeding

// Seeds the width x height grid (row by row, one byte per pixel) and grows
// walls on the lattice of the given pitch (>= 1; below 1 there is no lattice
// and the grid keeps its seed walls alone). mask: the selection, one byte
// per cell, 0 = unselected, its rows maskRowBytes apart so that a host's
// mask can be read where it lies; null for none. Randomness comes from
// rand(), which is never seeded here. Answers false only when the frontier
// list could not be created or sized, or when the grid has more than 2^32
// cells (the list keeps cell indices in 32 bits); the grid's contents are
// then unspecified and must not be painted.
bool BuildLabyrinth(uint8_t* grid, int32_t pitch, int32_t width, int32_t height,
                    const uint8_t* mask, ptrdiff_t maskRowBytes);
