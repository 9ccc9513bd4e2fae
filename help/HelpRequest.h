#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;
class TFormHelp;

// False until the first help request of the run has written the pictures and
// loaded the pages; never reset, so that work is done once per run.
extern bool HelpContentReady;

// The folder the help pictures are written into: made for this run alone on
// the first help request, readable by its user only, and removed with the
// pictures in it by remove() or when this object ends. The program folder is
// never written, so the help shows its pictures under any install prefix, and
// two runs from one folder never touch each other's pictures.
class THelpPictureFolder {
public:
    THelpPictureFolder();
    ~THelpPictureFolder();
    THelpPictureFolder(const THelpPictureFolder &) = delete;
    THelpPictureFolder &operator=(const THelpPictureFolder &) = delete;

    // The folder's path without a trailing separator, the folder made on the
    // first call; empty when no folder can be made.
    QString path();
    // Removes the folder and everything in it; a later path() makes a new one.
    void remove();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// The button "Помощь": the first press of a run writes the pictures into
// pictureDir (nothing when it is empty), loads the pages with their pictures
// named by file URLs in pictureDir and turns to page 1; every press shows the help window
// and brings it to the front.
void BtnHelpClick(TFormHelp &help, const QString &pictureDir);
// The same with the pictures in the run's own folder, made on the first press.
void BtnHelpClick(TFormHelp &help, THelpPictureFolder &pictures);
