#include <QFile>
#include <QtTest>

#include <cmath>

#include "app/CameraPalettes.h"
#include "app/MeasureCommands.h"
#include "shared/SharedStruct.h"

using namespace MeasureCommands;

namespace {

sLineParam line(float m, bool reference = false)
{
    sLineParam p;
    p.m = m;
    p.q = 0;
    p.isReference = reference;
    return p;
}

QList<QPointF> circlePoints(double cx, double cz, double r, int n, double spanDegrees)
{
    QList<QPointF> pts;
    for (int i = 0; i < n; ++i) {
        const double a = (spanDegrees * i / (n - 1)) * M_PI / 180.0;
        pts << QPointF(cx + r * std::cos(a), cz + r * std::sin(a));
    }
    return pts;
}

} // namespace

class TestMeasureCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Q_INIT_RESOURCE(mainwin); }

    void micrometres_data();
    void micrometres();
    void angleSlider_data();
    void angleSlider();
    void circleReticle_data();
    void circleReticle();
    void foundLines_data();
    void foundLines();
    void twoPoints_data();
    void twoPoints();
    void fivePoints_data();
    void fivePoints();
    void greyPalette_data();
    void greyPalette();
    void thresholdPalette();
    void inspectionPalette_data();
    void inspectionPalette();
    void vacuumPictures_data();
    void vacuumPictures();
};

void TestMeasureCommands::micrometres_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("isMM");
    QTest::addColumn<int>("expected");
    QTest::newRow("25 mm") << 25.0 << true << 25000;
    QTest::newRow("one inch") << 1.0 << false << 25400;
    QTest::newRow("half inch") << 0.5 << false << 12700;
    QTest::newRow("inch fraction rounds up") << 0.12345 << false << 3136;   // 3135.63
    QTest::newRow("mm fraction rounds to nearest") << 12.3456 << true << 12346;
    QTest::newRow("float-typed half radius") << double(50.0f * 0.5f) << true << 25000;
    QTest::newRow("value just below a micrometre") << 0.0009999 << true << 1;
    QTest::newRow("negative") << -1.2346 << true << -1235;
    QTest::newRow("zero") << 0.0 << false << 0;
    QTest::newRow("beyond the int range, its bound") << 1e30 << true << INT_MAX;
}

void TestMeasureCommands::micrometres()
{
    QFETCH(double, value);
    QFETCH(bool, isMM);
    QFETCH(int, expected);
    QCOMPARE(toMicrometres(value, isMM), expected);
}

void TestMeasureCommands::angleSlider_data()
{
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("snapped");
    QTest::addColumn<QString>("text");
    QTest::newRow("2519 up") << 2519 << 2520 << "25.20";
    QTest::newRow("2511 down") << 2511 << 2510 << "25.10";
    QTest::newRow("2515 kept") << 2515 << 2515 << "25.15";
    QTest::newRow("2510 kept") << 2510 << 2510 << "25.10";
    QTest::newRow("1 to zero") << 1 << 0 << "0.00";
    QTest::newRow("9 to a tenth") << 9 << 10 << "0.10";
    QTest::newRow("8999 to 90") << 8999 << 9000 << "90.00";
    QTest::newRow("top") << 9000 << 9000 << "90.00";
}

void TestMeasureCommands::angleSlider()
{
    QFETCH(int, slider);
    QFETCH(int, snapped);
    QFETCH(QString, text);
    QCOMPARE(snapAngleSlider(slider), snapped);
    QCOMPARE(angleReticleText(slider), text);
}

void TestMeasureCommands::circleReticle_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("isMM");
    QTest::addColumn<double>("mm");
    QTest::addColumn<int>("slider");
    QTest::addColumn<QString>("sliderText");
    QTest::newRow("inch entry") << "0.1234" << false << 3.13436 << 313 << "0.12323";
    QTest::newRow("mm entry") << "1.5" << true << 1.5 << 150 << "1.50";
    QTest::newRow("mm entry truncated") << "1.239" << true << 1.239 << 123 << "1.23";
    QTest::newRow("zero") << "0" << false << 0.0 << 0 << "0.00000";
    QTest::newRow("empty") << "" << true << 0.0 << 0 << "0.00";
}

