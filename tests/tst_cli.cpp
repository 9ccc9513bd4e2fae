#include <QtTest>

#include <QProcess>
#include <QStringDecoder>

namespace {

struct TResult {
    int exitCode = -1;
    QByteArray out, err;
};

TResult Run(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(VELMAR_REPORT_PATH), args);
    process.waitForFinished(60000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// An exact rational check of P(a) for small tables: C(m, a) C(s - m, k - a) / C(s, k).
long double ExactPoint(int s, int m, int k, int a)
{
    auto choose = [](int n, int r) {
        long double value = 1.0L;
        for (int i = 1; i <= r; ++i)
            value = value * (n - r + i) / i;
        return value;
    };
    return choose(m, a) * choose(s - m, k - a) / choose(s, k);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void statusAndStreams_data();
    void statusAndStreams();
    void workedExampleReport();
    void cp1251BytesAndLineEnds();
    void csvDistribution();
};

void TestCli::statusAndStreams_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errorText");
    QTest::newRow("cells") << QStringList{"8", "2", "1", "5"} << 0 << "";
    QTest::newRow("margins with a")
        << QStringList{"--margins", "8", "6", "10", "--a", "7"} << 0 << "";
    QTest::newRow("too few values") << QStringList{"1", "2", "3"} << 1 << "Использование";
    QTest::newRow("unknown option")
        << QStringList{"--frob", "1", "2", "3", "4"} << 1 << "Использование";
    QTest::newRow("a without margins")
        << QStringList{"1", "2", "3", "4", "--a", "1"} << 1 << "Использование";
    QTest::newRow("over 20000") << QStringList{"5000", "5000", "5000", "5001"} << 2
                                << "Величины a,b,c,d в сумме не должны превышать 20000";
    QTest::newRow("32-bit wrap") << QStringList{"2147483647", "2147483647", "2", "0"} << 2
                                 << "Величины a,b,c,d в сумме не должны превышать 20000";
    QTest::newRow("empty margins") << QStringList{"--margins", "x", "6", "10"} << 2
                                   << "   Во ВСЕ БЕЛЫЕ поля формы или во ВСЕ ГОЛУБЫЕ\n"
                                      "должны быть введены неотрицательные целые числа";
    QTest::newRow("all zero") << QStringList{"0", "0", "0", "0"} << 2 << "Ошибка";
    QTest::newRow("typed filter drops signs") << QStringList{"-8", "2", "1", "5"} << 0 << "";
}

void TestCli::statusAndStreams()
{
    QFETCH(QStringList, args);
    QFETCH(QString, errorText);
    const TResult r = Run(args);
    QTEST(r.exitCode, "exitCode");
    if (errorText.isEmpty())
        QVERIFY(r.err.isEmpty());
    else
        QVERIFY2(QString::fromUtf8(r.err).contains(errorText), r.err.constData());
    if (r.exitCode != 0)
        QVERIFY(r.out.isEmpty());
}

void TestCli::workedExampleReport()
{
    const TResult r = Run({"8", "2", "1", "5"});
    const QStringList lines = QString::fromUtf8(r.out).split('\n');
    QCOMPARE(lines.first(), QString("Сумма частот в первой строке m = 10"));
    QVERIFY(
        lines.contains("  Правая 1-сторонняя вероятность (того, что a >= 8) есть: 0.024475524"));
    QCOMPARE(lines.last(), QString()); // every line ends with a line feed
}

void TestCli::cp1251BytesAndLineEnds()
{
    const TResult utf8 = Run({"3", "1", "1", "3"});
    const TResult cp = Run({"--cp1251", "3", "1", "1", "3"});
    QCOMPARE(cp.exitCode, 0);
    QVERIFY(cp.out.startsWith("\xD1\xF3\xEC\xEC\xE0 ")); // "Сумма " in Windows-1251
    QVERIFY(cp.out.endsWith("\r\n"));
    QCOMPARE(cp.out.count("\r\n"), utf8.out.count('\n'));
    QStringDecoder decode("windows-1251");
    QString decoded = decode(cp.out);
    QCOMPARE(decoded.replace("\r\n", "\n"), QString::fromUtf8(utf8.out));
}

void TestCli::csvDistribution()
{
    const TResult r = Run({"--csv", "--margins", "30", "12", "57"});
    QCOMPARE(r.exitCode, 0);
    const QStringList rows = QString::fromLatin1(r.out).trimmed().split('\n');
    QCOMPARE(rows.first(), QString("a,b,c,d,D,point,two_sided,left,right"));
    QCOMPARE(rows.size(), 1 + 13);
    long double left = 0.0L;
    for (int i = 1; i < rows.size(); ++i) {
        const QStringList f = rows[i].split(',');
        QCOMPARE(f.size(), 9);
        const int a = f[0].toInt();
        QCOMPARE(a, i - 1);
        QCOMPARE(f[1].toInt() + a, 30);
        QCOMPARE(f[4].toInt(), a * f[3].toInt() - f[1].toInt() * f[2].toInt());
        const long double point = std::strtold(f[5].toLatin1().constData(), nullptr);
        const long double exact = ExactPoint(57, 30, 12, a);
        QVERIFY2(std::fabs(point - exact) <= 1e-15L * exact, qPrintable(rows[i]));
        left += exact;
        const long double cumulative = std::strtold(f[7].toLatin1().constData(), nullptr);
        QVERIFY(std::fabs(cumulative - left) <= 1e-15L);
        QVERIFY(f[5].contains('e'));
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
