#include "cli/Progress.h"

#include "cli/CliPlatform.h"

#include <chrono>
#include <cstring>
#include <system_error>

namespace {

const int32 barWidth = 40;
const int32 tickMilliseconds = 100;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const char* PhaseName(ProgressPhase phase) {
    switch (phase) {
        case phaseReading: return "reading";
        case phaseBuilding: return "building the labyrinth";
        case phasePainting: return "painting";
        case phaseWriting: return "writing";
    }
    return "";
}

// The bar as wide as fits the line in 79 columns beside the label, the
// phase, the percentage and the time, from 10 to barWidth marks.
int32 BarWidthFor(const PhaseProgress& progress) {
    const size_t around =
        progress.label.size() + 2 + strlen(PhaseName(progress.phase)) + 2 + 6 + 10;
    const int32 room = around >= 79 ? 0 : int32(79 - around);
    return room < 10 ? 10 : room > barWidth ? barWidth : room;
}

int32 PercentOf(const PhaseProgress& progress) {
    if (progress.total <= 0) return -1;
    const int64_t percent = progress.done * 100 / progress.total;
    return int32(percent > 100 ? 100 : percent < 0 ? 0 : percent);
}

// Writes text over the line drawn before; the lock is held.
void DrawLine(PhaseProgress* progress, const std::string& text, bool endLine) {
    std::string line = "\r" + text;
    if (progress->shownLength > text.size()) line.append(progress->shownLength - text.size(), ' ');
    if (endLine) line += '\n';
    fputs(line.c_str(), progress->stream);
    fflush(progress->stream);
    progress->shownLength = endLine ? 0 : text.size();
    progress->drawn = true;
}

std::string WithTime(const std::string& text, double seconds) {
    char time[32];
    snprintf(time, sizeof time, "  %.1f s", seconds);
    return text + time;
}

// While building: the count of the labyrinth as the host sees it.
void TakeBuildCount(PhaseProgress* progress) {
    int64_t done = 0, total = 0;
    if (progress->phase != phaseBuilding || progress->buildCount == nullptr ||
        !progress->buildCount(&done, &total) || total <= 0)
        return;
    progress->done = done;
    progress->total = total;
}

// Redraws the line as things stand; the lock is held.
void Redraw(PhaseProgress* progress) {
    if (!progress->enabled || progress->stream == nullptr) return;
    TakeBuildCount(progress);
    const double seconds = Now() - progress->startSeconds;
    if (seconds < progress->delaySeconds) return;
    progress->shownPercent = PercentOf(*progress);
    DrawLine(progress,
             WithTime(PhaseText(progress->label, progress->phase, progress->shownPercent,
                                BarWidthFor(*progress)),
                      seconds),
             false);
}

// A first Ctrl-C while the labyrinth is built: the line drawn so far ends
// and the notice follows on a line of its own; the lock is held.
void AcknowledgeInterrupt(PhaseProgress* progress) {
    if (progress->noticeShown || progress->phase != phaseBuilding ||
        progress->buildingNotice.empty() || !InterruptRequested())
        return;
    std::string text;
    if (progress->drawn && progress->shownLength > 0) text += '\n';
    text += progress->label + ": " + progress->buildingNotice + "\n";
    fputs(text.c_str(), progress->stream);
    fflush(progress->stream);
    progress->shownLength = 0;
    progress->noticeShown = true;
}

void RunTicker(PhaseProgress* progress) {
    std::unique_lock<std::mutex> held(progress->lock);
    while (!progress->stopping) {
        progress->wake.wait_for(held, std::chrono::milliseconds(tickMilliseconds));
        if (progress->stopping) break;
        AcknowledgeInterrupt(progress);
        Redraw(progress);
    }
}

}  // namespace

int32 ExpectedPolls(int16 planes, int32 width, int32 height) {
    const int32 painted = (planes == 2 || planes == 4) ? planes - 1 : planes;
    const int64_t pixels = int64_t(width) * height;
    return int32(painted * ((pixels + 999) / 1000));
}

std::string PhaseText(const std::string& label, ProgressPhase phase, int32 percent, int32 width) {
    std::string line = label + ": " + PhaseName(phase);
    if (percent < 0) return line;
    if (percent > 100) percent = 100;
    const int32 marks = percent * width / 100;
    line += " [";
    line.append(size_t(marks), '#');
    line.append(size_t(width - marks), ' ');
    char number[8];
    snprintf(number, sizeof number, "] %3d%%", int(percent));
    return line + number;
}

void BeginProgress(PhaseProgress* progress) {
    progress->startSeconds = Now();
    progress->phase = phaseReading;
    progress->done = progress->total = 0;
    progress->stopping = false;
    progress->drawn = false;
    progress->shownLength = 0;
    progress->shownPercent = -1;
    progress->noticeShown = false;
    progress->tickerRunning = false;
    if (!progress->enabled || progress->stream == nullptr) return;
    {
        std::lock_guard<std::mutex> held(progress->lock);
        Redraw(progress);
    }
    // The ticker never takes Ctrl-C, so a signal always cuts short the
    // main thread's blocking calls.
    BlockInterrupts(true);
    try {
        progress->ticker = std::thread(RunTicker, progress);
        progress->tickerRunning = true;
    } catch (const std::system_error&) {
        // No thread to be had: the line still moves at each step.
    }
    BlockInterrupts(false);
}

bool ProgressTicks(PhaseProgress* progress) { return progress->tickerRunning; }

bool ProgressShown(PhaseProgress* progress) {
    std::lock_guard<std::mutex> held(progress->lock);
    return progress->drawn;
}

void SetPhase(PhaseProgress* progress, ProgressPhase phase, int64_t total) {
    std::lock_guard<std::mutex> held(progress->lock);
    progress->phase = phase;
    progress->done = 0;
    progress->total = total;
    Redraw(progress);
}

void AdvancePhase(PhaseProgress* progress, int64_t done) {
    std::lock_guard<std::mutex> held(progress->lock);
    progress->done = done;
    if (PercentOf(*progress) != progress->shownPercent) Redraw(progress);
}

double ProgressSeconds(PhaseProgress* progress) { return Now() - progress->startSeconds; }

bool OnPhaseRows(void* context, int32_t rowsDone, int32_t rowsTotal) {
    PhaseProgress* progress = static_cast<PhaseProgress*>(context);
    if (progress != nullptr) {
        {
            std::lock_guard<std::mutex> held(progress->lock);
            progress->total = rowsTotal;
        }
        AdvancePhase(progress, rowsDone);
    }
    return !InterruptRequested();
}

bool EndProgress(PhaseProgress* progress, const std::string& finalText) {
    if (progress->ticker.joinable()) {
        {
            std::lock_guard<std::mutex> held(progress->lock);
            progress->stopping = true;
        }
        progress->wake.notify_all();
        progress->ticker.join();
    }
    std::lock_guard<std::mutex> held(progress->lock);
    if (!progress->drawn) return false;
    const double seconds = Now() - progress->startSeconds;
    DrawLine(progress,
             finalText.empty() ? WithTime(PhaseText(progress->label, progress->phase,
                                                    PercentOf(*progress), BarWidthFor(*progress)),
                                          seconds)
                               : finalText,
             true);
    progress->drawn = false;
    return true;
}
