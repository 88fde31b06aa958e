// The frontier list: creation, growth by doubling, room made in one step,
// removal, out-of-memory behaviour.
#include "labyrinth/LabyrinthParts.h"
#include "tests/support/CountingHeap.h"

#include <gtest/gtest.h>

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
    FrontierList list = {0x40000000, 0x40000000 - 1, standIn, listWidth};
    const int32_t callsBefore = heapAllocCount;
    EXPECT_FALSE(PushPoint(&list, 1, 2));
    EXPECT_EQ(heapAllocCount, callsBefore);
    EXPECT_EQ(list.capacity, 0x40000000);
    EXPECT_EQ(list.lastIndex, 0x40000000 - 1);
    EXPECT_EQ(list.items, standIn);

    FrontierList odd = {0x7FFFFFF0, 0x7FFFFFF0 - 1, standIn, listWidth};
    EXPECT_FALSE(PushPoint(&odd, 1, 2));
    EXPECT_EQ(odd.capacity, 0x7FFFFFF0);
    EXPECT_EQ(standIn[0], 7u);
}

TEST_F(FrontierListTest, ReserveMakesRoomInOneResizeKeepingEveryEntry) {
    FrontierList* list = CreateFrontierList(32, listWidth);
    ASSERT_NE(list, nullptr);
    for (int32_t i = 0; i < 5; ++i) ASSERT_TRUE(PushPoint(list, i, 2000 + i));
    int32_t calls = heapAllocCount;
    EXPECT_TRUE(ReserveFrontierList(list, 20));  // 25 fit in 32 already
    EXPECT_EQ(heapAllocCount, calls);
    EXPECT_EQ(list->capacity, 32);

    EXPECT_TRUE(ReserveFrontierList(list, 1000));
    EXPECT_EQ(heapAllocCount, calls + 1);
    EXPECT_EQ(list->capacity, 1005);
    EXPECT_EQ(list->lastIndex, 4);
    calls = heapAllocCount;
    for (int32_t i = 5; i < 1005; ++i) ASSERT_TRUE(PushPoint(list, i, 2000 + i));
    EXPECT_EQ(heapAllocCount, calls) << "the room holds them all";
    for (int32_t i = 0; i < 1005; ++i) {
        EXPECT_EQ(PointAt(list, i).column, i);
        EXPECT_EQ(PointAt(list, i).row, 2000 + i);
    }
    ASSERT_TRUE(PushPoint(list, 7, 7));  // beyond the room: doubling again
    EXPECT_EQ(list->capacity, 2010);
    DestroyFrontierList(list);
}

TEST_F(FrontierListTest, ReserveThatFailsLeavesTheListAsItWas) {
    FrontierList* list = CreateFrontierList(0, listWidth);
    ASSERT_NE(list, nullptr);
    heapAllocFailAt = 1;
    EXPECT_FALSE(ReserveFrontierList(list, 100));
    EXPECT_EQ(list->capacity, 0);
    EXPECT_EQ(list->lastIndex, -1);
    EXPECT_TRUE(ReserveFrontierList(list, 100));
    EXPECT_EQ(list->capacity, 100);
    ASSERT_TRUE(PushPoint(list, 3, 4));
    heapAllocFailAt = 1;
    EXPECT_FALSE(ReserveFrontierList(list, 500));
    EXPECT_EQ(list->capacity, 100);
    EXPECT_EQ(PointAt(list, 0).column, 3);
    EXPECT_EQ(PointAt(list, 0).row, 4);
    DestroyFrontierList(list);
}

}  // namespace
