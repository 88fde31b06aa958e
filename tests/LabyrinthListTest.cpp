// The frontier list: creation, growth by doubling, removal, out-of-memory
// behaviour; and the choice of the entry to resume from.
#include "host/HeapMemory.h"
#include "labyrinth/LabyrinthParts.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Lists in these tests belong to a grid this wide.
const int32_t listWidth = 5000;

class FrontierListTest : public ::testing::Test {
protected:
    void SetUp() override { heapAllocFailAt = 0; }
    void TearDown() override { heapAllocFailAt = 0; }
};

TEST_F(FrontierListTest, StartsEmptyWithTheAskedCapacity) {
    FrontierList* list = CreateFrontierList(32, listWidth);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->capacity, 32);
    EXPECT_EQ(list->lastIndex, -1);
    EXPECT_NE(list->items, nullptr);
    EXPECT_EQ(list->peakCount, 0);
    DestroyFrontierList(list);
}

TEST_F(FrontierListTest, GrowsByDoublingAndKeepsEveryEntry) {
    FrontierList* list = CreateFrontierList(32, listWidth);
    ASSERT_NE(list, nullptr);
    for (int32_t i = 0; i < 32; ++i) ASSERT_TRUE(PushPoint(list, i, 1000 + i));
    EXPECT_EQ(list->capacity, 32);
    EXPECT_EQ(list->lastIndex, 31);

    ASSERT_TRUE(PushPoint(list, 32, 1032));
    EXPECT_EQ(list->capacity, 64);
    for (int32_t i = 33; i < 65; ++i) ASSERT_TRUE(PushPoint(list, i, 1000 + i));
    EXPECT_EQ(list->capacity, 128);
    EXPECT_EQ(list->lastIndex, 64);
    EXPECT_EQ(list->peakCount, 65);
    for (int32_t i = 0; i <= 64; ++i) {
        EXPECT_EQ(PointAt(list, i).column, i);
        EXPECT_EQ(PointAt(list, i).row, 1000 + i);
    }
    DestroyFrontierList(list);
}

TEST_F(FrontierListTest, TakeAtMovesTheLastEntryIntoTheGap) {
    FrontierList* list = CreateFrontierList(32, listWidth);
    ASSERT_NE(list, nullptr);
    for (int32_t i = 0; i < 5; ++i) ASSERT_TRUE(PushPoint(list, i, 9 - i));
    const GridPoint taken = TakeAt(list, 1);
    EXPECT_EQ(taken.column, 1);
    EXPECT_EQ(taken.row, 8);
    ASSERT_EQ(list->lastIndex, 3);
    EXPECT_EQ(PointAt(list, 0).column, 0);
    EXPECT_EQ(PointAt(list, 1).column, 4);
    EXPECT_EQ(PointAt(list, 2).column, 2);
    EXPECT_EQ(PointAt(list, 3).column, 3);
    EXPECT_EQ(list->peakCount, 5);
    DestroyFrontierList(list);
}

TEST_F(FrontierListTest, TakeAtTheLastIndexIsDropLast) {
    FrontierList* list = CreateFrontierList(32, listWidth);
    ASSERT_NE(list, nullptr);
    for (int32_t i = 0; i < 3; ++i) ASSERT_TRUE(PushPoint(list, i, i));
    const GridPoint taken = TakeAt(list, 2);
    EXPECT_EQ(taken.column, 2);
    ASSERT_EQ(list->lastIndex, 1);
    EXPECT_EQ(PointAt(list, 0).column, 0);
    EXPECT_EQ(PointAt(list, 1).column, 1);
    DropLast(list);
    EXPECT_EQ(list->lastIndex, 0);
    const GridPoint only = TakeAt(list, 0);
    EXPECT_EQ(only.column, 0);
    EXPECT_EQ(list->lastIndex, -1);
    DestroyFrontierList(list);
}

