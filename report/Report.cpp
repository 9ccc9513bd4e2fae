#include "report/Report.h"

#include "core/ExactIntervals.h"
#include "core/PrintfFormat.h"
#include "core/RiskMeasures.h"
#include "core/TableStatistics.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace {

// The order in which the report lists them.
constexpr TLevel ReportLevels[3] = {Level5, Level1, Level01};
const char *const LevelPrefix[3] = {
    "   0.1%-ный уровень значимости: ",
    "   1%-ный уровень значимости: ",
    "   5%-ный уровень значимости: ",
};

std::string Format(const char *format, ...) __attribute__((format(VELMAR_PRINTF_FORMAT, 1, 2)));

std::string Format(const char *format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return std::string(buffer, length < 0 ? 0 : std::min<size_t>(length, sizeof buffer - 1));
}

// An odds ratio with four significant digits, in plain decimals between
// 0.0001 and 1000000 and with an exponent outside them. The range is judged
// after rounding, so 999999.7 and 1000000 read alike. `infinity` is the word
// for an infinite value in the place it stands ("= бесконечность", "до
// бесконечности").
std::string FormatOddsRatio(const TOddsRatio &ratio, const char *infinity = "бесконечность")
{
    if (ratio.kind == TOddsRatio::Infinite)
        return infinity;
    if (ratio.kind == TOddsRatio::Undefined)
        return "не определено";
    const double v = ratio.value;
    if (v == 0.0)
        return "0";
    // Rounded to four digits first: 9999.7 becomes 10000, not 9999.7 with one digit more.
    const double rounded = std::stod(Format("%.3e", v));
    if (rounded < 1e-4 || rounded >= 1e6)
        return Format("%.3e", v);
    const int exponent = int(std::floor(std::log10(rounded)));
    return Format("%.*f", std::max(0, 3 - exponent), rounded);
}

// "  95%" for 0.95, "  97.5%" for 0.975, "  99.99999%" for 0.9999999: the
// fewest decimals that give the level back, so no level reads as 100 %.
std::string FormatPercent(long double level)
{
    std::string fraction;
    for (int decimals = 1; decimals <= 40; ++decimals) {
        fraction = Format("%.*Lf", decimals, level);
        if (std::strtold(fraction.c_str(), nullptr) == level)
            break;
    }
    // "0.dddd" with the point moved two places to the right.
    std::string digits = fraction.substr(fraction.find('.') + 1);
    digits.resize(std::max<size_t>(digits.size(), 2), '0');
    std::string percent = digits.substr(0, 2);
    if (digits.size() > 2)
        percent += "." + digits.substr(2);
    if (percent.front() == '0')
        percent.erase(0, 1);
    return "  " + percent + "%";
}

// A probability of the block: nine decimals, as the designed report has them,
// and four significant digits with an exponent below 1e-9, where nine
// decimals would show only zeros.
std::string FormatBlockProbability(long double p)
{
    return p > 0.0L && p < 1e-9L ? Format("%.3Le", p) : Format("%.9Lf", p);
}

// Numbers in the report always take a decimal point, whatever locale the
// process runs in: a window toolkit sets it from the user's environment, where
// a Russian one writes "0,5".
#ifdef _WIN32
// Windows' C runtime has no per-thread locale objects: the process's numeric
// locale is "C" while the report is built (the program has one thread).
class TCNumbers {
public:
    TCNumbers()
    {
        const char *current = setlocale(LC_NUMERIC, nullptr);
        if (current && std::string(current) != "C") {
            m_previous = current;
            setlocale(LC_NUMERIC, "C");
        }
    }
    ~TCNumbers()
    {
        if (!m_previous.empty())
            setlocale(LC_NUMERIC, m_previous.c_str());
    }
    TCNumbers(const TCNumbers &) = delete;
    TCNumbers &operator=(const TCNumbers &) = delete;

private:
    std::string m_previous;
};
#else
class TCNumbers {
public:
    TCNumbers() : m_c(newlocale(LC_NUMERIC_MASK, "C", locale_t(0)))
    {
        if (m_c)
            m_previous = uselocale(m_c);
    }
    ~TCNumbers()
    {
        if (m_c) {
            uselocale(m_previous);
            freelocale(m_c);
        }
    }
    TCNumbers(const TCNumbers &) = delete;
    TCNumbers &operator=(const TCNumbers &) = delete;

private:
    locale_t m_c;
    locale_t m_previous = locale_t(0);
};
#endif

