#include "platform/Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace {

// Room beside the caption for the title bar's icon and buttons.
constexpr int TitleBarExtra = 150;

// Every text of the program is plain: a file name such as "<i>a<b>x.txt" is
// shown as typed, not read as markup. A box is made at least as wide as its
// caption, which the title bar would otherwise cut short to "...".
int Run(QMessageBox &box)
{
    box.setTextFormat(Qt::PlainText);
    // Title bars commonly set their caption in the bold application font.
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + TitleBarExtra;
    // A message box sizes itself from its layout and ignores a minimum width of its own.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return box.exec();
}

} // namespace

void TQtMessageBox::Show(const std::string &text, const std::string &caption, TMsgIcon icon)
{
    QString shown = QString::fromStdString(text);
    // A carriage return breaks the text into lines, as in the boxes it was written for.
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(icon == TMsgIcon::Stop ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromUtf8(caption.empty() ? ApplicationTitle : caption.c_str()), shown,
                    QMessageBox::Ok, QApplication::activeWindow());
    Run(box);
}

bool TQtQuestionBox::Ask(const std::string &text, const std::string &caption)
{
    QMessageBox box(QMessageBox::Question,
                    QString::fromUtf8(caption.empty() ? ApplicationTitle : caption.c_str()),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return Run(box) == QMessageBox::Yes;
}

void TQtErrorBox::ShowError(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ApplicationTitle), text,
                    QMessageBox::Ok, parent);
    Run(box);
}

QString TQtSaveFileDialog::GetSaveFileName(QWidget *parent, const TSaveFileRequest &request)
{
    // A proposed name as the folder argument opens its folder with the name selected.
    QFileDialog dialog(parent, QString(), request.proposedName, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

bool TQtColorDialog::Execute(QWidget *parent, TColor &colour)
{
    const QColor chosen = QColorDialog::getColor(QColor(ColorToRgb(colour)), parent);
    if (!chosen.isValid())
        return false;
    colour = RgbToColor(chosen.rgb());
    return true;
}

void TQtBusyCursor::Push()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void TQtBusyCursor::Pop()
{
    QGuiApplication::restoreOverrideCursor();
}
