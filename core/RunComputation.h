#pragma once

#include "core/Fisher.h"
#include "core/UiPorts.h"

#include <cstdint>

// The compute driver behind "Расчет": computes result for the margins s, m and
// k under the busy cursor, reports a refusal with "Ошибка", and on success
// computes the critical bounds and rebuilds the report and then the chart from
// them. Returns the status of the computation.
int32_t RunComputation(TFisherDistribution &result, int32_t s, int32_t m, int32_t k,
                       clBusyCursor &cursor, clMessageBox &messages, clResultViews &views);
