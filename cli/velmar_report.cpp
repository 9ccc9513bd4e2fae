// velmar-report: the calculator's report without windows.
//   velmar-report A B C D                 cell input
//   velmar-report --margins M K S [--a A] margin input, optionally with a
//   velmar-report --batch                 many tables from standard input, as CSV
//   velmar-report --power / --sample-size planning a study
// The numbers must be plain decimal integers that the main window's fields take
// unchanged; they then go through the same field steps and checks as "Расчет".

#include "cli/Batch.h"
#include "cli/ChartCommandLine.h"
#include "cli/PowerCommand.h"
#include "cli/UnconditionalCommand.h"
#include "core/Fisher.h"
#include "core/PrintfFormat.h"
#include "core/RunComputation.h"
#include "headless/Standins.h"
#include "mainwin/InputSteps.h"
#include "report/ReportFile.h"

#include <QByteArray>
#include <QString>

#ifdef _WIN32
#include "platform/WindowsConsole.h"
#else
#include <libintl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

const char Usage[] =
    "Использование:\n"
    "  velmar-report [--cp1251 | --csv] [--conf-level P] A B C D\n"
    "  velmar-report [--cp1251 | --csv] [--conf-level P] --margins M K S [--a A]\n"
    "  velmar-report --batch [--conf-level P] [--unconditional] < ТАБЛИЦЫ\n"
    "  velmar-report --power P1 P2 N1 N2 [--alpha A] [--criterion two|left|right]\n"
    "                [--rule velmar|minlike|central] [--csv]\n"
    "  velmar-report --sample-size P1 P2 POWER [--ratio R] [те же параметры]\n"
    "  velmar-report -h | --help | -V | --version\n"
    "Печатает отчет критерия Фишера для таблицы 2x2. Клетки, суммы и --a\n"
    "пишутся только цифрами: без знака и точки.\n"
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
    "            midp_right,midp_two_sided,or_sample,or_cmle,or_low,or_high,error,\n"
    "            conf_level,two_sided_central,or_low_minlike,or_high_minlike,\n"
    "            two_sided_blaker,or_low_blaker,or_high_blaker,risk_difference,\n"
    "            rd_low,rd_high,risk_ratio,rr_low,rr_high\n"
    "  -h, --help     эта справка\n"
    "  -V, --version  версия программы\n";

enum class TOutput { Utf8, Cp1251, Csv, Batch, Help, Version };

struct TArguments {
    TOutput output = TOutput::Utf8;
    long double confLevel = DefaultConfLevel;
    // The level as typed, for the batch's conf_level column.
    std::string confLevelText = "0.95";
    bool margins = false;
    // Boschloo's and Barnard's tests after the report, or in the batch's rows.
    bool unconditional = false;
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

// --help wins wherever it stands, then --version, whatever else the line holds.
std::optional<TOutput> InformationWanted(int argc, char **argv)
{
    std::optional<TOutput> wanted;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return TOutput::Help;
        if (arg == "--version" || arg == "-V")
            wanted = TOutput::Version;
    }
    return wanted;
}

// "-8" is a number written wrong, "-x" an option.
bool LooksLikeOption(const std::string &arg)
{
    return arg.size() >= 2 && arg[0] == '-' &&
           (arg[1] == '-' || (arg[1] >= 'a' && arg[1] <= 'z') || (arg[1] >= 'A' && arg[1] <= 'Z'));
}

QString BadConfLevel(const char *text)
{
    // A decimal comma is the usual slip of a Russian keyboard.
    std::string dotted = text;
    for (char &ch : dotted)
        if (ch == ',')
            ch = '.';
    if (dotted != text && ParseConfLevel(dotted.c_str()))
        return QStringLiteral("--conf-level %1: пишите десятичную точку: %2")
            .arg(QString::fromLocal8Bit(text), QString::fromLocal8Bit(dotted.c_str()));
    return QStringLiteral("--conf-level %1: уровень должен быть числом между 0 и 1")
        .arg(QString::fromLocal8Bit(text));
}

// On a refusal, reason may tell what was wrong beyond the usage.
std::optional<TArguments> ParseArguments(int argc, char **argv, QString &reason)
{
    TArguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--conf-level" || arg == "--a") && i + 1 >= argc) {
            reason = QStringLiteral("после %1 нужно значение").arg(QString::fromStdString(arg));
            return std::nullopt;
        }
        if (arg == "--cp1251")
            args.output = TOutput::Cp1251;
        else if (arg == "--batch")
            args.output = TOutput::Batch;
        else if (arg == "--conf-level") {
            const std::optional<long double> level = ParseConfLevel(argv[++i]);
            if (!level) {
                reason = BadConfLevel(argv[i]);
                return std::nullopt;
            }
            args.confLevel = *level;
            // The number read is all that follows the blanks strtold skips: a
            // newline before it would break the batch's row.
            args.confLevelText = argv[i];
            args.confLevelText.erase(0, args.confLevelText.find_first_not_of(" \t\n\v\f\r"));
        } else if (arg == "--csv")
            args.output = TOutput::Csv;
        else if (arg == "--margins")
            args.margins = true;
        else if (arg == "--unconditional")
            args.unconditional = true;
        else if (arg == "--a")
            args.a = argv[++i];
        else if (const int taken = ParseChartOption(argc, argv, i, args.chart, &reason);
                 taken != 0) {
            if (taken < 0)
                return std::nullopt;
        } else if (LooksLikeOption(arg)) {
            reason = QStringLiteral("неизвестный параметр \"%1\"\nСправка: velmar-report --help")
                         .arg(QString::fromLocal8Bit(arg.c_str()));
            return std::nullopt;
        } else
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

