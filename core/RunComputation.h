#pragma once

#include "core/UiPorts.h"

#include <cstdint>

// The compute driver behind "Расчет": computes the distribution for s, m and k
// of InputTable under the busy cursor, reports a refusal with "Ошибка", and on
// success rebuilds the report and then the chart. Returns the status of the
// computation.
int32_t RunComputation(clBusyCursor &cursor, clMessageBox &messages, clResultViews &views);
