#include "report/FormResult.h"

#include "platform/QtTrim.h"
#include "platform/SafeSave.h"
#include "report/ReportFile.h"
#include "ui_FindDialog.h"
#include "ui_FormResult.h"

#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

namespace {

const char *const NotFoundText = "За позицией курсора отыскиваемая фраза отсутствует";
const char *const SaveCaption = "Сохранить";
const char *const UnencodableQuestion =
    "Отчет содержит знаки, которых нет в кодировке Windows-1251. Сохранить их как «?»?";

std::string Utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

// Ctrl with the key of a Latin letter, on any keyboard layout. A layout that
// types a Latin letter with the key is taken at its word, so a Latin layout
// keeps its own letters; a layout of another script is read by the key itself.
// Windows reports the letter's virtual key (VK_F is 'F'); an X server (xcb,
// Wayland) reports a keysym beyond Latin-1 together with the key's X keycode.
bool IsLetterKey(const QKeyEvent *key, Qt::Key letter, quint32 xKeycode)
{
    if (key->key() == letter)
        return true;
    if (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z)
        return false;
    if (key->nativeVirtualKey() == quint32(letter))
        return true;
    return key->nativeVirtualKey() > 0xff && key->nativeScanCode() == xKeycode;
}

// X keycodes (evdev and xfree86 alike) of the Latin F and L keys.
constexpr quint32 XKeycodeF = 41;
constexpr quint32 XKeycodeL = 46;

} // namespace

int32_t FindPhrase(QPlainTextEdit *control, const QString &phrase)
{
    if (!control)
        return 0;
    const QString wanted = TrimControls(phrase);
    if (wanted.isEmpty())
        return 0;
    const QString text = control->toPlainText();
    if (text.isEmpty())
        return 0;
    const qsizetype from = std::max(0, control->textCursor().selectionStart() + 1);
    if (from >= text.size())
        return 2;
    const qsizetype pos = text.indexOf(wanted, from, Qt::CaseSensitive);
    if (pos < 0)
        return 2;
    ScrollToPosition(control, int(pos));
    QTextCursor cursor = control->textCursor();
    cursor.setPosition(int(pos));
    cursor.setPosition(int(pos + wanted.size()), QTextCursor::KeepAnchor);
    control->setTextCursor(cursor);
    control->setFocus();
    return 1;
}

void ScrollToPosition(QPlainTextEdit *control, int pos)
{
    if (!control || pos < 0)
        return;
    QScrollBar *bar = control->verticalScrollBar();
    const int top = bar->value();
    QTextCursor cursor(control->document());
    cursor.setPosition(std::min(pos, control->document()->characterCount() - 1));
    control->setTextCursor(cursor);
    // Setting the caret scrolls it into view by itself; the test below decides instead.
    bar->setValue(top);
    const int y = control->cursorRect(cursor).top();
    if (y < 0 || y > control->viewport()->height() - 20) {
        // Without word wrap the scroll bar counts lines: its value is the first visible line.
        const int line = cursor.blockNumber();
        if (line != bar->value())
            bar->setValue(bar->value() + (line - bar->value()));
    } else {
        control->setTextCursor(cursor);
    }
}

TFindDialog::TFindDialog(QWidget *parent) : QDialog(parent)
{
    Ui::TFindDialog ui;
    ui.setupUi(this);
    m_findEdit = ui.FindText;
    m_findNext = ui.BtnFindNext;

    // Room for a phrase of 40 characters, such as a heading line of the report
    // ("о" stands for a typical letter), besides the edit's frame.
    m_findEdit->setMinimumWidth(
        m_findEdit->fontMetrics().horizontalAdvance(QString(40, QChar(u'о'))) +
        m_findEdit->minimumSizeHint().width());

    connect(m_findNext, &QPushButton::clicked, this, &TFindDialog::findNext);
    connect(ui.BtnFindCancel, &QPushButton::clicked, this, &QDialog::close);
}

QString TFindDialog::FindText() const
{
    return m_findEdit->text();
}

void TFindDialog::SetFindText(const QString &text)
{
    m_findEdit->setText(text);
}

