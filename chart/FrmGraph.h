#pragma once

#include "chart/ChartDraw.h"
#include "chart/GraphList.h"
#include "platform/KeyState.h"
#include "platform/SettingsStore.h"
#include "core/CriticalBounds.h"

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

// The shared colour-choice dialog. colour holds the starting colour on entry and
// the chosen one on a confirmed return.
class clColorDialog {
public:
    virtual ~clColorDialog() = default;
    virtual bool Execute(QWidget *parent, TColor &colour) = 0;
};

// The bitmap save dialog. fileName holds the proposed name on entry and the
// chosen one on a confirmed return.
class clBmpSaveDialog {
public:
    virtual ~clBmpSaveDialog() = default;
    virtual bool Execute(QWidget *parent, QString &fileName) = 0;
};

// The application's error box for failures inside a handler.
class clErrorBox {
public:
    virtual ~clErrorBox() = default;
    virtual void ShowError(QWidget *parent, const QString &text) = 0;
};

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
    TFormGraph(TSettingsStore &store, clKeyboardSource &keys, const TFisherDistribution &dist,
               std::function<int32_t()> enteredA, const TCriticalBounds &bounds,
               QWidget *parent = nullptr);
    ~TFormGraph() override;

    // Redraws the chart from the current distribution and shows the window.
    void ShowChart();
    void Redraw();

    void LoadSettings();
    void SaveSettings();

    // Tests replace the dialogs; null restores the real ones.
    void SetColorDialog(clColorDialog *dialog);
    void SetSaveDialog(clBmpSaveDialog *dialog);
    void SetErrorBox(clErrorBox *box);

    TChartOptions Options() const;
    // The picture as it stands on the image, at the image's size.
    const QImage &Picture() const;
    // The name the save dialog proposes next.
    QString SaveFileName() const { return m_saveFileName; }
    TColor ColorDialogColor() const { return m_colorDialogColor; }
    // How many redraws the handlers have asked for so far.
    int RedrawCount() const { return m_redrawCount; }

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
    void FormCreate(clKeyboardSource &keys);
    void FormClose();
    void FormResize();
    void buildControls();
    void placeControls();
    void applyOptionStates();
    void chooseColor(TColorPanel *panel);

    TSettingsStore &m_store;
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

    std::unique_ptr<clColorDialog> m_ownColorDialog;
    std::unique_ptr<clBmpSaveDialog> m_ownSaveDialog;
    std::unique_ptr<clErrorBox> m_ownErrorBox;
    clColorDialog *m_colorDialog = nullptr;
    clBmpSaveDialog *m_saveDialog = nullptr;
    clErrorBox *m_errorBox = nullptr;

    TColor m_colorDialogColor = ColorBlack; // where the colour dialog starts
    QString m_saveFileName;                 // proposed by the next save dialog
    int m_redrawCount = 0;
};

// The extent by which a stored window size exceeds the client area it restores.
constexpr int FormGFrameWidth = 8;
constexpr int FormGFrameHeight = 27;
