#include "core/RunComputation.h"

int32_t RunComputation(TFisherDistribution &result, int32_t s, int32_t m, int32_t k,
                       clBusyCursor &cursor, clMessageBox &messages, clResultViews &views)
{
    TWaitCursor wait(cursor);
    const int32_t status = ComputeDistribution(result, s, m, k);
    if (status != 0) {
        messages.Show("Ошибка", "", TMsgIcon::Stop);
        return status;
    }
    // Computed once: the report shows them and the chart underlines them.
    const TCriticalBounds bounds = ComputeCriticalBounds(result);
    if (views.BuildReport(bounds))
        views.ShowChart(bounds);
    return status;
}
