#include "core/Matr.h"

#include <QtTest>

class TestMatr : public QObject {
    Q_OBJECT
private slots:
    void capacityRule_data();
    void capacityRule();
    void readsOutsideGiveZero();
    void putGrowsWithZeros();
    void reset_data();
    void reset();
    void shrinkThenGrowZeroesTail();
    void sumAddsInIndexOrder();
    void appendKeepsOrderAcrossGrowth();
};

void TestMatr::capacityRule_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("capacity");
    QTest::newRow("0") << 0 << 32;
    QTest::newRow("31") << 31 << 32;
    QTest::newRow("32") << 32 << 64;
    QTest::newRow("100") << 100 << 128;
    QTest::newRow("10001") << 10001 << 10016;
}

void TestMatr::capacityRule()
{
    QFETCH(int, n);
    QFETCH(int, capacity);
    clLDVector v;
    QCOMPARE(v.Reset(n), 0);
    QCOMPARE(v.Length(), n);
    QCOMPARE(v.Capacity(), capacity);
    for (int i = 0; i < n; ++i)
        QCOMPARE(v.Get(i), 0.0L);
}

void TestMatr::readsOutsideGiveZero()
{
    clLDVector v;
    QCOMPARE(v.Get(0), 0.0L);
    v.Append(0.5L);
    QCOMPARE(v.Get(-1), 0.0L);
    QCOMPARE(v.Get(1), 0.0L);
    QCOMPARE(v.Get(0), 0.5L);
    v.Put(-3, 7.0L); // ignored
    QCOMPARE(v.Length(), 1);
}

void TestMatr::putGrowsWithZeros()
{
    clLDVector v;
    v.Put(5, 0.25L);
    QCOMPARE(v.Length(), 6);
    QCOMPARE(v.Capacity(), 32);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(v.Get(i), 0.0L);
    QCOMPARE(v.Get(5), 0.25L);
}

void TestMatr::reset_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("capacity");
    // The vector starts with 3 elements in a block of 32.
    QTest::newRow("negative leaves it") << -1 << 1 << 3 << 32;
    QTest::newRow("zero") << 0 << 0 << 0 << 32;
    QTest::newRow("32") << 32 << 0 << 32 << 64;
}

void TestMatr::reset()
{
    QFETCH(int, n);
    clLDVector v;
    for (int i = 0; i < 3; ++i)
        v.Append(1.0L);
    QTEST(v.Reset(n), "status");
    QTEST(v.Length(), "length");
    QTEST(v.Capacity(), "capacity");
}

void TestMatr::shrinkThenGrowZeroesTail()
{
    clLDVector v;
    for (int i = 0; i < 20; ++i)
        v.Append(i + 1);
    v.SetLength(10);
    v.SetLength(20);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(v.Get(i), (long double)(i + 1));
    for (int i = 10; i < 20; ++i)
        QCOMPARE(v.Get(i), 0.0L);
    v.SetLength(-5);
    QCOMPARE(v.Length(), 0);
}

void TestMatr::sumAddsInIndexOrder()
{
    clLDVector v;
    QCOMPARE(v.Sum(), 0.0L);
    v.Append(1.0L);
    v.Append(1e-20L);
    v.Append(-1.0L);
    // In index order the tiny value is absorbed by 1 in extended precision.
    QCOMPARE(v.Sum(), 0.0L);
}

void TestMatr::appendKeepsOrderAcrossGrowth()
{
    clLDVector v;
    for (int i = 0; i < 33; ++i)
        v.Append(i * 0.5L);
    QCOMPARE(v.Length(), 33);
    QCOMPARE(v.Capacity(), 64);
    for (int i = 0; i < 33; ++i)
        QCOMPARE(v.Get(i), i * 0.5L);
}

QTEST_GUILESS_MAIN(TestMatr)
#include "tst_matr.moc"
