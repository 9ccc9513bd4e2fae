#include "chart/FrmGraph.h"

#include "core/Fisher.h"
#include "ui_FormGraph.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>

namespace {

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
                       QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_ports(ports), m_dist(dist),
      m_enteredA(std::move(enteredA)), m_painter(dist)
{
    buildControls();
    // The form file sets a window's size only; its place is set here.
    move(68, 69);
    placeControls();
    ApplyOptionStates(*m_ui);

    FormCreate();
    // Attached only now: the redraws the load caused found no image to draw on.
    m_painter.Init(m_ui->Image);
}

TFormGraph::~TFormGraph()
{
    m_painter.Detach();
}

void TFormGraph::buildControls()
{
    m_ui = std::make_unique<Ui::FormGraph>();
    m_ui->setupUi(this);

    // Designer fonts take whole points, and these are pixel sizes.
    setFont(WindowFont());
    const QFont optionFont = OptionFont(12);
    for (QGroupBox *box :
         QList<QGroupBox *>{m_ui->RGrpColor, m_ui->GBoxColor, m_ui->RGpKrit, m_ui->RGrpZnach})
        box->setFont(optionFont);
    const QFont swatchFont = OptionFont(13);
    for (QLabel *label : {m_ui->Lb_left_a, m_ui->Lb_a, m_ui->Lb_right_a, m_ui->Lb_krit})
        label->setFont(swatchFont);

    connect(m_ui->BtnSave, &QPushButton::clicked, this, &TFormGraph::BtnSaveClick);
    connect(m_ui->RGrpColor, &TRadioGroup::Click, this, &TFormGraph::RGrpColorClick);
    connect(m_ui->ChBoxP, &QCheckBox::toggled, this, &TFormGraph::ChBoxPClick);
    connect(m_ui->ChBoxKrObl, &QCheckBox::toggled, this, &TFormGraph::ChBoxKrOblClick);
    connect(m_ui->RGpKrit, &TRadioGroup::Click, this, &TFormGraph::RGpKritClick);
    connect(m_ui->RGrpZnach, &TRadioGroup::Click, this, &TFormGraph::RGrpZnachClick);
    connect(m_ui->Pan_Levee, &TColorPanel::Click, this, &TFormGraph::Pan_LeveeClick);
    connect(m_ui->Pan_a, &TColorPanel::Click, this, &TFormGraph::Pan_aClick);
    connect(m_ui->Pan_Pravee, &TColorPanel::Click, this, &TFormGraph::Pan_PraveeClick);
    connect(m_ui->Pan_KritObl, &TColorPanel::Click, this, &TFormGraph::Pan_KritOblClick);
}

void TFormGraph::placeControls()
{
    // The image fills the client area above the tool bar.
    const int imageHeight = std::max(0, height() - FormGToolBarHeight);
    m_ui->Image->setGeometry(0, 0, width(), imageHeight);
    m_ui->PanelTools->setGeometry(0, imageHeight, width(), FormGToolBarHeight);
}

void TFormGraph::FormCreate()
{
    if (!KeysDown(KeyMaskShift, m_ports.keys))
        LoadSettings();
}

void TFormGraph::LoadSettings()
{
    LoadGraphSettings(m_store, *this, *m_ui);
}

void TFormGraph::SaveSettings()
{
    SaveGraphSettings(m_store, *this, *m_ui);
}

TChartOptions TFormGraph::Options() const
{
    TChartOptions options;
    options.colorIndex = m_ui->RGrpColor->ItemIndex();
    options.pChecked = m_ui->ChBoxP->isChecked();
    options.krOblChecked = m_ui->ChBoxKrObl->isChecked();
    options.kritIndex = m_ui->RGpKrit->ItemIndex();
    options.znachIndex = m_ui->RGrpZnach->ItemIndex();
    options.leveeColor = m_ui->Pan_Levee->Color();
    options.aColor = m_ui->Pan_a->Color();
    options.praveeColor = m_ui->Pan_Pravee->Color();
    options.kritOblColor = m_ui->Pan_KritObl->Color();
    return options;
}

const QImage &TFormGraph::Picture() const
{
    return m_ui->Image->Bitmap();
}

void TFormGraph::ShowChart(const TCriticalBounds &bounds)
{
    m_bounds = bounds;
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
    m_ui->Image->update();
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
    ApplyOptionStates(*m_ui);
    Redraw();
}

void TFormGraph::ChBoxPClick()
{
    EnableBarControls(*m_ui, m_ui->ChBoxP->isChecked());
    Redraw();
}

void TFormGraph::ChBoxKrOblClick()
{
    EnableRegionControls(*m_ui, m_ui->ChBoxKrObl->isChecked());
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
    chooseColor(m_ui->Pan_Levee);
}

void TFormGraph::Pan_aClick()
{
    chooseColor(m_ui->Pan_a);
}

void TFormGraph::Pan_PraveeClick()
{
    chooseColor(m_ui->Pan_Pravee);
}

void TFormGraph::Pan_KritOblClick()
{
    chooseColor(m_ui->Pan_KritObl);
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
