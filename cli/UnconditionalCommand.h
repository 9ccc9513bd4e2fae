#pragma once

#include <cstdint>
#include <string>
#include <vector>

// velmar-report --unconditional: Boschloo's and Barnard's tests of the table
// a b c d, its rows taken as the two samples.

// The block «Безусловные точные критерии», printed after the odds-ratio block:
// an empty line, the heading, a line on what the rows are and one line for
// each test with its left, right and two-sided p. A total above 2000 gives the
// heading and the refusal. UTF-8 lines that Windows-1251 can encode.
std::vector<std::string> UnconditionalBlockLines(int32_t a, int32_t b, int32_t c, int32_t d);

// The batch's six columns, appended to its header after a comma.
extern const char UnconditionalBatchHeader[];

// The refusal of a table whose total is above 2000, for the row's error field.
extern const char UnconditionalTotalRefused[];

// A batch row's six fields: the values with 17 significant digits joined by
// commas; on a refusal six empty fields (",,,,,") and refusal set to the
// message for the row's error field.
struct TUnconditionalColumns {
    std::string fields;
    const char *refusal = nullptr;
};

// The cells as the batch reads them (any non-negative values; a total above
// 2000 is refused).
TUnconditionalColumns UnconditionalBatchColumns(int64_t a, int64_t b, int64_t c, int64_t d);
