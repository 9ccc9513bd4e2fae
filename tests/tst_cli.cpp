#include <QtTest>

#include <QProcess>
#include <QStringDecoder>

#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Decoded by the system's own converter: Qt for Windows has none for code pages.
QString FromWindows1251(const QByteArray &bytes)
{
#ifdef _WIN32
    const int size = int(bytes.size());
    QString text(MultiByteToWideChar(1251, 0, bytes.constData(), size, nullptr, 0),
                 Qt::Uninitialized);
    MultiByteToWideChar(1251, 0, bytes.constData(), size, reinterpret_cast<wchar_t *>(text.data()),
                        int(text.size()));
    return text;
#else
    QStringDecoder decode("windows-1251");
    return decode(bytes);
#endif
}

struct TResult {
    int exitCode = -1;
    QByteArray out, err;
};

TResult Run(const QStringList &args, const QByteArray &input = QByteArray(),
            const QString &outputFile = QString())
{
    QProcess process;
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(QStringLiteral(VELMAR_REPORT_PATH), args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    TResult result{process.exitCode(), process.readAllStandardOutput(),
                   process.readAllStandardError()};
#ifdef _WIN32
    // Windows' text mode ends each line with CR LF; the --cp1251 report keeps its bytes.
    if (!args.contains(QStringLiteral("--cp1251")))
        result.out.replace("\r\n", "\n");
    result.err.replace("\r\n", "\n");
#endif
    return result;
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
    void helpAndVersionWin_data();
    void helpAndVersionWin();
    void workedExampleReport();
    void cp1251BytesAndLineEnds();
    void csvDistribution();
    void batch_data();
    void batch();
    void fullOutput_data();
    void fullOutput();
};

void TestCli::statusAndStreams_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errorText");
    QTest::newRow("cells") << QStringList{"8", "2", "1", "5"} << 0 << "";
    QTest::newRow("leading zeros") << QStringList{"008", "02", "1", "5"} << 0 << "";
    QTest::newRow("margins with a at the top of its range")
        << QStringList{"--margins", "8", "6", "10", "--a", "6"} << 0 << "";
    QTest::newRow("a at the bottom of its range")
        << QStringList{"--margins", "10", "9", "16", "--a", "3"} << 0 << "";
    QTest::newRow("too few values") << QStringList{"1", "2", "3"} << 1 << "Использование";
    QTest::newRow("unknown option") << QStringList{"--frob", "1", "2", "3", "4"} << 1
                                    << "velmar-report: неизвестный параметр \"--frob\"\n"
                                       "Справка: velmar-report --help";
    QTest::newRow("unknown short option")
        << QStringList{"1", "2", "3", "4", "-x"} << 1 << "неизвестный параметр \"-x\"";
    QTest::newRow("a without margins")
        << QStringList{"1", "2", "3", "4", "--a", "1"} << 1 << "Использование";
    QTest::newRow("a without its value") << QStringList{"--margins", "1", "2", "3", "--a"} << 1
                                         << "velmar-report: после --a нужно значение";
    QTest::newRow("over 20000") << QStringList{"5000", "5000", "5000", "5001"} << 2
                                << "Величины a,b,c,d в сумме не должны превышать 20000";
    QTest::newRow("32-bit wrap") << QStringList{"2147483647", "2147483647", "2", "0"} << 2
                                 << "Величины a,b,c,d в сумме не должны превышать 20000";
    QTest::newRow("total over 20000") << QStringList{"--margins", "10", "9", "20001", "--a", "5"}
                                      << 2 << "Величина n не должны превышать 20000";
    QTest::newRow("all zero") << QStringList{"0", "0", "0", "0"} << 2 << "Ошибка";
    QTest::newRow("decimal point") << QStringList{"8.5", "2", "1", "5"} << 2
                                   << "velmar-report: \"8.5\" — нужно целое неотрицательное число";
    QTest::newRow("exponent") << QStringList{"1e3", "2", "1", "5"} << 2
                              << "\"1e3\" — нужно целое неотрицательное число";
    QTest::newRow("sign") << QStringList{"8", "-2", "1", "5"} << 2
                          << "\"-2\" — нужно целое неотрицательное число";
    QTest::newRow("hexadecimal") << QStringList{"0x10", "2", "1", "5"} << 2
                                 << "\"0x10\" — нужно целое неотрицательное число";
    QTest::newRow("empty") << QStringList{"8", "", "1", "5"} << 2
                           << "\"\" — нужно целое неотрицательное число";
    QTest::newRow("margin not a number") << QStringList{"--margins", "x", "6", "10"} << 2
                                         << "\"x\" — нужно целое неотрицательное число";
    QTest::newRow("beyond 32 bits") << QStringList{"2147483648", "2", "1", "5"} << 2
                                    << "velmar-report: \"2147483648\" — слишком большое число";
    QTest::newRow("m above the total") << QStringList{"--margins", "10", "9", "5"} << 2
                                       << "velmar-report: m = 10 больше общей суммы n = 5";
    QTest::newRow("k above the total")
        << QStringList{"--margins", "5", "6", "5"} << 2 << "k = 6 больше общей суммы n = 5";
    QTest::newRow("a above its range")
        << QStringList{"--margins", "10", "9", "16", "--a", "10"} << 2
        << "velmar-report: --a 10 — вне допустимого диапазона a от 3 до 9";
    QTest::newRow("a below its range") << QStringList{"--margins", "10", "9", "16", "--a", "2"} << 2
                                       << "--a 2 — вне допустимого диапазона a от 3 до 9";
    QTest::newRow("a beyond 32 bits")
        << QStringList{"--margins", "10", "9", "30", "--a", "2147483648"} << 2
        << "--a 2147483648 — вне допустимого диапазона a от 0 до 9";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "";
    QTest::newRow("level outside (0, 1)")
        << QStringList{"--conf-level", "1", "8", "2", "1", "5"} << 1 << "--conf-level 1";
    QTest::newRow("level with a decimal comma")
        << QStringList{"--conf-level", "0,95", "8", "2", "1", "5"} << 1
        << "velmar-report: --conf-level 0,95: пишите десятичную точку: 0.95";
    QTest::newRow("level without its value") << QStringList{"8", "2", "1", "5", "--conf-level"} << 1
                                             << "после --conf-level нужно значение";
    QTest::newRow("batch takes no table")
        << QStringList{"--batch", "8", "2", "1", "5"} << 1 << "Использование";
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

void TestCli::helpAndVersionWin_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("start"); // of standard output
    const QString usage = QStringLiteral("Использование:\n");
    const QString version = QStringLiteral("velmar-report ");
    QTest::newRow("-h") << QStringList{"-h"} << usage;
    QTest::newRow("-V") << QStringList{"-V"} << version;
    QTest::newRow("help after a table") << QStringList{"8", "2", "1", "5", "--help"} << usage;
    QTest::newRow("help beside wrong arguments")
        << QStringList{"--frob", "--margins", "10", "9", "5", "-h"} << usage;
    QTest::newRow("help over version") << QStringList{"--help", "-V"} << usage;
    QTest::newRow("version beside a wrong number") << QStringList{"8.5", "--version"} << version;
}

