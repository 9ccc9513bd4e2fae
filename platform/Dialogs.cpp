#include "platform/Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

void TQtMessageBox::Show(const std::string &text, const std::string &caption, TMsgIcon icon)
{
    QString shown = QString::fromStdString(text);
    // A carriage return breaks the text into lines, as in the boxes it was written for.
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(icon == TMsgIcon::Stop ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromUtf8(caption.empty() ? ApplicationTitle : caption.c_str()), shown,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void TQtErrorBox::ShowError(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, QString::fromUtf8(ApplicationTitle), text);
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
