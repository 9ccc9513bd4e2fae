#pragma once

#include "core/Color.h"
#include "core/UiPorts.h"
#include "platform/KeyState.h"

#include <QString>

class QWidget;

// The toolkit's dialogs as the windows use them, each behind one port that
// tests replace.

// The application's error box: the stop icon, the caption «Велмар».
class clErrorBox {
public:
    virtual ~clErrorBox() = default;
    virtual void ShowError(QWidget *parent, const QString &text) = 0;
};

// What a window asks of the file-save dialog.
struct TSaveFileRequest {
    QString proposedName;  // selected when the dialog opens; may be empty
    QString filter;        // the file types, first one selected
    QString defaultSuffix; // added to a name typed without one
    bool confirmOverwrite = true;
};

// The file-save dialog: the chosen name, empty when the user cancels.
class clSaveFileDialog {
public:
    virtual ~clSaveFileDialog() = default;
    virtual QString GetSaveFileName(QWidget *parent, const TSaveFileRequest &request) = 0;
};

// The colour dialog: colour holds the starting colour on entry and the chosen
// one on a confirmed return.
class clColorDialog {
public:
    virtual ~clColorDialog() = default;
    virtual bool Execute(QWidget *parent, TColor &colour) = 0;
};

// Everything a window may ask of the user or the platform besides its own controls.
struct TWindowPorts {
    clMessageBox &messages;
    clErrorBox &errors;
    clQuestionBox &questions;
    clSaveFileDialog &saveDialog;
    clColorDialog &colorDialog;
    clBusyCursor &cursor;
    clKeyboardSource &keys;
};

// The toolkit's modal box with one OK button; an empty caption reads «Велмар».
class TQtMessageBox : public clMessageBox {
public:
    void Show(const std::string &text, const std::string &caption, TMsgIcon icon) override;
};

// The toolkit's question box, Yes the default button and Escape for No.
class TQtQuestionBox : public clQuestionBox {
public:
    bool Ask(const std::string &text, const std::string &caption) override;
};

class TQtErrorBox : public clErrorBox {
public:
    void ShowError(QWidget *parent, const QString &text) override;
};

class TQtSaveFileDialog : public clSaveFileDialog {
public:
    QString GetSaveFileName(QWidget *parent, const TSaveFileRequest &request) override;
};

class TQtColorDialog : public clColorDialog {
public:
    bool Execute(QWidget *parent, TColor &colour) override;
};

// The busy cursor as the application's override cursor.
class TQtBusyCursor : public clBusyCursor {
public:
    void Push() override;
    void Pop() override;
};

// The toolkit's own ports, for the program.
class TQtWindowPorts {
public:
    TQtWindowPorts() = default;
    TQtWindowPorts(const TQtWindowPorts &) = delete;
    TQtWindowPorts &operator=(const TQtWindowPorts &) = delete;
    const TWindowPorts &Ports() const { return m_ports; }

private:
    TQtMessageBox m_messages;
    TQtErrorBox m_errors;
    TQtQuestionBox m_questions;
    TQtSaveFileDialog m_saveDialog;
    TQtColorDialog m_colorDialog;
    TQtBusyCursor m_cursor;
    TQtKeyboardSource m_keys;
    TWindowPorts m_ports{m_messages,    m_errors, m_questions, m_saveDialog,
                         m_colorDialog, m_cursor, m_keys};
};
