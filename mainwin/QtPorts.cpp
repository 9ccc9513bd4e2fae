#include "mainwin/QtPorts.h"

#include "chart/FrmGraph.h"
#include "report/FormResult.h"
#include "report/Report.h"

bool TResultWindows::BuildReport(const TCriticalBounds &bounds)
{
    if (::BuildReport(m_result, m_dist, m_table, bounds) == 0)
        return true;
    m_messages.Show("Отчет не помещается в окне \"Распределение\"", ApplicationTitle,
                    TMsgIcon::Stop);
    return false;
}

void TResultWindows::ShowChart(const TCriticalBounds &bounds)
{
    m_graph.ShowChart(bounds);
}
