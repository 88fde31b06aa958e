// Wall growth: the target tests, the shuffled choice of direction with its
// fixed use of rand(), and whole labyrinths on small grids.
#include "host/HeapMemory.h"
#include "labyrinth/LabyrinthParts.h"
#include "tests/support/LabyrinthCalls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A grid drawn as text: '#' is Wall, '.' Open, '+' Outline (free to the tests).
struct TextGrid {
    std::vector<uint8_t> cells;
    int32_t width = 0;
    int32_t height = 0;
};

TextGrid Parse(const std::vector<std::string>& rows) {
    TextGrid grid;
    grid.height = static_cast<int32_t>(rows.size());
    grid.width = static_cast<int32_t>(rows[0].size());
    for (const std::string& row : rows)
        for (char c : row) grid.cells.push_back(c == '#' ? Wall : c == '+' ? Outline : Open);
    return grid;
}

bool Clear(const TextGrid& g, int32_t c, int32_t r) {
    return IsClearTarget(g.cells.data(), g.width, g.height, c, r);
}
bool Reachable(const TextGrid& g, int32_t c, int32_t r) {
    return IsReachableTarget(g.cells.data(), g.width, g.height, c, r);
}

TEST(ClearTarget, RejectsOutsideWallAndWallNeighbours) {
    const TextGrid g = Parse({".....", ".....", "...#.", ".....", "....."});
    EXPECT_FALSE(Clear(g, -1, 0));
    EXPECT_FALSE(Clear(g, 0, -1));
    EXPECT_FALSE(Clear(g, 5, 0));
    EXPECT_FALSE(Clear(g, 0, 5));
    EXPECT_FALSE(Clear(g, 3, 2));  // the wall itself
    for (int32_t r = 1; r <= 3; ++r)
        for (int32_t c = 2; c <= 4; ++c) EXPECT_FALSE(Clear(g, c, r)) << c << "," << r;
    EXPECT_TRUE(Clear(g, 1, 2));
    EXPECT_TRUE(Clear(g, 3, 0));
    EXPECT_TRUE(Clear(g, 0, 0));  // neighbours outside the grid are ignored
    EXPECT_TRUE(Clear(g, 4, 4));
}

TEST(ClearTarget, OutlineCodeCountsAsFree) {
    const TextGrid g = Parse({"+++", "+++", "+++"});
    EXPECT_TRUE(Clear(g, 1, 1));
    EXPECT_TRUE(Reachable(g, 1, 1));
}

TEST(ReachableTarget, RejectsOutsideWallAndTwoWallNeighbours) {
    const TextGrid g = Parse({".....", "..#..", ".#.#.", ".....", "....."});
    EXPECT_FALSE(Reachable(g, -1, 2));
    EXPECT_FALSE(Reachable(g, 2, 5));
    EXPECT_FALSE(Reachable(g, 2, 1));
    EXPECT_FALSE(Reachable(g, 2, 2));  // three wall neighbours
    EXPECT_TRUE(Reachable(g, 0, 4));   // no wall around
}

TEST(ReachableTarget, SideWallNeedsTheFarColumnFreeAboveAndBelow) {
    // Target (2, 2) with a wall on its left: the far column is 3.
    EXPECT_TRUE(Reachable(Parse({".....", ".....", ".#...", ".....", "....."}), 2, 2));
    EXPECT_FALSE(Reachable(Parse({".....", "...#.", ".#...", ".....", "....."}), 2, 2));
    EXPECT_FALSE(Reachable(Parse({".....", ".....", ".#...", "...#.", "....."}), 2, 2));
    // Walls on the near side's diagonals do not matter.
    EXPECT_TRUE(Reachable(Parse({".....", ".#...", ".#...", ".#...", "....."}), 2, 2));
    // Wall on the right: the far column is 1.
    EXPECT_FALSE(Reachable(Parse({".....", ".#...", "...#.", ".....", "....."}), 2, 2));
    EXPECT_FALSE(Reachable(Parse({".....", ".....", "...#.", ".#...", "....."}), 2, 2));
    EXPECT_TRUE(Reachable(Parse({".....", "...#.", "...#.", "...#.", "....."}), 2, 2));
}

