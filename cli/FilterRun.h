// One run of the filter: an input file into an output file.
#pragma once

#include <string>

struct CliOptions;
// Filters input into output with the options' settings; answers the exit
// status. label, when not empty, names the file in its lines ("[2/5]
// b.png" when several files run).
int FilterImage(const CliOptions& options, const std::string& input, const std::string& output,
                const std::string& label = std::string());
