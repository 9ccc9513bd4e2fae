#include "cli/PowerCommand.h"

#include "core/Power.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

const char PowerHeader[] = "p1,p2,n1,n2,alpha,criterion,rule,power,size,n_approx";
const char SampleSizeHeader[] =
    "p1,p2,target_power,ratio,alpha,criterion,rule,n1,n2,power,n1_stable,n_approx";

namespace {

struct TOptions {
    TPowerTest test;
    std::optional<long double> ratio;
    bool csv = false;
    std::vector<std::string> values;
};

const char *CriterionWord(TPowerCriterion c)
{
    switch (c) {
    case TPowerCriterion::Left: return "left";
    case TPowerCriterion::Right: return "right";
    case TPowerCriterion::TwoSided: break;
    }
    return "two";
}

const char *RuleWord(TPowerRule r)
{
    switch (r) {
    case TPowerRule::MinLikelihood: return "minlike";
    case TPowerRule::Central: return "central";
    case TPowerRule::Velmar: break;
    }
    return "velmar";
}

std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *format, ...)
{
    char buffer[512];
    std::va_list values;
    va_start(values, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, values);
    va_end(values);
    return n < 0 ? std::string() : std::string(buffer, size_t(std::min<int>(n, sizeof buffer - 1)));
}

// A real number as a script writes it: digits, a point and an exponent only,
// so that "nan", "inf", hexadecimal and blanks are refused.
std::optional<long double> ParseReal(const std::string &text)
{
    if (text.empty() || text.find_first_not_of("0123456789.eE+-") != std::string::npos)
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const long double value = std::strtold(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "0,2" is the usual slip of a Russian keyboard.
std::string CommaHint(const std::string &text)
{
    std::string dotted = text;
    for (char &ch : dotted)
        if (ch == ',')
            ch = '.';
    if (dotted != text && ParseReal(dotted))
        return ": пишите десятичную точку: " + dotted;
    return std::string();
}

// Reads the options and collects the values; false, with the reason, on a refusal.
bool ParseOptions(const std::vector<std::string> &args, bool sampleSize, TOptions &o,
                  std::string &reason)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        const bool valued =
            arg == "--alpha" || arg == "--criterion" || arg == "--rule" || arg == "--ratio";
        if (valued && i + 1 >= args.size()) {
            reason = "после " + arg + " нужно значение";
            return false;
        }
        if (arg == "--csv") {
            o.csv = true;
        } else if (arg == "--alpha") {
            const std::string &text = args[++i];
            const std::optional<long double> a = ParseReal(text);
            if (!a || !(*a > 0.0L && *a < 1.0L)) {
                const std::string hint = CommaHint(text);
                reason =
                    "--alpha " + text +
                    (hint.empty() ? ": уровень значимости должен быть числом между 0 и 1" : hint);
                return false;
            }
            o.test.alpha = *a;
        } else if (arg == "--criterion") {
            const std::string &text = args[++i];
            if (text == "two")
                o.test.criterion = TPowerCriterion::TwoSided;
            else if (text == "left")
                o.test.criterion = TPowerCriterion::Left;
            else if (text == "right")
                o.test.criterion = TPowerCriterion::Right;
            else {
                reason = "--criterion \"" + text + "\": нужно two, left или right";
                return false;
            }
        } else if (arg == "--rule") {
            const std::string &text = args[++i];
            if (text == "velmar")
                o.test.rule = TPowerRule::Velmar;
            else if (text == "minlike")
                o.test.rule = TPowerRule::MinLikelihood;
            else if (text == "central")
                o.test.rule = TPowerRule::Central;
            else {
                reason = "--rule \"" + text + "\": нужно velmar, minlike или central";
                return false;
            }
        } else if (arg == "--ratio") {
            const std::string &text = args[++i];
            if (!sampleSize) {
                reason = "--ratio задается только с --sample-size: для --power даны оба размера";
                return false;
            }
            const std::optional<long double> r = ParseReal(text);
            if (!r || !(*r > 0.0L)) {
                const std::string hint = CommaHint(text);
                reason =
                    "--ratio " + text +
                    (hint.empty() ? ": отношение N2/N1 должно быть положительным числом" : hint);
                return false;
            }
            o.ratio = *r;
        } else if (arg.size() >= 2 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9') &&
                   arg[1] != '.') {
            reason = "неизвестный параметр \"" + arg + "\"\nСправка: velmar-report --help";
            return false;
        } else {
            o.values.push_back(arg);
        }
    }
    return true;
}

bool ParseProportion(const std::string &name, const std::string &text, long double &value,
                     std::string &reason)
{
    const std::optional<long double> p = ParseReal(text);
    if (p && *p >= 0.0L && *p <= 1.0L) {
        value = *p;
        return true;
    }
    const std::string hint = CommaHint(text);
    reason = name + " = \"" + text + "\"" +
             (hint.empty() ? " — доля должна быть числом от 0 до 1" : hint);
    return false;
}