// A number of the command line: decimal digits only, leading zeros allowed.
enum class TNumber { Plain, NotNumber, TooBig };

TNumber ReadNumber(const std::string &text, int32_t &value)
{
    if (text.empty())
        return TNumber::NotNumber;
    int64_t read = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9')
            return TNumber::NotNumber;
        read = read * 10 + (ch - '0');
        if (read > std::numeric_limits<int32_t>::max())
            return TNumber::TooBig;
    }
    value = int32_t(read);
    return TNumber::Plain;
}

// The window quietly repairs what is typed into it ("8.5" becomes 85, a margin
// above the total is lowered to it). A script deserves to be told instead: the
// numbers are typed into the fields only when they are plain decimal integers
// and come out of the field steps as given. Returns the reason of a refusal.
QString TypeStrictly(const TArguments &args, TTextFields &fields)
{
    struct TTyped {
        TField field;
        const char *name;
        int32_t value;
    };
    std::vector<TTyped> typed;
    const TField cells[] = {TField::a, TField::b, TField::c, TField::d};
    const TField margins[] = {TField::m, TField::k, TField::s};
    const char *const cellNames[] = {"a", "b", "c", "d"};
    const char *const marginNames[] = {"m", "k", "n"}; // the report calls the total n
    for (size_t i = 0; i < args.values.size(); ++i) {
        const std::string &text = args.values[i];
        const QString shown = QString::fromLocal8Bit(text.c_str());
        int32_t value = 0;
        switch (ReadNumber(text, value)) {
        case TNumber::NotNumber:
            return QStringLiteral("\"%1\" — нужно целое неотрицательное число").arg(shown);
        case TNumber::TooBig: return QStringLiteral("\"%1\" — слишком большое число").arg(shown);
        case TNumber::Plain: break;
        }
        typed.push_back({args.margins ? margins[i] : cells[i],
                         args.margins ? marginNames[i] : cellNames[i], value});
    }
    int32_t a = 0;
    TNumber aRead = TNumber::Plain;
    if (args.a) {
        aRead = ReadNumber(*args.a, a);
        if (aRead == TNumber::NotNumber)
            return QStringLiteral("\"%1\" — нужно целое неотрицательное число")
                .arg(QString::fromLocal8Bit(args.a->c_str()));
    }

    for (const TTyped &t : typed)
        fields.Type(t.field, std::to_string(t.value));
    for (const TTyped &t : typed) {
        if (fields.Text(t.field) == std::to_string(t.value))
            continue;
        if (t.field == TField::m || t.field == TField::k)
            return QStringLiteral("%1 = %2 больше общей суммы n = %3")
                .arg(t.name)
                .arg(t.value)
                .arg(typed.back().value);
        return QStringLiteral("%1 = %2 — окно не примет это значение").arg(t.name).arg(t.value);
    }
    if (!args.a)
        return QString();

    // The window would move a into the margins' range; a total above the
    // limit it refuses on its own.
    const int32_t m = typed[0].value, k = typed[1].value, s = typed[2].value;
    if (s <= MaxGrandTotal) {
        const int32_t low = std::max(0, m + k - s), high = std::min(m, k);
        if (aRead == TNumber::TooBig || a < low || a > high)
            return QStringLiteral("--a %1 — вне допустимого диапазона a от %2 до %3")
                .arg(QString::fromLocal8Bit(args.a->c_str()))
                .arg(low)
                .arg(high);
    } else if (aRead == TNumber::TooBig)
        return QStringLiteral("\"%1\" — слишком большое число")
            .arg(QString::fromLocal8Bit(args.a->c_str()));
    fields.Type(TField::a, std::to_string(a));
    return QString();
}

// Standard output with every write checked. After the first failure nothing
// more is written, and the reason is kept from the moment it happened.
class TCheckedOutput {
public:
    void Write(const char *data, size_t size)
    {
        if (!m_failed) {
            errno = 0;
            Check(std::fwrite(data, 1, size, stdout) == size);
        }
    }
    __attribute__((format(VELMAR_PRINTF_FORMAT, 2, 3))) void Print(const char *format, ...)
    {
        if (m_failed)
            return;
        std::va_list values;
        va_start(values, format);
        errno = 0;
        Check(std::vfprintf(stdout, format, values) >= 0);
        va_end(values);
    }
    // A full disk may show only when the last buffer goes out.
    bool Finish()
    {
        if (!m_failed) {
            errno = 0;
            Check(std::fflush(stdout) == 0);
        }
        if (!m_failed) {
            errno = 0;
            Check(std::fclose(stdout) == 0);
        }
        return !m_failed;
    }
    // Tells the user on standard error; returns the exit status.
    int StandardOutputFailure() const { return OutputFailed(stderr, m_errno); }

private:
    void Check(bool written)
    {
        if (!written) {
            m_failed = true;
            m_errno = errno;
        }
    }
    bool m_failed = false;
    int m_errno = 0;
};

