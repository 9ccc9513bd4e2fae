// Pressing "Расчет" for s = 20000 (a = b = c = d = 5000, 10001 report rows)
// until the report is painted in the result window. Target: 150 ms.
#include "chart/FrmGraph.h"
#include "mainwin/FormVelmar.h"
#include "mainwin/QtPorts.h"
#include "mainwin/VelmarWindows.h"
#include "report/FormResult.h"
#include "tests/gui/TestPorts.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

// The report goes to the real result window; the chart only when asked.
class TReportOnlyViews : public clResultViews {
public:
    explicit TReportOnlyViews(TResultWindows &all) : m_all(all) {}
    bool BuildReport(const TCriticalBounds &bounds) override { return m_all.BuildReport(bounds); }
    void ShowChart(const TCriticalBounds &) override {}

private:
    TResultWindows &m_all;
};

struct TProgram {
    QTemporaryDir dir;
    TSettingsStore store{{dir.path(), QStringLiteral("\\Software\\VLM-2010-v2")}};
    TTestPorts ports;
    TInputTable table;
    bool editBusy = false;
    TFisherDistribution dist;
    // The windows as the program wires them; the benchmark switches the main
    // window between the full views and the report alone.
    TVelmarWindows windows{store, ports.ports, table, editBusy, dist};
    TFormVelmar *velmar = &windows.velmar();
    TFormResult *result = &windows.result();
    TFormGraph *graph = &windows.graph();
    TResultWindows views{*result, *graph, ports.messages, dist, table};
    TReportOnlyViews reportOnly{views};

    TProgram()
    {
        velmar->show();
        if (!QTest::qWaitForWindowActive(velmar))
            std::fprintf(stderr, "the main window did not become active\n");
        // Typed as a user types it: four cells with Tab between them.
        for (TField cell : {TField::a, TField::b, TField::c, TField::d}) {
            QTest::keyClicks(velmar->field(cell), QStringLiteral("5000"));
            QTest::keyClick(velmar->field(cell), Qt::Key_Tab);
        }
    }

    QPushButton *compute() const
    {
        return velmar->findChild<QPushButton *>(QStringLiteral("BtnComp"));
    }
};

// The windows live from the first benchmark until main() ends them, while the
// application still exists.
std::unique_ptr<TProgram> TheProgram;

TProgram &Program()
{
    if (!TheProgram)
        TheProgram = std::make_unique<TProgram>();
    return *TheProgram;
}

void PressCompute(benchmark::State &state, bool withChart)
{
    TProgram &program = Program();
    program.velmar->setResultViews(withChart ? static_cast<clResultViews *>(&program.views)
                                             : &program.reportOnly);
    for (auto _ : state) {
        QTest::mouseClick(program.compute(), Qt::LeftButton);
        QCoreApplication::processEvents();
        program.result->repaint();
        if (withChart)
            program.graph->repaint();
    }
    const int rows = program.result->findChild<QPlainTextEdit *>("REdit")->blockCount();
    for (const TRecordingMessageBox::TMessage &message : program.ports.messages.shown)
        std::fprintf(stderr, "message: %s\n", message.text.c_str());
    if (!program.ports.messages.shown.empty() || rows < 10001)
        state.SkipWithError("the report was not built");
    state.counters["report_lines"] = rows;
}

void BM_ComputeReport(benchmark::State &state)
{
    PressCompute(state, false);
}
void BM_ComputeReportAndChart(benchmark::State &state)
{
    PressCompute(state, true);
}

} // namespace

BENCHMARK(BM_ComputeReport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComputeReportAndChart)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TheProgram.reset();
    return 0;
}
