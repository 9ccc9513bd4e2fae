#pragma once

#include "core/CriticalBounds.h"
#include "core/UiPorts.h"
#include "report/Report.h"

#include <QDialog>
#include <QString>
#include <QWidget>

#include <cstdint>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Asks for the name of the file the report is saved to; tests stand in for it.
class clSaveFileDialog {
public:
    virtual ~clSaveFileDialog() = default;
    // Empty when the user cancels. lastName is the name chosen the time before.
    virtual QString GetSaveFileName(QWidget *parent, const QString &lastName) = 0;
};

// The toolkit's file-save dialog: text files first, default extension txt,
// a question before an existing file is overwritten.
class TQtSaveFileDialog : public clSaveFileDialog {
public:
    QString GetSaveFileName(QWidget *parent, const QString &lastName) override;
};

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
    explicit TFormResult(clMessageBox &messages, QWidget *parent = nullptr);
    ~TFormResult() override;

    // nullptr brings back the toolkit's dialog; the dialog is not owned.
    void setSaveDialog(clSaveFileDialog *dialog);

    const TCriticalBounds &CriticalBounds() const { return m_criticalBounds; }

    // clReportSink: the lines are gathered and handed to the text control as
    // one text, so a report of ten thousand rows is laid out once.
    void Clear() override;
    bool AppendLine(const std::string &line) override;
    void SetCaret(int position) override;
    void Show() override;
    void FocusText() override;
    void SetCriticalBounds(const TCriticalBounds &bounds) override;

    QPlainTextEdit *textControl() const { return m_text; }
    TFindDialog *findDialog() const { return m_findDialog; }

    // Writes the text to fileName; false when it failed (the user has been told).
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

    clMessageBox &m_messages;
    TQtSaveFileDialog m_qtSaveDialog;
    clSaveFileDialog *m_saveDialog = &m_qtSaveDialog;
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
