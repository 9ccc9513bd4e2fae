#include "core/RunComputation.h"

#include "core/Fisher.h"
#include "core/InputTable.h"

int32_t RunComputation(clBusyCursor &cursor, clMessageBox &messages, clResultViews &views)
{
    TWaitCursor wait(cursor);
    const int32_t status = ComputeDistribution(InputTable.s, InputTable.m, InputTable.k);
    if (status != 0) {
        messages.Show("Ошибка", "", TMsgIcon::Stop);
        return status;
    }
    if (views.BuildReport())
        views.ShowChart();
    return status;
}