// Appends lines until one is refused; after that every call fails.
class TLineWriter {
public:
    explicit TLineWriter(clReportSink &sink) : m_sink(sink) {}
    bool Line(const std::string &line)
    {
        if (m_ok)
            m_ok = m_sink.AppendLine(line);
        return m_ok;
    }
    // A table row that does not fit is replaced by "Ошибка" and the table goes on.
    bool Row(const std::string &line)
    {
        if (m_ok && !m_sink.AppendLine(line))
            m_ok = m_sink.AppendLine("Ошибка");
        return m_ok;
    }
    bool Ok() const { return m_ok; }

private:
    clReportSink &m_sink;
    bool m_ok = true;
};

const char *Verdict(long double p)
{
    if (p <= LevelAlpha[Level5]) {
        if (p <= LevelAlpha[Level1]) {
            if (p <= LevelAlpha[Level01])
                return "   Это ОПРОВЕРГАЕТ (при 0.1%-ном уровне значимости) Нуль-гипотезу о "
                       "пропорциональности частот (независимости признаков и пр.))";
            return "   Это ОПРОВЕРГАЕТ (при 1%-ном уровне значимости) Нуль-гипотезу о "
                   "пропорциональности частот (независимости признаков и пр.))";
        }
        return "   Это ОПРОВЕРГАЕТ (при 5%-ном уровне значимости) Нуль-гипотезу о "
               "пропорциональности частот (независимости признаков и пр.))";
    }
    return "   Это подтверждает (при 5%-ном уровне значимости) Нуль-гипотезу о "
           "пропорциональности частот (независимости признаков и пр.))";
}

// sign is "<=" for the left-sided and ">=" for the right-sided criterion.
std::string OneBound(const char *sign, int32_t bound)
{
    return bound < 0 ? std::string(" Критерий не применим.") : Format(" a %s %d.", sign, bound);
}

std::string TwoBounds(int32_t lower, int32_t upper)
{
    if (lower >= 0 && upper >= 0)
        return Format(" a <= %d  и  a >= %d.", lower, upper);
    if (lower >= 0)
        return Format(" a <= %d.", lower);
    if (upper >= 0)
        return Format(" a >= %d.", upper);
    return " Критерий не применим.";
}

// "от 1.009 до 1060", or the reason there is no interval.
std::string RuleInterval(const TOddsRatio &low, const TOddsRatio &high, const char *undefined)
{
    if (low.kind == TOddsRatio::Undefined || high.kind == TOddsRatio::Undefined)
        return undefined;
    return "от " + FormatOddsRatio(low) + " до " + FormatOddsRatio(high, "бесконечности");
}

// Each two-sided rule with the interval it matches: the interval leaves 1 out
// exactly when the rule's p is at or below 1 - confLevel.
void RuleLines(TLineWriter &out, const TFisherDistribution &dist, const TInputTable &table,
               const TTableStatistics &st, long double confLevel)
{
    const TRuleIntervals r =
        ComputeRuleIntervals(dist, table.a, table.b, table.c, table.d, st, confLevel);
    const std::string level = ", " + FormatPercent(confLevel).substr(2) + "-ный интервал: ";
    out.Line("  Центральное правило (удвоенная меньшая односторонняя вероятность): p = " +
             FormatBlockProbability(r.centralP) + level +
             RuleInterval(r.centralLow, r.centralHigh, "не определен"));
    out.Line("  Правило «не более вероятных» (R, SciPy, SPSS): p = " +
             FormatBlockProbability(r.minlikeP) + level +
             RuleInterval(r.minlikeLow, r.minlikeHigh, "не определен"));
    // Its search of the ends holds for levels above one half only.
    out.Line("  Правило Блейкера: p = " + FormatBlockProbability(r.blakerP) + level +
             RuleInterval(r.blakerLow, r.blakerHigh, "не вычисляется при уровне 50% и ниже"));
}

TOddsRatio AsRatio(const TRiskValue &v)
{
    return {TOddsRatio::TKind(v.kind), v.value};
}

// A difference with the ratios' four significant digits and its sign.
std::string FormatDifference(const TRiskValue &v)
{
    if (v.kind != TRiskValue::Finite || v.value >= 0.0)
        return FormatOddsRatio(AsRatio(v));
    return "-" + FormatOddsRatio({TOddsRatio::Finite, -v.value});
}

