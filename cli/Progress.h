// A progress bar on standard error, driven by the plug-in's polls of
// abortProc: the filter polls once every 1000 pixels of every plane it
// paints, so the number of polls a whole pass makes is known beforehand.
#pragma once

#include "host/HostInterface.h"

#include <cstdio>
#include <string>

struct ProgressBar {
    bool enabled = false;
    int32 totalPolls = 0;
    int32 shownPercent = -1;
    FILE* stream = nullptr;
    const char* label = "vorn";
};

// painted planes x ceil(width x height / 1000); the transparency plane of
// a 2- or 4-plane image is not painted.
int32 ExpectedPolls(int16 planes, int32 width, int32 height);

// "label: painting [#####               ]  25%", barWidth marks wide.
std::string ProgressLine(const char* label, int32 percent, int32 barWidth);

// Redraws the bar in place when the percentage has changed.
void ShowProgress(ProgressBar* bar, int32 polls);

// Ends the bar's line, when one was drawn.
void EndProgress(ProgressBar* bar);
