#pragma once

#include "core/TableValues.h"

// The values behind the main window's nine fields. Only main() names it; the
// windows and the field steps are handed it.
extern TInputTable InputTable;

// While set, the field filter lets everything through and the exit steps do
// nothing (see TEditBusyGuard). Handed on from main() like InputTable.
extern bool EditBusy;
