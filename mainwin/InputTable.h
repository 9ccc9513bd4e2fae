#pragma once

#include "core/TableValues.h"

// The values behind the main window's nine fields; only the field steps and
// the main window's handlers touch it.
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
