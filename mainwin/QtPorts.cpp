#include "mainwin/QtPorts.h"

#include "chart/FrmGraph.h"
#include "mainwin/InputTable.h"
#include "report/FormResult.h"
#include "report/Report.h"

#include <QApplication>
#include <QMessageBox>

void TQtMessageBox::Show(const std::string &text, const std::string &caption, TMsgIcon icon)
{
    QString shown = QString::fromStdString(text);
    // A carriage return breaks the text into lines, as in the boxes it was written for.
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(icon == TMsgIcon::Stop ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromUtf8(caption.empty() ? ApplicationTitle : caption.c_str()),
                    shown, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void TQtBusyCursor::Push() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

void TQtBusyCursor::Pop() { QGuiApplication::restoreOverrideCursor(); }

bool TResultWindows::BuildReport()
{
    if (::BuildReport(m_result, FisherDistribution, InputTable) == 0)
        return true;
    m_messages.Show("Отчет не помещается в окне \"Распределение\"", ApplicationTitle,
                    TMsgIcon::Stop);
    return false;
}

void TResultWindows::ShowChart() { m_graph.ShowChart(); }
