// Seeding: the border without a selection; with one, the unselected area,
// the outline and the cells that close its diagonal steps; and the order in
// which the seeds enter the frontier list.
#include "labyrinth/LabyrinthParts.h"
#include "tests/support/CountingHeap.h"
#include "tests/support/LabyrinthCalls.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

struct Seeded {
    std::vector<uint8_t> grid;
    std::vector<std::pair<int32_t, int32_t>> pushed;  // (column, row)
};

Seeded Seed(int32_t width, int32_t height, const std::vector<uint8_t>* mask) {
    Seeded seeded;
    seeded.grid.assign(static_cast<size_t>(width) * height, 0xAB);  // garbage to clear
    FrontierList* list = CreateFrontierList(32, width);
    EXPECT_NE(list, nullptr);
    if (list == nullptr) return seeded;
    EXPECT_TRUE(SeedGrid(seeded.grid.data(), width, height, mask ? mask->data() : nullptr, list));
    for (int32_t i = 0; i <= list->lastIndex; ++i)
        seeded.pushed.emplace_back(PointAt(list, i).column, PointAt(list, i).row);
    DestroyFrontierList(list);
    return seeded;
}

std::vector<uint8_t> MaskWhere(int32_t width, int32_t height,
                               const std::function<bool(int32_t, int32_t)>& selected) {
    std::vector<uint8_t> mask(static_cast<size_t>(width) * height);
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c) mask[r * width + c] = selected(c, r) ? 255 : 0;
    return mask;
}

// Row-by-row list of the cells for which `wall` holds.
std::vector<std::pair<int32_t, int32_t>> CellsWhere(
    int32_t width, int32_t height, const std::function<bool(int32_t, int32_t)>& wall) {
    std::vector<std::pair<int32_t, int32_t>> cells;
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c)
            if (wall(c, r)) cells.emplace_back(c, r);
    return cells;
}

// Grid must be Wall exactly where `wall` holds, Open elsewhere, and the list
// must hold those walls row by row.
void ExpectSeeds(const Seeded& seeded, int32_t width, int32_t height,
                 const std::function<bool(int32_t, int32_t)>& wall) {
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c)
            EXPECT_EQ(seeded.grid[r * width + c], wall(c, r) ? Wall : Open)
                << "column " << c << " row " << r;
    EXPECT_EQ(seeded.pushed, CellsWhere(width, height, wall));
}

TEST(SeedGridBorder, PushesFirstRowThenSidesThenLastRow) {
    const int32_t width = 5, height = 4;
    const Seeded seeded = Seed(width, height, nullptr);
    std::vector<std::pair<int32_t, int32_t>> expected;
    for (int32_t c = 0; c < width; ++c) expected.emplace_back(c, 0);
    for (int32_t r = 1; r < height - 1; ++r) {
        expected.emplace_back(0, r);
        expected.emplace_back(width - 1, r);
    }
    for (int32_t c = 0; c < width; ++c) expected.emplace_back(c, height - 1);
    EXPECT_EQ(seeded.pushed, expected);
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c) {
            const bool border = r == 0 || c == 0 || r == height - 1 || c == width - 1;
            EXPECT_EQ(seeded.grid[r * width + c], border ? Wall : Open);
        }
}

TEST(SeedGridBorder, ThinRectanglesAreAllWallEachCellPushedOnce) {
    for (const auto& size : {std::make_pair(1, 6), std::make_pair(6, 1), std::make_pair(1, 1),
                             std::make_pair(2, 2), std::make_pair(2, 5)}) {
        const int32_t width = size.first, height = size.second;
        const Seeded seeded = Seed(width, height, nullptr);
        ExpectSeeds(seeded, width, height, [](int32_t, int32_t) { return true; });
    }
}

TEST(SeedGridMask, AllUnselectedMakesEveryCellAWall) {
    const int32_t width = 6, height = 5;
    const std::vector<uint8_t> mask(width * height, 0);
    const Seeded seeded = Seed(width, height, &mask);
    ExpectSeeds(seeded, width, height, [](int32_t, int32_t) { return true; });
    EXPECT_EQ(seeded.pushed.size(), static_cast<size_t>(width * height));
}

TEST(SeedGridMask, AllSelectedSeedsExactlyWhatNoMaskSeeds) {
    for (const auto& size :
         {std::make_pair(9, 7), std::make_pair(1, 4), std::make_pair(4, 1), std::make_pair(3, 3)}) {
        const int32_t width = size.first, height = size.second;
        std::vector<uint8_t> mask(width * height);
        for (size_t i = 0; i < mask.size(); ++i) mask[i] = static_cast<uint8_t>(1 + i * 37 % 255);
        const Seeded withMask = Seed(width, height, &mask);
        const Seeded without = Seed(width, height, nullptr);
        EXPECT_EQ(withMask.grid, without.grid);
        EXPECT_EQ(withMask.pushed, without.pushed);
    }
}

