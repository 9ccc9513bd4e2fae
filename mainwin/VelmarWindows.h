#pragma once

#include "core/Fisher.h"
#include "core/TableValues.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

#include <memory>

class TFormGraph;
class TFormHelp;
class TFormResult;
class TFormVelmar;
class TResultWindows;

// The program's four windows, made in their order and wired together: "Расчет"
// completes table, computes dist with its critical bounds and hands the report
// of them to the result window and the chart (dist, the entered a and the
// same bounds) to the chart window; "Помощь" opens the help window. The windows go
// in the reverse order, the main window last, deleting the help pictures.
class TVelmarWindows {
public:
    TVelmarWindows(TSettingsStore &store, const TWindowPorts &ports, TInputTable &table,
                   bool &editBusy, TFisherDistribution &dist);
    ~TVelmarWindows();
    TVelmarWindows(const TVelmarWindows &) = delete;
    TVelmarWindows &operator=(const TVelmarWindows &) = delete;

    TFormVelmar &velmar() const { return *m_velmar; }
    TFormResult &result() const { return *m_result; }
    TFormHelp &help() const { return *m_help; }
    TFormGraph &graph() const { return *m_graph; }

private:
    std::unique_ptr<TFormVelmar> m_velmar;
    std::unique_ptr<TFormResult> m_result;
    std::unique_ptr<TFormHelp> m_help;
    std::unique_ptr<TFormGraph> m_graph;
    std::unique_ptr<TResultWindows> m_views;
};
