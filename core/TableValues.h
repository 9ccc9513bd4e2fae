#pragma once

#include <cstdint>

// The nine values of a 2x2 table as entered: cells a, b, c, d, row sums m, n,
// column sums k, t and the total s; -1 means empty.
struct TInputTable {
    int32_t a = -1, b = -1, c = -1, d = -1;
    int32_t m = -1, n = -1, k = -1, t = -1;
    int32_t s = -1;

    // Value by field index in the order a, b, c, d, m, n, k, t, s.
    int32_t &At(int index);
    int32_t At(int index) const;
    void ClearAll() { *this = TInputTable(); }
    bool CellsGiven() const { return a >= 0 && b >= 0 && c >= 0 && d >= 0; }
};