TFormResult::TFormResult(const TWindowPorts &ports, QWidget *parent)
    : QWidget(parent, Qt::Window), m_ports(ports)
{
    Ui::TFormResult ui;
    ui.setupUi(this);
    m_text = ui.REdit;
    m_btnSave = ui.BtnSaveText;
    m_btnFind = ui.BtnFind;
    // The layout file sets only the size of a window, not its place.
    move(65, 28);

    // Designer fonts are sized in points; the report's font is 13 pixels
    // high on every screen.
    QFont mono(QStringLiteral("Liberation Mono"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setFixedPitch(true);
    mono.setPixelSize(13);
    m_text->setFont(mono);
    m_text->installEventFilter(this);

    m_findDialog = new TFindDialog(this);

    connect(m_btnSave, &QPushButton::clicked, this, &TFormResult::BtnSaveTextClick);
    connect(m_btnFind, &QPushButton::clicked, this, &TFormResult::BtnFindClick);
    connect(m_findDialog, &TFindDialog::findNext, this, &TFormResult::FindDialogFind);
}

TFormResult::~TFormResult() = default;

void TFormResult::Clear()
{
    m_pending.clear();
    m_pendingLines = 0;
    m_pendingActive = true;
}

bool TFormResult::AppendLine(const std::string &line)
{
    if (!m_pendingActive) {
        m_pending = m_text->toPlainText();
        m_pendingLines = m_pending.isEmpty() ? 0 : m_text->blockCount();
        m_pendingActive = true;
    }
    const QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
    const qsizetype separator = m_pendingLines > 0 ? 1 : 0;
    if (m_pending.size() + separator + text.size() > MaxReportChars) {
        // What fitted is shown, as a control that refused the line would show it.
        flushPending();
        return false;
    }
    if (separator)
        m_pending += QLatin1Char('\n');
    m_pending += text;
    ++m_pendingLines;
    return true;
}

void TFormResult::flushPending()
{
    if (!m_pendingActive)
        return;
    m_pendingActive = false;
    m_text->setPlainText(m_pending);
    m_pending.clear();
    m_pending.squeeze();
    m_pendingLines = 0;
}

void TFormResult::SetCaret(int position)
{
    flushPending();
    QTextCursor cursor = m_text->textCursor();
    cursor.setPosition(std::clamp(position, 0, m_text->document()->characterCount() - 1));
    m_text->setTextCursor(cursor);
}

void TFormResult::Show()
{
    flushPending();
    show();
    raise();
    activateWindow();
}

void TFormResult::FocusText()
{
    flushPending();
    m_text->setFocus();
}

void TFormResult::SetCriticalBounds(const TCriticalBounds &bounds)
{
    m_criticalBounds = bounds;
}

bool TFormResult::SaveText(const QString &fileName)
{
    flushPending();
    const QString shown = QDir::toNativeSeparators(fileName);
    // A write that fails half-way (a full disk) must not pass for a saved
    // report; the save then leaves an existing file as it was.
    bool replaced = false;
    const QByteArray bytes = EncodeReportText(m_text->toPlainText(), &replaced);
    // What the user typed into the report may not fit the code page; the earlier
    // file stays unless the user agrees to lose those characters.
    if (replaced && !m_ports.questions.Ask(UnencodableQuestion, SaveCaption))
        return false;
    switch (SaveFileSafely(fileName, bytes)) {
    case TSaveResult::Saved: return true;
    case TSaveResult::NotOpened:
        m_ports.messages.Show(Utf8(QStringLiteral("Не могу открыть файл \"%1\"").arg(shown)),
                              SaveCaption, TMsgIcon::Stop);
        return false;
    case TSaveResult::NotWritten: break;
    }
    m_ports.messages.Show(Utf8(QStringLiteral("Не могу записать файл \"%1\"").arg(shown)),
                          SaveCaption, TMsgIcon::Stop);
    return false;
}

void TFormResult::BtnSaveTextClick()
{
    TSaveFileRequest request;
    request.proposedName = m_lastSaveName;
    request.filter = QStringLiteral("Текстовые файлы (*.txt);;Все файлы (*.*)");
    request.defaultSuffix = QStringLiteral("txt");
    const QString name = m_ports.saveDialog.GetSaveFileName(this, request);
    if (name.isEmpty())
        return;
    m_lastSaveName = name;
    SaveText(name);
}

void TFormResult::BtnFindClick()
{
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
}

void TFormResult::reportNotFound()
{
    m_ports.messages.Show(NotFoundText, "", TMsgIcon::Information);
}

void TFormResult::FindDialogFind()
{
    const int32_t result = FindPhrase(m_text, m_findDialog->FindText());
    m_findDialog->close();
    if (result == 2)
        reportNotFound();
    activateWindow();
    m_text->setFocus();
}

void TFormResult::SearchAgain()
{
    const QString phrase = m_findDialog->FindText();
    if (phrase.isEmpty())
        return;
    if (FindPhrase(m_text, phrase) == 2)
        reportNotFound();
    m_text->setFocus();
}

bool TFormResult::eventFilter(QObject *watched, QEvent *event)
{
    // REditKeyDown: the key itself counts, not its character, so any layout serves.
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & Qt::ControlModifier) {
            if (IsLetterKey(key, Qt::Key_F, XKeycodeF)) {
                BtnFindClick();
                return true;
            }
            if (IsLetterKey(key, Qt::Key_L, XKeycodeL)) {
                SearchAgain();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
