#pragma once

#include "chart/ChartDraw.h"
#include "chart/GraphListFisher.h"
#include "core/CriticalBounds.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

#include <QColor>
#include <QFrame>
#include <QGroupBox>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace Ui {
class FormGraph;
}

// The image control of the chart window: shows its bitmap 1:1, never stretched.
class TChartImage : public QWidget, public clImageControl {
    Q_OBJECT
public:
    explicit TChartImage(QWidget *parent);
    int ControlWidth() const override { return width(); }
    int ControlHeight() const override { return height(); }
    QImage &Bitmap() override { return m_bitmap; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_bitmap;
};

// A radio group: a framed box of items in columns, one of them selected.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
    // Given by the form file: the items, made afresh with the first one
    // selected, and the width of each item's column. The form marks the items
    // untranslated so that they are made with the group, not after the tab order.
    Q_PROPERTY(QStringList items READ Items WRITE SetItems)
    Q_PROPERTY(int columnWidth READ ColumnWidth WRITE SetColumnWidth)
public:
    explicit TRadioGroup(QWidget *parent = nullptr);
    QStringList Items() const;
    void SetItems(const QStringList &items);
    int ColumnWidth() const { return m_columnWidth; }
    void SetColumnWidth(int width);
    int ItemIndex() const { return m_index; }
    // Selecting the item already selected changes nothing and signals nothing.
    void SetItemIndex(int index);
    QRadioButton *Item(int index) const;

signals:
    void Click();

private:
    void placeItems();

    QList<QRadioButton *> m_items;
    int m_index = -1;
    int m_columnWidth = 0;
};

// A colour swatch that reacts to a click while enabled.
class TColorPanel : public QFrame {
    Q_OBJECT
    // The colour as the form file gives it.
    Q_PROPERTY(QColor color READ RgbColor WRITE SetRgbColor)
public:
    explicit TColorPanel(QWidget *parent = nullptr);
    TColor Color() const { return m_colour; }
    void SetColor(TColor colour);
    QColor RgbColor() const { return QColor(ColorToRgb(m_colour)); }
    void SetRgbColor(const QColor &colour) { SetColor(RgbToColor(colour.rgb())); }

signals:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    TColor m_colour = ColorBlack;
};

// The chart window "График распределения".
class TFormGraph : public QWidget {
    Q_OBJECT
public:
    // What the chart is drawn from, read afresh at every redraw: the
    // distribution, the entered a (-1 when only the margins were entered) and
    // the result window's critical bounds.
    TFormGraph(TSettingsStore &store, const TWindowPorts &ports, const TFisherDistribution &dist,
               std::function<int32_t()> enteredA, const TCriticalBounds &bounds,
               QWidget *parent = nullptr);
    ~TFormGraph() override;

    // Redraws the chart from the current distribution and shows the window.
    void ShowChart();
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
    void applyOptionStates();
    void chooseColor(TColorPanel *panel);

    TSettingsStore &m_store;
    const TWindowPorts m_ports;
    const TFisherDistribution &m_dist;
    std::function<int32_t()> m_enteredA;
    const TCriticalBounds &m_bounds;
    clGraphListFisher m_painter;

    std::unique_ptr<Ui::FormGraph> m_ui;
    TChartImage *m_image = nullptr;
    QFrame *m_panelTools = nullptr;
    QPushButton *m_btnSave = nullptr;
    TRadioGroup *m_rgrpColor = nullptr;
    QGroupBox *m_gboxColor = nullptr;
    QCheckBox *m_chBoxP = nullptr;
    QCheckBox *m_chBoxKrObl = nullptr;
    TRadioGroup *m_rgpKrit = nullptr;
    TRadioGroup *m_rgrpZnach = nullptr;
    QLabel *m_labColors = nullptr;
    TColorPanel *m_panLevee = nullptr;
    TColorPanel *m_panA = nullptr;
    TColorPanel *m_panPravee = nullptr;
    TColorPanel *m_panKritObl = nullptr;
    QLabel *m_lbLeftA = nullptr;
    QLabel *m_lbA = nullptr;
    QLabel *m_lbRightA = nullptr;
    QLabel *m_lbKrit = nullptr;

    TColor m_colorDialogColor = ColorBlack; // where the colour dialog starts
    QString m_saveFileName;                 // proposed by the next save dialog
};

// The extent by which a stored window size exceeds the client area it restores.
constexpr int FormGFrameWidth = 8;
constexpr int FormGFrameHeight = 27;