TEST(SeedGridMask, PartialSelectionCountsAsSelected) {
    const int32_t width = 12, height = 10;
    auto inside = [](int32_t c, int32_t r) { return (c - 6) * (c - 6) + (r - 5) * (r - 5) < 16; };
    const std::vector<uint8_t> full = MaskWhere(width, height, inside);
    for (uint8_t partial : {1, 128}) {
        std::vector<uint8_t> mask = full;
        for (uint8_t& value : mask)
            if (value != 0) value = partial;
        const Seeded seeded = Seed(width, height, &mask);
        const Seeded reference = Seed(width, height, &full);
        EXPECT_EQ(seeded.grid, reference.grid) << int(partial);
        EXPECT_EQ(seeded.pushed, reference.pushed) << int(partial);
    }
}

TEST(SeedGridMask, OutlineIsWalledAndInteriorStaysOpen) {
    // Selected rectangle columns 2..6, rows 1..4 of a 9 x 7 grid.
    const int32_t width = 9, height = 7;
    auto selected = [](int32_t c, int32_t r) { return c >= 2 && c <= 6 && r >= 1 && r <= 4; };
    const std::vector<uint8_t> mask = MaskWhere(width, height, selected);
    const Seeded seeded = Seed(width, height, &mask);
    ExpectSeeds(seeded, width, height,
                [](int32_t c, int32_t r) { return !(c >= 3 && c <= 5 && r >= 2 && r <= 3); });
}

TEST(SeedGridMask, LoneUnselectedPixelIsClosedOnAllFourDiagonals) {
    // Only (2, 2) is unselected: its four edge neighbours are outline, and
    // each diagonal neighbour, whose only unselected neighbour is (2, 2)
    // across a corner, is filled.
    const int32_t width = 7, height = 7;
    const std::vector<uint8_t> mask =
        MaskWhere(width, height, [](int32_t c, int32_t r) { return !(c == 2 && r == 2); });
    const Seeded seeded = Seed(width, height, &mask);
    ExpectSeeds(seeded, width, height, [&](int32_t c, int32_t r) {
        const bool edge = c == 0 || r == 0 || c == width - 1 || r == height - 1;
        return edge || (c >= 1 && c <= 3 && r >= 1 && r <= 3);
    });
}

// Each of the four diagonal boundaries needs its own fill rule: the step
// between two outline cells that touch only at a corner is closed.
TEST(SeedGridCornerFill, LeftAndUpperMarked) {
    const int32_t n = 10, k = 9;  // unselected where c + r < k
    const std::vector<uint8_t> mask =
        MaskWhere(n, n, [&](int32_t c, int32_t r) { return c + r >= k; });
    ExpectSeeds(Seed(n, n, &mask), n, n, [&](int32_t c, int32_t r) {
        return c == 0 || r == 0 || c == n - 1 || r == n - 1 || c + r <= k + 1;
    });
}

TEST(SeedGridCornerFill, RightAndUpperMarked) {
    const int32_t n = 10;  // unselected where c > r
    const std::vector<uint8_t> mask = MaskWhere(n, n, [](int32_t c, int32_t r) { return c <= r; });
    ExpectSeeds(Seed(n, n, &mask), n, n, [&](int32_t c, int32_t r) {
        return c == 0 || r == 0 || c == n - 1 || r == n - 1 || c >= r - 1;
    });
}

TEST(SeedGridCornerFill, RightAndLowerMarked) {
    const int32_t n = 10, k = 9;  // unselected where c + r > k
    const std::vector<uint8_t> mask =
        MaskWhere(n, n, [&](int32_t c, int32_t r) { return c + r <= k; });
    ExpectSeeds(Seed(n, n, &mask), n, n, [&](int32_t c, int32_t r) {
        return c == 0 || r == 0 || c == n - 1 || r == n - 1 || c + r >= k - 1;
    });
}

TEST(SeedGridCornerFill, LeftAndLowerMarked) {
    const int32_t n = 10;  // unselected where c < r
    const std::vector<uint8_t> mask = MaskWhere(n, n, [](int32_t c, int32_t r) { return c >= r; });
    ExpectSeeds(Seed(n, n, &mask), n, n, [&](int32_t c, int32_t r) {
        return c == 0 || r == 0 || c == n - 1 || r == n - 1 || c <= r + 1;
    });
}

