#include "platform/KeyState.h"
#include "platform/SettingsStore.h"
#include "tests/FixedKeyboard.h"

#include <QtTest>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void keyLifecycle();
    void keyPaths_data();
    void keyPaths();
    void deleteTouchesNothingElse_data();
    void deleteTouchesNothingElse();
    void typedRoundTrip();
    void readsDefaultWithoutKey();
    void damagedFilesReadAsDefaults_data();
    void damagedFilesReadAsDefaults();
    void unwritableStoreStaysSilent();
    void placementRule_data();
    void placementRule();
    void keysDown_data();
    void keysDown();
#ifdef _WIN32
    void registryStore();
#endif

private:
    std::unique_ptr<QTemporaryDir> m_root;
    TSettingsKey m_key;
};

void TestSettingsStore::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_key = {m_root->path(), QStringLiteral("\\Software\\VLM-2010-v2")};
}

void TestSettingsStore::keyLifecycle()
{
    QVERIFY(!KeyExists(m_key));
    QCOMPARE(DeleteSettingsKey(m_key), 1);
    WriteIntegerValue(m_key, "FormFLeft", 5); // writing never creates the key
    QVERIFY(!KeyExists(m_key));
    QCOMPARE(EnsureKey(m_key), 0);
    QVERIFY(KeyExists(m_key));
    QVERIFY(QFileInfo::exists(m_root->path() + "/Software/VLM-2010-v2.conf"));
    QCOMPARE(EnsureKey(m_key), 1);
    WriteIntegerValue(m_key, "FormFLeft", 5);
    QCOMPARE(ReadIntegerValue(m_key, "FormFLeft"), 5);
    QCOMPARE(DeleteSettingsKey(m_key), 0);
    QVERIFY(!KeyExists(m_key));
    QCOMPARE(ReadIntegerValue(m_key, "FormFLeft"), 0);
}

void TestSettingsStore::keyPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("ensure");
    QTest::newRow("trimmed") << " \\Software\\VLM-2010-v2\t" << 0;
    QTest::newRow("relative") << "Software\\VLM-2010-v2" << 2;
    QTest::newRow("empty") << "   " << 2;
    QTest::newRow("only a backslash") << "\\" << 2;
    QTest::newRow("climbing out") << "\\..\\..\\etc" << 2;
}

void TestSettingsStore::keyPaths()
{
    QFETCH(QString, path);
    const TSettingsKey key{m_root->path(), path};
    QTEST(EnsureKey(key), "ensure");
    QCOMPARE(DeleteSettingsKey(key), EnsureKey(key) == 1 ? 0 : 1);
}

void TestSettingsStore::deleteTouchesNothingElse_data()
{
    // How the things beside the key are made: a folder of the key's name, as a
    // link to a foreign folder or a real one, or the key file a link itself.
    QTest::addColumn<QString>("layout");
    QTest::newRow("folder of the key's name links a foreign folder") << "linked folder";
    QTest::newRow("real folder of the key's name") << "folder";
    QTest::newRow("key file links a foreign file") << "linked file";
}

void TestSettingsStore::deleteTouchesNothingElse()
{
    QFETCH(QString, layout);
    QTemporaryDir foreign;
    QVERIFY(foreign.isValid());
    const QString foreignFile = foreign.filePath(QStringLiteral("keep.conf"));
    {
        QFile file(foreignFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("[General]\nFormFLeft=7\n") > 0);
    }
    const QString keyFile = SettingsFilePath(m_key);
    const QString beside = keyFile.chopped(5); // the key's name without ".conf"
    if (layout == QLatin1String("linked file")) {
        QVERIFY(QDir().mkpath(QFileInfo(keyFile).absolutePath()));
        QVERIFY(QFile::link(foreignFile, keyFile));
    } else {
        QCOMPARE(EnsureKey(m_key), 0);
        if (layout == QLatin1String("linked folder")) {
            QVERIFY(QFile::link(foreign.path(), beside));
        } else {
            QVERIFY(QDir().mkpath(beside));
            QVERIFY(QFile::copy(foreignFile, beside + QStringLiteral("/keep.conf")));
        }
    }
    QVERIFY(KeyExists(m_key));
    QCOMPARE(DeleteSettingsKey(m_key), 0);
    QVERIFY(!KeyExists(m_key));
    QVERIFY(!QFileInfo(keyFile).isSymLink());
    QVERIFY(QFileInfo(foreignFile).isFile());
    if (layout == QLatin1String("folder"))
        QVERIFY(QFileInfo::exists(beside + QStringLiteral("/keep.conf")));
}