// The risk difference, the risk ratio and the number needed to treat, the rows
// being the groups. An undefined value has no interval to show.
void RiskLines(TLineWriter &out, const TInputTable &table, long double confLevel)
{
    const TRiskMeasures r = ComputeRiskMeasures(table.a, table.b, table.c, table.d, confLevel);
    const std::string level = ", " + FormatPercent(confLevel).substr(2) + "-ный интервал";
    const std::string score = level + " (Миеттинен - Нурминен): ";
    auto defined = [](const TRiskValue &low, const TRiskValue &high) {
        return low.kind != TRiskValue::Undefined && high.kind != TRiskValue::Undefined;
    };

    std::string line = "  Разность долей p1 - p2 = a/m - c/n = " + FormatDifference(r.rd);
    if (r.rd.kind != TRiskValue::Undefined && defined(r.rdLow, r.rdHigh))
        line += score + "от " + FormatDifference(r.rdLow) + " до " + FormatDifference(r.rdHigh);
    out.Line(line);

    line = "  Отношение долей p1/p2 = " + FormatOddsRatio(AsRatio(r.rr));
    if (r.rr.kind != TRiskValue::Undefined && defined(r.rrLow, r.rrHigh))
        line += score + "от " + FormatOddsRatio(AsRatio(r.rrLow)) + " до " +
                FormatOddsRatio(AsRatio(r.rrHigh), "бесконечности");
    out.Line(line);

    // The first row is the treated group and a counts the bad outcome: p1 < p2 is
    // the benefit.
    line = "  Число больных, которых нужно лечить (NNT) = " + FormatOddsRatio(AsRatio(r.nnt.value));
    if (r.nnt.value.kind == TRiskValue::Finite)
        line += r.rd.value < 0.0 ? " (польза)" : " (вред)";
    if (r.nnt.kind == TNumberNeeded::Bounded)
        line += level + ": от " + FormatOddsRatio(AsRatio(r.nnt.low), "бесконечности") + " до " +
                FormatOddsRatio(AsRatio(r.nnt.high), "бесконечности");
    else if (r.nnt.kind == TNumberNeeded::ThroughInfinity)
        line += level + ": от NNT(польза) " + FormatOddsRatio(AsRatio(r.nnt.low)) +
                " до бесконечности и далее до NNT(вред) " + FormatOddsRatio(AsRatio(r.nnt.high));
    out.Line(line);
}

// The block after the designed report: the effect size and the two-sided p
// of the rules other packages use, for the observed table.
void OddsRatioBlock(TLineWriter &out, const TFisherDistribution &dist, const TInputTable &table,
                    long double confLevel)
{
    const TTableStatistics st =
        ComputeTableStatistics(dist, table.a, table.b, table.c, table.d, confLevel);
    out.Line("");
    out.Line("          Отношение шансов и другие правила");
    out.Line("  Отношение шансов (a*d)/(b*c) = " + FormatOddsRatio(st.sample));
    out.Line("  Отношение шансов, условная оценка максимального правдоподобия = " +
             FormatOddsRatio(st.estimate));
    out.Line(FormatPercent(confLevel) + "-ный точный доверительный интервал отношения шансов: от " +
             FormatOddsRatio(st.lower) + " до " + FormatOddsRatio(st.upper, "бесконечности"));
    out.Line("  2-х сторонняя вероятность (сумма вероятностей таблиц, не более вероятных, "
             "чем данная) есть: " +
             FormatBlockProbability(st.minLikelihood));
    out.Line("  Mid-p: левая " + FormatBlockProbability(st.midPLeft) + ", правая " +
             FormatBlockProbability(st.midPRight) + ", 2-х сторонняя " +
             FormatBlockProbability(st.midPTwoSided));
    RuleLines(out, dist, table, st, confLevel);
    RiskLines(out, table, confLevel);
}

} // namespace

std::string FormatDistributionRow(const TFisherDistribution &dist, int32_t i)
{
    const int32_t a = dist.aMin + i, b = dist.bMax - i, c = dist.cMax - i, d = dist.dMin + i;
    return Format(" %5d %5d %5d %5d   %7d     %.9Lf       %.9Lf       %.9Lf        %.9Lf", a, b, c,
                  d, a * d - b * c, dist.point.Get(i), dist.twoSided.Get(i),
                  dist.leftCumulative.Get(i), dist.Right(i));
}

