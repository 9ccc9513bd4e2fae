#include "help/HelpRequest.h"

#include "help/FormHelp.h"
#include "help/HelpContent.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

bool HelpContentReady = false;

namespace {

// The folder as the pages' src attributes name it: a file URL, so that
// quotes, '#', '%' and markup in the folder's name stay part of the name.
QString PictureFolderReference(const QString &pictureDir)
{
    if (pictureDir.isEmpty())
        return {};
    const QUrl url = QUrl::fromLocalFile(QFileInfo(pictureDir).absoluteFilePath());
    return url.toString(QUrl::FullyEncoded).toHtmlEscaped();
}

} // namespace

THelpPictureFolder::THelpPictureFolder() = default;

THelpPictureFolder::~THelpPictureFolder() = default;

QString THelpPictureFolder::path()
{
    if (!m_dir) {
        // Under the system's folder for temporary files, named after the
        // program; QTemporaryDir makes it with a fresh name, owner-only.
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid()) {
            m_dir.reset();
            return {};
        }
    }
    return m_dir->path();
}

void THelpPictureFolder::remove()
{
    m_dir.reset();
}

void BtnHelpClick(TFormHelp &help, const QString &pictureDir)
{
    if (!HelpContentReady) {
        // The pages refer to the pictures by absolute path, so the files must
        // exist before any page is rendered. Without a folder every picture
        // is missing and the viewers show their mark for it.
        if (!pictureDir.isEmpty())
            WriteHelpPictures(pictureDir);
        const QString folder = PictureFolderReference(pictureDir);
        for (int k = 1; k <= HelpPageCount; ++k) {
            const QString page = DecodeHelpPage(HelpPage(k));
            LoadHtmlIntoBrowser(help.Browser(k - 1), ExpandPathExe(page, folder));
        }
        help.BtnFirstClick();
        HelpContentReady = true;
    }
    help.show();
    help.raise();
    help.activateWindow();
}

void BtnHelpClick(TFormHelp &help, THelpPictureFolder &pictures)
{
    // Only the first press writes pictures, so only it needs the folder.
    BtnHelpClick(help, HelpContentReady ? QString() : pictures.path());
}
