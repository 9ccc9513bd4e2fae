#pragma once

#include "core/CriticalBounds.h"
#include "core/UiPorts.h"
#include "platform/Dialogs.h"
#include "report/Report.h"

#include <QDialog>
#include <QString>
#include <QWidget>

#include <cstdint>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Searches control for phrase (trimmed of blanks and control characters),
// starting one character after the caret so that a repeated search moves on.
// 0 nothing searched, 1 found and selected, 2 not found.
int32_t FindPhrase(QPlainTextEdit *control, const QString &phrase);

// Puts the caret at pos; a line outside the view, or in its last 20 pixels,
// is scrolled to the top of the view.
void ScrollToPosition(QPlainTextEdit *control, int pos);

// The modeless find dialog: a phrase and "find next". It keeps its phrase for
// the whole run.
class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget *parent = nullptr);
    QString FindText() const;
    void SetFindText(const QString &text);

Q_SIGNALS:
    void findNext();

private:
    QLineEdit *m_findEdit = nullptr;
    QPushButton *m_findNext = nullptr;
};

// The result window "Распределение": shows, searches and saves the report and
// keeps the critical bounds of the last report.
class TFormResult : public QWidget, public clReportSink {
    Q_OBJECT
public:
    explicit TFormResult(const TWindowPorts &ports, QWidget *parent = nullptr);
    ~TFormResult() override;

    const TCriticalBounds &CriticalBounds() const { return m_criticalBounds; }

    // clReportSink: the lines are gathered and handed to the text control as
    // one text, so a report of ten thousand rows is laid out once.
    void Clear() override;
    bool AppendLine(const std::string &line) override;
    void SetCaret(int position) override;
    void Show() override;
    void FocusText() override;
    void SetCriticalBounds(const TCriticalBounds &bounds) override;

    // Writes the text to fileName; false when nothing was saved (a failure has
    // been told, or the user declined to save characters Windows-1251 lacks).
    bool SaveText(const QString &fileName);

    void BtnSaveTextClick();
    void BtnFindClick();
    void FindDialogFind();
    // Ctrl + L: the last phrase again, without the dialog.
    void SearchAgain();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void flushPending();
    void reportNotFound();

    const TWindowPorts m_ports;
    QString m_lastSaveName;

    QPlainTextEdit *m_text = nullptr; // REdit
    QPushButton *m_btnSave = nullptr;
    QPushButton *m_btnFind = nullptr;
    TFindDialog *m_findDialog = nullptr;

    // Lines appended since Clear and not yet in the control.
    QString m_pending;
    bool m_pendingActive = false;
    qsizetype m_pendingLines = 0;

    TCriticalBounds m_criticalBounds;
};