TEST(ReachableTarget, SideWallAtTheGridsEdgeIsAccepted) {
    // Far column outside the grid.
    EXPECT_TRUE(Reachable(Parse({".#.", ".#.", ".#."}), 0, 1));
    // No row above, then no row below: the far column is not looked at.
    EXPECT_TRUE(Reachable(Parse({".#...", "...#.", "....."}), 2, 0));
    EXPECT_TRUE(Reachable(Parse({".....", "...#.", ".#..."}), 2, 2));
}

TEST(ReachableTarget, VerticalWallNeedsTheFarRowFreeLeftAndRight) {
    // Target (2, 2) with a wall above: the far row is 3.
    EXPECT_TRUE(Reachable(Parse({".....", "..#..", ".....", ".....", "....."}), 2, 2));
    EXPECT_FALSE(Reachable(Parse({".....", "..#..", ".....", ".#...", "....."}), 2, 2));
    EXPECT_FALSE(Reachable(Parse({".....", "..#..", ".....", "...#.", "....."}), 2, 2));
    EXPECT_TRUE(Reachable(Parse({".....", ".###.", ".....", ".....", "....."}), 2, 2));
    // Wall below: the far row is 1.
    EXPECT_FALSE(Reachable(Parse({".....", "...#.", ".....", "..#..", "....."}), 2, 2));
    EXPECT_FALSE(Reachable(Parse({".....", ".#...", ".....", "..#..", "....."}), 2, 2));
    EXPECT_TRUE(Reachable(Parse({".....", ".....", ".....", ".###.", "....."}), 2, 2));
}

TEST(ReachableTarget, VerticalWallAtTheGridsEdgeIsAccepted) {
    // Far row outside the grid.
    EXPECT_TRUE(Reachable(Parse({".....", ".###.", "....."}), 2, 0));
    // No column on the left, then none on the right.
    EXPECT_TRUE(Reachable(Parse({"...", "#..", "...", ".#.", "..."}), 0, 2));
    EXPECT_TRUE(Reachable(Parse({"...", "..#", "...", ".#.", "..."}), 2, 2));
}

TEST(ReachableTarget, TwoWallNeighboursAreRejected) {
    EXPECT_FALSE(Reachable(Parse({"#.#"}), 1, 0));
    EXPECT_FALSE(Reachable(Parse({".#.", "#..", "..."}), 1, 1));
    EXPECT_FALSE(Reachable(Parse({"....", "..#.", "...#", "...."}), 2, 2));
}

// The order a fresh "UDLR" takes after `calls` shuffles from srand(seed).
std::string ExpectedOrder(unsigned seed, int calls) {
    std::string order = "UDLR";
    srand(seed);
    for (int call = 0; call < calls; ++call)
        for (int i = 0; i < 4; ++i) std::swap(order[i], order[rand() % 4]);
    return order;
}

std::string CurrentOrder() { return std::string(directionOrder, 4); }

char Choose(const TextGrid& g, int32_t pitch, int32_t c, int32_t r) {
    return ChooseDirection(g.cells.data(), pitch, g.width, g.height, c, r);
}

TEST(ChooseDirection, DrawsExactlyFourRandomNumbers) {
    const TextGrid open =
        Parse({".......", ".......", ".......", ".......", ".......", ".......", "......."});
    const TextGrid walls =
        Parse({"#######", "#######", "#######", "#######", "#######", "#######", "#######"});
    for (unsigned seed : {1u, 2u, 99u, 4242u}) {
        srand(seed);
        for (int i = 0; i < 4; ++i) rand();
        const int fifth = rand();
        for (const TextGrid* g : {&open, &walls}) {
            for (int32_t position : {0, 3, 4}) {
                srand(seed);
                Choose(*g, 3, position, position);
                EXPECT_EQ(rand(), fifth) << seed << " " << position;
            }
        }
        srand(seed);
        EXPECT_EQ(Choose(open, 3, -1, 0), directionNone);  // outside: still four draws
        EXPECT_EQ(rand(), fifth);
    }
}

