#include "report/ReportFile.h"

#ifdef _WIN32
#include "core/Windows1251.h"
#endif

#include <QHash>
#include <QStringEncoder>

namespace {

// Windows-1251, each character the code page lacks written as '?': the
// converter's own substitute (0x1A) is a control character no editor shows.
QByteArray EncodeWindows1251(const QString &text, bool *replaced)
{
#ifdef _WIN32
    // Qt for Windows has no converter for the code page: the table does it.
    QByteArray table;
    table.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const int byte = pair ? -1 : Windows1251::Encode(text[i].unicode());
        table += byte >= 0 ? char(byte) : '?';
        if (byte < 0 && replaced)
            *replaced = true;
        if (pair)
            ++i;
    }
    return table;
#endif
    QStringEncoder encoder("windows-1251");
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;
    // Character by character: a surrogate pair is one character, an unpaired
    // surrogate cannot be encoded.
    bytes.clear();
    bytes.reserve(text.size());
    QHash<char32_t, char> known;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype length = pair ? 2 : 1;
        const QStringView character = QStringView(text).mid(i, length);
        i += length;
        const char32_t code = pair ? QChar::surrogateToUcs4(character[0], character[1])
                                   : char32_t(character[0].unicode());
        if (code < 0x80) {
            bytes += char(code);
            continue;
        }
        auto found = known.constFind(code);
        if (found == known.constEnd()) {
            QStringEncoder one("windows-1251");
            const QByteArray encoded = one.encode(character);
            found = known.insert(code, !one.hasError() && encoded.size() == 1 ? encoded[0] : '?');
        }
        bytes += *found;
        if (*found == '?' && replaced)
            *replaced = true;
    }
    return bytes;
}

} // namespace

QByteArray EncodeReportText(const QString &text, bool *replaced)
{
    if (replaced)
        *replaced = false;
    if (text.isEmpty())
        return {};
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    lines += QLatin1String("\r\n");
    return EncodeWindows1251(lines, replaced);
}

QByteArray EncodeReportLines(const std::vector<std::string> &lines)
{
    QString text;
    for (const std::string &line : lines) {
        if (&line != &lines.front())
            text += QLatin1Char('\n');
        text += QString::fromUtf8(line.data(), qsizetype(line.size()));
    }
    return EncodeReportText(text);
}
