#include "chart/FrmGraph.h"

TFormGraph::TFormGraph(const TSettingsKey &, clKeyboardSource &, const TCriticalBounds &,
                       QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormGraph"));
    setWindowTitle(QStringLiteral("График распределения"));
    setGeometry(68, 69, 875, 507);
}

void TFormGraph::ShowChart()
{
    show();
    raise();
    activateWindow();
}
