#include "chart/FrmGraph.h"

#include "core/Fisher.h"
#include "ui_FormGraph.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int ToolBarHeight = 34;

QFont WindowFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

QFont OptionFont(int pixelSize)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

// A name typed without an extension is saved as a bitmap.
QString WithBmpExtension(const QString &fileName)
{
    if (QFileInfo(fileName).fileName().contains(QLatin1Char('.')))
        return fileName;
    return fileName + QStringLiteral(".bmp");
}

} // namespace

TFormGraph::TFormGraph(TSettingsStore &store, const TWindowPorts &ports,
                       const TFisherDistribution &dist, std::function<int32_t()> enteredA,
                       const TCriticalBounds &bounds, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_ports(ports), m_dist(dist),
      m_enteredA(std::move(enteredA)), m_bounds(bounds), m_painter(dist)
{
    buildControls();
    // The form file sets a window's size only; its place is set here.
    move(68, 69);
    placeControls();
    applyOptionStates();

    FormCreate();
    // Attached only now: the redraws the load caused found no image to draw on.
    m_painter.Init(m_image);
}

TFormGraph::~TFormGraph()
{
    m_painter.Detach();
}

void TFormGraph::buildControls()
{
    m_ui = std::make_unique<Ui::FormGraph>();
    m_ui->setupUi(this);
    m_image = m_ui->Image;
    m_panelTools = m_ui->PanelTools;
    m_btnSave = m_ui->BtnSave;
    m_rgrpColor = m_ui->RGrpColor;
    m_gboxColor = m_ui->GBoxColor;
    m_chBoxP = m_ui->ChBoxP;
    m_chBoxKrObl = m_ui->ChBoxKrObl;
    m_rgpKrit = m_ui->RGpKrit;
    m_rgrpZnach = m_ui->RGrpZnach;
    m_labColors = m_ui->Lab_Colors;
    m_panLevee = m_ui->Pan_Levee;
    m_panA = m_ui->Pan_a;
    m_panPravee = m_ui->Pan_Pravee;
    m_panKritObl = m_ui->Pan_KritObl;
    m_lbLeftA = m_ui->Lb_left_a;
    m_lbA = m_ui->Lb_a;
    m_lbRightA = m_ui->Lb_right_a;
    m_lbKrit = m_ui->Lb_krit;

    // Designer fonts take whole points, and these are pixel sizes.
    setFont(WindowFont());
    const QFont optionFont = OptionFont(12);
    for (QGroupBox *box : QList<QGroupBox *>{m_rgrpColor, m_gboxColor, m_rgpKrit, m_rgrpZnach})
        box->setFont(optionFont);
    const QFont swatchFont = OptionFont(13);
    for (QLabel *label : {m_lbLeftA, m_lbA, m_lbRightA, m_lbKrit})
        label->setFont(swatchFont);

    connect(m_btnSave, &QPushButton::clicked, this, &TFormGraph::BtnSaveClick);
    connect(m_rgrpColor, &TRadioGroup::Click, this, &TFormGraph::RGrpColorClick);
    connect(m_chBoxP, &QCheckBox::toggled, this, &TFormGraph::ChBoxPClick);
    connect(m_chBoxKrObl, &QCheckBox::toggled, this, &TFormGraph::ChBoxKrOblClick);
    connect(m_rgpKrit, &TRadioGroup::Click, this, &TFormGraph::RGpKritClick);
    connect(m_rgrpZnach, &TRadioGroup::Click, this, &TFormGraph::RGrpZnachClick);
    connect(m_panLevee, &TColorPanel::Click, this, &TFormGraph::Pan_LeveeClick);
    connect(m_panA, &TColorPanel::Click, this, &TFormGraph::Pan_aClick);
    connect(m_panPravee, &TColorPanel::Click, this, &TFormGraph::Pan_PraveeClick);
    connect(m_panKritObl, &TColorPanel::Click, this, &TFormGraph::Pan_KritOblClick);
}

void TFormGraph::placeControls()
{
    // The image fills the client area above the tool bar.
    const int imageHeight = std::max(0, height() - ToolBarHeight);
    m_image->setGeometry(0, 0, width(), imageHeight);
    m_panelTools->setGeometry(0, imageHeight, width(), ToolBarHeight);
}

void TFormGraph::applyOptionStates()
{
    const bool colouring = m_rgrpColor->ItemIndex() == 0;
    m_gboxColor->setEnabled(colouring);
    const bool bars = colouring && m_chBoxP->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(m_panLevee), static_cast<QWidget *>(m_panA),
                       static_cast<QWidget *>(m_panPravee), static_cast<QWidget *>(m_lbLeftA),
                       static_cast<QWidget *>(m_lbA), static_cast<QWidget *>(m_lbRightA)})
        w->setEnabled(bars);
    const bool regions = colouring && m_chBoxKrObl->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(m_rgpKrit), static_cast<QWidget *>(m_rgrpZnach),
                       static_cast<QWidget *>(m_panKritObl), static_cast<QWidget *>(m_lbKrit)})
        w->setEnabled(regions);
}

