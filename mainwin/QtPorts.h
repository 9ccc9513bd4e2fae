#pragma once

#include "core/UiPorts.h"

class TFormGraph;
class TFormResult;

// The toolkit's modal box with one OK button; the stop icon is the critical one.
// An empty caption shows ApplicationTitle.
class TQtMessageBox : public clMessageBox {
public:
    void Show(const std::string &text, const std::string &caption, TMsgIcon icon) override;
};

// The busy cursor as the application's override cursor.
class TQtBusyCursor : public clBusyCursor {
public:
    void Push() override;
    void Pop() override;
};

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
