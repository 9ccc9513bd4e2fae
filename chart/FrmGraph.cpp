#include "chart/FrmGraph.h"

#include "core/Fisher.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
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

// ---- TChartImage ----

TChartImage::TChartImage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Image"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TChartImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_bitmap.width() < width() || m_bitmap.height() < height())
        painter.fillRect(rect(), palette().window());
    painter.drawImage(0, 0, m_bitmap);
}

// ---- TRadioGroup ----

TRadioGroup::TRadioGroup(const QString &caption, const QStringList &items, QWidget *parent)
    : QGroupBox(caption, parent)
{
    for (int i = 0; i < items.size(); ++i) {
        auto *item = new QRadioButton(items.at(i), this);
        m_items.append(item);
        connect(item, &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on || m_index == i)
                return;
            m_index = i;
            emit Click();
        });
    }
    m_items.constFirst()->setChecked(true);
    m_index = 0;
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index < 0 || index >= m_items.size() || index == m_index)
        return;
    m_items.at(index)->setChecked(true);
}

QRadioButton *TRadioGroup::Item(int index) const { return m_items.value(index); }

// ---- TColorPanel ----

TColorPanel::TColorPanel(TColor colour, QWidget *parent) : QFrame(parent), m_colour(colour)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
}

void TColorPanel::SetColor(TColor colour)
{
    m_colour = colour;
    update();
}

void TColorPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void TColorPanel::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(ColorToRgb(m_colour)));
    }
    QFrame::paintEvent(event);
}

// ---- TFormGraph ----