void TestCli::helpAndVersionWin()
{
    QFETCH(QStringList, args);
    const TResult r = Run(args);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty());
    QFETCH(QString, start);
    QVERIFY2(QString::fromUtf8(r.out).startsWith(start), r.out.constData());
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
    QString decoded = FromWindows1251(cp.out);
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

void TestCli::batch_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    // Each row's fields: numbers compare within 1e-12 relative, "=" before a field
    // compares its text as written, "*" matches anything.
    QTest::addColumn<QList<QStringList>>("rows");
    // How the streams are set up: "" pipes, "line by line" (each line sent only
    // after the row of the one before came), "stdin folder", "stdin closed",
    // "stdout full" (the rows are then not checked), "level P" (pipes, with
    // --conf-level P).
    QTest::addColumn<QString>("streams");
    QTest::addColumn<QString>("errorText"); // the start of standard error's one line

    // Expected values from an independent computation (exact fractions, mpmath).
    QTest::newRow("8 2 1 5") << QByteArray("8 2 1 5\n") << 0
                             << QList<QStringList>{{"8",
                                                    "2",
                                                    "1",
                                                    "5",
                                                    "=0.023601398601398601",
                                                    "0.034965034965034965",
                                                    "0.999125874125874126",
                                                    "0.0244755244755244755",
                                                    "0.034965034965034965",
                                                    "0.987325174825174825",
                                                    "0.0126748251748251748",
                                                    "0.0253496503496503497",
                                                    "20",
                                                    "15.4658197169209",
                                                    "1.00884920794769",
                                                    "1059.63949508628",
                                                    "",
                                                    "=0.95",
                                                    "0.048951048951048951",
                                                    "1.30505403272814331",
                                                    "519.611448338434880",
                                                    "0.034965034965034965",
                                                    "1.30505403272814331",
                                                    "519.611448338434880",
                                                    "0.633333333333333333",
                                                    "0.115631204915407750",
                                                    "0.876418005985883623",
                                                    "4.8",
                                                    "1.23309179578771899",
                                                    "28.3424060931866797"}}
                             << ""
                             << "";
    // The level as given, the blanks before it dropped; a low end of the difference below 0.
    QTest::newRow("level as given") << QByteArray("8 2 1 5\n") << 0
                                    << QList<QStringList>{QStringList(17, "*") +
                                                          QStringList{
                                                              "=0.990",
                                                              "0.048951048951048951",
                                                              "0.706415054834365324",
                                                              "2679.65590015824210",
                                                              "0.034965034965034965",
                                                              "0.706415054834365324",
                                                              "2679.65590015824210",
                                                              "0.633333333333333333",
                                                              "-0.0460691135277855519",
                                                              "0.909036045146369939",
                                                              "4.8",
                                                              "0.917077486459134325",
                                                              "43.1733785245833616",
                                                          }}
                                    << "level \n 0.990"
                                    << "";
    // Each rule with its own interval: here the three differ.
    QTest::newRow("6 12 12 5") << QByteArray("6 12 12 5\n") << 0
                               << QList<QStringList>{QStringList(17, "*") +
                                                     QStringList{
                                                         "=0.95",
                                                         "0.0605876441313222074",
                                                         "0.0435522021549823271",
                                                         "0.917017671613451827",
                                                         "0.0437101683762224460",
                                                         "0.0422854486998257864",
                                                         "0.917017671613451827",
                                                         "-0.372549019607843137",
                                                         "-0.632559583003646421",
                                                         "-0.0366728011639796628",
                                                         "0.472222222222222222",
                                                         "0.217688724226052165",
                                                         "0.931377769467612487",
                                                     }}
                               << ""
                               << "";
    // p2 = 0: the ratio and its upper end infinite; p1 = p2 = 0: the ratio undefined.
    QTest::newRow("risk ratio infinite or undefined")
        << QByteArray("5 5 0 10\n0 5 0 6\n") << 0
        << QList<QStringList>{QStringList(17, "*") +
                                  QStringList{"=0.95", "0.032507739938080495",
                                              "1.56633076335511136", "=inf", "0.032507739938080495",
                                              "1.56633076335511136", "=inf", "0.5",
                                              "0.146677999996222788", "0.768297382246832676",
                                              "=inf", "1.55962961630465744", "=inf"},
                              QStringList(17, "*") +
                                  QStringList{"=0.95", "=1", "=0", "=inf", "=1", "=0", "=inf", "=0",
                                              "-0.413237634897185143", "0.458030106308126848", "",
                                              "", ""}}
        << ""
        << "";
    QTest::newRow("comments, blanks and separators")
        << QByteArray("# tables\n\n   \n \t# indented\n0;5,6\t4\r\n") << 0
        << QList<QStringList>{{"0", "5", "6", "4", "0.041958041958041958", "0.0889110889110889111",
                               "0.041958041958041958", "1", "0.043956043956043956", "*", "*", "*",
                               "0", "0", "0", "*", ""}}
        << ""
        << "";
    const QString unread =
        QStringLiteral("Строка не прочитана: нужны четыре неотрицательных целых числа");
    QStringList empty(12);
    QTest::newRow("refusals, in order, quoted")
        << QByteArray("0 0 0 0\n2147483647 0 0 1\n1 2 3\nx 1 2 3\n3 0 0 0\n") << 2
        << QList<QStringList>{QStringList{"0", "0", "0", "0"} + empty + QStringList{"Ошибка"},
                              QStringList{"2147483647", "0", "0", "1"} + empty +
                                  QStringList{"Строка не вычислена: общая сумма больше 2147483647"},
                              QStringList{"1", "2", "3", ""} + empty + QStringList{unread},
                              QStringList{"", "1", "2", "3"} + empty + QStringList{unread},
                              {"3", "0", "0", "0", "1", "1", "1", "1", "1", "0.5", "0.5", "1", "",
                               "", "0", "inf", ""}}
        << ""
        << "";

    QTest::newRow("five numbers") << QByteArray("8 2 1 5 7\n8,2,1,5,7\n") << 2
                                  << QList<QStringList>{QStringList{"8", "2", "1", "5"} + empty +
                                                            QStringList{unread},
                                                        QStringList{"8", "2", "1", "5"} + empty +
                                                            QStringList{unread}}
                                  << ""
                                  << "";
    QTest::newRow("a total of exactly 20000")
        << QByteArray("5000 5000 5000 5000\n20000 0 0 0\n") << 0
        << QList<QStringList>{{"5000", "5000", "5000", "5000", "0.0112833685367021633", "1",
                               "0.505641684268351082", "0.505641684268351082", "1", "0.5", "0.5",
                               "1", "1", "*", "*", "*", ""},
                              {"20000", "0", "0", "0", "1", "1", "1", "1", "1", "0.5", "0.5", "1",
                               "", "", "0", "inf", ""}}
        << ""
        << "";

    // Input as spreadsheets and other programs write it.
    const QStringList any(11, "*");
    const QStringList table8215 =
        QStringList{"8", "2", "1", "5", "0.0236013986013986002"} + any + QStringList{""};
    const QStringList table3113 =
        QStringList{"3", "1", "1", "3", "0.228571428571428571"} + any + QStringList{""};
    const QStringList table0564 =
        QStringList{"0", "5", "6", "4", "0.041958041958041958"} + any + QStringList{""};
    // Values from tools/reference_large.py; the second table's total is 23,000,000.
    QTest::newRow("any size that fits 32 bits")
        << QByteArray("3200 6 885 6\n1000000 2000000 3000000 17000000\n") << 0
        << QList<QStringList>{{"3200", "6", "885", "6", "0.022323944740773586067",
                               "0.028648651319488174309", "0.99367529342128541176",
                               "0.028648651319488174309", "0.028648651319488174309",
                               "0.98251332105089861873", "0.017486678949101381275",
                               "0.03497335789820276255", "*", "3.6143480114250795014",
                               "0.9636960963204398481", "13.555677279614660517", ""},
                              {"1000000", "2000000", "3000000", "17000000", "0", "0", "1", "0", "0",
                               "1", "0", "0", "*", "2.833333171848017316", "2.8257015465938090835",
                               "2.8409844937272376686", ""}}
        << ""
        << "";
    QTest::newRow("byte-order mark, CR LF") << QByteArray("\xEF\xBB\xBF"
                                                          "8;2;1;5\r\n")
                                            << 0 << QList<QStringList>{table8215} << ""
                                            << "";
    QTest::newRow("lone CR, CR LF and LF end lines")
        << QByteArray("8 2 1 5\r3 1 1 3\r\n\r\n0 5 6 4\n\r3 1 1 3") << 0
        << QList<QStringList>{table8215, table3113, table0564, table3113} << ""
        << "";
    QTest::newRow("cells by value")
        << QByteArray("0000000008 2 1 5\n0000000000000002147483648 0 00 0\n") << 2
        << QList<QStringList>{table8215, QStringList{"0000000000000002147483648", "0", "00", "0"} +
                                             empty +
                                             QStringList{"Строка не вычислена: общая сумма "
                                                         "больше 2147483647"}}
        << ""
        << "";
    QTest::newRow("empty fields between commas or semicolons")
        << QByteArray("8,,2,1,5\n8,,2,1\n8 2 1 5,\n;8 2 1 5\n8 , ; 2 1 5\n 8 ;2 ;\t1;  5 \n") << 2
        << QList<QStringList>{QStringList{"8", "", "2", "1"} + empty + QStringList{unread},
                              QStringList{"8", "", "2", "1"} + empty + QStringList{unread},
                              QStringList{"8", "2", "1", "5"} + empty + QStringList{unread},
                              QStringList{"", "8", "2", "1"} + empty + QStringList{unread},
                              QStringList{"8", "", "2", "1"} + empty + QStringList{unread},
                              table8215}
        << ""
        << "";
    const QString tooLong = QStringLiteral("Строка не прочитана: длиннее 4096 байт");
    QTest::newRow("lines up to 4096 bytes")
        << ("8 2 1 5" + QByteArray(4089, ' ') + "\n8 2 1 5" + QByteArray(4090, ' ') + "\n1 2 3 " +
            QByteArray(300000, '4') + "\r# " + QByteArray(5000, 'x') + "\n3 1 1 3\n")
        << 2
        << QList<QStringList>{table8215,
                              QStringList{"8", "2", "1", "5"} + empty + QStringList{tooLong},
                              QStringList{"1", "2", "3", QString(20, '4')} + empty +
                                  QStringList{tooLong},
                              table3113}
        << ""
        << "";
    // Far in the tails the two-sided sum goes on below the double range, where the
    // double sum reads 0 (exact: 2 / C(4000, 2000)).
    QTest::newRow("two_sided below the double range")
        << QByteArray("0 2000 2000 0\n") << 0
        << QList<QStringList>{QStringList{"0", "2000", "2000", "0", "6.013598399598970851e-1203",
                                          "1.202719679919794170e-1202",
                                          "6.013598399598970851e-1203", "1"} +
                              QStringList(8, "*") + QStringList{""}}
        << ""
        << "";

    // Enough lines for the rows to be computed by several workers at once: each
    // row in input order with its own table's values, the refusals in place.
    QByteArray many;
    QList<QStringList> manyRows;
    for (int i = 0; i < 3000; ++i) {
        if (i % 97 == 5) {
            many += "0 0 0 0\n";
            manyRows << QStringList{"0", "0", "0", "0"} + empty + QStringList{"Ошибка"};
        } else if (i % 89 == 7) {
            many += "x\n# between\n";
            manyRows << QStringList{"", "", "", ""} + empty + QStringList{unread};
        } else {
            const int a = i % 13, b = i % 7 + 1, c = i / 10 % 11, d = i % 5;
            many += QByteArray::number(a) + ' ' + QByteArray::number(b) + ' ' +
                    QByteArray::number(c) + ' ' + QByteArray::number(d) + '\n';
            const long double point = ExactPoint(a + b + c + d, a + b, a + c, a);
            manyRows << QStringList{"=" + QString::number(a), "=" + QString::number(b),
                                    "=" + QString::number(c), "=" + QString::number(d),
                                    QString::number(double(point), 'g', 17)} +
                            QStringList(11, "*") + QStringList{""};
        }
    }
    QTest::newRow("many lines, in order") << many << 2 << manyRows << ""
                                          << "";

    // A program that sends a line and waits for its row gets it.
    QTest::newRow("line by line") << QByteArray("8 2 1 5\n0 5 6 4\r\n# comment\n3 1 1 3\r1 2 3\n")
                                  << 2
                                  << QList<QStringList>{table8215, table0564, table3113,
                                                        QStringList{"1", "2", "3", ""} + empty +
                                                            QStringList{unread}}
                                  << "line by line"
                                  << "";
    const QString noInput = QStringLiteral("velmar-report: не могу прочитать стандартный ввод: ");
    QTest::newRow("stdin a folder")
        << QByteArray() << 1 << QList<QStringList>{} << "stdin folder" << noInput;
    QTest::newRow("stdin closed") << QByteArray() << 1 << QList<QStringList>{} << "stdin closed"
                                  << noInput;
    QTest::newRow("stdout full") << QByteArray("8 2 1 5\n") << 1 << QList<QStringList>{}
                                 << "stdout full"
                                 << QStringLiteral(
                                        "velmar-report: не могу записать стандартный вывод: ");
    QTest::newRow("stdout full, many lines")
        << many << 1 << QList<QStringList>{} << "stdout full"
        << QStringLiteral("velmar-report: не могу записать стандартный вывод: ");
}

