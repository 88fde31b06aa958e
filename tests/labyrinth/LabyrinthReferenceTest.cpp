// Guards the generator against drift: a deliberately plain second
// transcription of seeding and wall growth (vectors, 64-bit coordinates, one
// cell at a time) must produce the same grid, leave the same direction order
// and consume the same random numbers as BuildLabyrinth.
#include "labyrinth/LabyrinthParts.h"
#include "tests/support/CountingHeap.h"
#include "tests/support/LabyrinthCalls.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

struct PlainLabyrinth {
    long long width = 0;
    long long height = 0;
    long long pitch = 1;
    std::vector<uint8_t> cells;
    std::vector<std::pair<long long, long long>> list;  // (column, row)
    std::string order;
    // A list that cannot hold more than `limit` entries: the push that
    // would exceed it fails and ends the generation, as a failed growth of
    // the real list does.
    size_t limit = SIZE_MAX;
    bool failed = false;

    bool Push(long long c, long long r) {
        if (list.size() >= limit) {
            failed = true;
            return false;
        }
        list.push_back({c, r});
        return true;
    }

    bool Inside(long long c, long long r) const {
        return c >= 0 && c < width && r >= 0 && r < height;
    }
    uint8_t& At(long long c, long long r) { return cells[r * width + c]; }
    bool IsWall(long long c, long long r) { return At(c, r) == 1; }
    bool IsMarked(long long c, long long r) { return At(c, r) == 2; }

    void Seed(const uint8_t* mask) {
        cells.assign(width * height, 0);
        list.clear();
        if (mask == nullptr) {
            for (long long r = 0; r < height; ++r)
                for (long long c = 0; c < width; ++c)
                    if (c == 0 || c == width - 1 || r == 0 || r == height - 1) {
                        At(c, r) = 1;
                        if (!Push(c, r)) return;
                    }
            return;
        }
        auto maskAt = [&](long long c, long long r) { return mask[r * width + c]; };
        for (long long r = 0; r < height; ++r)
            for (long long c = 0; c < width; ++c)
                if (maskAt(c, r) == 0) At(c, r) = 1;
        for (long long r = 0; r < height; ++r)
            for (long long c = 0; c < width; ++c) {
                if (maskAt(c, r) == 0) continue;
                if (c == 0 || c == width - 1 || r == 0 || r == height - 1 ||
                    maskAt(c - 1, r) == 0 || maskAt(c + 1, r) == 0 || maskAt(c, r - 1) == 0 ||
                    maskAt(c, r + 1) == 0)
                    At(c, r) = 2;
            }
        for (long long r = 0; r < height; ++r)
            for (long long c = 0; c < width; ++c) {
                if (At(c, r) != 0) continue;
                if ((IsMarked(c - 1, r) && IsMarked(c, r - 1) && !IsMarked(c - 1, r - 1)) ||
                    (IsMarked(c + 1, r) && IsMarked(c, r - 1) && !IsMarked(c + 1, r - 1)) ||
                    (IsMarked(c + 1, r) && IsMarked(c, r + 1) && !IsMarked(c + 1, r + 1)) ||
                    (IsMarked(c - 1, r) && IsMarked(c, r + 1) && !IsMarked(c - 1, r + 1)))
                    At(c, r) = 1;
            }
        for (long long r = 0; r < height; ++r)
            for (long long c = 0; c < width; ++c) {
                if (At(c, r) == 2) At(c, r) = 1;
                if (At(c, r) == 1 && !Push(c, r)) return;
            }
    }

    bool Clear(long long c, long long r) {
        if (!Inside(c, r) || IsWall(c, r)) return false;
        for (long long dr = -1; dr <= 1; ++dr)
            for (long long dc = -1; dc <= 1; ++dc)
                if (Inside(c + dc, r + dr) && IsWall(c + dc, r + dr)) return false;
        return true;
    }

    bool Reachable(long long c, long long r) {
        if (!Inside(c, r) || IsWall(c, r)) return false;
        int count = 0;
        long long h = 0, v = 0;
        if (Inside(c - 1, r) && IsWall(c - 1, r)) {
            ++count;
            h = -1;
        }
        if (Inside(c + 1, r) && IsWall(c + 1, r)) {
            ++count;
            h = 1;
        }
        if (Inside(c, r - 1) && IsWall(c, r - 1)) {
            ++count;
            v = -1;
        }
        if (Inside(c, r + 1) && IsWall(c, r + 1)) {
            ++count;
            v = 1;
        }
        if (count > 1) return false;
        if (h != 0) {
            const long long far = c - h;
            if (far < 0 || far >= width || r - 1 < 0 || r + 1 >= height) return true;
            return !(IsWall(far, r - 1) || IsWall(far, r + 1));
        }
        const long long far = r - v;
        if (far < 0 || far >= height || c - 1 < 0 || c + 1 >= width) return true;
        return !(IsWall(c - 1, far) || IsWall(c + 1, far));
    }