void TestSettingsStore::typedRoundTrip()
{
    QCOMPARE(EnsureKey(m_key), 0);
    WriteStringValue(m_key, "Ed_a", "6");
    WriteStringValue(m_key, "Ed_b", "");
    WriteStringValue(m_key, "Ed_note", "a, b; \"c\" = д");
    WriteIntegerValue(m_key, "FormFTop", -42);
    WriteIntegerValue(m_key, "Pan_aColor", 0xFF0000);
    WriteBoolValue(m_key, "ChBoxPChecked", true);
    WriteBoolValue(m_key, "ChBoxKrOblChecked", false);
    QCOMPARE(ReadStringValue(m_key, "Ed_a"), QString("6"));
    QCOMPARE(ReadStringValue(m_key, "Ed_b"), QString(""));
    QCOMPARE(ReadStringValue(m_key, "Ed_note"), QString("a, b; \"c\" = д"));
    QCOMPARE(ReadIntegerValue(m_key, "FormFTop"), -42);
    QCOMPARE(ReadIntegerValue(m_key, "Pan_aColor"), 0xFF0000);
    QCOMPARE(ReadBoolValue(m_key, "ChBoxPChecked"), true);
    QCOMPARE(ReadBoolValue(m_key, "ChBoxKrOblChecked"), false);
    // A text where a number is expected reads as 0.
    QCOMPARE(ReadIntegerValue(m_key, "Ed_note"), 0);
    QCOMPARE(ReadStringValue(m_key, "Missing"), QString());
}

void TestSettingsStore::readsDefaultWithoutKey()
{
    QCOMPARE(ReadIntegerValue(m_key, "FormFLeft"), 0);
    QCOMPARE(ReadStringValue(m_key, "Ed_a"), QString());
    QCOMPARE(ReadBoolValue(m_key, "ChBoxPChecked"), false);
}

void TestSettingsStore::damagedFilesReadAsDefaults_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("left");
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("truncated") << QByteArray("[General]\nFormFLeft=12\nFormFTo") << 0;
    QTest::newRow("garbage") << QByteArray("\x00\xff\xfe[[[=\x01\x02\n=\n\xc0", 14) << 0;
    QTest::newRow("out of range") << QByteArray("[General]\nFormFLeft=99999999999\n") << 0;
    QTest::newRow("wrong type") << QByteArray("[General]\nFormFLeft=@Variant(garbage)\n") << 0;
    QTest::newRow("list") << QByteArray("[General]\nFormFLeft=1, 2\n") << 0;
}

void TestSettingsStore::damagedFilesReadAsDefaults()
{
    QFETCH(QByteArray, content);
    QCOMPARE(EnsureKey(m_key), 0);
    QFile file(SettingsFilePath(m_key));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QTEST(ReadIntegerValue(m_key, "FormFLeft"), "left");
    QCOMPARE(ReadStringValue(m_key, "Ed_a"), QString());
    // The store still takes new values.
    WriteIntegerValue(m_key, "FormFWidth", 300);
    QCOMPARE(ReadIntegerValue(m_key, "FormFWidth"), 300);
}