void TestMeasureCommands::circleReticle()
{
    QFETCH(QString, entry);
    QFETCH(bool, isMM);
    QFETCH(double, mm);
    QFETCH(int, slider);
    QFETCH(QString, sliderText);
    const double got = circleReticleMm(entry, isMM);
    QVERIFY2(std::fabs(got - mm) < 1e-9, qPrintable(QString::number(got, 'f', 8)));
    QCOMPARE(circleSliderValue(got), slider);
    QCOMPARE(circleReticleText(slider, isMM), sliderText);
}

void TestMeasureCommands::foundLines_data()
{
    QTest::addColumn<QVector<sLineParam>>("lines");
    QTest::addColumn<bool>("alternative");
    QTest::addColumn<bool>("rotated");
    QTest::addColumn<QString>("text");
    using V = QVector<sLineParam>;
    QTest::newRow("no line") << V{} << false << false << "";
    QTest::newRow("horizontal") << V{line(0.001f)} << false << false << "0.00";
    QTest::newRow("horizontal, other side") << V{line(0.001f)} << true << false << "180.00";
    QTest::newRow("falling edge") << V{line(1)} << false << false << "-45.00";
    QTest::newRow("falling edge, other side") << V{line(1)} << true << false << "135.00";
    QTest::newRow("rising edge") << V{line(-1)} << false << false << "45.00";
    QTest::newRow("rising edge, other side stays in range") << V{line(-1)} << true << false << "-135.00";
    QTest::newRow("vertical") << V{line(600)} << false << false << "90.00";
    QTest::newRow("steep negative is vertical") << V{line(-500)} << false << false << "90.00";
    QTest::newRow("single line ignores rotation") << V{line(1)} << false << true << "-45.00";
    QTest::newRow("perpendicular") << V{line(1), line(-1)} << false << false << "90.00";
    QTest::newRow("perpendicular, other side") << V{line(1), line(-1)} << true << false << "90.00";
    QTest::newRow("second vertical") << V{line(1), line(500)} << false << false << "-45.00";
    QTest::newRow("second vertical, rotated") << V{line(1), line(500)} << false << true << "45.00";
    QTest::newRow("second is the reference line") << V{line(-1), line(999, true)} << false << false << "45.00";
    QTest::newRow("45 between") << V{line(0), line(1)} << false << false << "45.00";
    QTest::newRow("45 between, other side") << V{line(0), line(1)} << true << false << "135.00";
    QTest::newRow("45 between, rotated") << V{line(0), line(1)} << false << true << "-45.00";
    QTest::newRow("first vertical") << V{line(700), line(0)} << false << false << "90.00";
    QTest::newRow("three lines") << V{line(0), line(1), line(-1)} << false << false << "";
}

void TestMeasureCommands::foundLines()
{
    QFETCH(QVector<sLineParam>, lines);
    QFETCH(bool, alternative);
    QFETCH(bool, rotated);
    QFETCH(QString, text);
    QCOMPARE(foundLinesAngle(lines, alternative, rotated), text);
}

void TestMeasureCommands::twoPoints_data()
{
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("angle");
    QTest::newRow("one point") << QList<QPointF>{{1, 1}} << false << 0.0;
    QTest::newRow("same place twice") << QList<QPointF>{{3, 4}, {3, 4}} << false << 0.0;
    QTest::newRow("along Z") << QList<QPointF>{{5, 0}, {5, 10}} << true << 90.0;
    QTest::newRow("level is a result") << QList<QPointF>{{10, 2}, {0, 2}} << true << 0.0;
    QTest::newRow("diagonal") << QList<QPointF>{{10, 0}, {0, 10}} << true << 45.0;
}

void TestMeasureCommands::twoPoints()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(bool, valid);
    QFETCH(double, angle);
    float got = -12345;
    QCOMPARE(twoPointAngle(points, got), valid);
    if (valid)
        QVERIFY2(std::fabs(got - angle) < 1e-3, qPrintable(QString::number(got)));
}

void TestMeasureCommands::fivePoints_data()
{
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("radius");
    QTest::newRow("quarter arc r5") << circlePoints(20, -30, 5, 5, 90) << true << 5.0;
    QTest::newRow("half arc r0.8") << circlePoints(3, 1, 0.8, 5, 180) << true << 0.8;
    QTest::newRow("four points") << circlePoints(0, 0, 5, 4, 90) << false << 0.0;
    QTest::newRow("collinear")
        << QList<QPointF>{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}} << false << 0.0;
    QTest::newRow("one place five times")
        << QList<QPointF>{{2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}} << false << 0.0;
    QTest::newRow("two places")
        << QList<QPointF>{{0, 0}, {1, 0}, {0, 0}, {1, 0}, {0, 0}} << false << 0.0;
}

