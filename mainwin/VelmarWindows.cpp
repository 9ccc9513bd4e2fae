#include "mainwin/VelmarWindows.h"

#include "chart/FrmGraph.h"
#include "help/FormHelp.h"
#include "mainwin/FormVelmar.h"
#include "mainwin/QtPorts.h"
#include "report/FormResult.h"

TVelmarWindows::TVelmarWindows(TSettingsStore &store, const TWindowPorts &ports, TInputTable &table,
                               bool &editBusy, TFisherDistribution &dist)
    : m_velmar(std::make_unique<TFormVelmar>(store, ports, table, editBusy, dist)),
      m_result(std::make_unique<TFormResult>(ports)), m_help(std::make_unique<TFormHelp>()),
      m_graph(std::make_unique<TFormGraph>(store, ports, dist, [&table] { return table.a; })),
      m_views(std::make_unique<TResultWindows>(*m_result, *m_graph, ports.messages, dist, table))
{
    m_velmar->setResultViews(m_views.get());
    m_velmar->setHelpWindow(m_help.get());
}

TVelmarWindows::~TVelmarWindows()
{
    // The main window outlives the others: it must not reach them once they go.
    m_velmar->setResultViews(nullptr);
    m_velmar->setHelpWindow(nullptr);
}