    char Choose(long long c, long long r) {
        for (int i = 0; i < 4; ++i) {
            const int k = rand() % 4;
            std::swap(order[i], order[k]);
        }
        for (char d : order) {
            long long tc = c, tr = r;
            if (d == 'U' || d == 'D') {
                if (c % pitch != 0) continue;
                if (d == 'U')
                    tr = r + pitch - r % pitch;
                else
                    tr = r % pitch != 0 ? r - r % pitch : r - pitch;
            } else {
                if (r % pitch != 0) continue;
                if (d == 'R')
                    tc = c + pitch - c % pitch;
                else
                    tc = c % pitch != 0 ? c - c % pitch : c - pitch;
            }
            const bool latticePoint = c % pitch == 0 && r % pitch == 0;
            if (latticePoint ? Clear(tc, tr) : Reachable(tc, tr)) return d;
        }
        return 'E';
    }

    static void Step(char d, long long& c, long long& r) {
        if (d == 'U') ++r;
        if (d == 'D') --r;
        if (d == 'L') --c;
        if (d == 'R') ++c;
    }

    void Segment(char d, long long& c, long long& r) {
        for (long long s = 0; s < pitch; ++s) {
            Step(d, c, r);
            At(c, r) = 1;
            if (c % pitch == 0 && r % pitch == 0) break;
        }
    }

    void Grow() {
        long long c = 0, r = 0;
        char d = Choose(c, r);
        for (;;) {
            while (d != 'E') {
                Segment(d, c, r);
                if (c % pitch == 0 && r % pitch == 0 && !Push(c, r)) return;
                const long long nc = c + (d == 'R' ? pitch : d == 'L' ? -pitch : 0);
                const long long nr = r + (d == 'U' ? pitch : d == 'D' ? -pitch : 0);
                if (Clear(nc, nr)) {
                    Segment(d, c, r);
                    if (c % pitch == 0 && r % pitch == 0 && !Push(c, r)) return;
                }
                d = Choose(c, r);
            }
            if (list.empty()) return;
            const long long last = static_cast<long long>(list.size()) - 1;
            const long long index = last > 0 ? rand() % last : 0;
            c = list[index].first;
            r = list[index].second;
            list[index] = list[last];
            list.pop_back();
            d = Choose(c, r);
        }
    }
};

// Runs both from the same random state and direction order and compares.
void ExpectSameAsPlain(int32_t width, int32_t height, int32_t pitch, const uint8_t* mask,
                       unsigned seed) {
    SCOPED_TRACE(testing::Message() << width << "x" << height << " pitch " << pitch
                                    << (mask ? " masked" : "") << " seed " << seed);
    PlainLabyrinth plain;
    plain.width = width;
    plain.height = height;
    plain.pitch = pitch;
    plain.order.assign(directionOrder, 4);
    srand(seed);
    plain.Seed(mask);
    if (!plain.failed) plain.Grow();
    const int plainNext = rand();

    std::vector<uint8_t> grid(static_cast<size_t>(width) * height, 0x77);
    srand(seed);
    ASSERT_TRUE(BuildLabyrinth(grid.data(), pitch, width, height, mask));
    EXPECT_EQ(rand(), plainNext) << "random numbers drawn differ";
    EXPECT_EQ(std::string(directionOrder, 4), plain.order);
    ASSERT_EQ(grid, plain.cells);
}

std::vector<uint8_t> RandomBlobMask(int32_t width, int32_t height) {
    std::vector<uint8_t> mask(static_cast<size_t>(width) * height, 0);
    const int blobs = 1 + rand() % 5;
    for (int b = 0; b < blobs; ++b) {
        const long long cx = rand() % width, cy = rand() % height;
        const long long rx = 1 + rand() % (width / 2 + 1), ry = 1 + rand() % (height / 2 + 1);
        const uint8_t value = static_cast<uint8_t>(1 + rand() % 255);
        for (int32_t r = 0; r < height; ++r)
            for (int32_t c = 0; c < width; ++c) {
                const long long dx = c - cx, dy = r - cy;
                if (dx * dx * ry * ry + dy * dy * rx * rx <= rx * rx * ry * ry)
                    mask[r * width + c] = value;
            }
    }
    // Scattered unselected specks make diagonal outline steps everywhere.
    const int specks = rand() % (width * height / 8 + 1);
    for (int s = 0; s < specks; ++s) mask[rand() % (width * height)] = 0;
    return mask;
}

