#include <QtTest>
#include <cmath>

#include "camera/GeometryFunctions.h"

Q_DECLARE_METATYPE(QList<QPointF>)

namespace {
QList<QPointF> onCircle(double cx, double cy, double r, QList<double> degrees)
{
    QList<QPointF> pts;
    for (double d : degrees) {
        const double a = d * M_PI / 180.0;
        pts << QPointF(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    return pts;
}

QList<QPointF> scaled(QList<QPointF> pts, int index, double factor)
{
    pts[index] *= factor;
    return pts;
}
}

class TestGeometry : public QObject
{
    Q_OBJECT
private slots:
    void intersection_data();
    void intersection();
    void circleFit_data();
    void circleFit();
    void lineAngle_data();
    void lineAngle();
};

void TestGeometry::intersection_data()
{
    QTest::addColumn<QVector<sLineParam>>("lines");
    QTest::addColumn<QPoint>("expected");
    const QPoint none(-999999, -999999);
    QTest::newRow("one line") << QVector<sLineParam>{{1, 0, false}} << none;
    QTest::newRow("three lines") << QVector<sLineParam>{{1, 0, false}, {-1, 640, false}, {0, 5, false}} << none;
    QTest::newRow("nearly parallel") << QVector<sLineParam>{{1.000f, 0, false}, {1.005f, 50, false}} << none;
    QTest::newRow("just not parallel") << QVector<sLineParam>{{1.0f, 0, false}, {1.02f, -2, false}} << QPoint(100 - 320, 320 - 100);
    QTest::newRow("vertical first, unrounded column in y")
        << QVector<sLineParam>{{500, 400.4f, false}, {0, 100, false}} << QPoint(80, 220);
    QTest::newRow("vertical first, sloped second")
        << QVector<sLineParam>{{500, 100.4f, false}, {2, 10, false}} << QPoint(100 - 320, 320 - 211);
    // The row is taken at the crossing's own column, on the flatter line:
    // not at the rounded column (210), not on the steep line in single
    // precision (128).
    QTest::newRow("vertical second, row at the unrounded column")
        << QVector<sLineParam>{{2, 10, false}, {500, 100.4f, false}} << QPoint(100 - 320, 320 - 211);
    QTest::newRow("steep first line, row on the flat one")
        << QVector<sLineParam>{{300, -46222, false}, {0.5f, 50.25f, false}} << QPoint(154 - 320, 320 - 127);
    QTest::newRow("cross at the centre") << QVector<sLineParam>{{1, 0, false}, {-1, 640, false}} << QPoint(0, 0);
    QTest::newRow("reference flag ignored") << QVector<sLineParam>{{1, 0, true}, {-1, 640, true}} << QPoint(0, 0);
    QTest::newRow("half rounds away from zero")
        << QVector<sLineParam>{{0, 100.5f, false}, {500, -10.5f, false}} << QPoint(-11 - 320, 320 - 101);
}

void TestGeometry::intersection()
{
    QFETCH(QVector<sLineParam>, lines);
    QFETCH(QPoint, expected);
    QCOMPARE(CalculateIntersection(lines), expected);
}

void TestGeometry::circleFit_data()
{
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("tolerance");
    const QList<double> five{0, 72, 144, 216, 288};
    QTest::newRow("four points") << onCircle(0, 0, 10, {0, 90, 180, 270}) << 0.0 << 0.0;
    QTest::newRow("five on radius 10") << onCircle(3, -2, 10, five) << 10.0 << 1e-4;
    QTest::newRow("eight on a short arc") << onCircle(-40, 25, 7.5, {10, 20, 30, 40, 50, 60, 70, 80}) << 7.5 << 1e-4;
    // One point pushed out: the fit follows it with a mean squared residual
    // of 0.17 (kept) or 0.91 (rejected).
    QTest::newRow("small residual kept") << scaled(onCircle(0, 0, 10, five), 2, 1.15) << 10.3187 << 1e-3;
    QTest::newRow("large residual rejected") << scaled(onCircle(0, 0, 10, five), 2, 1.35) << 0.0 << 0.0;
    QTest::newRow("radius 9000 kept") << onCircle(0, 0, 9000, {0, 10, 20, 30, 40}) << 9000.0 << 1.0;
    QTest::newRow("radius above 9999 rejected") << onCircle(0, 0, 20000, {0, 10, 20, 30, 40}) << 0.0 << 0.0;
    QTest::newRow("collinear") << QList<QPointF>{{0, 0}, {1, 2}, {2, 4}, {3, 6}, {4, 8}} << 0.0 << 0.0;
    QTest::newRow("one column") << QList<QPointF>{{5, 0}, {5, 1}, {5, 2}, {5, 3}, {5, 4}} << 0.0 << 0.0;
    QTest::newRow("one row") << QList<QPointF>{{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}} << 0.0 << 0.0;
    QTest::newRow("repeated point") << QList<QPointF>{{2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 3}} << 0.0 << 0.0;
    QTest::newRow("two positions repeated") << QList<QPointF>{{0, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 0}} << 0.0 << 0.0;
}

void TestGeometry::circleFit()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(double, expected);
    QFETCH(double, tolerance);
    const float r = circle_5p(points);
    QVERIFY2(std::isfinite(r), "radius must be finite");
    if (expected == 0.0)
        QCOMPARE(r, 0.0f);
    else
        QVERIFY2(std::fabs(r - expected) <= tolerance, qPrintable(QString::number(r, 'f', 6)));
}

void TestGeometry::lineAngle_data()
{
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<double>("expected");
    QTest::newRow("to -x") << QList<QPointF>{{0, 0}, {-1, 0}} << 0.0;
    QTest::newRow("to +x") << QList<QPointF>{{0, 0}, {1, 0}} << 180.0;
    QTest::newRow("to +y") << QList<QPointF>{{0, 0}, {0, 1}} << 90.0;
    QTest::newRow("to -y") << QList<QPointF>{{0, 0}, {0, -1}} << -90.0;
    QTest::newRow("to -x -y") << QList<QPointF>{{0, 0}, {-1, -1}} << -45.0;
    QTest::newRow("to -x +y") << QList<QPointF>{{0, 0}, {-1, 1}} << 45.0;
    QTest::newRow("to +x +y") << QList<QPointF>{{0, 0}, {1, 1}} << 135.0;
    QTest::newRow("to +x -y") << QList<QPointF>{{0, 0}, {1, -1}} << -135.0;
    QTest::newRow("equal points") << QList<QPointF>{{2, 2}, {2, 2}} << 90.0;
    QTest::newRow("only the first two count") << QList<QPointF>{{0, 0}, {-1, 0}, {5, 9}} << 0.0;
    QTest::newRow("one point") << QList<QPointF>{{3, 4}} << 0.0;
    QTest::newRow("none") << QList<QPointF>{} << 0.0;
    QTest::newRow("offset 30 degrees") << QList<QPointF>{{10, 10}, {10 - std::sqrt(3.0), 11}} << 30.0;
}

void TestGeometry::lineAngle()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(double, expected);
    const float a = line_2p(points);
    QVERIFY2(std::fabs(a - expected) < 1e-4, qPrintable(QString::number(a, 'f', 6)));
    QVERIFY(a > -180.0f && a <= 180.0f);
}

QTEST_GUILESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
