#pragma once

#include <QByteArray>
#include <QString>

// The help carried inside the program: five pages in Windows-1251 and the six
// GIF pictures they show, compiled in as Qt resources.
constexpr int HelpPageCount = 5;
constexpr int HelpPictureCount = 6;

// Page k (1 ... 5) as stored: Windows-1251 bytes with CR LF line ends.
QByteArray HelpPage(int k);
// The page text as shown: decoded from Windows-1251.
QString DecodeHelpPage(const QByteArray &page);

// "Pic 1.gif" ... "Pic 6.gif" for i = 1 ... 6.
QString HelpPictureName(int i);
QByteArray HelpPicture(int i);

// The pages name the pictures "PATHEXE\Pic N.gif": each token becomes the
// reference to the folder the pictures were written into and '/'.
// Inserted text is never searched again, so a folder containing the token
// comes out as it is.
QString ExpandPathExe(const QString &text, const QString &pictureDir);

// Writes the six pictures into pictureDir, each replacing a file of the same
// name; a file that cannot be created is skipped without a word.
void WriteHelpPictures(const QString &pictureDir);
