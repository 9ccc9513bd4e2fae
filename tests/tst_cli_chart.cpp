// velmar-report --chart: the bitmap of the computed table, written without a display.

#include "chart/ChartDraw.h"
#include "core/Fisher.h"
#include "report/Report.h"
#include "tests/ChartPixels.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

struct TRun {
    int exitCode = -1;
    QByteArray errors;
};

// Runs the report with no display, no platform chosen and no login session.
TRun RunReport(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VELMAR_REPORT_PATH), arguments);
    TRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = process.readAllStandardError();
    return run;
}

// Unmounts on every way out of a test, a failed check included.
struct TMountGuard {
    QString folder;
    ~TMountGuard()
    {
        if (!folder.isEmpty())
            QProcess::execute("umount", {folder});
    }
};

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestCliChart : public QObject {
    Q_OBJECT
private slots:
    void charts_data();
    void charts();
    void refused_data();
    void refused();
    void unwritableFile_data();
    void unwritableFile();
#ifndef _WIN32
    // FIFOs, device nodes and symbolic links are POSIX files; Windows has none of them.
    void notRegularFiles_data();
    void notRegularFiles();
#endif
};

void TestCliChart::charts_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QStringList>("strips"); // maroon runs on row H - 23
    QTest::addColumn<int>("krit");
    QTest::addColumn<int>("znach");
    QTest::newRow("design size, no region")
        << QStringList{} << QSize(875, 473) << QStringList{} << 0 << 0;
    QTest::newRow("two-sided 5%") << QStringList{"--criterion", "two"} << QSize(875, 473)
                                  << QStringList{"102-185", "624-811"} << 0 << 0;
    QTest::newRow("level alone means two-sided") << QStringList{"--level", "5"} << QSize(875, 473)
                                                 << QStringList{"102-185", "624-811"} << 0 << 0;
    QTest::newRow("right 1%") << QStringList{"--criterion", "right", "--level", "1"}
                              << QSize(875, 473) << QStringList{"729-811"} << 2 << 1;
    QTest::newRow("left 0.1% at another size")
        << QStringList{"--level", "0.1", "--criterion", "left", "--size", "600x300"}
        << QSize(600, 300) << QStringList{} << 1 << 2;
}

void TestCliChart::charts()
{
    QFETCH(QStringList, options);
    QFETCH(QSize, size);
    QFETCH(QStringList, strips);
    QFETCH(int, krit);
    QFETCH(int, znach);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("chart.bmp"));
    const TRun run =
        RunReport(QStringList{"--chart", file} + options + QStringList{"8", "2", "1", "5"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.errors, QByteArray());
    QFile bytes(file);
    QVERIFY(bytes.open(QIODevice::ReadOnly));
    QCOMPARE(qFromLittleEndian<quint16>(bytes.read(30).constData() + 28), quint16(24));
    const QImage image = QImage(file).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), size);

    // The same picture as the chart window draws with those options.
    TFisherDistribution dist;
    QCOMPARE(ComputeDistribution(dist, 16, 10, 9), 0);
    TChartOptions chartOptions;
    // "Кр.обл." exactly when a criterion or a level is given.
    chartOptions.krOblChecked = options.contains("--criterion") || options.contains("--level");
    chartOptions.kritIndex = krit;
    chartOptions.znachIndex = znach;
    QCOMPARE(image, RenderChart({dist, 8, ComputeCriticalBounds(dist), chartOptions}, size));
    if (size == QSize(875, 473)) {
        QCOMPARE(Runs(image, 452, 0x000080), strips);
        QCOMPARE(Runs(image, 11, 0x0000FF), QStringList{"415-499"}); // a = 6 reaches row 11
    }
}

void TestCliChart::refused_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("said"); // on standard error
    const QString usage = QStringLiteral("--chart FILE");
    const QString smallest = QStringLiteral("слишком малый размер графика, наименьший 41x36");
    QTest::newRow("size without a file") << QStringList{"--size", "600x300"} << usage;
    QTest::newRow("chart without its file") << QStringList{"8", "2", "1", "5", "--chart"} << usage;
    QTest::newRow("size too narrow to draw")
        << QStringList{"--chart", "x.bmp", "--size", "40x300"} << "--size 40x300: " + smallest;
    QTest::newRow("size too low to draw")
        << QStringList{"--chart", "x.bmp", "--size", "875x35"} << "--size 875x35: " + smallest;
    QTest::newRow("size not WxH") << QStringList{"--chart", "x.bmp", "--size", "600"} << usage;
    QTest::newRow("unknown criterion")
        << QStringList{"--chart", "x.bmp", "--criterion", "both"} << usage;
    QTest::newRow("unknown level") << QStringList{"--chart", "x.bmp", "--level", "10"} << usage;
}