TEST(SeedGridCornerFill, FilledCellsDoNotCountAsOutline) {
    // Unselected (4, 4) and (6, 6): each gets its outline cross and its four
    // filled diagonals, (5, 5) shared. (4, 6) sits between the outline cells
    // (4, 5) and (5, 6) with (5, 5) across the corner; (5, 5) is filled
    // before (4, 6) is visited but must not count as marked, so (4, 6) is
    // filled too, as is (6, 4).
    const int32_t n = 11;
    const std::vector<uint8_t> mask = MaskWhere(
        n, n, [](int32_t c, int32_t r) { return !((c == 4 && r == 4) || (c == 6 && r == 6)); });
    ExpectSeeds(Seed(n, n, &mask), n, n, [&](int32_t c, int32_t r) {
        const bool edge = c == 0 || r == 0 || c == n - 1 || r == n - 1;
        const bool nearFirst = c >= 3 && c <= 5 && r >= 3 && r <= 5;
        const bool nearSecond = c >= 5 && c <= 7 && r >= 5 && r <= 7;
        const bool between = (c == 6 && r == 4) || (c == 4 && r == 6);
        return edge || nearFirst || nearSecond || between;
    });
}

TEST(SeedGridMask, LeavesOnlyOpenAndWallOnRandomMasks) {
    srand(1234);
    for (int32_t trial = 0; trial < 50; ++trial) {
        const int32_t width = 1 + rand() % 30, height = 1 + rand() % 30;
        std::vector<uint8_t> mask(width * height);
        for (uint8_t& value : mask) value = rand() % 3 == 0 ? 0 : static_cast<uint8_t>(rand());
        const Seeded seeded = Seed(width, height, &mask);
        size_t walls = 0;
        for (uint8_t cell : seeded.grid) {
            EXPECT_TRUE(cell == Open || cell == Wall);
            walls += cell == Wall;
        }
        EXPECT_EQ(seeded.pushed.size(), walls);
        for (size_t i = 0; i < mask.size(); ++i)
            if (mask[i] == 0) { EXPECT_EQ(seeded.grid[i], Wall); }
    }
}

TEST(SeedGridFailure, PushesNothingWhenTheListCannotBeSized) {
    // 40 x 40 has 156 border cells, more than the list's first 32.
    std::vector<uint8_t> grid(40 * 40);
    FrontierList* list = CreateFrontierList(32, 40);
    ASSERT_NE(list, nullptr);
    heapAllocFailAt = 1;
    EXPECT_FALSE(SeedGrid(grid.data(), 40, 40, nullptr, list));
    heapAllocFailAt = 0;
    EXPECT_EQ(list->lastIndex, -1);
    EXPECT_EQ(list->capacity, 32);
    DestroyFrontierList(list);
}

// Room for the seeds, and for every lattice point growth could still reach:
// those left Open by the seeds.
TEST(SeedGridRoom, IsTheSeedsAndTheOpenLatticePoints) {
    std::vector<uint8_t> grid(40 * 40);
    FrontierList* list = CreateFrontierList(32, 40);
    ASSERT_NE(list, nullptr);
    const int32_t calls = heapAllocCount;
    ASSERT_TRUE(SeedGrid(grid.data(), 40, 40, nullptr, list));
    EXPECT_EQ(heapAllocCount - calls, 1);  // one resize, no doubling
    EXPECT_EQ(list->capacity, 156);        // no lattice: the seeds alone
    DestroyFrontierList(list);

    // Pitch 10: lattice rows and columns 0, 10, 20, 30; those in row 0 or
    // column 0 are border seeds, the 3 x 3 others are open.
    list = CreateFrontierList(32, 40);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(SeedGrid(grid.data(), 40, 40, nullptr, 40, 10, list));
    EXPECT_EQ(list->lastIndex + 1, 156);
    EXPECT_EQ(list->capacity, 156 + 9);
    DestroyFrontierList(list);

    srand(4321);
    for (int32_t trial = 0; trial < 40; ++trial) {
        const int32_t width = 1 + rand() % 60, height = 1 + rand() % 60;
        const int32_t pitch = 1 + rand() % 9;
        std::vector<uint8_t> mask(width * height);
        for (uint8_t& value : mask) value = rand() % 4 == 0 ? 0 : 255;
        std::vector<uint8_t> cells(mask.size());
        list = CreateFrontierList(0, width);
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(SeedGrid(cells.data(), width, height, mask.data(), width, pitch, list));
        // At pitch 1 every target touches the wall it grows from: no room.
        int32_t open = 0;
        for (int32_t r = 0; r < height && pitch > 1; r += pitch)
            for (int32_t c = 0; c < width; c += pitch) open += cells[r * width + c] == Open;
        EXPECT_EQ(list->capacity, list->lastIndex + 1 + open) << trial << " pitch " << pitch;
        DestroyFrontierList(list);
    }
}

}  // namespace
