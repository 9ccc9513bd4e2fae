#pragma once

#include "core/UiPorts.h"

class TFormGraph;
class TFormResult;

// The report goes to the result window and the chart to the chart window.
class TResultWindows : public clResultViews {
public:
    TResultWindows(TFormResult &result, TFormGraph &graph, clMessageBox &messages)
        : m_result(result), m_graph(graph), m_messages(messages)
    {
    }
    bool BuildReport() override;
    void ShowChart() override;

private:
    TFormResult &m_result;
    TFormGraph &m_graph;
    clMessageBox &m_messages;
};
