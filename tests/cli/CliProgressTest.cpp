// The progress line: phases, percentages, the ticker that keeps the time
// moving while the host gets no calls, and the delay before anything shows.
#include "cli/Progress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

std::string Drawn(FILE* stream) {
    fflush(stream);
    rewind(stream);
    std::string text;
    char piece[4096];
    size_t got;
    while ((got = fread(piece, 1, sizeof piece, stream)) > 0) text.append(piece, got);
    return text;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// The tests that draw: a temporary file stands in for the terminal.
class CliProgressDrawn : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(stream, nullptr); }
    void TearDown() override {
        if (stream != nullptr) fclose(stream);
    }
    // Progress shown at once on the stream.
    void ShowOnStream(PhaseProgress* progress) {
        progress->enabled = true;
        progress->stream = stream;
    }
    FILE* stream = tmpfile();
};

TEST(CliProgress, PhaseTextShowsTheBarOnlyWhereThereIsAPercentage) {
    EXPECT_EQ(PhaseText("vorn", phasePainting, 50, 10), "vorn: painting [#####     ]  50%");
    EXPECT_EQ(PhaseText("vorn", phasePainting, 140, 4), "vorn: painting [####] 100%");
    EXPECT_EQ(PhaseText("vorn", phaseBuilding, -1, 10), "vorn: building the labyrinth");
    EXPECT_EQ(PhaseText("vorn: [1/2] a.png", phaseReading, -1, 10), "vorn: [1/2] a.png: reading");
    EXPECT_EQ(PhaseText("v", phaseWriting, 0, 2), "v: writing [  ]   0%");
}

TEST_F(CliProgressDrawn, TickerRedrawsWhileNothingCallsBackAndTheLineEnds) {
    PhaseProgress progress;
    ShowOnStream(&progress);
    BeginProgress(&progress);
    SetPhase(&progress, phaseBuilding, 0);
    // No call for a while, as while the labyrinth is built.
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    SetPhase(&progress, phasePainting, 4);
    for (int32 poll = 1; poll <= 4; ++poll) AdvancePhase(&progress, poll);
    EXPECT_TRUE(OnPhaseRows(&progress, 1, 2));  // rows of a phase: a percentage
    EXPECT_TRUE(EndProgress(&progress, std::string()));
    const std::string text = Drawn(stream);
    EXPECT_EQ(text.find("vorn: reading"), 1u) << text;
    EXPECT_GE(Count(text, "building the labyrinth"), 3u) << text;  // first draw and the ticker's
    EXPECT_NE(text.find("painting [##########                              ]  25%"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("painting [########################################] 100%"),
              std::string::npos);
    EXPECT_NE(text.find("]  50%"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(Count(text, "\n"), 1u);
    EXPECT_NE(text.find(" s"), std::string::npos);
}

TEST_F(CliProgressDrawn, FinalTextReplacesTheLine) {
    PhaseProgress progress;
    ShowOnStream(&progress);
    progress.label = "vorn: [1/1] a-rather-long-name.png";
    BeginProgress(&progress);
    SetPhase(&progress, phasePainting, 10);
    EXPECT_TRUE(EndProgress(&progress, "done"));
    const std::string text = Drawn(stream);
    const size_t last = text.rfind('\r');
    ASSERT_NE(last, std::string::npos);
    const std::string line = text.substr(last + 1);
    // The final text, blanked to the end of what stood there before.
    EXPECT_EQ(line.substr(0, 5), "done ");
    EXPECT_EQ(line.find_first_not_of(' ', 4), line.size() - 1);
    EXPECT_EQ(line.back(), '\n');
}

TEST_F(CliProgressDrawn, NothingBeforeTheDelayOrWhenOff) {
    PhaseProgress late;
    ShowOnStream(&late);
    late.delaySeconds = 30;
    BeginProgress(&late);
    SetPhase(&late, phasePainting, 2);
    AdvancePhase(&late, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(EndProgress(&late, "done"));

    PhaseProgress off;
    off.stream = stream;
    BeginProgress(&off);
    SetPhase(&off, phaseWriting, 2);
    AdvancePhase(&off, 2);
    EXPECT_FALSE(EndProgress(&off, std::string()));
    EXPECT_EQ(Drawn(stream), "");

    EXPECT_TRUE(OnPhaseRows(nullptr, 1, 2));  // no progress at all: rows still go on
}

}  // namespace
