#include <QtTest>

#include <cmath>
#include <limits>

#include "shared/RefLength.h"

// A reference in tenths of a micrometre as millimetres and micrometres, and a
// length typed or measured in millimetres as the tenths kept.
class TestRefLength : public QObject
{
    Q_OBJECT
private slots:
    void units_data();
    void units();
    void fromMillimetres_data();
    void fromMillimetres();
};

void TestRefLength::units_data()
{
    QTest::addColumn<qint64>("tenths");
    QTest::addColumn<double>("millimetres");
    QTest::addColumn<int>("micrometres");
    QTest::newRow("zero") << qint64(0) << 0.0 << 0;
    QTest::newRow("half a micrometre rounds up") << qint64(5) << 0.0005 << 1;
    QTest::newRow("half below zero rounds down") << qint64(-5) << -0.0005 << -1;
    QTest::newRow("below the half") << qint64(14) << 0.0014 << 1;
    QTest::newRow("gauge") << qint64(125000) << 12.5 << 12500;
    QTest::newRow("negative gauge") << qint64(-3000001) << -300.0001 << -300000;
    QTest::newRow("two metres") << qint64(20000007) << 2000.0007 << 2000001;
}

void TestRefLength::units()
{
    QFETCH(qint64, tenths);
    QFETCH(double, millimetres);
    QFETCH(int, micrometres);
    const RefLength r{tenths};
    QCOMPARE(r.millimetres(), millimetres);
    QCOMPARE(RefLength::millimetresOf(double(tenths)), millimetres);
    QCOMPARE(r.micrometres(), micrometres);
    // Back to the very tenths, as the machine editor keeps what it shows.
    QCOMPARE(RefLength::ofMillimetres(millimetres).tenths, tenths);
    QCOMPARE(RefLength::ofMillimetres(r.millimetres()), r);
    QCOMPARE(std::llround(RefLength::tenthsOf(millimetres)), tenths);
}

void TestRefLength::fromMillimetres_data()
{
    QTest::addColumn<double>("millimetres");
    QTest::addColumn<qint64>("tenths");
    QTest::newRow("whole tenths") << 0.0123 << qint64(123);
    QTest::newRow("half a tenth rounds up") << 0.00025 << qint64(3);
    QTest::newRow("half a tenth below zero rounds down") << -0.00025 << qint64(-3);
    QTest::newRow("below half a tenth") << 0.00004 << qint64(0);
    QTest::newRow("inch gauge in mm") << 25.4 * 1.5 << qint64(381000);
    QTest::newRow("far but on a scale") << 9.9e10 << qint64(990000000000000);
    QTest::newRow("beyond any scale") << 1e11 << qint64(0);
    QTest::newRow("beyond any scale below zero") << -1e11 << qint64(0);
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << qint64(0);
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << qint64(0);
}

void TestRefLength::fromMillimetres()
{
    QFETCH(double, millimetres);
    QFETCH(qint64, tenths);
    QCOMPARE(RefLength::ofMillimetres(millimetres).tenths, tenths);
}

QTEST_APPLESS_MAIN(TestRefLength)
#include "tst_reflength.moc"
