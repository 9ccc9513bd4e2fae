#include "mainwin/FormVelmar.h"

#include "core/RunComputation.h"
#include "help/FormHelp.h"

#include "ui_FormVelmar.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

// Views for a window that runs without the others (nothing to show).
class TNoViews : public clResultViews {
public:
    bool BuildReport(const TCriticalBounds &) override { return true; }
    void ShowChart(const TCriticalBounds &) override {}
};

bool Editable(TField field)
{
    return field != TField::n && field != TField::t;
}

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

void SetPixelSize(QWidget *widget, QFont::StyleHint hint, int pixels)
{
    QFont font = widget->font();
    font.setStyleHint(hint);
    font.setPixelSize(pixels);
    widget->setFont(font);
}

} // namespace

TFormVelmar::TFormVelmar(TSettingsStore &store, const TWindowPorts &ports, TInputTable &table,
                         bool &editBusy, TFisherDistribution &dist, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_ports(ports), m_table(table),
      m_editBusy(editBusy), m_dist(dist), m_ui(std::make_unique<Ui::FormVelmar>())
{
    buildLayout();

    // The pointing hand "PALEC" on the title; its hot spot is the fingertip.
    m_ui->LblTitle->setCursor(QCursor(QPixmap(QStringLiteral(":/resources/palec.xpm")), 5, 0));

    FormCreate();
}

TFormVelmar::~TFormVelmar()
{
    FormDestroy();
}

void TFormVelmar::buildLayout()
{
    m_ui->setupUi(this);
    // The form gives the faces; a form file holds font sizes in points only, and
    // this window's fonts are sized in pixels.
    SetPixelSize(this, QFont::SansSerif, 11);
    SetPixelSize(m_ui->LblTitle, QFont::Serif, 15);
    for (QLabel *label : {m_ui->Label1, m_ui->Label2, m_ui->Label3, m_ui->Label4, m_ui->Label5,
                          m_ui->Label6, m_ui->Label7, m_ui->Label8, m_ui->Label9}) {
        SetPixelSize(label, QFont::Serif, 17);
        label->adjustSize(); // as large as its letter in the font it ends up with
    }
    // A form file gives the window its size, not its place.
    move(334, 43);

    m_fields = {m_ui->Ea,  m_ui->Eb, m_ui->Ec,  m_ui->Ed, m_ui->Em,
                m_ui->Em_, m_ui->Ek, m_ui->Ek_, m_ui->En};
    // n and t are always derived: the form makes them read-only and skipped by Tab.
    for (int i = 0; i < FieldCount; ++i)
        if (Editable(TField(i)))
            m_fields[size_t(i)]->installEventFilter(this);
    field(TField::a)->setFocus();

    // The buttons act on clicked, which comes after the focus has moved and
    // the field being left has run its exit step. The form makes them auto-default:
    // Enter on a focused button presses it, as Space does.
    connect(m_ui->BtnComp, &QPushButton::clicked, this, &TFormVelmar::BtnCompClick);
    connect(m_ui->BtnClear, &QPushButton::clicked, this, &TFormVelmar::BtnClearClick);
    connect(m_ui->BtnHelp, &QPushButton::clicked, this, &TFormVelmar::BtnHelpClick);
}

void TFormVelmar::FormCreate()
{
    if (KeysDown(KeyMaskShift, m_ports.keys))
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    // The layout keeps the window from shrinking below what its controls need.
    const QSize minimum = minimumSizeHint().expandedTo(minimumSize());
    LoadMainSettings(m_store.key, *this, m_table, m_editBusy, screen ? screen->size() : QSize(),
                     minimum, [this](const TPlacement &p) {
                         move(p.left, p.top);
                         resize(p.width, p.height);
                     });
}

void TFormVelmar::FormClose()
{
    SaveMainSettings(m_store, *this, placement());
}

void TFormVelmar::FormDestroy()
{
    m_helpPictures.remove();
}

TPlacement TFormVelmar::placement() const
{
    TPlacement p;
    p.left = x();
    p.width = width();
    p.top = y();
    p.height = height();
    return p;
}

std::string TFormVelmar::Text(TField f) const
{
    return field(f)->text().toStdString();
}

void TFormVelmar::SetText(TField f, const std::string &text)
{
    field(f)->setText(QString::fromStdString(text));
}

void TFormVelmar::FocusField(TField f)
{
    field(f)->setFocus(Qt::TabFocusReason);
}

void TFormVelmar::FocusCompute()
{
    m_ui->BtnComp->setFocus(Qt::TabFocusReason);
}

void TFormVelmar::BtnCompClick()
{
    ::BtnCompClick(*this, m_table, m_ports.messages, [this](const TInputTable &table) {
        TNoViews none;
        RunComputation(m_dist, table.s, table.m, table.k, m_ports.cursor, m_ports.messages,
                       m_views ? *m_views : none);
    });
}

void TFormVelmar::BtnClearClick()
{
    for (int i = 0; i < FieldCount; ++i)
        SetValue(*this, m_table, TField(i), -1);
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
            return EnterPressed(*this, f, m_editBusy);
        if (EditingShortcut(key))
            return false;
        // Printable characters only: Tab, Backspace, Delete and the arrows stay the field's.
        for (char32_t ch : key->text().toUcs4())
            if (ch >= 32 && ch != 127 && !CharAllowed(ch, m_editBusy))
                return true;
    } else if (event->type() == QEvent::FocusOut) {
        // Switching to another window or opening the context menu does not leave the field.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            FieldExit(*this, m_table, m_editBusy, f);
    }
    return QWidget::eventFilter(watched, event);
}

void TFormVelmar::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
    emit closed();
}