// The fields of a CSV row; a quoted field loses its quotes.
QStringList SplitCsv(const QString &row)
{
    QStringList fields{QString()};
    bool quoted = false;
    for (int i = 0; i < row.size(); ++i) {
        if (row[i] == '"' && quoted && i + 1 < row.size() && row[i + 1] == '"')
            fields.last() += row[++i];
        else if (row[i] == '"')
            quoted = !quoted;
        else if (row[i] == ',' && !quoted)
            fields << QString();
        else
            fields.last() += row[i];
    }
    return fields;
}

// velmar-report --batch with its streams set up as the row asks.
TResult RunBatch(const QByteArray &input, const QString &streams)
{
    QProcess process;
    if (streams == "stdin folder")
        process.setStandardInputFile(QStringLiteral("/"));
#ifndef _WIN32
    if (streams == "stdin closed")
        process.setChildProcessModifier([] { ::close(STDIN_FILENO); });
#endif
    if (streams == "stdout full")
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
    QStringList args{"--batch"};
    if (streams.startsWith("level "))
        args << "--conf-level" << streams.mid(6);
    process.start(QStringLiteral(VELMAR_REPORT_PATH), args);
    QByteArray out;
    if (streams == "line by line") {
        // The header, then each line's row before the next line is sent; the
        // timeouts only catch a row that never comes.
        const auto waitForRows = [&](qsizetype rows) {
            while (out.count('\n') < rows && process.waitForReadyRead(20000))
                out += process.readAllStandardOutput();
            return out.count('\n') >= rows;
        };
        if (!waitForRows(1))
            return {-1, out, "no header"};
        // Lines end after a LF, or a CR not followed by one.
        for (qsizetype start = 0, end = 0; start < input.size(); start = end) {
            while (end < input.size() && input[end] != '\n' &&
                   !(input[end] == '\r' && input.mid(end + 1, 1) != "\n"))
                ++end;
            const QByteArray line = input.mid(start, ++end - start);
            const qsizetype before = out.count('\n');
            process.write(line);
            if (!line.startsWith('#') && !waitForRows(before + 1))
                return {-1, out, "no row for " + line};
        }
    } else if (streams.isEmpty() || streams.startsWith("level "))
        process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    TResult result{process.exitCode(), out + process.readAllStandardOutput(),
                   process.readAllStandardError()};
#ifdef _WIN32
    result.out.replace("\r\n", "\n");
    result.err.replace("\r\n", "\n");
#endif
    return result;
}

