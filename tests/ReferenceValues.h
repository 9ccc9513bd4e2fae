#pragma once

// Checks of computed values against a reference script's printed ones
// (tools/reference_stats.py, tools/reference_intervals.py): "inf", "undef" or
// a number with 20 digits.

#include "core/TableStatistics.h"

#include <QtTest>

#include <cmath>
#include <cstdlib>

inline long double ParseReference(const QString &text)
{
    return std::strtold(text.toLatin1().constData(), nullptr);
}

// kind is 0 Finite, 1 Infinite, 2 Undefined, as in the core's value types.
inline void CheckValue(int kind, double value, const QString &want, long double tolerance,
                       bool absolute, const char *name)
{
    const QByteArray what = QByteArray(name) + " expected " + want.toLatin1() + " got " +
                            QByteArray::number(value, 'g', 17);
    if (want == "undef") {
        QVERIFY2(kind == 2 && std::isnan(value), what);
    } else if (want == "inf") {
        QVERIFY2(kind == 1 && value == HUGE_VAL, what);
    } else {
        QVERIFY2(kind == 0, what);
        const long double w = ParseReference(want);
        const long double error =
            absolute || w == 0.0L ? std::fabs(value - w) : std::fabs(value - w) / std::fabs(w);
        QVERIFY2(error <= tolerance, what);
    }
}

// Odds ratios within 1e-9 relative.
inline void CheckRatio(const TOddsRatio &got, const QString &want, const char *name)
{
    CheckValue(int(got.kind), got.value, want, 1e-9L, false, name);
}

// Probabilities within 1e-12 relative; below 1e-300 only the size is promised.
inline void CheckProbability(long double got, const QString &want, const char *name)
{
    const long double w = ParseReference(want);
    const bool good = w > 1e-300L ? std::fabs(got - w) / w <= 1e-12L : got <= 1e-300L;
    QVERIFY2(good, (QByteArray(name) + " expected " + want.toLatin1() + " got " +
                    QByteArray::number(double(got), 'g', 17))
                       .constData());
}