void TFormGraph::FormCreate()
{
    if (!KeysDown(KeyMaskShift, m_ports.keys))
        LoadSettings();
}

void TFormGraph::LoadSettings()
{
    if (!KeyExists(m_store.key))
        return;
    const int32_t left = ReadIntegerValue(m_store.key, QStringLiteral("FormGLeft"));
    const int32_t width = ReadIntegerValue(m_store.key, QStringLiteral("FormGWidth"));
    const int32_t top = ReadIntegerValue(m_store.key, QStringLiteral("FormGTop"));
    const int32_t height = ReadIntegerValue(m_store.key, QStringLiteral("FormGHeight"));
    // No placement stored means the chart values were never written.
    if (left == 0 && width == 0 && top == 0 && height == 0)
        return;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // The stored size is the frame's. A client area without room for the
        // tool bar and a drawable image would open a window that shows
        // nothing, or none at all, and store that again when closed.
        const bool drawable = int64_t(width) - FormGFrameWidth >= ChartMinWidth &&
                              int64_t(height) - FormGFrameHeight - ToolBarHeight >= ChartMinHeight;
        const QSize minimum =
            minimumSizeHint().expandedTo(minimumSize()) + QSize(FormGFrameWidth, FormGFrameHeight);
        if (drawable &&
            PlacementAcceptable(left, width, top, height, screen->geometry().size(), minimum)) {
            move(left, top);
            resize(width - FormGFrameWidth, height - FormGFrameHeight);
        }
    }

    // Every change below runs its control's handler, in this order; the colouring
    // item comes last so that it has the final word on the enabled states.
    m_rgrpColor->SetItemIndex(0);
    m_chBoxP->setChecked(true);
    m_chBoxKrObl->setChecked(true);

    m_panLevee->SetColor(TColor(ReadIntegerValue(m_store.key, QStringLiteral("Pan_LeveeColor"))));
    m_panA->SetColor(TColor(ReadIntegerValue(m_store.key, QStringLiteral("Pan_aColor"))));
    m_panPravee->SetColor(TColor(ReadIntegerValue(m_store.key, QStringLiteral("Pan_PraveeColor"))));
    m_panKritObl->SetColor(
        TColor(ReadIntegerValue(m_store.key, QStringLiteral("Pan_KritOblColor"))));

    const int32_t krit = ReadIntegerValue(m_store.key, QStringLiteral("RGpKritIndex"));
    if (krit >= 0 && krit <= 2)
        m_rgpKrit->SetItemIndex(krit);
    const int32_t znach = ReadIntegerValue(m_store.key, QStringLiteral("RGrpZnachIndex"));
    if (znach >= 0 && znach <= 2)
        m_rgrpZnach->SetItemIndex(znach);

    m_chBoxP->setChecked(ReadBoolValue(m_store.key, QStringLiteral("ChBoxPChecked")));
    m_chBoxKrObl->setChecked(ReadBoolValue(m_store.key, QStringLiteral("ChBoxKrOblChecked")));

    const int32_t colour = ReadIntegerValue(m_store.key, QStringLiteral("RGrpColorIndex"));
    if (colour == 0 || colour == 1)
        m_rgrpColor->SetItemIndex(colour);
}

void TFormGraph::SaveSettings()
{
    if (!m_store.SaveEnabled)
        return;
    if (EnsureKey(m_store.key) == 2)
        return;
    if (m_store.SavePositions)
        WriteIntegerValue(m_store.key, QStringLiteral("FormGLeft"), x());
    WriteIntegerValue(m_store.key, QStringLiteral("FormGWidth"), width() + FormGFrameWidth);
    if (m_store.SavePositions)
        WriteIntegerValue(m_store.key, QStringLiteral("FormGTop"), y());
    WriteIntegerValue(m_store.key, QStringLiteral("FormGHeight"), height() + FormGFrameHeight);
    WriteIntegerValue(m_store.key, QStringLiteral("RGrpColorIndex"), m_rgrpColor->ItemIndex());
    WriteBoolValue(m_store.key, QStringLiteral("ChBoxPChecked"), m_chBoxP->isChecked());
    WriteBoolValue(m_store.key, QStringLiteral("ChBoxKrOblChecked"), m_chBoxKrObl->isChecked());
    WriteIntegerValue(m_store.key, QStringLiteral("RGpKritIndex"), m_rgpKrit->ItemIndex());
    WriteIntegerValue(m_store.key, QStringLiteral("RGrpZnachIndex"), m_rgrpZnach->ItemIndex());
    WriteIntegerValue(m_store.key, QStringLiteral("Pan_LeveeColor"), int32_t(m_panLevee->Color()));
    WriteIntegerValue(m_store.key, QStringLiteral("Pan_aColor"), int32_t(m_panA->Color()));
    WriteIntegerValue(m_store.key, QStringLiteral("Pan_PraveeColor"),
                      int32_t(m_panPravee->Color()));
    WriteIntegerValue(m_store.key, QStringLiteral("Pan_KritOblColor"),
                      int32_t(m_panKritObl->Color()));
}

