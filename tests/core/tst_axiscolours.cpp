#include <QtTest>

#include <cmath>
#include <limits>

#include "app/AxisDisplay.h"

// The colour of an X or Z read-out by the state of its axis.
class TestAxisColours : public QObject
{
    Q_OBJECT
private slots:
    void linear_data();
    void linear();
};

namespace {
const char kRed[] = "QLabel {color: red}";
const char kOrange[] = "QLabel{color:rgb(255,160,16);}";
const char kFrozenWhite[] = "QLabel{color:white;}";
const char kNoName[] = "QLabel {color: yellow}";
const char kIncr[] = "QLabel{color:yellow;}";
const char kGreen[] = "QLabel{color:rgb(18,255,57);}";
const char kWhite[] = "QLabel{color:white;}";
}

void TestAxisColours::linear_data()
{
    QTest::addColumn<bool>("referenced");
    QTest::addColumn<bool>("frozen");
    QTest::addColumn<float>("angle");
    QTest::addColumn<bool>("noName");
    QTest::addColumn<bool>("incremental");
    QTest::addColumn<bool>("autocoll");
    QTest::addColumn<QString>("style");

    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Not referenced wins over everything.
    QTest::newRow("unreferenced") << false << false << 0.f << false << false << false << kRed;
    QTest::newRow("unreferenced frozen") << false << true << 0.f << false << false << false << kRed;
    QTest::newRow("unreferenced incr no name") << false << false << 0.f << true << true << true << kRed;
    // Frozen image: orange with an unrotated line, else white; hides the rest.
    QTest::newRow("frozen") << true << true << 0.f << false << false << false << kOrange;
    QTest::newRow("frozen rotated") << true << true << 12.5f << false << false << false << kFrozenWhite;
    QTest::newRow("frozen NaN angle") << true << true << nan << false << false << false << kFrozenWhite;
    QTest::newRow("frozen hides incr and autocoll") << true << true << 0.f << true << true << true << kOrange;
    // No machine name, then incremental mode.
    QTest::newRow("no name") << true << false << 0.f << true << false << false << kNoName;
    QTest::newRow("no name beats autocoll") << true << false << 0.f << true << false << true << kNoName;
    QTest::newRow("incremental") << true << false << 0.f << false << true << false << kIncr;
    QTest::newRow("incremental beats autocoll") << true << false << 0.f << false << true << true << kIncr;
    // Auto-collimation only with an exactly unrotated line.
    QTest::newRow("autocoll") << true << false << 0.f << false << false << true << kGreen;
    QTest::newRow("autocoll rotated a little") << true << false << 0.0001f << false << false << true << kWhite;
    QTest::newRow("autocoll negative zero") << true << false << -0.f << false << false << true << kGreen;
    QTest::newRow("autocoll NaN angle") << true << false << nan << false << false << true << kWhite;
    QTest::newRow("plain") << true << false << 0.f << false << false << false << kWhite;
    QTest::newRow("plain rotated") << true << false << 45.f << false << false << false << kWhite;
}

void TestAxisColours::linear()
{
    QFETCH(bool, referenced);
    QFETCH(bool, frozen);
    QFETCH(float, angle);
    QFETCH(bool, noName);
    QFETCH(bool, incremental);
    QFETCH(bool, autocoll);
    QFETCH(QString, style);
    AxisDisplay::LinearState s;
    s.referenced = referenced;
    s.frozen = frozen;
    s.cameraAngle = angle;
    s.noMachineName = noName;
    s.incremental = incremental;
    s.autocollimation = autocoll;
    QCOMPARE(AxisDisplay::linearStyle(s), style);
}

QTEST_GUILESS_MAIN(TestAxisColours)
#include "tst_axiscolours.moc"
