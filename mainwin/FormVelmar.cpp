#include "mainwin/FormVelmar.h"

#include "mainwin/InputTable.h"
#include "core/RunComputation.h"
#include "help/FormHelp.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const char *const FieldNames[FieldCount] = {"Ea", "Eb", "Ec", "Ed", "Em", "Em_", "Ek", "Ek_", "En"};

// Views for a window that runs without the others (nothing to show).
class TNoViews : public clResultViews {
public:
    bool BuildReport() override { return true; }
    void ShowChart() override {}
};

bool Editable(TField field) { return field != TField::n && field != TField::t; }

// Key combinations that edit through the clipboard or undo: they are not typed
// characters, and what they paste is normalised when the field is left.
bool EditingShortcut(const QKeyEvent *key)
{
    for (auto standard : {QKeySequence::Paste, QKeySequence::Copy, QKeySequence::Cut,
                          QKeySequence::SelectAll, QKeySequence::Undo, QKeySequence::Redo})
        if (key->matches(standard))
            return true;
    return false;
}

QFont SerifFont(int pixels, bool italic)
{
    QFont font(QStringLiteral("Liberation Serif"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pixels);
    font.setBold(true);
    font.setItalic(italic);
    return font;
}

} // namespace

TFormVelmar::TFormVelmar(TSettingsStore &store, const TWindowPorts &ports, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_ports(ports)
{
    buildLayout();

    // The pointing hand "PALEC" on the title; its hot spot is the fingertip.
    m_title->setCursor(QCursor(QPixmap(QStringLiteral(":/resources/palec.xpm")), 5, 0));

    FormCreate();
}

TFormVelmar::~TFormVelmar() { FormDestroy(); }

void TFormVelmar::buildLayout()
{
    setObjectName(QStringLiteral("FormVelmar"));
    setWindowTitle(QStringLiteral("Велмар (v. 2.0)"));
    setWindowIcon(QIcon(QStringLiteral(":/resources/velmar.xpm")));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);
    move(334, 43);
    resize(278, 219);

    auto *panelMain = new QFrame(this);
    panelMain->setObjectName(QStringLiteral("PanelMain"));
    panelMain->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto *panelTools = new QFrame(this);
    panelTools->setObjectName(QStringLiteral("PanelTools"));
    panelTools->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panelTools->setFixedHeight(38);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panelMain, 1);
    layout->addWidget(panelTools);

    m_title = new QLabel(QStringLiteral("Эффектный статистический критерий"), panelMain);
    m_title->setObjectName(QStringLiteral("LblTitle"));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setFixedHeight(24);
    m_title->setFont(SerifFont(15, false));
    QPalette navy = m_title->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    m_title->setPalette(navy);

    auto *group = new QGroupBox(QStringLiteral("Данные для расчета"), panelMain);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto *mainLayout = new QVBoxLayout(panelMain);
    mainLayout->setContentsMargins(1, 1, 1, 1);
    mainLayout->setSpacing(0);
    mainLayout->addWidget(m_title);
    mainLayout->addWidget(group, 1);

    struct LabelPlace {
        const char *name;
        const char *text;
        int left, top;
    };
    const LabelPlace labels[] = {
        {"Label1", "a:", 8, 24},   {"Label2", "b:", 88, 24},  {"Label3", "m:", 176, 24},
        {"Label4", "c:", 8, 56},   {"Label7", "d:", 88, 56},  {"Label6", "n:", 176, 56},
        {"Label8", "k:", 8, 104},  {"Label9", "t:", 88, 104}, {"Label5", "s:", 176, 104},
    };
    for (const LabelPlace &place : labels) {
        auto *label = new QLabel(QString::fromUtf8(place.text), group);
        label->setObjectName(QLatin1String(place.name));
        label->setFont(SerifFont(17, true));
        QPalette black = label->palette();
        black.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(black);
        label->adjustSize();
        label->move(place.left, place.top);
    }

    const QColor cream(255, 251, 240), aqua(0, 255, 255), silver(192, 192, 192);
    struct FieldPlace {
        int left, top;
        QColor colour;
    };
    const FieldPlace places[FieldCount] = {
        {24, 24, cream},   {104, 24, cream},  {24, 56, cream}, {104, 56, cream}, {200, 24, aqua},
        {200, 56, silver}, {24, 104, aqua},   {104, 104, silver}, {200, 104, aqua},
    };
    for (int i = 0; i < FieldCount; ++i) {
        auto *edit = new QLineEdit(group);
        edit->setObjectName(QLatin1String(FieldNames[i]));
        edit->setGeometry(places[i].left, places[i].top, 50, 21);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, places[i].colour);
        palette.setColor(QPalette::Text, Qt::black);
        edit->setPalette(palette);
        if (Editable(TField(i))) {
            edit->installEventFilter(this);
        } else {
            // n and t are always derived: readable, clickable, skipped by Tab.
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::ClickFocus);
        }
        m_fields[size_t(i)] = edit;
    }

    m_btnComp = new QPushButton(QIcon(QStringLiteral(":/resources/compute.xpm")),
                                QStringLiteral("Расчет"), panelTools);
    m_btnComp->setObjectName(QStringLiteral("BtnComp"));
    m_btnComp->setGeometry(8, 6, 81, 25);
    m_btnClear = new QPushButton(QIcon(QStringLiteral(":/resources/clear.xpm")),
                                 QStringLiteral("Очистить"), panelTools);
    m_btnClear->setObjectName(QStringLiteral("BtnClear"));
    m_btnClear->setGeometry(99, 6, 81, 25);
    m_btnClear->setToolTip(
        QStringLiteral("Очистка формы. При нажатом Ctrl удалит настройки, сохраненные в реестре"));
    m_btnHelp = new QPushButton(QIcon(QStringLiteral(":/resources/help.xpm")),
                                QStringLiteral("Помощь"), panelTools);
    m_btnHelp->setObjectName(QStringLiteral("BtnHelp"));
    m_btnHelp->setGeometry(190, 6, 81, 25);
    for (QPushButton *button : {m_btnComp, m_btnClear, m_btnHelp}) {
        // Enter on a focused button presses it, as Space does.
        button->setAutoDefault(true);
        button->setIconSize(QSize(16, 16));
    }

    const TField order[] = {TField::a, TField::b, TField::c, TField::d,
                            TField::m, TField::k, TField::s};
    QWidget *previous = nullptr;
    for (TField f : order) {
        if (previous)
            setTabOrder(previous, field(f));
        previous = field(f);
    }
    setTabOrder(previous, m_btnComp);
    setTabOrder(m_btnComp, m_btnClear);
    setTabOrder(m_btnClear, m_btnHelp);
    field(TField::a)->setFocus();

    // The buttons act on clicked, which comes after the focus has moved and
    // the field being left has run its exit step.
    connect(m_btnComp, &QPushButton::clicked, this, &TFormVelmar::BtnCompClick);
    connect(m_btnClear, &QPushButton::clicked, this, &TFormVelmar::BtnClearClick);
    connect(m_btnHelp, &QPushButton::clicked, this, &TFormVelmar::BtnHelpClick);
}