TChartOptions TFormGraph::Options() const
{
    TChartOptions options;
    options.colorIndex = m_rgrpColor->ItemIndex();
    options.pChecked = m_chBoxP->isChecked();
    options.krOblChecked = m_chBoxKrObl->isChecked();
    options.kritIndex = m_rgpKrit->ItemIndex();
    options.znachIndex = m_rgrpZnach->ItemIndex();
    options.leveeColor = m_panLevee->Color();
    options.aColor = m_panA->Color();
    options.praveeColor = m_panPravee->Color();
    options.kritOblColor = m_panKritObl->Color();
    return options;
}

const QImage &TFormGraph::Picture() const
{
    return m_image->Bitmap();
}

void TFormGraph::ShowChart()
{
    Redraw();
    show();
    raise();
    activateWindow();
}

void TFormGraph::Redraw()
{
    // A hidden window gets its resize events only when shown: size the image now.
    placeControls();
    // The entered a is read afresh: it may have changed since the computation.
    const TChartData data{m_dist, m_enteredA(), m_bounds, Options()};
    ::Redraw(m_painter, data);
    m_image->update();
}

void TFormGraph::BtnSaveClick()
{
    TSaveFileRequest request;
    request.proposedName = m_saveFileName;
    request.filter = QStringLiteral("bmp-файл (*.bmp)");
    request.defaultSuffix = QStringLiteral("bmp");
    // The picture is replaced without a question, as the user asked for that name.
    request.confirmOverwrite = false;
    QString fileName = m_ports.saveDialog.GetSaveFileName(this, request);
    if (fileName.isEmpty())
        return;
    fileName = WithBmpExtension(fileName);
    m_saveFileName = fileName;
    QString error;
    if (!WriteBmp(Picture(), fileName, &error))
        m_ports.errors.ShowError(
            this, QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(fileName), error));
}

void TFormGraph::RGrpColorClick()
{
    applyOptionStates();
    Redraw();
}

void TFormGraph::ChBoxPClick()
{
    const bool on = m_chBoxP->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(m_panLevee), static_cast<QWidget *>(m_panA),
                       static_cast<QWidget *>(m_panPravee), static_cast<QWidget *>(m_lbLeftA),
                       static_cast<QWidget *>(m_lbA), static_cast<QWidget *>(m_lbRightA)})
        w->setEnabled(on);
    Redraw();
}

void TFormGraph::ChBoxKrOblClick()
{
    const bool on = m_chBoxKrObl->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(m_rgpKrit), static_cast<QWidget *>(m_rgrpZnach),
                       static_cast<QWidget *>(m_panKritObl), static_cast<QWidget *>(m_lbKrit)})
        w->setEnabled(on);
    Redraw();
}

void TFormGraph::RGpKritClick()
{
    Redraw();
}

void TFormGraph::RGrpZnachClick()
{
    Redraw();
}

void TFormGraph::chooseColor(TColorPanel *panel)
{
    if (!panel->isEnabled())
        return;
    // The dialog starts where it was last confirmed, whichever swatch asked then.
    TColor colour = m_colorDialogColor;
    if (!m_ports.colorDialog.Execute(this, colour))
        return;
    m_colorDialogColor = colour;
    panel->SetColor(colour);
    Redraw();
}

void TFormGraph::Pan_LeveeClick()
{
    chooseColor(m_panLevee);
}

void TFormGraph::Pan_aClick()
{
    chooseColor(m_panA);
}

void TFormGraph::Pan_PraveeClick()
{
    chooseColor(m_panPravee);
}

void TFormGraph::Pan_KritOblClick()
{
    chooseColor(m_panKritObl);
}

void TFormGraph::FormClose()
{
    // Only a shown window can be closed by the user; closing others at the end
    // of the run must not write the chart values.
    if (isVisible())
        SaveSettings();
}

void TFormGraph::FormResize()
{
    Redraw();
}

void TFormGraph::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept(); // hidden, not destroyed: the next computation shows it again
}

void TFormGraph::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}
