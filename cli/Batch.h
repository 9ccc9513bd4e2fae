#pragma once

#include <cstdio>

// velmar-report --batch: tables a b c d from in, one a line (blanks, tabs,
// commas or semicolons between the numbers; empty lines and lines starting
// with # skipped), one CSV row each to out in the order read, written as the
// lines come. Returns 0 when every table was computed, 2 when any was refused.
int RunBatch(std::FILE *in, std::FILE *out, long double confLevel);

// The header of the batch's CSV.
extern const char BatchHeader[];
