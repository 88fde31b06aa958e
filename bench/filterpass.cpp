// Speed and working memory of the whole filter pass on 1, 12 and 50
// megapixel RGB images, 8 and 16 bits, Amount 1, 10 and 99, with and
// without a selection (an ellipse), side by side with:
// - the generation alone (BuildLabyrinth on the same grid and mask);
// - the copy bound: memcpy of the same input buffer into the same output
//   buffer, measured in the same run; the pass's time over it is the ratio;
// - the float-plane pass of tests/support/FilterReference.h (the pass as first
//   written, over today's generator), up to 12 megapixels;
// - G'MIC's maze command rendering a maze of the same size in pixels and the
//   same cell size (the lattice pitch, Amount + 1): the gmic process is timed
//   and the time of a trivial gmic command (its start-up) taken off. G'MIC
//   mazes cost about 0.2 ms per cell, so mazes of more than a set number of
//   cells are timed at that number of cells (same cell size) and scaled by
//   the cell count; those figures are marked "~" and err on G'MIC's side
//   (its time per cell grows with the maze).
// Every pass starts from srand(1) and the initial direction order, so the
// plug-in's pass and the float-plane pass make the same labyrinth.
//
// Usage: bench_filterpass [--quick] [--no-gmic] [--no-float]
//   --quick: 1 and 12 megapixels, one round, smaller G'MIC mazes.
#include "filter/FilterPass.h"
#include "entry/FilterInstance.h"
#include "entry/HostKind.h"
#include "entry/Parameters.h"
#include "filter/PaintLabyrinth.h"
#include "host/HostSamples.h"
#include "labyrinth/Labyrinth.h"
#include "tests/support/CountingHeap.h"
#include "tests/support/FilterReference.h"
#include "tests/support/LabyrinthCalls.h"
#include "tests/support/PassRecord.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

Boolean PI_CDECL NeverAbort() { return 0; }

struct Options {
    bool quick = false;
    bool gmic = true;
    bool before = true;
};

struct BenchImage : PassRecord {
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
    std::vector<uint8_t> mask;
};

// Selected inside an ellipse touching 96% of the width and height.
void FillEllipse(std::vector<uint8_t>* mask, int32_t width, int32_t height) {
    mask->resize(size_t(width) * size_t(height));
    const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
    const double rx = width * 0.48, ry = height * 0.48;
    for (int32_t r = 0; r < height; ++r) {
        const double y = (r - cy) / ry;
        uint8_t* row = mask->data() + size_t(r) * size_t(width);
        for (int32_t c = 0; c < width; ++c) {
            const double x = (c - cx) / rx;
            row[c] = x * x + y * y < 1.0 ? 255 : 0;
        }
    }
}

void SetUp(BenchImage* image, int16 mode, int32_t width, int32_t height) {
    const int32_t bytesPerSample = BytesPerSample(mode);
    const int32_t rowBytes = width * 3 * bytesPerSample;
    const size_t bytes = size_t(rowBytes) * size_t(height);
    image->in.resize(bytes);
    for (size_t i = 0; i < bytes; ++i) image->in[i] = uint8_t(i * 31 + (i >> 12));
    if (bytesPerSample == 2) {
        for (size_t i = 1; i < bytes; i += 2) image->in[i] &= 0x7F;  // 0..32767
    }
    image->out.assign(bytes, 0);
    SetUpPassRecord(
        image,
        PassImage{mode, 3, width, height, image->in.data(), rowBytes, image->out.data(), rowBytes},
        defaultAmount);  // each run sets its own
    image->record.abortProc = NeverAbort;
}

void UseMask(BenchImage* image, const std::vector<uint8_t>* mask, int32_t width) {
    SetPassMask(image, mask != nullptr ? mask->data() : nullptr, width);
}

struct PassFigures {
    double seconds = 0;
    double bytesPerPixel = 0;
    bool ok = false;
};

// Best time of `rounds` passes, each from the same generator state, and
// the most working memory any of them held.
template <typename Pass>
PassFigures TimePass(BenchImage* image, int32_t rounds, Pass pass) {
    PassFigures figures;
    figures.seconds = 1e30;
    const double pixels = double(image->instance.workRect.bottom) * image->instance.workRect.right;
    for (int32_t round = 0; round < rounds; ++round) {
        ResetDirectionOrder();
        srand(1);
        const size_t base = heapBytesInUse;
        heapPeakBytes = base;
        const Clock::time_point start = Clock::now();
        pass(&image->instance);
        const double seconds = SecondsSince(start);
        if (image->result != noErr) {
            printf("pass failed with %d\n", image->result);
            return figures;
        }
        figures.seconds = seconds < figures.seconds ? seconds : figures.seconds;
        const double perPixel = double(heapPeakBytes - base) / pixels;
        figures.bytesPerPixel = perPixel > figures.bytesPerPixel ? perPixel : figures.bytesPerPixel;
    }
    figures.ok = true;
    return figures;
}

