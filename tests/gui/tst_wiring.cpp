// The four windows as the program wires them, driven offscreen: "Расчет" to
// the report and the chart, the chart's redraws, "Помощь".

#include "chart/ChartDraw.h"
#include "chart/FrmGraph.h"
#include "help/FormHelp.h"
#include "mainwin/FormVelmar.h"
#include "mainwin/VelmarWindows.h"
#include "report/FormResult.h"
#include "tests/gui/TestPorts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <memory>

namespace {

TField FieldByLetter(QChar letter)
{
    return TField(QStringLiteral("abcdmnkts").indexOf(letter));
}

} // namespace

class TestWiring : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    TSettingsStore m_store;
    std::unique_ptr<TTestPorts> m_ports;
    TInputTable m_table;
    bool m_editBusy = false;
    TFisherDistribution m_dist;
    std::unique_ptr<TVelmarWindows> m_windows;

    TFormVelmar &velmar() const { return m_windows->velmar(); }
    TFormGraph &graph() const { return m_windows->graph(); }

    void click(QWidget *window, const char *name)
    {
        auto *button = window->findChild<QPushButton *>(QLatin1String(name));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // "a=8 b=2": click into each field and type; the field left runs its exit step.
    void enter(const QString &script)
    {
        for (const QString &item : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            QLineEdit *edit = velmar().field(FieldByLetter(item.at(0)));
            QTest::mouseClick(edit, Qt::LeftButton);
            edit->selectAll();
            QTest::keyClicks(edit, item.mid(2));
        }
    }

    // The chart of the distribution as the chart window should show it now.
    QImage expectedChart(const TFisherDistribution &dist, int32_t enteredA) const
    {
        const TCriticalBounds bounds = ComputeCriticalBounds(dist);
        return RenderChart({dist, enteredA, bounds, graph().Options()}, graph().Picture().size());
    }

private Q_SLOTS:
    void initTestCase() { InstallModalWatchdog(this); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = {{m_dir->path(), QStringLiteral("\\Software\\VLM-2010-v2")}};
        m_ports = std::make_unique<TTestPorts>();
        m_windows =
            std::make_unique<TVelmarWindows>(m_store, m_ports->ports, m_table, m_editBusy, m_dist);
        velmar().show();
        QVERIFY(QTest::qWaitForWindowActive(&velmar()));
    }

    void cleanup() { m_windows.reset(); }

    void computeShowsReportThenChart_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QList<int>>("table"); // a b c d m n k t s as "Расчет" completes them
        QTest::newRow("cells 8 2 1 5")
            << "a=8 b=2 c=1 d=5" << QList<int>{8, 2, 1, 5, 10, 6, 9, 7, 16};
        QTest::newRow("margins only")
            << "m=10 k=9 s=16" << QList<int>{-1, -1, -1, -1, 10, 6, 9, 7, 16};
    }

    void computeShowsReportThenChart()
    {
        QFETCH(QString, script);
        QFETCH(QList<int>, table);
        TInputTable completed;
        for (int i = 0; i < FieldCount; ++i)
            completed.At(i) = table[i];
        TFisherDistribution dist;
        QCOMPARE(ComputeDistribution(dist, completed.s, completed.m, completed.k), 0);
        TLineSink report;
        QCOMPARE(BuildReport(report, dist, completed, ComputeCriticalBounds(dist)), 0);

        // Another table first: the windows are open already when the second comes.
        enter(QStringLiteral("a=3 b=4 c=5 d=6"));
        click(&velmar(), "BtnComp");
        click(&velmar(), "BtnClear");
        enter(script);
        click(&velmar(), "BtnComp");
        QVERIFY(m_ports->messages.shown.empty());
        TFormResult &result = m_windows->result();
        QVERIFY(result.isVisible());
        QStringList lines;
        for (const std::string &line : report.lines)
            lines << QString::fromStdString(line);
        QCOMPARE(result.findChild<QPlainTextEdit *>(QStringLiteral("REdit"))->toPlainText(),
                 lines.join(QLatin1Char('\n')));
        QVERIFY(graph().isVisible());
        QCOMPARE(graph().Picture(), expectedChart(dist, completed.a));
    }

    // The chart window's options redraw from the same distribution, a and bounds.
    void chartOptionRedraws()
    {
        enter(QStringLiteral("a=8 b=2 c=1 d=5"));
        click(&velmar(), "BtnComp");
        const QImage before = graph().Picture().copy();
        graph().findChild<QCheckBox *>(QStringLiteral("ChBoxKrObl"))->click();
        QVERIFY(graph().Picture() != before);
        TFisherDistribution dist;
        QCOMPARE(ComputeDistribution(dist, 16, 10, 9), 0);
        QCOMPARE(graph().Picture(), expectedChart(dist, 8));
    }

    void helpButtonShowsHelp()
    {
        TFormHelp &help = m_windows->help();
        QVERIFY(!help.isVisible());
        click(&velmar(), "BtnHelp");
        QVERIFY(help.isVisible());
        QCOMPARE(help.PageIndex(), 0);
        QVERIFY(!help.Browser(0)->toPlainText().isEmpty());
    }
};

QTEST_MAIN(TestWiring)
#include "tst_wiring.moc"
