// Whole labyrinths: special pitches and sizes, the use of rand(), repeatable
// output, out-of-memory handling, and properties every labyrinth keeps.
#include "labyrinth/LabyrinthParts.h"
#include "tests/support/CountingHeap.h"
#include "tests/support/LabyrinthCalls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Seeds(int32_t width, int32_t height, const uint8_t* mask) {
    std::vector<uint8_t> grid(static_cast<size_t>(width) * height);
    FrontierList* list = CreateFrontierList(32, width);
    EXPECT_NE(list, nullptr);
    if (list == nullptr) return grid;
    EXPECT_TRUE(SeedGrid(grid.data(), width, height, mask, list));
    DestroyFrontierList(list);
    return grid;
}

std::vector<uint8_t> Build(int32_t width, int32_t height, int32_t pitch, const uint8_t* mask) {
    std::vector<uint8_t> grid(static_cast<size_t>(width) * height, 0x5A);
    EXPECT_TRUE(BuildLabyrinth(grid.data(), pitch, width, height, mask));
    return grid;
}

std::vector<uint8_t> EllipseMask(int32_t width, int32_t height) {
    std::vector<uint8_t> mask(static_cast<size_t>(width) * height);
    const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
    const double rx = width * 0.45, ry = height * 0.4;
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c) {
            const double x = (c - cx) / rx, y = (r - cy) / ry;
            mask[r * width + c] = x * x + y * y < 1.0 ? 200 : 0;
        }
    return mask;
}

// A random mask: a few selected rectangles and discs, some with partial values.
std::vector<uint8_t> RandomMask(int32_t width, int32_t height) {
    std::vector<uint8_t> mask(static_cast<size_t>(width) * height, 0);
    const int shapes = 1 + rand() % 4;
    for (int s = 0; s < shapes; ++s) {
        const int32_t c0 = rand() % width, r0 = rand() % height;
        const int32_t size = 1 + rand() % (width > height ? width : height);
        const uint8_t value = static_cast<uint8_t>(1 + rand() % 255);
        const bool disc = rand() % 2 == 0;
        for (int32_t r = 0; r < height; ++r)
            for (int32_t c = 0; c < width; ++c) {
                const int32_t dc = c - c0, dr = r - r0;
                const bool in = disc ? dc * dc + dr * dr <= size * size / 4
                                     : dc >= 0 && dr >= 0 && dc < size && dr < size / 2 + 1;
                if (in) mask[r * width + c] = value;
            }
    }
    return mask;
}

class BuildLabyrinthTest : public ::testing::Test {
  protected:
    void SetUp() override {
        heapAllocFailAt = 0;
        ResetDirectionOrder();
    }
    void TearDown() override {
        heapAllocFailAt = 0;
        ResetDirectionOrder();
    }
};

TEST_F(BuildLabyrinthTest, PitchOneGivesTheSeedsAlone) {
    srand(1);
    EXPECT_EQ(Build(23, 17, 1, nullptr), Seeds(23, 17, nullptr));
    const std::vector<uint8_t> mask = EllipseMask(23, 17);
    EXPECT_EQ(Build(23, 17, 1, mask.data()), Seeds(23, 17, mask.data()));
}

TEST_F(BuildLabyrinthTest, PitchBelowOneLeavesTheSeedsWithoutDrawingNumbers) {
    for (int32_t pitch : {0, -1, -7}) {
        srand(2);
        const int first = rand();
        srand(2);
        EXPECT_EQ(Build(15, 12, pitch, nullptr), Seeds(15, 12, nullptr)) << pitch;
        EXPECT_EQ(rand(), first);
        EXPECT_EQ(std::string(directionOrder, 4), "UDLR");
    }
}

TEST_F(BuildLabyrinthTest, EmptyRectangleOnlyShufflesOnce) {
    srand(3);
    for (int i = 0; i < 4; ++i) rand();
    const int fifth = rand();
    for (const auto& size : {std::make_pair(0, 0), std::make_pair(0, 5), std::make_pair(5, 0)}) {
        srand(3);
        EXPECT_TRUE(BuildLabyrinth(nullptr, 3, size.first, size.second, nullptr));
        EXPECT_EQ(rand(), fifth);
    }
}

TEST_F(BuildLabyrinthTest, AllUnselectedEmptiesTheListEntryByEntry) {
    // Every cell is a wall: each entry costs four draws for its direction and
    // one for its pick, except the last pick, from a list of one; plus the
    // first choice at (0, 0).
    const int32_t width = 9, height = 6, count = width * height;
    const std::vector<uint8_t> mask(count, 0);
    srand(4);
    for (int i = 0; i < 4 + 4 * count + (count - 1); ++i) rand();
    const int next = rand();
    srand(4);
    EXPECT_EQ(Build(width, height, 3, mask.data()), std::vector<uint8_t>(count, Wall));
    EXPECT_EQ(rand(), next);
}

