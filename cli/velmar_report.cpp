// velmar-report: the calculator's report without windows.
//   velmar-report A B C D                 cell input
//   velmar-report --margins M K S [--a A] margin input, optionally with a
// The arguments go through the same typing filter, field steps and checks as
// the main window's "Расчет".

#include "cli/ChartCommandLine.h"
#include "core/Fisher.h"
#include "core/RunComputation.h"
#include "headless/Standins.h"
#include "mainwin/InputSteps.h"
#include "report/ReportFile.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

const char Usage[] = "Использование:\n"
                     "  velmar-report [--cp1251 | --csv] A B C D\n"
                     "  velmar-report [--cp1251 | --csv] --margins M K S [--a A]\n"
                     "Печатает отчет критерия Фишера для таблицы 2x2.\n"
                     "  --cp1251  отчет в кодировке Windows-1251 с концами строк CR LF\n"
                     "  --csv     распределение a: a,b,c,d,D,point,two_sided,left,right\n"
                     "  --chart FILE [--size WxH] [--criterion two|left|right] [--level 5|1|0.1]\n"
                     "            график распределения в bmp-файле (875x473, критическая область\n"
                     "            подчеркивается, если задан критерий или уровень)\n";

enum class TOutput { Utf8, Cp1251, Csv };

struct TArguments {
    TOutput output = TOutput::Utf8;
    bool margins = false;
    std::vector<std::string> values; // a b c d, or m k s
    std::optional<std::string> a;    // with --margins
    std::optional<TChartRequest> chart;
};

// On a refusal, reason may tell what was wrong beyond the usage.
std::optional<TArguments> ParseArguments(int argc, char **argv, QString &reason)
{
    TArguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--cp1251")
            args.output = TOutput::Cp1251;
        else if (arg == "--csv")
            args.output = TOutput::Csv;
        else if (arg == "--margins")
            args.margins = true;
        else if (arg == "--a" && i + 1 < argc)
            args.a = argv[++i];
        else if (const int taken = ParseChartOption(argc, argv, i, args.chart, &reason);
                 taken != 0) {
            if (taken < 0)
                return std::nullopt;
        } else if (arg.rfind("--", 0) == 0)
            return std::nullopt;
        else
            args.values.push_back(arg);
    }
    const size_t expected = args.margins ? 3 : 4;
    if (args.values.size() != expected || (args.a && !args.margins) ||
        !ChartRequestComplete(args.chart))
        return std::nullopt;
    return args;
}

void WriteUtf8(const std::vector<std::string> &lines)
{
    for (const std::string &line : lines)
        std::fprintf(stdout, "%s\n", line.c_str());
}

// The bytes the result window saves: Windows-1251, each line ended by CR LF.
void WriteCp1251(const std::vector<std::string> &lines)
{
    const QByteArray bytes = EncodeReportLines(lines);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void WriteCsv(const TFisherDistribution &dist)
{
    std::puts("a,b,c,d,D,point,two_sided,left,right");
    for (int32_t i = 0; i < dist.Count(); ++i) {
        const int32_t a = dist.aMin + i, b = dist.bMax - i, c = dist.cMax - i, d = dist.dMin + i;
        std::printf("%d,%d,%d,%d,%d,%.21Le,%.21Le,%.21Le,%.21Le\n", a, b, c, d, a * d - b * c,
                    dist.point.Get(i), dist.twoSided.Get(i), dist.leftCumulative.Get(i),
                    dist.Right(i));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QString reason;
    const std::optional<TArguments> args = ParseArguments(argc, argv, reason);
    if (!args) {
        if (!reason.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(reason));
        else
            std::fputs(Usage, stderr);
        return 1;
    }

    TTextFields fields;
    if (args->margins) {
        fields.Type(TField::m, args->values[0]);
        fields.Type(TField::k, args->values[1]);
        fields.Type(TField::s, args->values[2]);
        if (args->a)
            fields.Type(TField::a, *args->a);
    } else {
        const TField cells[] = {TField::a, TField::b, TField::c, TField::d};
        for (int i = 0; i < 4; ++i)
            fields.Type(cells[i], args->values[size_t(i)]);
    }

    TRecordingMessageBox messages;
    TSilentCursor cursor;
    TLineSink sink;
    TFisherDistribution dist;
    TInputTable table;
    TReportViews views(sink, dist, table);
    BtnCompClick(fields, messages, [&](const TInputTable &completed) {
        table = completed;
        RunComputation(dist, table.s, table.m, table.k, cursor, messages, views);
    });
    // Refusals go to standard error, the carriage return as a line break.
    for (const TRecordingMessageBox::TMessage &message : messages.shown) {
        std::string shown = message.text;
        for (char &ch : shown)
            if (ch == '\r')
                ch = '\n';
        std::fprintf(stderr, "%s\n", shown.c_str());
    }
    if (!messages.shown.empty() || !views.built)
        return 2;

    switch (args->output) {
    case TOutput::Utf8: WriteUtf8(sink.lines); break;
    case TOutput::Cp1251: WriteCp1251(sink.lines); break;
    case TOutput::Csv: WriteCsv(dist); break;
    }
    if (args->chart) {
        QString error;
        if (!WriteRequestedChart(*args->chart, dist, table.a, sink.bounds, &error)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(args->chart->file), qPrintable(error));
            return 1;
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
