#include "cli/ExtendedFormat.h"

#include <QtTest>

#include <charconv>
#include <cmath>
#include <random>

// The batch's fast extended numbers must be byte for byte those of
// std::to_chars(value, general, 17), the batch's format before it.
class TestExtendedFormat : public QObject {
    Q_OBJECT
private slots:
    void sameAsToChars_data();
    void sameAsToChars();
};

void TestExtendedFormat::sameAsToChars_data()
{
    // Values near the fast path's edges: each decimal power and its
    // neighbours, the switch between fixed and exponent notation, ties of
    // short decimals, and random mantissas over every binary exponent.
    QTest::addColumn<QString>("kind");
    QTest::newRow("powers of ten") << "powers";
    QTest::newRow("short decimals and doubles") << "decimals";
    QTest::newRow("random, 1e-300 to 1e300") << "random";
    QTest::newRow("random, far tails and edges") << "edges";
}

void TestExtendedFormat::sameAsToChars()
{
    QFETCH(QString, kind);
    std::vector<long double> values;
    std::mt19937_64 random(17);
    if (kind == "powers") {
        for (int k = -330; k <= 330; ++k) {
            const long double p = std::pow(10.0L, (long double)k);
            values.insert(values.end(), {p, std::nextafter(p, 0.0L), std::nextafter(p, 2.0L * p)});
        }
    } else if (kind == "decimals") {
        for (int i = 0; i < 20000; ++i)
            values.insert(values.end(),
                          {(long double)i / 1000.0L, (long double)(double(i) * 1e-6),
                           std::ldexp((long double)(random() >> 11), -int(random() % 200))});
    } else {
        const bool edges = kind == "edges";
        for (int i = 0; i < 50000; ++i) {
            const int exponent =
                edges ? int(random() % 33000) - 16500 : int(random() % 2000) - 1000;
            values.push_back(std::ldexp((long double)(random() | 1ULL << 63), exponent - 63));
        }
        if (edges)
            values.insert(values.end(), {0.0L, -0.0L, 1.0L, -1.0L, HUGE_VALL, -HUGE_VALL,
                                         std::numeric_limits<long double>::quiet_NaN(),
                                         std::numeric_limits<long double>::denorm_min()});
    }
    for (const long double value : values) {
        char fast[32], reference[64];
        const std::string_view got(fast, size_t(FormatExtended17(fast, value) - fast));
        const auto want = std::to_chars(reference, reference + sizeof reference, value,
                                        std::chars_format::general, 17);
        if (got != std::string_view(reference, size_t(want.ptr - reference)))
            QFAIL(qPrintable(QString("%1 instead of %2")
                                 .arg(QLatin1String(got.data(), qsizetype(got.size())))
                                 .arg(QLatin1String(reference, want.ptr - reference))));
    }
}

QTEST_GUILESS_MAIN(TestExtendedFormat)
#include "tst_extendedformat.moc"