double TimeCopy(BenchImage* image, int32_t rounds) {
    double best = 1e30;
    for (int32_t round = 0; round < rounds; ++round) {
        const Clock::time_point start = Clock::now();
        memcpy(image->out.data(), image->in.data(), image->in.size());
        const double seconds = SecondsSince(start);
        best = seconds < best ? seconds : best;
    }
    return best;
}

double TimeGeneration(std::vector<uint8_t>* grid, int32_t pitch, int32_t width, int32_t height,
                      const uint8_t* mask, int32_t rounds) {
    double best = 1e30;
    for (int32_t round = 0; round < rounds; ++round) {
        ResetDirectionOrder();
        srand(1);
        const Clock::time_point start = Clock::now();
        if (!BuildLabyrinth(grid->data(), pitch, width, height, mask)) return -1;
        const double seconds = SecondsSince(start);
        best = seconds < best ? seconds : best;
    }
    return best;
}

// The uninterruptible tail of a pass: writing the labyrinth from the grid
// into the output after the last poll.
double TimeWrite(BenchImage* image, const std::vector<uint8_t>& grid, int32_t rounds) {
    const LabyrinthSamples samples = LabyrinthSamplesOf(&image->record, HostKind);
    double best = 1e30;
    for (int32_t round = 0; round < rounds; ++round) {
        const Clock::time_point start = Clock::now();
        WriteLabyrinth(&image->instance, grid.data(), samples);
        const double seconds = SecondsSince(start);
        best = seconds < best ? seconds : best;
    }
    return best;
}

// ---- G'MIC ----

double TimeCommand(const std::string& command) {
    const Clock::time_point start = Clock::now();
    const int status = system((command + " > /dev/null 2>&1").c_str());
    const double seconds = SecondsSince(start);
    return status == 0 ? seconds : -1;
}

struct GmicTiming {
    double seconds = -1;  // maze time less start-up
    bool scaled = false;
};

struct Gmic {
    bool available = false;
    double startUp = 0;
    int64_t cellLimit = 20000;
    std::map<std::string, GmicTiming> measured;
};

void StartGmic(Gmic* gmic, const Options& options) {
    gmic->cellLimit = options.quick ? 4000 : 20000;
    if (!options.gmic || system("command -v gmic > /dev/null 2>&1") != 0) return;
    double best = 1e30;
    for (int32_t i = 0; i < 3; ++i) {
        const double seconds = TimeCommand("gmic -v - 1,1 -rm");
        if (seconds < 0) return;
        best = seconds < best ? seconds : best;
    }
    gmic->available = true;
    gmic->startUp = best;
    printf("G'MIC start-up (gmic -v - 1,1 -rm): %.0f ms, taken off every G'MIC time\n\n",
           best * 1e3);
}

// A maze of ceil(width / cell) x ceil(height / cell) cells of `cell`
// pixels: the smallest G'MIC maze covering the image.
GmicTiming TimeGmicMaze(Gmic* gmic, int32_t width, int32_t height, int32_t cell) {
    const std::string key =
        std::to_string(width) + "x" + std::to_string(height) + "/" + std::to_string(cell);
    auto found = gmic->measured.find(key);
    if (found != gmic->measured.end()) return found->second;
    GmicTiming timing;
    const int64_t columns = (width + cell - 1) / cell;
    const int64_t rows = (height + cell - 1) / cell;
    int64_t runColumns = columns, runRows = rows;
    if (columns * rows > gmic->cellLimit) {
        const double shrink = std::sqrt(double(gmic->cellLimit) / double(columns * rows));
        runColumns = int64_t(std::ceil(columns * shrink));
        runRows = int64_t(std::ceil(rows * shrink));
        timing.scaled = true;
    }
    const double seconds =
        TimeCommand("gmic -v - maze " + std::to_string(runColumns) + "," + std::to_string(runRows) +
                    "," + std::to_string(cell) + " -rm");
    if (seconds >= 0) {
        const double net = seconds - gmic->startUp > 0 ? seconds - gmic->startUp : 0;
        timing.seconds = net * double(columns * rows) / double(runColumns * runRows);
    }
    gmic->measured[key] = timing;
    return timing;
}

// ---- the table ----

void PrintHeader() {
    printf("%-6s %-6s %3s %-7s | %8s %7s | %8s %6s | %7s %6s %6s | %5s | %8s %5s | %9s %7s\n",
           "size", "depth", "Amt", "select", "pass ms", "MP/s", "gen ms", "write", "copy ms",
           "x copy", "rest x", "B/px", "float ms", "B/px", "G'MIC ms", "x pass");
}