bool ParseGroup(const std::string &name, const std::string &text, int32_t &value,
                std::string &reason)
{
    int64_t read = 0;
    bool plain = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    for (size_t i = 0; plain && i < text.size(); ++i) {
        read = read * 10 + (text[i] - '0');
        if (read > MaxPowerGroup)
            plain = false;
    }
    if (plain && read >= 1) {
        value = int32_t(read);
        return true;
    }
    reason =
        name + " = \"" + text + "\" — нужно целое число от 1 до " + std::to_string(MaxPowerGroup);
    return false;
}

// 17 significant digits, trailing zeros dropped, as the batch writes them.
std::string Number(long double value)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    return std::string(buffer, result.ptr);
}

// An undefined value is an empty CSV field.
std::string OptionalNumber(long double value)
{
    return std::isnan(value) ? std::string() : Number(value);
}

// A number a person reads: the input as given, at most 10 significant digits.
std::string Shown(long double value)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
    return std::string(buffer, result.ptr);
}

std::string TestLine(const TPowerTest &test)
{
    std::string line = "  Критерий: ";
    switch (test.criterion) {
    case TPowerCriterion::Left: line += "левосторонний (P1 < P2)"; break;
    case TPowerCriterion::Right: line += "правосторонний (P1 > P2)"; break;
    case TPowerCriterion::TwoSided:
        line += "двусторонний, ";
        switch (test.rule) {
        case TPowerRule::Velmar: line += "правило Велмара (|ad - bc| не меньше)"; break;
        case TPowerRule::MinLikelihood:
            line += "правило «не более вероятных» (R, SciPy, SPSS)";
            break;
        case TPowerRule::Central:
            line += "центральное правило (удвоенная меньшая односторонняя вероятность)";
            break;
        }
        break;
    }
    return line + "; уровень значимости " + Shown(test.alpha) + "\n";
}

std::string ApproxText(long double n)
{
    return Format("N1 = %.1Lf, с округлением вверх %.0Lf", n, std::ceil(n));
}

// Writes text to out and flushes it; the exit status.
int Emit(const std::string &text, std::FILE *out, std::FILE *err)
{
    errno = 0;
    bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    int error = errno;
    if (written) {
        errno = 0;
        written = std::fflush(out) == 0;
        error = errno;
    }
    if (written)
        return 0;
    std::fprintf(err, "velmar-report: не могу записать стандартный вывод: %s\n",
                 error != 0 ? std::strerror(error) : "ошибка записи");
    return 1;
}

int Refuse(std::FILE *err, const std::string &reason)
{
    std::fprintf(err, "velmar-report: %s\n", reason.c_str());
    return 2;
}

} // namespace

int RunPowerCommand(const std::vector<std::string> &args, std::FILE *out, std::FILE *err)
{
    TOptions o;
    std::string reason;
    if (!ParseOptions(args, false, o, reason))
        return Refuse(err, reason);
    if (o.values.size() != 4)
        return Refuse(err, "--power: нужны четыре значения P1 P2 N1 N2 (доли и размеры групп)");
    long double p1 = 0.0L, p2 = 0.0L;
    int32_t n1 = 0, n2 = 0;
    if (!ParseProportion("P1", o.values[0], p1, reason) ||
        !ParseProportion("P2", o.values[1], p2, reason) ||
        !ParseGroup("N1", o.values[2], n1, reason) || !ParseGroup("N2", o.values[3], n2, reason))
        return Refuse(err, reason);

    const long double power = ExactPower(p1, p2, n1, n2, o.test);
    const long double size = ExactSizeAtPooled(p1, p2, n1, n2, o.test);
    const long double ratio = (long double)n2 / (long double)n1;
    const long double approx = NormalApproxSampleSize(p1, p2, power, ratio, o.test);
    std::string text;
    if (o.csv) {
        text = std::string(PowerHeader) + "\n" + Number(p1) + "," + Number(p2) + "," +
               std::to_string(n1) + "," + std::to_string(n2) + "," + Number(o.test.alpha) + "," +
               CriterionWord(o.test.criterion) + "," + RuleWord(o.test.rule) + "," + Number(power) +
               "," + Number(size) + "," + OptionalNumber(approx) + "\n";
        return Emit(text, out, err);
    }
    text = "Мощность точного критерия Фишера (строки таблицы - две независимые выборки)\n";
    text += "  Группа 1: доля P1 = " + Shown(p1) + ", размер N1 = " + std::to_string(n1) +
            "; группа 2: доля P2 = " + Shown(p2) + ", размер N2 = " + std::to_string(n2) + "\n";
    text += TestLine(o.test);
    text += Format("  Точная мощность (вероятность отвергнуть нулевую гипотезу): %.6Lf\n", power);
    text += "  Точный размер (при общей доле " + Shown(PooledProportion(p1, p2, n1, n2)) +
            " = (N1 P1 + N2 P2)/(N1 + N2) в обеих группах): " + Format("%.6Lf", size) + "\n";
    if (std::isnan(approx))
        text += "  Нормальное приближение: объем для этой мощности не определен\n";
    else
        text += "  Нормальное приближение дает эту мощность при " + ApproxText(approx) +
                " (N2/N1 = " + Shown(ratio) + ")\n";
    return Emit(text, out, err);
}

