#include "report/ReportFile.h"

#include <QStringEncoder>

QByteArray EncodeReportText(const QString &text)
{
    if (text.isEmpty())
        return {};
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    lines += QLatin1String("\r\n");
    QStringEncoder encoder("windows-1251");
    return encoder.encode(lines);
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