void TestSettingsStore::unwritableStoreStaysSilent()
{
#ifdef _WIN32
    QSKIP("Windows has no owner permissions on folders to take away");
#else
    if (geteuid() == 0)
        QSKIP("root writes read-only folders");
#endif
    QCOMPARE(EnsureKey(m_key), 0);
    WriteIntegerValue(m_key, "FormFLeft", 7);
    const QString folder = QFileInfo(SettingsFilePath(m_key)).absolutePath();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    QFile::setPermissions(SettingsFilePath(m_key), QFile::ReadOwner);
    WriteIntegerValue(m_key, "FormFLeft", 8);
    QCOMPARE(ReadIntegerValue(m_key, "FormFLeft"), 7);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestSettingsStore::placementRule_data()
{
    QTest::addColumn<QList<int>>("placement"); // left width top height
    QTest::addColumn<QSize>("minimum");        // the window's smallest size
    QTest::addColumn<bool>("accepted");
    const QSize none(0, 0);
    const QSize main(278, 219);
    QTest::newRow("design") << QList<int>{334, 286, 43, 246} << none << true;
    QTest::newRow("exactly screen wide") << QList<int>{0, 1280, 0, 100} << none << true;
    QTest::newRow("one pixel too wide") << QList<int>{1, 1280, 0, 100} << none << false;
    QTest::newRow("exactly screen high") << QList<int>{0, 100, 24, 1000} << none << true;
    QTest::newRow("one pixel too high") << QList<int>{0, 100, 25, 1000} << none << false;
    QTest::newRow("width 10") << QList<int>{0, 10, 0, 100} << none << false;
    QTest::newRow("height 10") << QList<int>{0, 100, 0, 10} << none << false;
    QTest::newRow("width 10 though the minimum is larger")
        << QList<int>{0, 10, 0, 100} << main << false;
    QTest::newRow("negative left") << QList<int>{-1, 100, 0, 100} << none << false;
    QTest::newRow("negative top") << QList<int>{0, 100, -1, 100} << none << false;
    QTest::newRow("absent values") << QList<int>{0, 0, 0, 0} << none << false;
    QTest::newRow("sum beyond 32 bits")
        << QList<int>{2147483647, 2147483647, 0, 100} << none << false;
    QTest::newRow("tiny in the corner, opened at the minimum")
        << QList<int>{1260, 11, 1000, 11} << main << false;
    QTest::newRow("tiny, the minimum just fits") << QList<int>{1002, 11, 805, 11} << main << true;
    QTest::newRow("tiny, the minimum one pixel too wide")
        << QList<int>{1003, 11, 805, 11} << main << false;
    QTest::newRow("tiny, the minimum one pixel too high")
        << QList<int>{1002, 11, 806, 11} << main << false;
    QTest::newRow("larger than the minimum") << QList<int>{980, 300, 800, 224} << main << true;
}

void TestSettingsStore::placementRule()
{
    QFETCH(QList<int>, placement);
    QFETCH(QSize, minimum);
    QTEST(PlacementAcceptable(placement[0], placement[1], placement[2], placement[3],
                              QSize(1280, 1024), minimum),
          "accepted");
}

void TestSettingsStore::keysDown_data()
{
    QTest::addColumn<QList<int>>("held");
    QTest::addColumn<uint>("mask");
    QTest::addColumn<bool>("down");
    QTest::newRow("no bits") << QList<int>{} << 0u << true;
    QTest::newRow("shift") << QList<int>{VkShift} << KeyMaskShift << true;
    QTest::newRow("shift not held") << QList<int>{VkControl} << KeyMaskShift << false;
    QTest::newRow("ctrl") << QList<int>{VkControl} << KeyMaskCtrl << true;
    QTest::newRow("left ctrl only") << QList<int>{VkLControl} << KeyMaskCtrl << false;
    QTest::newRow("ctrl and shift both needed")
        << QList<int>{VkControl} << (KeyMaskCtrl | KeyMaskShift) << false;
    QTest::newRow("bits without keys ignored") << QList<int>{} << 0xFE000000u << true;
    QTest::newRow("caps lock bit") << QList<int>{20} << (1u << 23) << true;
}

void TestSettingsStore::keysDown()
{
    QFETCH(QList<int>, held);
    QFETCH(uint, mask);
    TFixedKeyboardSource keys;
    for (int vk : held)
        keys.Press(uint8_t(vk));
    QTEST(KeysDown(mask, keys), "down");
    keys.readable = false;
    QCOMPARE(KeysDown(mask, keys), false);
}

#ifdef _WIN32
// The program's own medium on Windows, in a key of the test's own that stands
// for HKEY_CURRENT_USER: the value types are the registry's, the key's
// lifecycle and the defaults as with the file.
void TestSettingsStore::registryStore()
{
    QCOMPARE(DefaultSettingsRoot(), QStringLiteral("HKEY_CURRENT_USER"));
    const QString base = QStringLiteral("Software\\VelmarTests\\%1").arg(GetCurrentProcessId());
    const TSettingsKey key{QStringLiteral("HKEY_CURRENT_USER\\") + base,
                           QStringLiteral("\\Software\\VLM-2010-v2")};
    const std::wstring subkey = (base + QStringLiteral("\\Software\\VLM-2010-v2")).toStdWString();
    auto type = [&](const wchar_t *name) {
        DWORD kind = REG_NONE;
        return RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND,
                            &kind, nullptr, nullptr) == ERROR_SUCCESS
                   ? kind
                   : DWORD(REG_NONE);
    };
    struct TCleanUp {
        std::wstring base;
        ~TCleanUp() { RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str()); }
    } cleanUp{base.toStdWString()};

    QVERIFY(!KeyExists(key));
    QCOMPARE(DeleteSettingsKey(key), 1);
    WriteIntegerValue(key, "FormFLeft", 5); // writing never creates the key
    QVERIFY(!KeyExists(key));
    QCOMPARE(ReadIntegerValue(key, "FormFLeft"), 0);
    QCOMPARE(EnsureKey(key), 0);
    QCOMPARE(EnsureKey(key), 1);
    QVERIFY(KeyExists(key));
    QCOMPARE(EnsureKey({key.root, QStringLiteral("Software\\VLM-2010-v2")}), 2);

    WriteStringValue(key, "Ed_a", "6");
    WriteStringValue(key, "Ed_b", "");
    WriteStringValue(key, "Ed_note", "a, b; \"c\" = д @x");
    WriteIntegerValue(key, "FormFTop", -42);
    WriteBoolValue(key, "ChBoxPChecked", true);
    QCOMPARE(type(L"Ed_a"), DWORD(REG_SZ));
    QCOMPARE(type(L"Ed_b"), DWORD(REG_SZ));
    QCOMPARE(type(L"FormFTop"), DWORD(REG_DWORD));
    QCOMPARE(type(L"ChBoxPChecked"), DWORD(REG_DWORD));
    QCOMPARE(ReadStringValue(key, "Ed_a"), QString("6"));
    QCOMPARE(ReadStringValue(key, "Ed_b"), QString(""));
    QCOMPARE(ReadStringValue(key, "Ed_note"), QString("a, b; \"c\" = д @x"));
    QCOMPARE(ReadIntegerValue(key, "FormFTop"), -42);
    QCOMPARE(ReadBoolValue(key, "ChBoxPChecked"), true);
    // A value of another kind reads as the default of the kind asked for.
    QCOMPARE(ReadIntegerValue(key, "Ed_a"), 0);
    QCOMPARE(ReadStringValue(key, "FormFTop"), QString());
    QCOMPARE(ReadBoolValue(key, "Ed_a"), false);
    QCOMPARE(ReadStringValue(key, "Missing"), QString());
    // REG_EXPAND_SZ is text too, taken as stored.
    const wchar_t expandable[] = L"%TEMP%";
    QCOMPARE(RegSetKeyValueW(HKEY_CURRENT_USER, subkey.c_str(), L"Ed_c", REG_EXPAND_SZ, expandable,
                             sizeof expandable),
             LONG(ERROR_SUCCESS));
    QCOMPARE(ReadStringValue(key, "Ed_c"), QStringLiteral("%TEMP%"));

    // Deleting takes the subkeys with it.
    HKEY child = nullptr;
    QCOMPARE(RegCreateKeyExW(HKEY_CURRENT_USER, (subkey + L"\\Child").c_str(), 0, nullptr, 0,
                             KEY_WRITE, nullptr, &child, nullptr),
             LONG(ERROR_SUCCESS));
    RegCloseKey(child);
    QCOMPARE(DeleteSettingsKey(key), 0);
    QVERIFY(!KeyExists(key));
    QCOMPARE(ReadStringValue(key, "Ed_a"), QString());
}
#endif

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
