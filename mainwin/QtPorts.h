#pragma once

#include "core/Fisher.h"
#include "core/TableValues.h"
#include "core/UiPorts.h"

class TFormGraph;
class TFormResult;

// The report of dist and table goes to the result window and the chart to the
// chart window; both are read at each computation, never copied.
class TResultWindows : public clResultViews {
public:
    TResultWindows(TFormResult &result, TFormGraph &graph, clMessageBox &messages,
                   const TFisherDistribution &dist, const TInputTable &table)
        : m_result(result), m_graph(graph), m_messages(messages), m_dist(dist), m_table(table)
    {
    }
    bool BuildReport(const TCriticalBounds &bounds) override;
    void ShowChart(const TCriticalBounds &bounds) override;

private:
    TFormResult &m_result;
    TFormGraph &m_graph;
    clMessageBox &m_messages;
    const TFisherDistribution &m_dist;
    const TInputTable &m_table;
};
