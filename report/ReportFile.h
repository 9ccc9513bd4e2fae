#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

// The report text as it goes into a file: Windows-1251, every line ended by
// CR LF. The result window saves it and the command line prints it.
QByteArray EncodeReportText(const QString &text);
QByteArray EncodeReportLines(const std::vector<std::string> &lines);