void TestCliChart::refused()
{
    QFETCH(QStringList, options);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QStringList arguments = options;
    if (!arguments.contains("8"))
        arguments << QStringList{"8", "2", "1", "5"};
    for (QString &argument : arguments)
        if (argument == "x.bmp")
            argument = dir.filePath(argument);
    const TRun run = RunReport(arguments);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(QString::fromUtf8(run.errors).contains(said), run.errors.constData());
    QVERIFY(!QFile::exists(dir.filePath("x.bmp")));
}

void TestCliChart::unwritableFile_data()
{
    QTest::addColumn<QString>("place");
    QTest::newRow("folder that does not exist") << "missing";
    // A picture of 9 KiB stays in the write buffer until the file is closed.
    QTest::newRow("full disk, small picture") << "full";
}

void TestCliChart::unwritableFile()
{
    QFETCH(QString, place);
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("missing/chart.bmp"));
    const QByteArray old = "saved earlier";
    TMountGuard mount;
    if (place == "full") {
#ifdef _WIN32
        QSKIP("a full disk needs a small file system mounted, which Windows programs cannot do");
#else
        if (geteuid() != 0 ||
            QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", dir.path()}) != 0)
            QSKIP("a full disk needs root to mount a small file system");
#endif
        mount.folder = dir.path();
        file = dir.filePath(QStringLiteral("chart.bmp"));
        QFile earlier(file);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write(old);
        earlier.close();
        QFile filler(dir.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        filler.write(QByteArray(128 * 1024, 'x'));
    }
    const TRun run = RunReport({"--chart", file, "--size", "60x50", "8", "2", "1", "5"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.startsWith(file.toLocal8Bit() + ": "), run.errors.constData());
    QVERIFY(run.errors.size() > file.toLocal8Bit().size() + 3); // and a reason
    if (place == "full")
        QCOMPARE(ReadAll(file), old);
    else
        QVERIFY(!QFile::exists(file));
}

#ifndef _WIN32
void TestCliChart::notRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO receives the picture") << "fifo";
    QTest::newRow("device stays a device") << "device";
    QTest::newRow("symbolic link written through") << "link";
}

void TestCliChart::notRegularFiles()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target"));
    const QString received = dir.filePath(QStringLiteral("received.bmp"));
    QProcess reader;
    if (kind == "fifo") {
        QVERIFY(mkfifo(QFile::encodeName(target).constData(), 0600) == 0);
        // Opening a FIFO for writing waits for its reader.
        reader.setStandardOutputFile(received);
        reader.start(QStringLiteral("cat"), {target});
        QVERIFY(reader.waitForStarted());
    } else if (kind == "device") {
        // A null device of the test's own: a faulty save replaces this one, not /dev/null.
        if (geteuid() != 0 ||
            mknod(QFile::encodeName(target).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
    } else {
        QFile earlier(received);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("saved earlier");
        earlier.close();
        QVERIFY(QFile::link(received, target));
    }
    const TRun run = RunReport({"--chart", target, "--size", "60x50", "8", "2", "1", "5"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.errors, QByteArray());
    struct stat status {};
    QVERIFY(lstat(QFile::encodeName(target).constData(), &status) == 0);
    if (kind == "device") {
        QVERIFY(S_ISCHR(status.st_mode));
        return;
    }
    if (kind == "fifo") {
        QVERIFY(reader.waitForFinished(10000));
        QVERIFY(S_ISFIFO(status.st_mode));
    } else {
        QVERIFY(S_ISLNK(status.st_mode));
    }
    QCOMPARE(QImage(received).size(), QSize(60, 50));
}

#endif

QTEST_MAIN(TestCliChart)
#include "tst_cli_chart.moc"