TEST_F(BuildLabyrinthTest, ThinRectanglesStayWalls) {
    srand(5);
    for (int32_t pitch : {1, 2, 3, 50}) {
        for (const auto& size : {std::make_pair(1, 1), std::make_pair(1, 40), std::make_pair(40, 1),
                                 std::make_pair(2, 30), std::make_pair(30, 2)}) {
            const size_t cells = static_cast<size_t>(size.first) * size.second;
            EXPECT_EQ(Build(size.first, size.second, pitch, nullptr),
                      std::vector<uint8_t>(cells, Wall));
        }
    }
}

TEST_F(BuildLabyrinthTest, SameStateGivesTheSameLabyrinthAndTheNextPassDiffers) {
    const std::vector<uint8_t> mask = EllipseMask(61, 43);
    for (const uint8_t* m : {static_cast<const uint8_t*>(nullptr), mask.data()}) {
        ResetDirectionOrder();
        srand(6);
        const std::vector<uint8_t> first = Build(61, 43, 3, m);
        const std::vector<uint8_t> second = Build(61, 43, 3, m);
        ResetDirectionOrder();
        srand(6);
        EXPECT_EQ(Build(61, 43, 3, m), first);
        EXPECT_NE(second, first);
        EXPECT_NE(first, Seeds(61, 43, m));  // walls did grow
    }
}

TEST_F(BuildLabyrinthTest, OutOfMemoryAtAnyAllocationAnswersFalse) {
    // The list, its first array of 32, and the array sized for the 252
    // border seeds and the lattice points: growth allocates nothing more.
    const int32_t side = 64;
    std::vector<uint8_t> grid(side * side);
    srand(7);
    const int32_t start = heapAllocCount;
    ASSERT_TRUE(BuildLabyrinth(grid.data(), 2, side, side, nullptr));
    const int32_t allocations = heapAllocCount - start;
    ASSERT_EQ(allocations, 3);

    for (int32_t failAt = 1; failAt <= allocations; ++failAt) {
        srand(7);
        ResetDirectionOrder();
        heapAllocFailAt = failAt;
        EXPECT_FALSE(BuildLabyrinth(grid.data(), 2, side, side, nullptr)) << failAt;
        heapAllocFailAt = 0;
    }
    srand(7);
    ResetDirectionOrder();
    heapAllocFailAt = allocations + 1;
    EXPECT_TRUE(BuildLabyrinth(grid.data(), 2, side, side, nullptr));
}

// The room given to the list after seeding holds every entry growth pushes:
// a whole labyrinth allocates exactly what seeding alone does, whatever the
// size, pitch and selection.
TEST_F(BuildLabyrinthTest, GrowthNeverGrowsTheList) {
    srand(31);
    for (int trial = 0; trial < 120; ++trial) {
        const int32_t width = 1 + rand() % 90, height = 1 + rand() % 90;
        const int32_t pitch = 1 + rand() % 12;
        const std::vector<uint8_t> mask = RandomMask(width, height);
        const uint8_t* m = trial % 2 == 1 ? mask.data() : nullptr;
        SCOPED_TRACE(testing::Message()
                     << width << "x" << height << " pitch " << pitch << (m ? " masked" : ""));
        std::vector<uint8_t> grid(static_cast<size_t>(width) * height);
        int32_t start = heapAllocCount;
        FrontierList* list = CreateFrontierList(32, width);
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(SeedGrid(grid.data(), width, height, m, width, pitch, list));
        const int32_t seeding = heapAllocCount - start;
        DestroyFrontierList(list);

        start = heapAllocCount;
        ASSERT_TRUE(BuildLabyrinth(grid.data(), pitch, width, height, m));
        EXPECT_EQ(heapAllocCount - start, seeding);
    }
}