TEST(LabyrinthReference, MatchesOnRandomCases) {
    ResetDirectionOrder();
    srand(2024);
    for (int trial = 0; trial < 400; ++trial) {
        const int32_t width = 1 + rand() % 90, height = 1 + rand() % 90;
        const int32_t pitch = 1 + rand() % (trial % 4 == 0 ? 40 : 9);
        const int kind = rand() % 3;
        const unsigned seed = static_cast<unsigned>(rand());
        const std::vector<uint8_t> mask =
            kind == 0 ? std::vector<uint8_t>() : RandomBlobMask(width, height);
        if (kind == 2) {
            std::vector<uint8_t> solid = mask;
            for (uint8_t& value : solid) value = value == 0 ? 0 : 255;
            ExpectSameAsPlain(width, height, pitch, solid.data(), seed);
        } else {
            ExpectSameAsPlain(width, height, pitch, kind == 0 ? nullptr : mask.data(), seed);
        }
        if (HasFatalFailure()) return;
        // The direction order is not reset between trials: it runs on.
        srand(static_cast<unsigned>(trial) * 7919u + 1u);
    }
    ResetDirectionOrder();
}

// When the list cannot be given its room, the generation stops before the
// first push, with the random numbers and the direction order as the plain
// transcription leaves them when its first push fails: nothing drawn.
TEST(LabyrinthReference, StopsInTheSameStateWhenTheListCannotBeSized) {
    std::vector<uint8_t> mask(200 * 150);
    for (int32_t r = 0; r < 150; ++r)
        for (int32_t c = 0; c < 200; ++c) {
            const double x = (c - 100) / 90.0, y = (r - 75) / 60.0;
            mask[r * 200 + c] = x * x + y * y < 1.0 ? 255 : 0;
        }
    for (int32_t pitch : {2, 3, 7}) {
        for (const uint8_t* m :
             {static_cast<const uint8_t*>(nullptr), static_cast<const uint8_t*>(mask.data())}) {
            // Allocation 1 is the list, 2 its array of 32, 3 the array sized
            // after seeding for every entry; growth allocates nothing.
            for (int32_t failAt = 3;; ++failAt) {
                SCOPED_TRACE(testing::Message() << "pitch " << pitch << (m ? " masked" : "")
                                                << " allocation " << failAt);
                ResetDirectionOrder();
                PlainLabyrinth plain;
                plain.width = 200;
                plain.height = 150;
                plain.pitch = pitch;
                plain.order.assign(directionOrder, 4);
                plain.limit = failAt == 3 ? 0 : SIZE_MAX;
                srand(77);
                plain.Seed(m);
                if (!plain.failed) plain.Grow();
                const int plainNext = rand();

                std::vector<uint8_t> grid(200 * 150);
                srand(77);
                heapAllocFailAt = failAt;
                const bool built = BuildLabyrinth(grid.data(), pitch, 200, 150, m);
                heapAllocFailAt = 0;
                ASSERT_EQ(built, !plain.failed);
                EXPECT_EQ(rand(), plainNext);
                EXPECT_EQ(std::string(directionOrder, 4), plain.order);
                if (built) break;
            }
        }
    }
    ResetDirectionOrder();
}

TEST(LabyrinthReference, MatchesOnHugePitches) {
    ResetDirectionOrder();
    for (int32_t pitch : {50, 1000, 65536, INT32_MAX - 1, INT32_MAX}) {
        ExpectSameAsPlain(37, 23, pitch, nullptr, 99);
        std::vector<uint8_t> mask(37 * 23, 255);
        for (int32_t r = 5; r < 12; ++r) mask[r * 37 + 9] = 0;
        ExpectSameAsPlain(37, 23, pitch, mask.data(), 100);
    }
    ResetDirectionOrder();
}

TEST(LabyrinthReference, MatchesOnALargerGrid) {
    ResetDirectionOrder();
    std::vector<uint8_t> mask(400 * 300);
    for (int32_t r = 0; r < 300; ++r)
        for (int32_t c = 0; c < 400; ++c) {
            const double x = (c - 200) / 180.0, y = (r - 150) / 120.0;
            mask[r * 400 + c] = x * x + y * y < 1.0 ? 255 : 0;
        }
    ExpectSameAsPlain(400, 300, 2, nullptr, 5);
    ExpectSameAsPlain(400, 300, 7, mask.data(), 6);
    ResetDirectionOrder();
}

}  // namespace
