#include "mainwin/InputTable.h"

TInputTable InputTable;
bool EditBusy = false;
