// The progress line on standard error: the phase of the run (reading,
// building the labyrinth, painting, writing), the time since the start and,
// where the host can count, a bar and a percentage: rows while reading and
// writing, the plug-in's abortProc polls while painting (the filter polls
// once every 1000 pixels of every plane it paints, so a whole pass's number
// of polls is known beforehand). The labyrinth is built without any call
// back to the host, so a ticker thread redraws the line (its time, and the
// share of the labyrinth built where the host can see it) while that runs,
// and acknowledges a first Ctrl-C at once.
#pragma once

#include "host/HostInterface.h"

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

enum ProgressPhase { phaseReading, phaseBuilding, phasePainting, phaseWriting };

struct PhaseProgress {
    bool enabled = false;
    double delaySeconds = 0;  // nothing is drawn before the run is this old
    FILE* stream = nullptr;
    std::string label = "vorn";
    // While building: how far the labyrinth has come (done of total), when
    // the host can tell; null or false: no percentage.
    bool (*buildCount)(int64_t* done, int64_t* total) = nullptr;
    // While building, the line the ticker prints once Ctrl-C has asked
    // the run to stop (without "label: "); empty: none.
    std::string buildingNotice;

    // Kept by the functions below; the ticker reads them under the lock.
    std::mutex lock;
    std::condition_variable wake;
    std::thread ticker;
    bool stopping = false;
    ProgressPhase phase = phaseReading;
    int64_t done = 0;
    int64_t total = 0;  // 0: no percentage in this phase
    int32 shownPercent = -1;
    double startSeconds = 0;
    size_t shownLength = 0;
    bool drawn = false;
    bool noticeShown = false;
    bool tickerRunning = false;
};

// painted planes x ceil(width x height / 1000); the transparency plane of
// a 2- or 4-plane image is not painted.
int32 ExpectedPolls(int16 planes, int32 width, int32 height);

// "label: painting [#####               ]  25%" (barWidth marks), or
// "label: building the labyrinth" when percent is negative.
std::string PhaseText(const std::string& label, ProgressPhase phase, int32 percent, int32 barWidth);

// Starts the clock, in the reading phase, and the ticker when enabled.
// When no thread can be started (a process or memory limit), the run goes
// on without the ticker: the line is then redrawn at each step only.
void BeginProgress(PhaseProgress* progress);
// Whether the ticker runs (and so acknowledges Ctrl-C while building).
bool ProgressTicks(PhaseProgress* progress);
// Whether the line is drawn now.
bool ProgressShown(PhaseProgress* progress);
// A new phase; total is what AdvancePhase counts up to (0: no percentage).
void SetPhase(PhaseProgress* progress, ProgressPhase phase, int64_t total);
// Redraws at once when the percentage has changed.
void AdvancePhase(PhaseProgress* progress, int64_t done);
// Seconds since BeginProgress.
double ProgressSeconds(PhaseProgress* progress);

// The adapter for image decoding and encoding (RowProgress: onRows, with the
// PhaseProgress as context): counts rows in the current phase and answers
// false, to stop, once Ctrl-C has asked for it.
bool OnPhaseRows(void* progress, int32_t rowsDone, int32_t rowsTotal);

// Stops the ticker and ends the line when one was drawn: with finalText in
// its place when that is given, else as it last stood. Answers whether a
// line was drawn.
bool EndProgress(PhaseProgress* progress, const std::string& finalText);