TEST(ChooseDirection, ShufflesInPlaceAndNeverResets) {
    const TextGrid open =
        Parse({".......", ".......", ".......", ".......", ".......", ".......", "......."});
    for (unsigned seed : {3u, 17u, 123u}) {
        const std::string afterOne = ExpectedOrder(seed, 1);
        const std::string afterThree = ExpectedOrder(seed, 3);
        ResetDirectionOrder();
        srand(seed);
        // All four directions pass from the centre: the first letter wins.
        EXPECT_EQ(Choose(open, 3, 3, 3), afterOne[0]);
        EXPECT_EQ(CurrentOrder(), afterOne);
        Choose(open, 3, 3, 3);
        EXPECT_EQ(Choose(open, 3, 3, 3), afterThree[0]);
        EXPECT_EQ(CurrentOrder(), afterThree);
    }
    ResetDirectionOrder();
    EXPECT_EQ(CurrentOrder(), "UDLR");
}

TEST(ChooseDirection, TriesAllFourBeforeGivingUp) {
    // From the lattice point (3, 3) at pitch 3 the targets are (3, 6) for U,
    // (3, 0) for D, (0, 3) for L and (6, 3) for R. Only the direction last in
    // the shuffled order is left free.
    for (unsigned seed : {5u, 6u, 7u, 8u, 9u, 10u}) {
        const std::string order = ExpectedOrder(seed, 1);
        TextGrid g =
            Parse({".......", ".......", ".......", ".......", ".......", ".......", "......."});
        for (int i = 0; i < 3; ++i) {
            int32_t c = 3, r = 3;
            switch (order[i]) {
                case 'U': r = 6; break;
                case 'D': r = 0; break;
                case 'L': c = 0; break;
                default: c = 6; break;
            }
            g.cells[r * 7 + c] = Wall;
        }
        ResetDirectionOrder();
        srand(seed);
        EXPECT_EQ(Choose(g, 3, 3, 3), order[3]) << order;
    }
    ResetDirectionOrder();
}

TEST(ChooseDirection, TargetsOutsideTheGridAreRejected) {
    // From (0, 0) the D and L targets lie at -3, from (6, 6) the U and R
    // targets at 9; the targets inside are blocked.
    TextGrid g =
        Parse({"...#...", ".......", ".......", "#.....#", ".......", ".......", "...#..."});
    srand(11);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(Choose(g, 3, 0, 0), directionNone);
        EXPECT_EQ(Choose(g, 3, 6, 6), directionNone);
    }
    ResetDirectionOrder();
}

TEST(ChooseDirection, BorderCellBetweenLatticeColumnsFindsNothing) {
    // Row 0 of a seeded border at pitch 3: from column 4 only L and R are
    // allowed, and their targets (3, 0) and (6, 0) are border walls; from
    // column 8 the R target lies outside the grid.
    TextGrid g = Parse({"#########", "#.......#", "#.......#", "#.......#", "#########"});
    srand(21);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(Choose(g, 3, 4, 0), directionNone);
        EXPECT_EQ(Choose(g, 3, 8, 0), directionNone);
    }
    ResetDirectionOrder();
}

TEST(ChooseDirection, LatticePointUsesTheStrictTest) {
    // From (4, 4) at pitch 4 only U's target (4, 8) is unblocked; it has a
    // wall beside it, which the strict test refuses.
    const TextGrid g = Parse({"....#....", ".........", ".........", ".........", "#.......#",
                              ".........", ".........", ".........", "...#....."});
    srand(31);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(Choose(g, 4, 4, 4), directionNone);
    ResetDirectionOrder();
}

TEST(ChooseDirection, PositionBetweenLatticePointsUsesTheLenientTest) {
    // From (4, 2) at pitch 4 only U and D are allowed; D's target (4, 0) is a
    // wall and U's target (4, 4) has a wall on its left, which the lenient
    // test accepts.
    const TextGrid g = Parse({"....#....", ".........", ".........", ".........", "...#.....",
                              ".........", ".........", ".........", "........."});
    srand(41);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(Choose(g, 4, 4, 2), directionUp);
    // The same holds for L and R along a lattice row.
    const TextGrid h = Parse({".........", ".........", ".........", "....#....", "#.......#",
                              ".........", ".........", ".........", "........."});
    for (int i = 0; i < 20; ++i) {
        const char direction = Choose(h, 4, 2, 4);
        EXPECT_EQ(direction, directionRight);
    }
    ResetDirectionOrder();
}

}  // namespace
