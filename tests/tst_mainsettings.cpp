#include "headless/Standins.h"
#include "mainwin/MainSettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <optional>

namespace {

const QSize Screen(1280, 1024);
const QSize Minimum(200, 150); // the window's smallest size

// Field texts in the order a, b, c, d, m, n, k, t, s.
using TTexts = QStringList;

TTexts TextsOf(const TTextFields &fields)
{
    TTexts texts;
    for (const std::string &text : fields.texts)
        texts << QString::fromStdString(text);
    return texts;
}

} // namespace

class TestMainSettings : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    TSettingsKey m_key;
    TSettingsStore m_store;

    void store(const QVariantMap &values)
    {
        QCOMPARE(EnsureKey(m_key) == 2, false);
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (it.value().typeId() == QMetaType::Int)
                WriteIntegerValue(m_key, it.key(), it.value().toInt());
            else
                WriteStringValue(m_key, it.key(), it.value().toString());
        }
    }

    std::optional<TPlacement> load(TTextFields &fields)
    {
        std::optional<TPlacement> placed;
        LoadMainSettings(m_key, fields, fields.table, fields.editBusy, Screen, Minimum,
                         [&placed](const TPlacement &p) { placed = p; });
        return placed;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_key = {m_dir->path(), QStringLiteral("\\Software\\VLM-2010-v2")};
        m_store = {m_key};
    }

    void readingOrder_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<TTexts>("shown");

        QTest::newRow("cells give the margins; stored margins unread")
            << QVariantMap{{"Ed_a", "6"},  {"Ed_b", "3"},  {"Ed_c", "3"}, {"Ed_d", "2"},
                           {"Ed_m", "99"}, {"Ed_k", "98"}, {"Ed_s", "97"}}
            << TTexts{"6", "3", "3", "2", "9", "5", "9", "5", "14"};
        QTest::newRow("a with margins") << QVariantMap{{"Ed_a", "4"}, {"Ed_b", ""},  {"Ed_c", ""},
                                                       {"Ed_d", ""},  {"Ed_m", "8"}, {"Ed_n", "2"},
                                                       {"Ed_k", "6"}, {"Ed_t", "4"}, {"Ed_s", "10"}}
                                        << TTexts{"4", "", "", "", "8", "", "6", "", "10"};
        // Any one empty cell is enough.
        QTest::newRow("d empty: the margins are read")
            << QVariantMap{{"Ed_a", "6"}, {"Ed_b", "3"}, {"Ed_c", "3"},
                           {"Ed_m", "9"}, {"Ed_k", "9"}, {"Ed_s", "14"}}
            << TTexts{"6", "", "", "", "9", "", "9", "", "14"};
        QTest::newRow("a empty: the margins are read")
            << QVariantMap{{"Ed_b", "3"}, {"Ed_c", "3"}, {"Ed_d", "2"},
                           {"Ed_m", "8"}, {"Ed_k", "6"}, {"Ed_s", "10"}}
            << TTexts{"", "", "", "", "8", "", "6", "", "10"};
        QTest::newRow("texts trimmed and normalised")
            << QVariantMap{{"Ed_a", " 007\t"}, {"Ed_m", " 12\n"}, {"Ed_k", "8"}, {"Ed_s", " 0012 "}}
            << TTexts{"7", "", "", "", "12", "", "8", "", "12"};
        QTest::newRow("text not a number, negative number")
            << QVariantMap{{"Ed_m", "x"}, {"Ed_k", "-3"}, {"Ed_s", "5"}}
            << TTexts{"", "", "", "", "0", "", "", "", "5"};
        QTest::newRow("stored total lowers the margins")
            << QVariantMap{{"Ed_m", "8"}, {"Ed_k", "6"}, {"Ed_s", "5"}}
            << TTexts{"", "", "", "", "5", "", "5", "", "5"};
        QTest::newRow("total below a stored a empties it")
            << QVariantMap{{"Ed_a", "5"}, {"Ed_m", "8"}, {"Ed_k", "6"}, {"Ed_s", "3"}}
            << TTexts{"", "", "", "", "3", "", "3", "", "3"};
        QTest::newRow("key without values")
            << QVariantMap{} << TTexts{"", "", "", "", "", "", "", "", ""};
    }

    void readingOrder()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(TTexts, shown);
        store(stored);
        TTextFields fields;
        load(fields);
        QCOMPARE(TextsOf(fields), shown);
        QVERIFY(!fields.editBusy);
    }

    void placementRule_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("applied");
        QTest::newRow("inside") << 100 << 300 << 50 << 250 << true;
        QTest::newRow("exactly as wide as the screen") << 280 << 1000 << 0 << 1024 << true;
        QTest::newRow("one pixel wider") << 281 << 1000 << 0 << 200 << false;
        QTest::newRow("one pixel taller") << 0 << 200 << 25 << 1000 << false;
        QTest::newRow("width 10") << 100 << 10 << 50 << 250 << false;
        QTest::newRow("height 11") << 100 << 11 << 50 << 11 << true;
        QTest::newRow("tiny, its minimum beyond the corner") << 1100 << 11 << 900 << 11 << false;
        QTest::newRow("left of the screen") << -1 << 300 << 50 << 250 << false;
        QTest::newRow("never stored") << 0 << 0 << 0 << 0 << false;
        QTest::newRow("sum beyond 32 bits") << 2147483600 << 2147483600 << 0 << 100 << false;
    }

    void placementRule()
    {
        QFETCH(int, left);
        QFETCH(int, width);
        QFETCH(int, top);
        QFETCH(int, height);
        QFETCH(bool, applied);
        store({{"FormFLeft", left},
               {"FormFWidth", width},
               {"FormFTop", top},
               {"FormFHeight", height}});
        TTextFields fields;
        const auto placed = load(fields);
        QCOMPARE(placed.has_value(), applied);
        if (applied) {
            QCOMPARE(placed->left, left);
            QCOMPARE(placed->width, width);
            QCOMPARE(placed->top, top);
            QCOMPARE(placed->height, height);
        }
    }

    void missingOrUnreadableStore_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("no key") << QByteArray();
        QTest::newRow("not a settings file") << QByteArray("\x01\x02garbage[[[\n=\n\xff\xfe");
        QTest::newRow("values of another kind")
            << QByteArray("[General]\nEd_a=1, 2\nFormFLeft=abc\nFormFWidth=@Variant(\\0)\n");
    }

    void missingOrUnreadableStore()
    {
        QFETCH(QByteArray, content);
        if (!content.isEmpty()) {
            QCOMPARE(EnsureKey(m_key), 0);
            QFile file(SettingsFilePath(m_key));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        TTextFields fields;
        QVERIFY(!load(fields).has_value());
        QCOMPARE(TextsOf(fields), (TTexts{"", "", "", "", "", "", "", "", ""}));
        QCOMPARE(fields.table.a, -1);
    }

    void editBusyRestored()
    {
        store({{"Ed_a", "1"}});
        TTextFields fields;
        fields.editBusy = true;
        load(fields);
        QVERIFY(fields.editBusy);
    }

    void saveWritesThirteenValues()
    {
        TTextFields fields;
        fields.texts = {"6", "3", "", "2", " 9", "5", "x", "", "14"};
        SaveMainSettings(m_store, fields, {334, 278, 43, 219});
        QVERIFY(KeyExists(m_key));
        const char *names[] = {"Ed_a", "Ed_b", "Ed_c", "Ed_d", "Ed_m",
                               "Ed_n", "Ed_k", "Ed_t", "Ed_s"};
        for (int i = 0; i < FieldCount; ++i)
            QCOMPARE(ReadStringValue(m_key, QLatin1String(names[i])),
                     QString::fromStdString(fields.texts[size_t(i)]));
        QCOMPARE(ReadIntegerValue(m_key, QStringLiteral("FormFLeft")), 334);
        QCOMPARE(ReadIntegerValue(m_key, QStringLiteral("FormFWidth")), 278);
        QCOMPARE(ReadIntegerValue(m_key, QStringLiteral("FormFTop")), 43);
        QCOMPARE(ReadIntegerValue(m_key, QStringLiteral("FormFHeight")), 219);
        QSettings raw(SettingsFilePath(m_key), QSettings::IniFormat);
        QCOMPARE(raw.allKeys().size(), 13);
    }

    void savePositionsOnlyWhereKnown_data()
    {
        QTest::addColumn<bool>("known");
        QTest::addColumn<QList<int>>("stored"); // left width top height after the save
        QTest::newRow("known") << true << QList<int>{-3, 300, -30, 250};
        // Under Wayland the window reads as standing at -3, -30.
        QTest::newRow("unknown: the earlier position stays") << false << QList<int>{5, 300, 6, 250};
    }

    void savePositionsOnlyWhereKnown()
    {
        QFETCH(bool, known);
        store({{"FormFLeft", 5}, {"FormFWidth", 100}, {"FormFTop", 6}, {"FormFHeight", 90}});
        m_store.SavePositions = known;
        TTextFields fields;
        fields.texts[0] = "4";
        SaveMainSettings(m_store, fields, {-3, 300, -30, 250});
        QTEST((QList<int>{
                  ReadIntegerValue(m_key, "FormFLeft"), ReadIntegerValue(m_key, "FormFWidth"),
                  ReadIntegerValue(m_key, "FormFTop"), ReadIntegerValue(m_key, "FormFHeight")}),
              "stored");
        QCOMPARE(ReadStringValue(m_key, "Ed_a"), QStringLiteral("4"));
    }

    void saveRoundTrip()
    {
        TTextFields saved;
        saved.texts = {"8", "2", "1", "5", "10", "6", "9", "7", "16"};
        SaveMainSettings(m_store, saved, {10, 300, 20, 250});
        TTextFields restored;
        const auto placed = load(restored);
        QCOMPARE(TextsOf(restored), TextsOf(saved));
        QVERIFY(placed.has_value());
        QCOMPARE(placed->width, 300);
        QCOMPARE(restored.table.s, 16);
    }

    void saveDisabled()
    {
        m_store.SaveEnabled = false;
        TTextFields fields;
        SaveMainSettings(m_store, fields, {1, 100, 1, 100});
        QVERIFY(!KeyExists(m_key));
    }

    void saveToUncreatableKey()
    {
        // The root is a file: the key cannot be created, and nothing is reported.
        QFile blocker(m_dir->filePath(QStringLiteral("root")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const TSettingsStore store{{blocker.fileName(), m_key.path}};
        TTextFields fields;
        SaveMainSettings(store, fields, {1, 100, 1, 100});
        QVERIFY(!KeyExists(store.key));
    }
};

QTEST_GUILESS_MAIN(TestMainSettings)
#include "tst_mainsettings.moc"
