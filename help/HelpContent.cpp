#include "help/HelpContent.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#ifdef _WIN32
#include "core/Windows1251.h"
#endif

namespace {

const QLatin1StringView PlaceholderToken("PATHEXE\\");

QByteArray readResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

QByteArray HelpPage(int k)
{
    if (k < 1 || k > HelpPageCount)
        return {};
    return readResource(QStringLiteral(":/help/page%1.htm").arg(k));
}

QString DecodeHelpPage(const QByteArray &page)
{
#ifdef _WIN32
    // Qt for Windows has no converter for the code page: the table does it.
    QString text;
    text.reserve(page.size());
    for (const char byte : page)
        text += QChar(char16_t(Windows1251::Decode(uint8_t(byte))));
    return text;
#endif
    QStringDecoder decoder("windows-1251");
    return decoder.decode(page);
}

QString HelpPictureName(int i)
{
    return QStringLiteral("Pic %1.gif").arg(i);
}

QByteArray HelpPicture(int i)
{
    if (i < 1 || i > HelpPictureCount)
        return {};
    return readResource(QStringLiteral(":/help/") + HelpPictureName(i));
}

QString ExpandPathExe(const QString &text, const QString &pictureDir)
{
    // The folder is a file URL, whose separator is '/' on every platform.
    const QString prefix = pictureDir + QLatin1Char('/');
    QString result;
    result.reserve(text.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(PlaceholderToken, from, Qt::CaseSensitive);
        if (at < 0) {
            result += QStringView(text).mid(from);
            return result;
        }
        result += QStringView(text).mid(from, at - from);
        result += prefix;
        from = at + PlaceholderToken.size();
    }
}

void WriteHelpPictures(const QString &pictureDir)
{
    for (int i = 1; i <= HelpPictureCount; ++i) {
        // Truncate rather than go through a temporary file: a picture already
        // there is simply overwritten, and a failure costs only that picture.
        QFile file(pictureDir + QDir::separator() + HelpPictureName(i));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            continue;
        file.write(HelpPicture(i));
        file.close();
    }
}
