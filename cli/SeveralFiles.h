// Several files at once: INPUT... -o DIR.
#pragma once

struct CliOptions;
// Each file in turn into the options' folder; one that fails is reported
// and the others still run; a summary at the end. Answers the exit status.
int FilterSeveralFiles(const CliOptions& options);