void TestCli::batch()
{
    QFETCH(QByteArray, input);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, streams);
    QFETCH(QString, errorText);
#ifdef _WIN32
    if (streams == "stdin closed")
        QSKIP("a Windows child cannot be started with its standard input closed");
    if (streams == "stdin folder")
        QSKIP("Windows cannot open a folder as a child's standard input");
#endif
    const TResult r = RunBatch(input, streams);
    QTEST(r.exitCode, "exitCode");
    if (errorText.isEmpty())
        QVERIFY2(r.err.isEmpty(), r.err.constData());
    else {
        QVERIFY2(r.err.startsWith(errorText.toUtf8()), r.err.constData());
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY(r.err.endsWith('\n'));
    }
    if (streams == "stdout full")
        return;
    QStringList lines = QString::fromUtf8(r.out).split('\n');
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(lines.takeFirst(),
             QString("a,b,c,d,point,two_sided,left,right,two_sided_minlike,midp_left,midp_right,"
                     "midp_two_sided,or_sample,or_cmle,or_low,or_high,error,conf_level,"
                     "two_sided_central,or_low_minlike,or_high_minlike,two_sided_blaker,"
                     "or_low_blaker,or_high_blaker,risk_difference,rd_low,rd_high,risk_ratio,"
                     "rr_low,rr_high"));
    QCOMPARE(lines.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList got = SplitCsv(lines[i]);
        QCOMPARE(got.size(), 30);
        // A row given up to its error: a refused one has nothing after it.
        QStringList wanted = rows[i];
        if (wanted.size() == 17)
            wanted += QStringList(13, wanted[16].isEmpty() ? "*" : "");
        for (int f = 0; f < 30; ++f) {
            const QString &want = wanted[f];
            if (want == "*")
                continue;
            if (want.startsWith('=')) {
                QCOMPARE(got[f], want.mid(1));
                continue;
            }
            // Read as extended numbers: the far tails are below the double range.
            const QByteArray wantText = want.toLatin1(), gotText = got[f].toLatin1();
            char *end = nullptr;
            const long double wanted = std::strtold(wantText.constData(), &end);
            if (!want.isEmpty() && *end == '\0' && wanted != 0 && std::isfinite(wanted))
                QVERIFY2(std::fabs(std::strtold(gotText.constData(), nullptr) / wanted - 1) <=
                             1e-12L,
                         qPrintable(lines[i]));
            else
                QCOMPARE(got[f], want);
        }
    }
}

void TestCli::fullOutput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("report") << QStringList{"8", "2", "1", "5"};
    QTest::newRow("cp1251 in one write") << QStringList{"--cp1251", "100", "100", "100", "100"};
    QTest::newRow("csv") << QStringList{"--csv", "8", "2", "1", "5"};
    QTest::newRow("help") << QStringList{"--help"};
    QTest::newRow("version") << QStringList{"--version"};
}

void TestCli::fullOutput()
{
    QFETCH(QStringList, args);
    if (!QFile::exists("/dev/full"))
        QSKIP("no /dev/full");
    const TResult r = Run(args, QByteArray(), "/dev/full");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith("velmar-report: не могу записать стандартный вывод: "),
             r.err.constData());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