int RunSampleSizeCommand(const std::vector<std::string> &args, std::FILE *out, std::FILE *err)
{
    TOptions o;
    std::string reason;
    if (!ParseOptions(args, true, o, reason))
        return Refuse(err, reason);
    if (o.values.size() != 3)
        return Refuse(err, "--sample-size: нужны три значения P1 P2 POWER (доли и мощность)");
    long double p1 = 0.0L, p2 = 0.0L;
    if (!ParseProportion("P1", o.values[0], p1, reason) ||
        !ParseProportion("P2", o.values[1], p2, reason))
        return Refuse(err, reason);
    const std::optional<long double> target = ParseReal(o.values[2]);
    if (!target || !(*target > 0.0L && *target < 1.0L)) {
        const std::string hint = CommaHint(o.values[2]);
        return Refuse(err,
                      "POWER = \"" + o.values[2] + "\"" +
                          (hint.empty() ? " — мощность должна быть числом между 0 и 1" : hint));
    }
    if (p1 == p2)
        return Refuse(err, "P1 = P2: при равных долях мощность не растет с объемом выборки");
    if (o.test.criterion == TPowerCriterion::Left && !(p1 < p2))
        return Refuse(err, "--criterion left обнаруживает P1 < P2, а здесь P1 > P2");
    if (o.test.criterion == TPowerCriterion::Right && !(p1 > p2))
        return Refuse(err, "--criterion right обнаруживает P1 > P2, а здесь P1 < P2");
    const long double ratio = o.ratio.value_or(1.0L);

    const TSampleSize r = ExactSampleSize(p1, p2, *target, ratio, o.test);
    if (r.lastN1 == 0)
        return Refuse(err, "--ratio " + Shown(ratio) + ": ни при одном N1 от 1 до " +
                               std::to_string(MaxPowerGroup) + " группа N2 = round(R N1) не " +
                               "попадает в пределы от 1 до " + std::to_string(MaxPowerGroup));
    if (!r.found)
        return Refuse(err, "мощность " + Shown(*target) + " не достигается: при наибольших " +
                               "группах N1 = " + std::to_string(r.lastN1) +
                               ", N2 = " + std::to_string(GroupForRatio(ratio, r.lastN1)) +
                               " точная мощность " + Format("%.6Lf", r.lastPower));
    std::string text;
    if (o.csv) {
        text = std::string(SampleSizeHeader) + "\n" + Number(p1) + "," + Number(p2) + "," +
               Number(*target) + "," + Number(ratio) + "," + Number(o.test.alpha) + "," +
               CriterionWord(o.test.criterion) + "," + RuleWord(o.test.rule) + "," +
               std::to_string(r.n1) + "," + std::to_string(r.n2) + "," + Number(r.power) + "," +
               std::to_string(r.n1Stable) + "," + OptionalNumber(r.approx) + "\n";
        return Emit(text, out, err);
    }
    text = "Объем выборки для точного критерия Фишера (строки таблицы - две независимые "
           "выборки)\n";
    text += "  Доли: P1 = " + Shown(p1) + ", P2 = " + Shown(p2) + "; нужная мощность " +
            Shown(*target) + "; N2 = round(R N1), R = " + Shown(ratio) + "\n";
    text += TestLine(o.test);
    text += "  Наименьший объем, при котором мощность достигнута: N1 = " + std::to_string(r.n1) +
            ", N2 = " + std::to_string(r.n2) + Format(" (мощность %.6Lf)\n", r.power);
    text += "  Устойчивый объем (мощность не ниже " + Shown(*target) + " при нем и при всех " +
            "больших N1 до " +
            (r.stableShort ? "наибольшего допустимого " + std::to_string(r.lastN1)
                           : std::to_string(r.n1Stable + 50)) +
            "): N1 = " + std::to_string(r.n1Stable) + ", N2 = " + std::to_string(r.n2Stable) + "\n";
    if (std::isnan(r.approx))
        text += "  Нормальное приближение: не определено\n";
    else
        text += "  Нормальное приближение: " + ApproxText(r.approx) + "\n";
    return Emit(text, out, err);
}
