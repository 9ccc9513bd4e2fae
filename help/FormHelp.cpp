#include "help/FormHelp.h"
#include "help/HelpRequest.h"

#include <QCoreApplication>
#include <QFile>

TFormHelp::TFormHelp(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormHelp"));
    setWindowTitle(QStringLiteral("Помощь"));
    setGeometry(166, 8, 721, 659);
}

QString ProgramDirectory() { return QCoreApplication::applicationDirPath(); }

void BtnHelpClick(TFormHelp &help, const QString &)
{
    help.show();
    help.raise();
}

void DeleteHelpPictures(const QString &programDir)
{
    for (int i = 1; i <= 6; ++i)
        QFile::remove(programDir + QStringLiteral("/Pic %1.gif").arg(i));
}
