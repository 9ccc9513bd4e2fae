#include "help/HelpRequest.h"

#include "help/FormHelp.h"
#include "help/HelpContent.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

bool HelpContentReady = false;

QString ProgramDirectory() { return QCoreApplication::applicationDirPath(); }

void BtnHelpClick(TFormHelp &help, const QString &programDir)
{
    if (!HelpContentReady) {
        // The pages refer to the pictures by absolute path, so the files must
        // exist before any page is rendered.
        WriteHelpPictures(programDir);
        for (int k = 1; k <= HelpPageCount; ++k) {
            const QString page = DecodeHelpPage(HelpPage(k));
            LoadHtmlIntoBrowser(help.Browser(k - 1), ExpandPathExe(page, programDir));
        }
        help.BtnFirstClick();
        HelpContentReady = true;
    }
    help.show();
    help.raise();
    help.activateWindow();
}

void DeleteHelpPictures(const QString &programDir)
{
    for (int i = 1; i <= HelpPictureCount; ++i)
        QFile::remove(programDir + QDir::separator() + HelpPictureName(i));
}
