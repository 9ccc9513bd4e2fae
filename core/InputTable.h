#pragma once

#include <cstdint>

// The nine values behind the main window's fields; -1 means empty.
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

extern TInputTable InputTable;

// While set, the field filter lets everything through and the exit steps do nothing.
extern bool EditBusy;

// Sets EditBusy for its lifetime and restores the value it found.
class TEditBusyGuard {
public:
    TEditBusyGuard() : m_previous(EditBusy) { EditBusy = true; }
    ~TEditBusyGuard() { EditBusy = m_previous; }
    TEditBusyGuard(const TEditBusyGuard &) = delete;
    TEditBusyGuard &operator=(const TEditBusyGuard &) = delete;

private:
    bool m_previous;
};
