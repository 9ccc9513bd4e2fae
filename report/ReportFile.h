#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

// The report text as it goes into a file: Windows-1251, every line ended by
// CR LF. The result window saves it and the command line prints it. A
// character Windows-1251 lacks is written as '?', and replaced then says so.
QByteArray EncodeReportText(const QString &text, bool *replaced = nullptr);
QByteArray EncodeReportLines(const std::vector<std::string> &lines);
