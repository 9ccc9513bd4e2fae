#pragma once

#include <cstdio>
#include <string>
#include <vector>

// velmar-report --power P1 P2 N1 N2 and --sample-size P1 P2 POWER, planning a
// study. args are the words of the command line other than the mode word, in
// their order; the options --alpha A, --criterion two|left|right,
// --rule velmar|minlike|central, --csv (and --ratio R for the sample size) may
// stand anywhere among the values. The result goes to out as Russian lines, or
// with --csv as one header and one row. Returns 0; 1 when out cannot be
// written; 2 for bad input, with the reason on err.
int RunPowerCommand(const std::vector<std::string> &args, std::FILE *out, std::FILE *err);
int RunSampleSizeCommand(const std::vector<std::string> &args, std::FILE *out, std::FILE *err);

// The CSV headers of the two modes.
extern const char PowerHeader[];
extern const char SampleSizeHeader[];