void TestMeasureCommands::fivePoints()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(bool, valid);
    QFETCH(double, radius);
    float got = 0;
    QCOMPARE(fivePointRadius(points, got), valid);
    if (valid)
        QVERIFY2(std::fabs(got - radius) < 1e-3, qPrintable(QString::number(got)));
}

void TestMeasureCommands::greyPalette_data()
{
    QTest::addColumn<int>("forceBlack");
    QTest::addColumn<int>("forceWhite");
    QTest::addColumn<int>("firstGrey");   // entries below are black
    QTest::addColumn<int>("firstWhite");  // entries from here are white
    QTest::newRow("defaults") << 0 << 255 << 0 << 256;
    QTest::newRow("20 and 200") << 20 << 200 << 20 << 201;
    QTest::newRow("black above white") << 200 << 100 << 200 << 200;
    QTest::newRow("equal") << 128 << 128 << 128 << 129;
    QTest::newRow("out of range") << -5 << 300 << 0 << 256;
}

void TestMeasureCommands::greyPalette()
{
    QFETCH(int, forceBlack);
    QFETCH(int, forceWhite);
    QFETCH(int, firstGrey);
    QFETCH(int, firstWhite);
    const QVector<QRgb> t = CameraPalettes::grey(forceBlack, forceWhite);
    QCOMPARE(t.size(), 256);
    for (int i = 0; i < 256; ++i) {
        const int v = i < firstGrey ? 0 : (i >= firstWhite ? 255 : i);
        QCOMPARE(t[i], qRgb(v, v, v));
        QCOMPARE(qAlpha(t[i]), 255);
    }
}

void TestMeasureCommands::thresholdPalette()
{
    const QVector<QRgb> t = CameraPalettes::threshold();
    QCOMPARE(t.size(), 256);
    QCOMPARE(t.count(qRgb(85, 170, 0)), 127);
    QCOMPARE(t.count(qRgb(255, 255, 127)), 129);
    QCOMPARE(t[126], qRgb(85, 170, 0));
    QCOMPARE(t[127], qRgb(255, 255, 127));
}

void TestMeasureCommands::inspectionPalette_data()
{
    QTest::addColumn<int>("tint");
    QTest::addColumn<int>("rMask");
    QTest::addColumn<int>("gMask");
    QTest::addColumn<int>("bMask");
    QTest::newRow("white") << int(CameraPalettes::White) << 1 << 1 << 1;
    QTest::newRow("cyan") << int(CameraPalettes::Cyan) << 0 << 1 << 1;
    QTest::newRow("magenta") << int(CameraPalettes::Magenta) << 1 << 0 << 1;
    QTest::newRow("yellow") << int(CameraPalettes::Yellow) << 1 << 1 << 0;
}

void TestMeasureCommands::inspectionPalette()
{
    QFETCH(int, tint);
    QFETCH(int, rMask);
    QFETCH(int, gMask);
    QFETCH(int, bMask);
    const QVector<QRgb> t = CameraPalettes::inspection(tint);
    QCOMPARE(t.size(), 256);
    for (int i = 0; i < 256; ++i)
        QCOMPARE(t[i], qRgba(i * rMask, i * gMask, i * bMask, 255));
}

void TestMeasureCommands::vacuumPictures_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("file");
    QTest::newRow("rotating") << 0 << ":/img/SpindleRotation.png";
    QTest::newRow("no vacuum") << 1 << ":/img/SpindleNo.png";
    QTest::newRow("ok") << 2 << ":/img/SpindleOk.png";
    QTest::newRow("unknown 3") << 3 << "";
    QTest::newRow("negative") << -1 << "";
}

void TestMeasureCommands::vacuumPictures()
{
    QFETCH(int, state);
    QFETCH(QString, file);
    QCOMPARE(vacuumPicture(state), file);
    if (!file.isEmpty())
        QVERIFY2(QFile::exists(file), qPrintable(file));
}

QTEST_GUILESS_MAIN(TestMeasureCommands)
#include "tst_measurecommands.moc"