TEST_F(FrontierListTest, ListWithoutArrayGetsOneOnTheFirstPush) {
    FrontierList* list = CreateFrontierList(0, listWidth);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->capacity, 0);
    for (int32_t i = 0; i < 5; ++i) ASSERT_TRUE(PushPoint(list, i, i));
    EXPECT_EQ(list->capacity, 8);
    EXPECT_EQ(PointAt(list, 4).row, 4);
    DestroyFrontierList(list);
    DestroyFrontierList(nullptr);
}

TEST_F(FrontierListTest, CreationFailsCleanlyAtEitherAllocation) {
    heapAllocFailAt = 1;
    EXPECT_EQ(CreateFrontierList(32, listWidth), nullptr);
    heapAllocFailAt = 2;  // the record is made, its array is not
    EXPECT_EQ(CreateFrontierList(32, listWidth), nullptr);
    heapAllocFailAt = 0;
}

TEST_F(FrontierListTest, FailedGrowthLeavesTheListIntact) {
    FrontierList* list = CreateFrontierList(32, listWidth);
    ASSERT_NE(list, nullptr);
    for (int32_t i = 0; i < 32; ++i) ASSERT_TRUE(PushPoint(list, i, i));
    uint32_t* itemsBefore = list->items;
    heapAllocFailAt = 1;
    EXPECT_FALSE(PushPoint(list, 99, 99));
    EXPECT_EQ(list->capacity, 32);
    EXPECT_EQ(list->lastIndex, 31);
    EXPECT_EQ(list->items, itemsBefore);
    for (int32_t i = 0; i < 32; ++i) EXPECT_EQ(PointAt(list, i).column, i);
    // Memory comes back: the same push succeeds and nothing was lost.
    EXPECT_TRUE(PushPoint(list, 99, 98));
    EXPECT_EQ(list->capacity, 64);
    EXPECT_EQ(PointAt(list, 31).column, 31);
    EXPECT_EQ(PointAt(list, 32).row, 98);
    DestroyFrontierList(list);
}

TEST_F(FrontierListTest, CapacityThatWouldOverflowIsRefusedWithoutTouchingTheArray) {
    // A full list whose doubled capacity does not fit in int32. The array is
    // a small stand-in: a push that touched it would be caught by ASan.
    uint32_t standIn[1] = {7};
    FrontierList list = {0x40000000, 0x40000000 - 1, standIn, listWidth, 0};
    const int32_t callsBefore = heapAllocCount;
    EXPECT_FALSE(PushPoint(&list, 1, 2));
    EXPECT_EQ(heapAllocCount, callsBefore);
    EXPECT_EQ(list.capacity, 0x40000000);
    EXPECT_EQ(list.lastIndex, 0x40000000 - 1);
    EXPECT_EQ(list.items, standIn);

    FrontierList odd = {0x7FFFFFF0, 0x7FFFFFF0 - 1, standIn, listWidth, 0};
    EXPECT_FALSE(PushPoint(&odd, 1, 2));
    EXPECT_EQ(odd.capacity, 0x7FFFFFF0);
    EXPECT_EQ(standIn[0], 7u);
}

TEST(FrontierPick, DividesByTheLastIndex) {
    for (int32_t lastIndex : {1, 2, 5, 31, 1000}) {
        srand(77);
        const int32_t expected = rand() % lastIndex;
        const int32_t following = rand();
        srand(77);
        EXPECT_EQ(PickIndex(lastIndex), expected) << lastIndex;
        EXPECT_EQ(rand(), following) << "exactly one rand() call";
    }
}

TEST(FrontierPick, LastEntryIsPickedOnlyWhenAlone) {
    srand(5);
    for (int32_t i = 0; i < 200; ++i) {
        EXPECT_EQ(PickIndex(1), 0);
        const int32_t index = PickIndex(4);
        EXPECT_GE(index, 0);
        EXPECT_LT(index, 4);
    }
}

TEST(FrontierPick, EmptyOrSingleEntryListDrawsNothing) {
    srand(9);
    const int32_t first = rand();
    srand(9);
    EXPECT_EQ(PickIndex(0), 0);
    EXPECT_EQ(rand(), first);
}

}  // namespace
