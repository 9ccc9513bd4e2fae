// velmar-report: the calculator's report without windows.
//   velmar-report A B C D                 cell input
//   velmar-report --margins M K S [--a A] margin input, optionally with a
//   velmar-report --batch                 many tables from standard input, as CSV
// The arguments go through the same typing filter, field steps and checks as
// the main window's "Расчет".

#include "cli/Batch.h"
#include "cli/ChartCommandLine.h"
#include "core/Fisher.h"
#include "core/RunComputation.h"
#include "headless/Standins.h"
#include "mainwin/InputSteps.h"
#include "report/ReportFile.h"

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

const char Usage[] =
    "Использование:\n"
    "  velmar-report [--cp1251 | --csv] [--conf-level P] A B C D\n"
    "  velmar-report [--cp1251 | --csv] [--conf-level P] --margins M K S [--a A]\n"
    "  velmar-report --batch [--conf-level P] < ТАБЛИЦЫ\n"
    "  velmar-report --help | --version\n"
    "Печатает отчет критерия Фишера для таблицы 2x2.\n"
    "  --cp1251  отчет в кодировке Windows-1251 с концами строк CR LF\n"
    "  --csv     распределение a: a,b,c,d,D,point,two_sided,left,right\n"
    "  --chart FILE [--size WxH] [--criterion two|left|right] [--level 5|1|0.1]\n"
    "            график распределения в bmp-файле (875x473, критическая область\n"
    "            подчеркивается, если задан критерий или уровень)\n"
    "  --conf-level P\n"
    "            уровень точного доверительного интервала отношения шансов\n"
    "            (0 < P < 1, по умолчанию 0.95)\n"
    "  --batch   таблицы \"a b c d\" построчно со стандартного ввода; CSV:\n"
    "            a,b,c,d,point,two_sided,left,right,two_sided_minlike,midp_left,\n"
    "            midp_right,midp_two_sided,or_sample,or_cmle,or_low,or_high,error\n"
    "  --help    эта справка\n"
    "  --version версия программы\n";

enum class TOutput { Utf8, Cp1251, Csv, Batch, Help, Version };

struct TArguments {
    TOutput output = TOutput::Utf8;
    long double confLevel = DefaultConfLevel;
    bool margins = false;
    std::vector<std::string> values; // a b c d, or m k s
    std::optional<std::string> a;    // with --margins
    std::optional<TChartRequest> chart;
};

// A level of the interval: a plain number strictly between 0 and 1, read in
// extended precision (0.9999999 as a double would move the bounds by 5e-10).
std::optional<long double> ParseConfLevel(const char *text)
{
    char *end = nullptr;
    errno = 0;
    const long double level = std::strtold(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(level > 0.0L && level < 1.0L))
        return std::nullopt;
    return level;
}

// On a refusal, reason may tell what was wrong beyond the usage.
std::optional<TArguments> ParseArguments(int argc, char **argv, QString &reason)
{
    TArguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "--version") {
            if (argc != 2)
                return std::nullopt;
            args.output = arg == "--help" ? TOutput::Help : TOutput::Version;
            return args;
        }
        if (arg == "--cp1251")
            args.output = TOutput::Cp1251;
        else if (arg == "--batch")
            args.output = TOutput::Batch;
        else if (arg == "--conf-level" && i + 1 < argc) {
            const std::optional<long double> level = ParseConfLevel(argv[++i]);
            if (!level) {
                reason = QStringLiteral("--conf-level %1: уровень должен быть числом между 0 и 1")
                             .arg(QString::fromLocal8Bit(argv[i]));
                return std::nullopt;
            }
            args.confLevel = *level;
        } else if (arg == "--csv")
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
    if (args.output == TOutput::Batch)
        return args.values.empty() && !args.margins && !args.a && !args.chart
                   ? std::optional<TArguments>(args)
                   : std::nullopt;
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
    // Russian reasons for failed reads and writes; numbers stay in the C locale.
    std::setlocale(LC_MESSAGES, "");
    QString reason;
    const std::optional<TArguments> args = ParseArguments(argc, argv, reason);
    if (!args) {
        if (!reason.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(reason));
        else
            std::fputs(Usage, stderr);
        return 1;
    }
    switch (args->output) {
    case TOutput::Help: std::fputs(Usage, stdout); return 0;
    case TOutput::Version: std::printf("velmar-report %s\n", VELMAR_VERSION); return 0;
    case TOutput::Batch: return RunBatch(stdin, stdout, stderr, args->confLevel);
    default: break;
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
    TReportViews views(sink, dist, table, args->confLevel);
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
    default: break;
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
