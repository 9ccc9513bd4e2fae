// Bad places to save to and bad stores, through the real windows: nothing
// crashes, every failure is told, and nothing already saved is lost.

#include "chart/FrmGraph.h"
#include "core/Fisher.h"
#include "mainwin/FormVelmar.h"
#include "report/FormResult.h"
#include "report/ReportFile.h"
#include "tests/gui/TestPorts.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>

#include <optional>

#ifndef _WIN32
#include <unistd.h>
#endif

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#endif

namespace {

bool RunningAsRoot()
{
#ifdef _WIN32
    return false; // Windows has no root; what it refuses, it refuses to everyone
#else
    return geteuid() == 0;
#endif
}

// A folder the test makes unusable in the way a row asks for; false when this
// machine cannot make it so (mounting needs root).
bool Mount(const QString &folder, const QString &options)
{
    if (!RunningAsRoot())
        return false;
    return QProcess::execute("mount", {"-t", "tmpfs", "-o", options, "tmpfs", folder}) == 0;
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

// Root passes every permission check through CAP_DAC_OVERRIDE; while this
// lives the thread meets a folder's permissions as any user does.
class TPermissionsEnforced {
public:
    TPermissionsEnforced()
    {
#ifdef Q_OS_LINUX
        if (!RunningAsRoot() || syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        m_dropped = syscall(SYS_capset, &m_header, reduced) == 0;
#endif
    }
    ~TPermissionsEnforced()
    {
#ifdef Q_OS_LINUX
        if (m_dropped)
            syscall(SYS_capset, &m_header, m_saved);
#endif
    }
    bool enforced() const
    {
        return !RunningAsRoot() || m_dropped;
    }

private:
#ifdef Q_OS_LINUX
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
#endif
    bool m_dropped = false;
};

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A report of a thousand rows: far more than a tiny disk holds.
void ComputeLargeTable(TInputTable &table, TFisherDistribution &dist)
{
    table.a = 500, table.b = 500, table.c = 500, table.d = 500;
    table.m = table.k = 1000, table.s = 2000;
    QCOMPARE(ComputeDistribution(dist, 2000, 1000, 1000), 0);
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallModalWatchdog(this); }
    void badPlaces_data();
    void badPlaces();
    void unwritableStoreLosesNothingElse();
    void damagedStoreStartsClean_data();
    void damagedStoreStartsClean();
};

void TestFaults::badPlaces_data()
{
    QTest::addColumn<QString>("place"); // what the folder is made into
    QTest::addColumn<bool>("small");    // a report and a chart of a few KiB
    QTest::newRow("folder that does not exist") << "missing" << false;
    QTest::newRow("read-only file") << "read-only" << false;
    QTest::newRow("full disk") << "full" << false;
    // Small files stay in the write buffer until the file is closed.
    QTest::newRow("full disk, small files") << "full" << true;
    // The safe save finds no room for its temporary file and writes in place.
    QTest::newRow("writable file in a folder closed to new files") << "closed" << false;
}

void TestFaults::badPlaces()
{
    QFETCH(QString, place);
    QFETCH(bool, small);
    QTemporaryDir dir;
    QString folder = dir.path() + "/place";
    QDir().mkpath(folder);
    const QByteArray old = "saved earlier\r\n";
    auto writeOld = [&](const QString &name) {
        QFile file(folder + "/" + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    };

    TMountGuard mount;
    std::optional<TPermissionsEnforced> permissions;
    if (place == "missing") {
        folder = dir.path() + "/no/such/folder";
    } else if (place == "read-only") {
        writeOld("report.txt");
        writeOld("chart.bmp");
        if (RunningAsRoot()) {
            // Permissions do not stop root: a read-only file system does.
            if (!Mount(folder, "size=64k"))
                QSKIP("cannot mount a file system here");
            mount.folder = folder;
            writeOld("report.txt");
            writeOld("chart.bmp");
            QVERIFY(QProcess::execute("mount", {"-o", "remount,ro", folder}) == 0);
        } else {
            QFile::setPermissions(folder + "/report.txt", QFile::ReadOwner);
            QFile::setPermissions(folder + "/chart.bmp", QFile::ReadOwner);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        }
    } else if (place == "closed") {
        writeOld("report.txt");
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        permissions.emplace();
        if (!permissions->enforced())
            QSKIP("root cannot give up its right to write any folder here");
    } else {
        if (!Mount(folder, "size=8k"))
            QSKIP("a full disk needs root to mount a small file system");
        mount.folder = folder;
        writeOld("report.txt");
        writeOld("chart.bmp");
        // Fill what is left.
        QFile filler(folder + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        filler.write(QByteArray(64 * 1024, 'x'));
    }
    TInputTable table;
    TFisherDistribution dist;
    if (small) {
        table.a = 8, table.b = 2, table.c = 1, table.d = 5;
        table.m = 10, table.k = 9, table.s = 16;
        QCOMPARE(ComputeDistribution(dist, 16, 10, 9), 0);
    } else {
        ComputeLargeTable(table, dist);
    }

    // The report.
    TTestPorts ports;
    const TRecordingMessageBox &messages = ports.messages;
    TFormResult result(ports.ports);
    ports.saveDialog.answers = {folder + "/report.txt", folder + "/chart.bmp"};
    QCOMPARE(BuildReport(result, dist, table, ComputeCriticalBounds(dist)), 0);
    result.BtnSaveTextClick();
    if (place == "closed") {
        // Saved in place, and no stray file beside it; the row ends with the report.
        QVERIFY(messages.shown.empty());
        QCOMPARE(ReadAll(folder + "/report.txt"),
                 EncodeReportText(result.findChild<QPlainTextEdit *>("REdit")->toPlainText()));
        QVERIFY(QDir(folder).entryList(QDir::Files) == QStringList{"report.txt"});
        permissions.reset();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return;
    }
    QCOMPARE(messages.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(messages.shown[0].caption), QString("Сохранить"));
    QVERIFY(messages.shown[0].icon == TMsgIcon::Stop);
    QVERIFY(QString::fromStdString(messages.shown[0].text).contains("report.txt"));

    // The chart.
    QTemporaryDir settingsRoot;
    TSettingsStore store{{settingsRoot.path(), "\\Software\\VLM-2010-v2"}};
    TFormGraph chart(store, ports.ports, dist, [&table] { return table.a; });
    const TRecordingErrorBox &errors = ports.errors;
    chart.ShowChart(result.CriticalBounds());
    if (small) {
        chart.resize(60, 50 + 34); // the picture above the tool bar: a 9 KiB bitmap
        QVERIFY(chart.Picture().width() * chart.Picture().height() * 3 < 16 * 1024);
    }
    chart.BtnSaveClick();
    QCOMPARE(errors.shown.size(), 1);
    QVERIFY(errors.shown[0].contains("chart.bmp"));
    chart.hide();

    // Whatever was there before is there still.
    if (place != "missing") {
        QCOMPARE(ReadAll(folder + "/report.txt"), old);
        QCOMPARE(ReadAll(folder + "/chart.bmp"), old);
    } else {
        QVERIFY(!QFileInfo::exists(folder));
    }
    if (mount.folder.isEmpty())
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestFaults::unwritableStoreLosesNothingElse()
{
    // The configuration "folder" is a plain file: no key can ever be created.
    QTemporaryDir dir;
    QFile blocker(dir.path() + "/config");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TSettingsStore store{{dir.path() + "/config", "\\Software\\VLM-2010-v2"}};

    TInputTable table;
    bool editBusy = false;
    TFisherDistribution dist;
    TTestPorts ports;
    const TRecordingMessageBox &messages = ports.messages;
    TFormVelmar form(store, ports.ports, table, editBusy, dist);
    form.show();
    form.field(TField::a)->setText("6");
    form.close();
    QVERIFY(messages.shown.empty());
    QCOMPARE(ReadAll(dir.path() + "/config"), QByteArray());
    QCOMPARE(form.field(TField::a)->text(), QString("6"));
}

void TestFaults::damagedStoreStartsClean_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("truncated") << QByteArray("[General]\nEd_a=6\nEd_b=3\nFormFLe");
    QTest::newRow("binary garbage") << QByteArray("\x7f"
                                                  "ELF\x02\x01\x01\x00\x00\xff\xfe\x00[=]",
                                                  15);
    QTest::newRow("out of range and wrong types")
        << QByteArray("[General]\nEd_a=99999999999999\nEd_b=-7\nEd_c=x\nEd_d=3\n"
                      "FormFLeft=abc\nFormFWidth=-5\nFormFTop=1e9\nFormFHeight=@Invalid()\n");
}

void TestFaults::damagedStoreStartsClean()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    TSettingsStore store{{dir.path(), "\\Software\\VLM-2010-v2"}};
    const TSettingsKey &key = store.key;
    QCOMPARE(EnsureKey(key), 0);
    {
        QFile file(SettingsFilePath(key));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    TInputTable table;
    bool editBusy = false;
    TFisherDistribution dist;
    TTestPorts ports;
    const TRecordingMessageBox &messages = ports.messages;
    {
        TFormVelmar form(store, ports.ports, table, editBusy, dist);
        // Every field shows nothing or a plain number, and the table agrees.
        for (int i = 0; i < FieldCount; ++i) {
            const QString text = form.field(TField(i))->text();
            const int32_t value = table.At(i);
            QCOMPARE(text, value < 0 ? QString() : QString::number(value));
        }
        form.show();
        form.field(TField::a)->setText("8");
        form.close();
    }
    QVERIFY(messages.shown.empty());
    // The next save replaced the damage with a readable store.
    QCOMPARE(ReadStringValue(key, "Ed_a"), QString("8"));
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