TFormGraph::TFormGraph(TSettingsStore &store, const TWindowPorts &ports,
                       const TFisherDistribution &dist, std::function<int32_t()> enteredA,
                       const TCriticalBounds &bounds, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_ports(ports), m_dist(dist),
      m_enteredA(std::move(enteredA)), m_bounds(bounds), m_painter(dist)
{
    setObjectName(QStringLiteral("FormGraph"));
    setWindowTitle(QStringLiteral("График распределения"));
    setWindowIcon(QIcon(QStringLiteral(":/chart/velmar.xpm")));
    setFont(WindowFont());
    move(68, 69);
    resize(883 - FormGFrameWidth, 534 - FormGFrameHeight);
    buildControls();
    placeControls();
    applyOptionStates();

    FormCreate();
    // Attached only now: the redraws the load caused found no image to draw on.
    m_painter.Init(m_image);
}

TFormGraph::~TFormGraph() { m_painter.Detach(); }

void TFormGraph::buildControls()
{
    m_image = new TChartImage(this);

    m_panelTools = new QFrame(this);
    m_panelTools->setObjectName(QStringLiteral("PanelTools"));
    m_panelTools->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QWidget *tools = m_panelTools;

    m_btnSave = new QPushButton(QStringLiteral("Сохранить"), tools);
    m_btnSave->setObjectName(QStringLiteral("BtnSave"));
    m_btnSave->setToolTip(QStringLiteral("Созранить картинку в bmp-файле"));
    m_btnSave->setIcon(QIcon(QStringLiteral(":/chart/save.xpm")));
    m_btnSave->setGeometry(3, 4, 88, 26);

    const QFont optionFont = OptionFont(12);
    auto placeItems = [&optionFont](TRadioGroup *group, int itemWidth) {
        group->setFont(optionFont);
        for (int i = 0; group->Item(i); ++i)
            group->Item(i)->setGeometry(4 + i * itemWidth, 14, itemWidth, 17);
    };

    m_rgrpColor = new TRadioGroup(QStringLiteral("Раскраска"),
                                  {QStringLiteral("Да"), QStringLiteral("Нет")}, tools);
    m_rgrpColor->setObjectName(QStringLiteral("RGrpColor"));
    m_rgrpColor->setToolTip(QStringLiteral(
        "Раскрашивает диаграмму разными цветами и указывает критические области"));
    m_rgrpColor->setGeometry(94, 0, 96, 33);
    placeItems(m_rgrpColor, 44);

    m_gboxColor = new QGroupBox(QStringLiteral("Что красить"), tools);
    m_gboxColor->setObjectName(QStringLiteral("GBoxColor"));
    m_gboxColor->setFont(optionFont);
    m_gboxColor->setGeometry(193, 0, 130, 33);
    m_chBoxP = new QCheckBox(QStringLiteral("P(a)"), m_gboxColor);
    m_chBoxP->setObjectName(QStringLiteral("ChBoxP"));
    m_chBoxP->setToolTip(QStringLiteral("Раскраска столбиков"));
    m_chBoxP->setGeometry(4, 14, 50, 17);
    m_chBoxP->setChecked(true);
    m_chBoxKrObl = new QCheckBox(QStringLiteral("Кр.обл."), m_gboxColor);
    m_chBoxKrObl->setObjectName(QStringLiteral("ChBoxKrObl"));
    m_chBoxKrObl->setToolTip(QStringLiteral("Изображение критических интервалов"));
    m_chBoxKrObl->setGeometry(56, 14, 72, 17);

    m_rgpKrit = new TRadioGroup(
        QStringLiteral("Критерий"),
        {QStringLiteral("2-ст."), QStringLiteral("лево"), QStringLiteral("право")}, tools);
    m_rgpKrit->setObjectName(QStringLiteral("RGpKrit"));
    m_rgpKrit->setToolTip(QStringLiteral(
        "Выбор двухстороннего, левостороннего или правостороннего критерия"));
    m_rgpKrit->setGeometry(326, 0, 168, 33);
    placeItems(m_rgpKrit, 54);

    m_rgrpZnach = new TRadioGroup(
        QStringLiteral("Значимость"),
        {QStringLiteral("5%"), QStringLiteral("1%"), QStringLiteral("0.1%")}, tools);
    m_rgrpZnach->setObjectName(QStringLiteral("RGrpZnach"));
    m_rgrpZnach->setToolTip(QStringLiteral("Выбор одного из уровней значимости"));
    m_rgrpZnach->setGeometry(497, 0, 150, 33);
    placeItems(m_rgrpZnach, 48);

    m_labColors = new QLabel(QStringLiteral("Цвета:"), tools);
    m_labColors->setObjectName(QStringLiteral("Lab_Colors"));
    m_labColors->setGeometry(650, 10, 44, 14);

    const QFont swatchFont = OptionFont(13);
    auto makeSwatch = [&](TColorPanel *&panel, QLabel *&label, const char *name,
                          const char *labelName, const QString &caption, const QString &hint,
                          TColor colour, QRect panelRect, int labelWidth) {
        panel = new TColorPanel(colour, tools);
        panel->setObjectName(QString::fromLatin1(name));
        panel->setToolTip(hint);
        panel->setGeometry(panelRect);
        label = new QLabel(caption, tools);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setFont(swatchFont);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        const int centre = panelRect.center().x();
        label->setGeometry(centre - labelWidth / 2, 19, labelWidth, 14);
    };
    makeSwatch(m_panLevee, m_lbLeftA, "Pan_Levee", "Lb_left_a", QStringLiteral("левее a"),
               QStringLiteral("Цвет столбиков для значений \"a\", которые меньше данного"),
               DefaultLeveeColor, QRect(708, 1, 9, 19), 52);
    makeSwatch(m_panA, m_lbA, "Pan_a", "Lb_a", QStringLiteral("a"),
               QStringLiteral("Цвет столбика для введенного значения \"a\" или всех столбцов, "
                              "если \"a\" не введено"),
               DefaultAColor, QRect(740, 1, 9, 19), 16);
    makeSwatch(m_panPravee, m_lbRightA, "Pan_Pravee", "Lb_right_a", QStringLiteral("правее a"),
               QStringLiteral("Цвет столбиков для значений \"a\", которые больше данного"),
               DefaultPraveeColor, QRect(774, 1, 9, 19), 56);
    makeSwatch(m_panKritObl, m_lbKrit, "Pan_KritObl", "Lb_krit", QStringLiteral("Крит.обл."),
               QStringLiteral("Этим цветом подчеркивается критическая область"),
               DefaultKritOblColor, QRect(822, 7, 41, 7), 60);
    m_panKritObl->setFrameStyle(QFrame::NoFrame);

    // The tool bar's tab order, left to right.
    setTabOrder(m_btnSave, m_rgrpColor);
    setTabOrder(m_rgrpColor, m_chBoxP);
    setTabOrder(m_chBoxP, m_chBoxKrObl);
    setTabOrder(m_chBoxKrObl, m_rgpKrit);
    setTabOrder(m_rgpKrit, m_rgrpZnach);

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
        const QSize size = screen->geometry().size();
        if (PlacementAcceptable(left, width, top, height, size.width(), size.height())) {
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
    WriteIntegerValue(m_store.key, QStringLiteral("FormGLeft"), x());
    WriteIntegerValue(m_store.key, QStringLiteral("FormGWidth"), width() + FormGFrameWidth);
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

const QImage &TFormGraph::Picture() const { return m_image->Bitmap(); }

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

void TFormGraph::RGpKritClick() { Redraw(); }

void TFormGraph::RGrpZnachClick() { Redraw(); }

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

void TFormGraph::Pan_LeveeClick() { chooseColor(m_panLevee); }

void TFormGraph::Pan_aClick() { chooseColor(m_panA); }

void TFormGraph::Pan_PraveeClick() { chooseColor(m_panPravee); }

void TFormGraph::Pan_KritOblClick() { chooseColor(m_panKritObl); }

void TFormGraph::FormClose()
{
    // Only a shown window can be closed by the user; closing others at the end
    // of the run must not write the chart values.
    if (isVisible())
        SaveSettings();
}

void TFormGraph::FormResize() { Redraw(); }

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
