#include "cli/Progress.h"

namespace {

const int32 barWidth = 40;

}  // namespace

int32 ExpectedPolls(int16 planes, int32 width, int32 height) {
    const int32 painted = (planes == 2 || planes == 4) ? planes - 1 : planes;
    const int64_t pixels = int64_t(width) * height;
    return int32(painted * ((pixels + 999) / 1000));
}

std::string ProgressLine(const char* label, int32 percent, int32 width) {
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    const int32 marks = percent * width / 100;
    std::string line = std::string(label) + ": painting [";
    line.append(size_t(marks), '#');
    line.append(size_t(width - marks), ' ');
    char number[8];
    snprintf(number, sizeof number, "] %3d%%", int(percent));
    return line + number;
}

void ShowProgress(ProgressBar* bar, int32 polls) {
    if (!bar->enabled || bar->totalPolls <= 0 || bar->stream == nullptr) return;
    int32 percent = int32(int64_t(polls) * 100 / bar->totalPolls);
    if (percent > 100) percent = 100;
    if (percent == bar->shownPercent) return;
    bar->shownPercent = percent;
    fprintf(bar->stream, "\r%s", ProgressLine(bar->label, percent, barWidth).c_str());
    fflush(bar->stream);
}

void EndProgress(ProgressBar* bar) {
    if (bar->shownPercent >= 0 && bar->stream != nullptr) {
        fputc('\n', bar->stream);
        fflush(bar->stream);
    }
    bar->shownPercent = -1;
}
