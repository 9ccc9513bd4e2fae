#pragma once

#include "chart/ChartDraw.h"
#include "chart/GraphListFisher.h"
#include "chart/GraphSettings.h"
#include "core/CriticalBounds.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

#include <QWidget>

#include <functional>
#include <memory>

class TColorPanel;

namespace Ui {
class FormGraph;
}

// The chart window "График распределения".
class TFormGraph : public QWidget {
    Q_OBJECT
public:
    // What the chart is drawn from, read afresh at every redraw: the
    // distribution and the entered a (-1 when only the margins were entered).
    TFormGraph(TSettingsStore &store, const TWindowPorts &ports, const TFisherDistribution &dist,
               std::function<int32_t()> enteredA, QWidget *parent = nullptr);
    ~TFormGraph() override;

    // Keeps the critical bounds of a fresh computation, redraws the chart from
    // the current distribution and shows the window. Until the first call the
    // chart has no bounds to underline.
    void ShowChart(const TCriticalBounds &bounds);
    void Redraw();

    void LoadSettings();
    void SaveSettings();

    TChartOptions Options() const;
    // The picture as it stands on the image, at the image's size.
    const QImage &Picture() const;

    void BtnSaveClick();
    void RGrpColorClick();
    void ChBoxPClick();
    void ChBoxKrOblClick();
    void RGpKritClick();
    void RGrpZnachClick();
    void Pan_LeveeClick();
    void Pan_aClick();
    void Pan_PraveeClick();
    void Pan_KritOblClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate();
    void FormClose();
    void FormResize();
    void buildControls();
    void placeControls();
    void chooseColor(TColorPanel *panel);

    TSettingsStore &m_store;
    const TWindowPorts m_ports;
    const TFisherDistribution &m_dist;
    std::function<int32_t()> m_enteredA;
    TCriticalBounds m_bounds; // of the last computation
    clGraphListFisher m_painter;

    std::unique_ptr<Ui::FormGraph> m_ui;    // the controls, read where they are needed
    TColor m_colorDialogColor = ColorBlack; // where the colour dialog starts
    QString m_saveFileName;                 // proposed by the next save dialog
};