void TFormVelmar::FormCreate()
{
    if (KeysDown(KeyMaskShift, m_ports.keys))
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    LoadMainSettings(m_store.key, *this, screen ? screen->size() : QSize(),
                     [this](const TPlacement &p) {
                         move(p.left, p.top);
                         resize(p.width, p.height);
                     });
}

void TFormVelmar::FormClose() { SaveMainSettings(m_store, *this, placement()); }

void TFormVelmar::FormDestroy() { m_helpPictures.remove(); }

TPlacement TFormVelmar::placement() const
{
    TPlacement p;
    p.left = x();
    p.width = width();
    p.top = y();
    p.height = height();
    return p;
}

std::string TFormVelmar::Text(TField f) const { return field(f)->text().toStdString(); }

void TFormVelmar::SetText(TField f, const std::string &text)
{
    field(f)->setText(QString::fromStdString(text));
}

void TFormVelmar::FocusField(TField f) { field(f)->setFocus(Qt::TabFocusReason); }

void TFormVelmar::FocusCompute() { m_btnComp->setFocus(Qt::TabFocusReason); }

void TFormVelmar::BtnCompClick()
{
    ::BtnCompClick(*this, m_ports.messages, [this](const TInputTable &table) {
        TNoViews none;
        RunComputation(FisherDistribution, table.s, table.m, table.k, m_ports.cursor, m_ports.messages,
                       m_views ? *m_views : none);
    });
}

void TFormVelmar::BtnClearClick()
{
    for (int i = 0; i < FieldCount; ++i)
        SetValue(*this, TField(i), -1);
    if (KeysDown(KeyMaskCtrl, m_ports.keys) && KeyExists(m_store.key)) {
        DeleteSettingsKey(m_store.key);
        m_store.SaveEnabled = false; // whatever the deletion gave: nothing is written this run
    }
}

void TFormVelmar::BtnHelpClick()
{
    if (m_help)
        ::BtnHelpClick(*m_help, m_helpPictures);
}

int TFormVelmar::fieldIndex(const QObject *object) const
{
    for (int i = 0; i < FieldCount; ++i)
        if (m_fields[size_t(i)] == object)
            return i;
    return -1;
}

bool TFormVelmar::eventFilter(QObject *watched, QEvent *event)
{
    const int index = fieldIndex(watched);
    if (index < 0)
        return QWidget::eventFilter(watched, event);
    const TField f = TField(index);

    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return EnterPressed(*this, f);
        if (EditingShortcut(key))
            return false;
        // Printable characters only: Tab, Backspace, Delete and the arrows stay the field's.
        for (char32_t ch : key->text().toUcs4())
            if (ch >= 32 && ch != 127 && !CharAllowed(ch))
                return true;
    } else if (event->type() == QEvent::FocusOut) {
        // Switching to another window or opening the context menu does not leave the field.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            FieldExit(*this, f);
    }
    return QWidget::eventFilter(watched, event);
}

void TFormVelmar::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
    emit closed();
}