void WriteUtf8(TCheckedOutput &out, const std::vector<std::string> &lines)
{
    for (const std::string &line : lines)
        out.Print("%s\n", line.c_str());
}

// The bytes the result window saves: Windows-1251, each line ended by CR LF.
void WriteCp1251(TCheckedOutput &out, const std::vector<std::string> &lines)
{
    const QByteArray bytes = EncodeReportLines(lines);
    out.Write(bytes.constData(), size_t(bytes.size()));
}

void WriteCsv(TCheckedOutput &out, const TFisherDistribution &dist)
{
    out.Print("a,b,c,d,D,point,two_sided,left,right\n");
    for (int32_t i = 0; i < dist.Count(); ++i) {
        const int32_t a = dist.aMin + i, b = dist.bMax - i, c = dist.cMax - i, d = dist.dMin + i;
        out.Print("%d,%d,%d,%d,%d,%.21Le,%.21Le,%.21Le,%.21Le\n", a, b, c, d, a * d - b * c,
                  dist.point.Get(i), dist.twoSided.Get(i), dist.leftCumulative.Get(i),
                  dist.Right(i));
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Failed reads and writes give their reasons in the user's language, in
    // UTF-8 as the rest of the line; numbers stay in the C locale.
#ifdef _WIN32
    UseUtf8Console();
#else
    std::setlocale(LC_MESSAGES, "");
    bind_textdomain_codeset("libc", "UTF-8");
#endif
    TCheckedOutput out;
    if (const std::optional<TOutput> information = InformationWanted(argc, argv)) {
        if (*information == TOutput::Help)
            out.Print("%s", Usage);
        else
            out.Print("velmar-report %s\n", VELMAR_VERSION);
        return out.Finish() ? 0 : out.StandardOutputFailure();
    }
    // Planning a study: the mode word anywhere, the rest of the line its own.
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--power" || arg == "--sample-size") {
            std::vector<std::string> rest(argv + 1, argv + argc);
            rest.erase(rest.begin() + (i - 1));
            return arg == "--power" ? RunPowerCommand(rest, stdout, stderr)
                                    : RunSampleSizeCommand(rest, stdout, stderr);
        }
    }
    QString reason;
    const std::optional<TArguments> args = ParseArguments(argc, argv, reason);
    if (!args) {
        if (!reason.isEmpty())
            std::fprintf(stderr, "velmar-report: %s\n", qUtf8Printable(reason));
        else
            std::fputs(Usage, stderr);
        return 1;
    }
#ifdef _WIN32
    if (args->output == TOutput::Batch)
        BinaryStandardInput();
    if (args->output == TOutput::Cp1251)
        BinaryStandardOutput();
#endif
    switch (args->output) {
    case TOutput::Batch:
        return RunBatch(stdin, stdout, stderr,
                        {args->confLevel, args->confLevelText, args->unconditional});
    default: break;
    }

    TTextFields fields;
    if (const QString refused = TypeStrictly(*args, fields); !refused.isEmpty()) {
        std::fprintf(stderr, "velmar-report: %s\n", qUtf8Printable(refused));
        return 2;
    }

    // Refusals go to standard error as they come.
    TStreamMessageBox messages(stderr);
    TSilentCursor cursor;
    TLineSink sink;
    TFisherDistribution dist;
    TInputTable table;
    TReportViews views(sink, dist, table, args->confLevel);
    BtnCompClick(fields, fields.table, messages, [&](const TInputTable &completed) {
        table = completed;
        RunComputation(dist, table.s, table.m, table.k, cursor, messages, views);
    });
    if (messages.Count() != 0 || !views.built)
        return 2;
    if (args->unconditional && table.CellsGiven()) {
        const std::vector<std::string> block =
            UnconditionalBlockLines(table.a, table.b, table.c, table.d);
        sink.lines.insert(sink.lines.end(), block.begin(), block.end());
    }

    switch (args->output) {
    case TOutput::Utf8: WriteUtf8(out, sink.lines); break;
    case TOutput::Cp1251: WriteCp1251(out, sink.lines); break;
    case TOutput::Csv: WriteCsv(out, dist); break;
    default: break;
    }
    if (!out.Finish())
        return out.StandardOutputFailure();
    if (args->chart) {
        QString error;
        if (!WriteRequestedChart(*args->chart, dist, table.a, sink.bounds, &error)) {
            std::fprintf(stderr, "%s: %s\n", qUtf8Printable(args->chart->file),
                         qUtf8Printable(error));
            return 1;
        }
    }
    return 0;
}
