#include "report/Report.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

// The order in which the report lists them.
constexpr TLevel ReportLevels[3] = {Level5, Level1, Level01};
const char *const LevelPrefix[3] = {
    "   0.1%-ный уровень значимости: ",
    "   1%-ный уровень значимости: ",
    "   5%-ный уровень значимости: ",
};

std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char *format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return std::string(buffer, length < 0 ? 0 : std::min<size_t>(length, sizeof buffer - 1));
}

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

} // namespace

std::string FormatDistributionRow(const TFisherDistribution &dist, int32_t i)
{
    const int32_t a = dist.aMin + i, b = dist.bMax - i, c = dist.cMax - i, d = dist.dMin + i;
    return Format(" %5d %5d %5d %5d   %7d     %.9Lf       %.9Lf       %.9Lf        %.9Lf", a, b, c,
                  d, a * d - b * c, dist.point.Get(i), dist.twoSided.Get(i),
                  dist.leftCumulative.Get(i), dist.Right(i));
}

int32_t BuildReport(clReportSink &sink, const TFisherDistribution &dist, const TInputTable &table)
{
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

    const TCriticalBounds bounds = ComputeCriticalBounds(dist);
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

    if (!out.Ok())
        return 1;
    sink.SetCriticalBounds(bounds);
    sink.SetCaret(0);
    sink.Show();
    sink.FocusText();
    return 0;
}