int32_t BuildReport(clReportSink &sink, const TFisherDistribution &dist, const TInputTable &table,
                    const TCriticalBounds &bounds, long double confLevel)
{
    const TCNumbers numbers;
    sink.Clear();
    TLineWriter out(sink);
    const int32_t n = dist.Count();

    out.Line(Format("Сумма частот в первой строке m = %d", table.m));
    out.Line(Format("Сумма частот в первом столбце k = %d", table.k));
    out.Line(Format("Всего n = %d", table.s));
    out.Line("Диапазоны изменения параметров a,b,c,d");
    out.Line(Format(" a:         от %5d до %5d", dist.aMin, dist.aMax));
    out.Line(Format(" b:         от %5d до %5d", dist.bMax, dist.bMin));
    out.Line(Format(" c:         от %5d до %5d", dist.cMax, dist.cMin));
    out.Line(Format(" d:         от %5d до %5d", dist.dMin, dist.dMax));
    out.Line(Format("Максимальная вероятность = %.9Lf при a = %d",
                    dist.point.Get(dist.mode - dist.aMin), dist.mode));
    out.Line("   Нулевая гипотеза: \"Строки (a,b) и (c,d) пропорциональны.\"");

    const bool given = table.CellsGiven();
    if (given) {
        const int32_t a = table.a, b = table.b, c = table.c, d = table.d;
        const int32_t i0 = a - dist.aMin;
        const int32_t D = a * d - b * c;
        out.Line("");
        out.Line("          Заданные параметры");
        out.Line("-------------------------------------");
        out.Line(Format("|  a =%4d  |  b =%4d  |  m =%4d  |", a, b, a + b));
        out.Line("|-----------|-----------|-----------|");
        out.Line(Format("|  c =%4d  |  d =%4d  |  n =%4d  |", c, d, c + d));
        out.Line("|-----------|-----------|-----------|");
        out.Line(Format("|  k =%4d  |  t =%4d  |  s =%4d  |", a + c, b + d, a + b + c + d));
        out.Line("-------------------------------------");
        out.Line(Format("  Вероятность того, что a=%d есть: %.9Lf", a, dist.point.Get(i0)));
        out.Line(Format("  Мера пропорциональности D = (a*d - b*c) есть: %d", D));
        out.Line(Format("  2-х сторонняя вероятность (того, что |D| >= %d) есть: %.9Lf",
                        std::abs(D), dist.twoSided.Get(i0)));
        out.Line(Verdict(dist.twoSided.Get(i0)));
        out.Line(Format("  Левая 1-сторонняя вероятность (того, что a <= %d) есть: %.9Lf", a,
                        dist.leftCumulative.Get(i0)));
        out.Line(Format("  Правая 1-сторонняя вероятность (того, что a >= %d) есть: %.9Lf", a,
                        dist.Right(i0)));
    }

    out.Line("");
    out.Line("                                          Вероятности значений частоты a");
    out.Line("     a     b     c     d      D      Вероятность (=)   Вероятность 2-х  "
             "Вероятность левая  Вероятность правая");
    out.Line("                                                         сторонняя      "
             "одностороняя (<=)  одностороняя  (>=)");
    for (int32_t i = 0; i < n && out.Ok(); ++i) {
        std::string row = FormatDistributionRow(dist, i);
        if (given && dist.aMin + i == table.a)
            row += "  - Заданные параметры";
        if (dist.aMin + i == dist.mode)
            row += "  - Максимум вероятности";
        out.Row(row);
    }
    out.Line(Format("  Сумма вероятностей:                  %.9Lf", dist.point.Sum()));

    out.Line("");
    out.Line("            Критические области значений частоты \"а\"");
    out.Line("  (где отвергается Нулевая гипотеза и принимается конкурирующая)");
    out.Line("             для стандартных уровней значимости:");
    out.Line(" Двухсторонний критерий");
    out.Line("   Конкурирующая гипотеза: \"Строки (a,b) и (c,d) не пропорциональны.\"");
    for (TLevel level : ReportLevels)
        out.Line(LevelPrefix[level] + TwoBounds(bounds.twoLower[level], bounds.twoUpper[level]));
    out.Line(" Левосторонний критерий");
    out.Line("   Конкурирующая гипотеза: \"Отношение a/c значимо меньше, чем b/d.\"");
    for (TLevel level : ReportLevels)
        out.Line(LevelPrefix[level] + OneBound("<=", bounds.leftBound[level]));
    out.Line(" Правосторонний критерий");
    out.Line("   Конкурирующая гипотеза: \"Отношение a/c значимо больше, чем b/d.\"");
    for (TLevel level : ReportLevels)
        out.Line(LevelPrefix[level] + OneBound(">=", bounds.rightBound[level]));

    // Margins without a name no observed table: the block has nothing to say.
    if (given)
        OddsRatioBlock(out, dist, table, confLevel);

    if (!out.Ok())
        return 1;
    sink.SetCriticalBounds(bounds);
    sink.SetCaret(0);
    sink.Show();
    sink.FocusText();
    return 0;
}