void Measure(const Options& options, Gmic* gmic, const char* sizeName, int32_t width,
             int32_t height) {
    const double megapixels = double(width) * height / 1e6;
    const int32_t rounds = options.quick || megapixels > 20 ? 1 : 3;
    std::vector<uint8_t> ellipse;
    FillEllipse(&ellipse, width, height);
    std::vector<uint8_t> grid(size_t(width) * size_t(height));
    // Generation alone depends on neither the depth nor the buffers.
    std::map<std::pair<int32_t, bool>, double> generation;
    for (int16 mode : {plugInModeRGBColor, plugInModeRGB48}) {
        BenchImage image;
        SetUp(&image, mode, width, height);
        const double copy = TimeCopy(&image, 5);
        for (int16 amount : {int16(1), int16(10), int16(99)}) {
            for (bool selection : {false, true}) {
                image.parameters.Amount = amount;
                UseMask(&image, selection ? &ellipse : nullptr, width);
                const PassFigures after = TimePass(&image, rounds, RunFilterPass);
                if (!after.ok) continue;
                const std::pair<int32_t, bool> key(amount, selection);
                if (generation.find(key) == generation.end()) {
                    generation[key] = TimeGeneration(&grid, amount + 1, width, height,
                                                     selection ? ellipse.data() : nullptr, rounds);
                } else {
                    ResetDirectionOrder();
                    srand(1);
                    BuildLabyrinth(grid.data(), amount + 1, width, height,
                                   selection ? ellipse.data() : nullptr);
                }
                const double write = TimeWrite(&image, grid, rounds);
                PassFigures before;
                if (options.before && megapixels < 20) {
                    before = TimePass(&image, rounds, reference::RunFilterPass);
                }
                GmicTiming maze;
                if (gmic->available) maze = TimeGmicMaze(gmic, width, height, amount + 1);

                char beforeText[32] = "-", beforeBytes[16] = "-", mazeText[32] = "-",
                     mazeRatio[16] = "-";
                if (before.ok) {
                    snprintf(beforeText, sizeof beforeText, "%.1f", before.seconds * 1e3);
                    snprintf(beforeBytes, sizeof beforeBytes, "%.2f", before.bytesPerPixel);
                }
                if (maze.seconds >= 0) {
                    snprintf(mazeText, sizeof mazeText, "%s%.0f", maze.scaled ? "~" : "",
                             maze.seconds * 1e3);
                    snprintf(mazeRatio, sizeof mazeRatio, "%s%.0f", maze.scaled ? "~" : "",
                             maze.seconds / after.seconds);
                }
                const double rest = after.seconds - generation[key];
                printf(
                    "%-6s %-6s %3d %-7s | %8.1f %7.1f | %8.1f %6.1f | %7.1f %6.1f %6.1f | %5.2f | "
                    "%8s %5s | %9s %7s\n",
                    sizeName, mode == plugInModeRGBColor ? "8-bit" : "16-bit", amount,
                    selection ? "ellipse" : "none", after.seconds * 1e3, megapixels / after.seconds,
                    generation[key] * 1e3, write * 1e3, copy * 1e3, after.seconds / copy,
                    (rest > 0 ? rest : 0) / copy, after.bytesPerPixel, beforeText, beforeBytes,
                    mazeText, mazeRatio);
                fflush(stdout);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--quick") == 0)
            options.quick = true;
        else if (strcmp(argv[i], "--no-gmic") == 0)
            options.gmic = false;
        else if (strcmp(argv[i], "--no-float") == 0)
            options.before = false;
        else {
            printf("usage: %s [--quick] [--no-gmic] [--no-float]\n", argv[0]);
            return 2;
        }
    }
    Gmic gmic;
    StartGmic(&gmic, options);
    if (options.gmic && !gmic.available) printf("gmic not found: no G'MIC column\n\n");
    printf(
        "pass: the whole filter pass, best of %s; gen: BuildLabyrinth alone; write: the\n"
        "output written from the grid (the part after the last abortProc poll); copy:\n"
        "memcpy of the same input into the same output; x copy: pass / copy; rest x:\n"
        "(pass - gen) / copy, all but the generation; B/px: peak working memory per\n"
        "pixel; float: the float-plane pass of the tests with today's generator (time,\n"
        "B/px); G'MIC: gmic maze of the same size and cell size (Amount + 1), less\n"
        "start-up; x pass: G'MIC / pass. ~ marks G'MIC times scaled from a maze of %lld\n"
        "cells.\n\n",
        options.quick ? "1 round" : "3 rounds (1 at 50 MP)", (long long)gmic.cellLimit);
    PrintHeader();
    Measure(options, &gmic, "1 MP", 1000, 1000);
    Measure(options, &gmic, "12 MP", 4000, 3000);
    if (!options.quick) Measure(options, &gmic, "50 MP", 8165, 6124);
    return 0;
}
