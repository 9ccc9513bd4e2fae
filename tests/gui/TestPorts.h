#pragma once

// The windows' ports for tests: every dialog scripted, every box recorded, the
// keyboard fixed; and a watchdog for a dialog that slipped past them.

#include "platform/Dialogs.h"
#include "tests/FixedKeyboard.h"
#include "tests/Recording.h"

#include <QApplication>
#include <QList>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <optional>

class TRecordingErrorBox : public clErrorBox {
public:
    QStringList shown;
    void ShowError(QWidget *, const QString &text) override { shown << text; }
};

// Answers each save dialog with the next name; an empty answer, or none left, cancels.
class TScriptedSaveDialog : public clSaveFileDialog {
public:
    QStringList answers;
    QList<TSaveFileRequest> requests;
    QStringList Proposed() const
    {
        QStringList names;
        for (const TSaveFileRequest &request : requests)
            names << request.proposedName;
        return names;
    }
    QString GetSaveFileName(QWidget *, const TSaveFileRequest &request) override
    {
        requests << request;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

// Answers each colour dialog with the next colour; nullopt, or none left, cancels.
class TScriptedColorDialog : public clColorDialog {
public:
    QList<TColor> starts; // where each opening started
    QList<std::optional<TColor>> answers;
    bool Execute(QWidget *, TColor &colour) override
    {
        starts << colour;
        const std::optional<TColor> answer = answers.isEmpty() ? std::nullopt : answers.takeFirst();
        if (!answer)
            return false;
        colour = *answer;
        return true;
    }
};

// One set of stand-ins for a window under test.
struct TTestPorts {
    TRecordingMessageBox messages;
    TRecordingErrorBox errors;
    TScriptedQuestionBox questions;
    TScriptedSaveDialog saveDialog;
    TScriptedColorDialog colorDialog;
    TCountingCursor cursor;
    TFixedKeyboardSource keys;
    TWindowPorts ports{messages, errors, questions, saveDialog, colorDialog, cursor, keys};

    TTestPorts() = default;
    TTestPorts(const TTestPorts &) = delete;
    TTestPorts &operator=(const TTestPorts &) = delete;
};

// A modal dialog that slipped past the ports fails the test instead of waiting
// for a user who never comes.
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
