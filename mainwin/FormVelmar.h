#pragma once

#include "core/Fisher.h"
#include "core/TableValues.h"
#include "core/UiPorts.h"
#include "help/HelpRequest.h"
#include "mainwin/InputSteps.h"
#include "mainwin/MainSettings.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

#include <QWidget>

#include <array>
#include <memory>

class QLineEdit;
class TFormHelp;

namespace Ui {
class FormVelmar;
}

// The main window "Велмар (v. 2.0)": the nine fields of the table and the
// buttons "Расчет", "Очистить" and "Помощь".
class TFormVelmar : public QWidget, public clInputFields {
    Q_OBJECT
public:
    // Restores the stored fields and placement unless Shift is held. The
    // fields show table, their steps are suspended while editBusy is set, and
    // "Расчет" computes into dist.
    TFormVelmar(TSettingsStore &store, const TWindowPorts &ports, TInputTable &table,
                bool &editBusy, TFisherDistribution &dist, QWidget *parent = nullptr);
    ~TFormVelmar() override;

    // The windows created after this one; "Расчет" and "Помощь" need them.
    void setResultViews(clResultViews *views) { m_views = views; }
    void setHelpWindow(TFormHelp *help) { m_help = help; }

    QLineEdit *field(TField field) const { return m_fields[size_t(field)]; }
    TPlacement placement() const;

    // clInputFields
    std::string Text(TField field) const override;
    void SetText(TField field, const std::string &text) override;
    void FocusField(TField field) override;
    void FocusCompute() override;

    void BtnCompClick();
    void BtnClearClick();
    void BtnHelpClick();

Q_SIGNALS:
    // The window was closed: the program ends.
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void FormCreate();
    void FormClose();
    void FormDestroy();
    int fieldIndex(const QObject *object) const;

    TSettingsStore &m_store;
    const TWindowPorts m_ports;
    TInputTable &m_table;
    bool &m_editBusy;
    TFisherDistribution &m_dist;
    clResultViews *m_views = nullptr;
    TFormHelp *m_help = nullptr;
    // The help pictures live as long as this window, the last to go.
    THelpPictureFolder m_helpPictures;

    // The controls, as resources/FormVelmar.ui lays them out.
    std::unique_ptr<Ui::FormVelmar> m_ui;
    std::array<QLineEdit *, FieldCount> m_fields{};
};
