#include "mainwin/OrderlyEnd.h"

#include <QGuiApplication>
#include <QWidget>

// A window program on Windows hears of a logout or a shutdown through the
// session's end (WM_QUERYENDSESSION), which Qt passes on as commitDataRequest:
// the main window is closed then as the user would close it.
TOrderlyEnd::TOrderlyEnd(QWidget *mainWindow, QObject *parent)
    : QObject(parent), m_mainWindow(mainWindow)
{
    if (!qGuiApp)
        return;
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &TOrderlyEnd::signalled);
    m_active = true;
}

TOrderlyEnd::~TOrderlyEnd() = default;

void TOrderlyEnd::restoreHandlers() {}

void TOrderlyEnd::signalled()
{
    if (!m_active)
        return;
    m_active = false;
    if (m_mainWindow)
        m_mainWindow->close();
    else
        QCoreApplication::exit(0);
}
