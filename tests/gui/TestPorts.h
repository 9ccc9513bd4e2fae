#pragma once

#include "core/UiPorts.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

// Records the message boxes instead of showing them.
class TRecordingMessageBox : public clMessageBox {
public:
    struct TMessage {
        std::string text;
        std::string caption;
        TMsgIcon icon;
    };
    std::vector<TMessage> shown;
    void Show(const std::string &text, const std::string &caption, TMsgIcon icon) override
    {
        shown.push_back({text, caption, icon});
    }
};

// A modal dialog that slipped past the interfaces fails the test instead of
// waiting for a user who never comes.
inline void InstallModalWatchdog(QObject *owner)
{
    auto *timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, [] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            qWarning("unexpected modal dialog %s", qPrintable(modal->objectName()));
            modal->close();
            QFAIL("an unexpected modal dialog was opened");
        }
    });
    timer->start(200);
}