// A mask read with its own row stride gives the labyrinth of the same mask
// packed to the grid's width, and nothing past a row's width is looked at.
TEST_F(BuildLabyrinthTest, MaskWithItsOwnRowStrideGivesTheSameLabyrinth) {
    srand(12);
    for (int trial = 0; trial < 40; ++trial) {
        const int32_t width = 1 + rand() % 50, height = 1 + rand() % 50;
        const int32_t pitch = 1 + rand() % 8;
        const int32_t stride = width + rand() % 9;
        const std::vector<uint8_t> packed = RandomMask(width, height);
        std::vector<uint8_t> strided(static_cast<size_t>(stride) * height, 0);
        for (int32_t r = 0; r < height; ++r)
            for (int32_t c = 0; c < stride; ++c)
                strided[static_cast<size_t>(r) * stride + c] =
                    c < width ? packed[static_cast<size_t>(r) * width + c] : (c % 2) * 255;
        const unsigned seed = static_cast<unsigned>(rand());
        ResetDirectionOrder();
        srand(seed);
        const std::vector<uint8_t> expected = Build(width, height, pitch, packed.data());
        ResetDirectionOrder();
        srand(seed);
        std::vector<uint8_t> grid(static_cast<size_t>(width) * height, 0x5A);
        ASSERT_TRUE(BuildLabyrinth(grid.data(), pitch, width, height, strided.data(), stride));
        ASSERT_EQ(grid, expected) << width << "x" << height << " stride " << stride;
        srand(seed + 1);
    }
}

// Frontier entries are 32-bit cell indices: a grid of more cells is
// refused before anything is read, written or drawn.
TEST_F(BuildLabyrinthTest, GridsBeyondThirtyTwoBitCellIndicesAreRefused) {
    srand(3);
    const int first = rand();
    srand(3);
    EXPECT_FALSE(BuildLabyrinth(nullptr, 10, 65537, 65537, nullptr));
    EXPECT_FALSE(BuildLabyrinth(nullptr, 10, 0x7FFFFFFF, 3, nullptr));
    EXPECT_EQ(rand(), first);
}

// Properties of every labyrinth, over many sizes, pitches and masks:
// - every cell is Open or Wall, and every seed is still a wall;
// - every wall that is not a seed lies on a lattice line;
// - no 2 x 2 block of walls appears away from the seeds;
// - every wall is joined to a seed through edge-sharing walls.
void ExpectLabyrinthProperties(const std::vector<uint8_t>& grid, const std::vector<uint8_t>& seeds,
                               int32_t width, int32_t height, int32_t pitch) {
    for (size_t i = 0; i < grid.size(); ++i) {
        ASSERT_TRUE(grid[i] == Open || grid[i] == Wall) << i;
        if (seeds[i] == Wall) { ASSERT_EQ(grid[i], Wall) << i; }
    }
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c)
            if (grid[r * width + c] == Wall && seeds[r * width + c] != Wall) {
                ASSERT_TRUE(r % pitch == 0 || c % pitch == 0) << c << "," << r;
            }
    if (pitch >= 2)
        for (int32_t r = 0; r + 1 < height; ++r)
            for (int32_t c = 0; c + 1 < width; ++c) {
                const size_t i = r * width + c;
                const bool allWalls = grid[i] == Wall && grid[i + 1] == Wall &&
                                      grid[i + width] == Wall && grid[i + width + 1] == Wall;
                const bool anySeed = seeds[i] == Wall || seeds[i + 1] == Wall ||
                                     seeds[i + width] == Wall || seeds[i + width + 1] == Wall;
                ASSERT_FALSE(allWalls && !anySeed) << c << "," << r;
            }
    std::vector<uint8_t> reached(grid.size(), 0);
    std::vector<size_t> stack;
    for (size_t i = 0; i < grid.size(); ++i)
        if (seeds[i] == Wall) {
            reached[i] = 1;
            stack.push_back(i);
        }
    while (!stack.empty()) {
        const size_t i = stack.back();
        stack.pop_back();
        const int32_t c = static_cast<int32_t>(i % width), r = static_cast<int32_t>(i / width);
        const size_t next[4] = {c > 0 ? i - 1 : i, c + 1 < width ? i + 1 : i, r > 0 ? i - width : i,
                                r + 1 < height ? i + width : i};
        for (size_t n : next)
            if (grid[n] == Wall && !reached[n]) {
                reached[n] = 1;
                stack.push_back(n);
            }
    }
    for (size_t i = 0; i < grid.size(); ++i)
        if (grid[i] == Wall) { ASSERT_TRUE(reached[i]) << "wall cut off at " << i; }
}

TEST_F(BuildLabyrinthTest, PropertiesHoldOverRandomCases) {
    srand(8);
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t width = 1 + rand() % 70, height = 1 + rand() % 70;
        const int32_t pitch = 1 + rand() % 12;
        const bool masked = rand() % 2 == 0;
        const std::vector<uint8_t> mask =
            masked ? RandomMask(width, height) : std::vector<uint8_t>();
        const uint8_t* m = masked ? mask.data() : nullptr;
        SCOPED_TRACE(testing::Message()
                     << width << "x" << height << " pitch " << pitch << (masked ? " masked" : ""));
        const std::vector<uint8_t> grid = Build(width, height, pitch, m);
        ExpectLabyrinthProperties(grid, Seeds(width, height, m), width, height, pitch);
    }
}

}  // namespace
