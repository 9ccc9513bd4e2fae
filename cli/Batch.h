#pragma once

#include <cstdio>
#include <string_view>

// velmar-report --batch: tables a b c d from in, one a line (ended by LF, CR LF
// or CR; blanks, tabs, a comma or a semicolon between the numbers; empty lines
// and lines starting with # skipped), one CSV row each to out in the order
// read, written as the lines come (a block of many lines is computed on
// every core the process may use). Returns 0 when every table was computed, 2
// when any was refused, 1 when in could not be read or out not written (the
// message is then on err). Every table whose cells and total fit a signed
// 32-bit integer is computed.
struct TBatchOptions {
    long double confLevel = 0.95L;
    std::string_view levelText = "0.95"; // confLevel as given, written in each computed row
    // Boschloo's and Barnard's six p-values after the other columns; a total
    // above 2000 is refused in the row's error field.
    bool unconditional = false;
};
int RunBatch(std::FILE *in, std::FILE *out, std::FILE *err, const TBatchOptions &options);

// Tells on err that standard output could not be written, with the reason of
// errno value error; returns the exit status 1. Every mode of velmar-report says it so.
int OutputFailed(std::FILE *err, int error);

// The header of the batch's CSV.
extern const char BatchHeader[];
