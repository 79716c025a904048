#include <QtTest>
#include <cmath>
#include <memory>

#include "camera/EdgeSearch.h"
#include "support/SyntheticScene.h"

namespace {

const int W = 1280, H = 1024;
const QPoint kNone(-999999, -999999);

// The search with its notifications recorded.
class Probe : public CEdgeSearch
{
public:
    QByteArray frame;
    QVector<QVector<sLineParam>> lineSignals;
    QVector<QPair<QPoint, int>> circleSignals;
    QVector<QPair<int, bool>> inPosSignals;
    QStringList order;

    void use(const QByteArray &f) { frame = f; setFrame(reinterpret_cast<const uchar *>(frame.constData()), W, H); }
    void show(const SyntheticScene &scene) { use(scene.render()); }
    void run(const SyntheticScene &scene) { run(scene.render()); }
    void run(const QByteArray &f)
    {
        frame = f;
        processFrame(reinterpret_cast<const uchar *>(frame.constData()), W, H);
    }
    void clearSignals()
    {
        lineSignals.clear();
        circleSignals.clear();
        inPosSignals.clear();
        order.clear();
    }

protected:
    void foundLines(const QVector<sLineParam> &l) override { lineSignals << l; order << "lines"; }
    void foundCircle(QPoint c, int r) override { circleSignals << qMakePair(c, r); order << "circle"; }
    void axisInPosition(int axis, bool in) override { inPosSignals << qMakePair(axis, in); order << "inpos"; }
};

std::unique_ptr<Probe> makeProbe()
{
    return std::make_unique<Probe>();
}

QByteArray whiteFrame()
{
    return QByteArray(W * H, char(255));
}

void setPixel(QByteArray &f, int wx, int wy, int v)
{
    f[(wy + 192) * W + wx + 320] = char(uchar(v));
}

// A bar rising from below the window up to row `top`, columns [x, x + width).
SyntheticScene barFromBottom(double x, double width, double top)
{
    SyntheticScene s;
    s.addRect(x, top, x + width, 700);
    return s;
}

// Half-plane scenes of one extreme kind with the edge at `e`.
enum Kind { MinX, MaxX, MinY, MaxY };
SyntheticScene edgeScene(Kind kind, double e)
{
    SyntheticScene s;
    switch (kind) {
    case MinX: s.addHalfPlane(QPointF(e, 0), QPointF(1, 0)); break;     // dark right of e
    case MaxX: s.addHalfPlane(QPointF(e, 0), QPointF(-1, 0)); break;    // dark left of e
    case MinY: s.addHalfPlane(QPointF(0, e), QPointF(0, 1)); break;     // dark below e
    case MaxY: s.addHalfPlane(QPointF(0, e), QPointF(0, -1)); break;    // dark above e
    }
    return s;
}

bool neighbours8(const POINT &a, const POINT &b)
{
    return std::max(std::abs(a.x - b.x), std::abs(a.y - b.y)) == 1;
}

}

Q_DECLARE_METATYPE(QList<int>)
Q_DECLARE_METATYPE(QList<double>)

class TestVision : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    // profile search and tracing
    void darkness_data();
    void darkness();
    void contourLength_data();
    void contourLength();
    void walkOrder_data();
    void walkOrder();
    void skipAfterHit_data();
    void skipAfterHit();
    void halfGreyEntryPixel();
    void limits_data();
    void limits();
    void noCrossing();
    void scanlineKeepsIndices();
    void storedProfile();

    // extremes, sub-pixel, focus
    void subPixelFormula_data();
    void subPixelFormula();
    void subPixelEdges_data();
    void subPixelEdges();
    void validityMargin_data();
    void validityMargin();
    void tieBreak_data();
    void tieBreak();
    void choiceOverContours_data();
    void choiceOverContours();
    void focusScore_data();
    void focusScore();
    void focusMargins_data();
    void focusMargins();
    void calibrationRange_data();
    void calibrationRange();
    void rotation();

    // lines, circles
    void thresholds_data();
    void thresholds();
    void segmentRules_data();
    void segmentRules();
    void walkBackStopsAtSegmentStart();
    void entityCap();
    void sceneEntities_data();
    void sceneEntities();
    void outcome_data();
    void outcome();

    // freeze, in-position, still frames, frame body
    void readersSeeWholeFrames();
    void frozenMoved_data();
    void frozenMoved();
    void freezeKeepsExtremes();
    void axesInCenter_data();
    void axesInCenter();
    void inPositionOnScene_data();
    void inPositionOnScene();
    void stillCounter_data();
    void stillCounter();
    void frameSignals();
    void inspectionAndScanline_data();
    void inspectionAndScanline();
    void noAutoMeasure();
};

void TestVision::initTestCase()
{
    registerLineParamMetaTypes();
    QVERIFY(QMetaType::type("QVector <struct sLineParam>") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("struct sLineParam") != QMetaType::UnknownType);
}

// ------------------------------------------------------------------ tracing

void TestVision::darkness_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("centre");
    QTest::addColumn<QList<int>>("darkNeighbours");   // indices 0..7 around the pixel
    QTest::addColumn<int>("neighbourValue");
    QTest::addColumn<bool>("dark");
    const QPoint mid(100, 100), corner(-320, -192);    // corner: frame pixel (0, 0)
    QTest::newRow("128 with three at 127") << mid << 128 << QList<int>{0, 1, 2} << 127 << true;
    QTest::newRow("129 is light") << mid << 129 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7} << 0 << false;
    QTest::newRow("two dark neighbours") << mid << 0 << QList<int>{3, 4} << 0 << false;
    QTest::newRow("neighbours at 128 are not dark") << mid << 0 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7} << 128 << false;
    QTest::newRow("three diagonal neighbours") << mid << 50 << QList<int>{0, 2, 7} << 100 << true;
    QTest::newRow("frame corner, three inside") << corner << 0 << QList<int>{4, 6, 7} << 0 << true;
    QTest::newRow("frame corner, two inside") << corner << 0 << QList<int>{4, 6} << 0 << false;
}

void TestVision::darkness()
{
    QFETCH(QPoint, at);
    QFETCH(int, centre);
    QFETCH(QList<int>, darkNeighbours);
    QFETCH(int, neighbourValue);
    QFETCH(bool, dark);
    static const int dx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
    static const int dy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
    QByteArray f = whiteFrame();
    setPixel(f, at.x(), at.y(), centre);
    for (int i : darkNeighbours) {
        const int fx = at.x() + 320 + dx[i], fy = at.y() + 192 + dy[i];
        if (fx >= 0 && fy >= 0)
            setPixel(f, at.x() + dx[i], at.y() + dy[i], neighbourValue);
    }
    auto p = makeProbe();
    p->use(f);
    for (int dir = 0; dir < 8; ++dir)
        QCOMPARE(p->isPBlack(POINT{at.x(), at.y()}, dir), dark);
}

void TestVision::contourLength_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("expected");     // 0: dropped
    // A bar from below, columns a .. a+w-1, first row `top`. The first pass
    // runs clockwise: up the left column from row 637 to `top`, along the top
    // row, down the right column to row 639 where it leaves the region:
    // (638 - top) + (w - 1) + (639 - top) points. A pass of 20 points or
    // fewer is followed by the other turning sense, which adds the pixel
    // below the start before leaving the region as well.
    QTest::newRow("19 + 1 = 20 dropped") << 630 << 3 << 0;
    QTest::newRow("20 + 1 = 21 kept") << 630 << 4 << 21;
    QTest::newRow("20 + 1 = 21 kept, narrow") << 629 << 2 << 21;
    QTest::newRow("21 in one pass") << 630 << 5 << 21;
    QTest::newRow("86 points") << 600 << 10 << 86;
    QTest::newRow("one pixel wide is never dark") << 600 << 1 << 0;
}

void TestVision::contourLength()
{
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, expected);
    const int a = 100;
    auto p = makeProbe();
    p->show(barFromBottom(a, width, top));
    const bool found = p->SearchProfile();
    QCOMPARE(found, expected > 0);
    QCOMPARE(p->profileCount, expected > 0 ? 1 : 0);
    QCOMPARE(p->pointCount, expected);
    if (!expected)
        return;
    const ProfileRecord &r = p->profiles[0];
    QCOMPARE(r.first, 0);
    QCOMPARE(r.end, expected);
    const int pass1 = (638 - top) + (width - 1) + (639 - top);
    QCOMPARE(p->points[0].x, a);
    QCOMPARE(p->points[0].y, 637);
    QCOMPARE(p->points[pass1 - 1].x, a + width - 1);
    QCOMPARE(p->points[pass1 - 1].y, 639);
    for (int i = 1; i < pass1; ++i)
        QVERIFY2(neighbours8(p->points[i - 1], p->points[i]), qPrintable(QString::number(i)));
    for (int i = 0; i < pass1; ++i) {
        const POINT &q = p->points[i];
        QVERIFY(q.x == a || q.x == a + width - 1 || q.y == top);
        QVERIFY(q.y >= top);
    }
    if (expected > pass1) {
        QCOMPARE(p->points[pass1].x, a);
        QCOMPARE(p->points[pass1].y, 639);
    }
}

void TestVision::walkOrder_data()
{
    QTest::addColumn<QRectF>("barA");
    QTest::addColumn<QRectF>("barB");
    QTest::addColumn<int>("firstIsA");
    // Bottom walk left to right, right walk upward, top walk right to left,
    // left walk downward; the walks run in that order.
    QTest::newRow("bottom: left bar first") << QRectF(100, 400, 6, 400) << QRectF(300, 400, 6, 400) << 1;
    QTest::newRow("right: lower bar first") << QRectF(400, 100, 400, 6) << QRectF(400, 300, 400, 6) << 0;
    QTest::newRow("top: right bar first") << QRectF(100, -100, 6, 300) << QRectF(300, -100, 6, 300) << 0;
    QTest::newRow("left: upper bar first") << QRectF(-100, 100, 300, 6) << QRectF(-100, 300, 300, 6) << 1;
    QTest::newRow("bottom before top") << QRectF(300, -100, 6, 300) << QRectF(100, 400, 6, 400) << 0;
    QTest::newRow("right before left") << QRectF(-100, 300, 300, 6) << QRectF(400, 100, 400, 6) << 0;
}

void TestVision::walkOrder()
{
    QFETCH(QRectF, barA);
    QFETCH(QRectF, barB);
    QFETCH(int, firstIsA);
    SyntheticScene s;
    s.addRect(barA.left(), barA.top(), barA.right(), barA.bottom());
    s.addRect(barB.left(), barB.top(), barB.right(), barB.bottom());
    auto p = makeProbe();
    p->show(s);
    QVERIFY(p->SearchProfile());
    QCOMPARE(p->profileCount, 2);
    const QRectF expectFirst = firstIsA ? barA : barB;
    const QRectF expectSecond = firstIsA ? barB : barA;
    for (int k = 0; k < 2; ++k) {
        const QRectF box = (k == 0 ? expectFirst : expectSecond).adjusted(-1, -1, 1, 1);
        for (int i = p->profiles[k].first; i < p->profiles[k].end; ++i)
            QVERIFY2(box.contains(QPointF(p->points[i].x + 0.5, p->points[i].y + 0.5)),
                     qPrintable(QString("profile %1 point %2,%3").arg(k).arg(p->points[i].x).arg(p->points[i].y)));
    }
}

void TestVision::skipAfterHit_data()
{
    QTest::addColumn<int>("secondBarX");
    QTest::addColumn<int>("profiles");
    // First bar hit at x = 100: x 101..106 are skipped, 107 is tested next
    // with the light value from before the hit.
    QTest::newRow("second edge skipped, trace from inside fails") << 106 << 1;
    QTest::newRow("second edge right after the skip") << 107 << 2;
    QTest::newRow("second edge one further") << 108 << 2;
}

void TestVision::skipAfterHit()
{
    QFETCH(int, secondBarX);
    QFETCH(int, profiles);
    SyntheticScene s;
    s.addRect(100, 500, 104, 700);
    s.addRect(secondBarX, 500, secondBarX + 6, 700);
    auto p = makeProbe();
    p->show(s);
    QVERIFY(p->SearchProfile());
    QCOMPARE(p->profileCount, profiles);
}

void TestVision::halfGreyEntryPixel()
{
    // Edge at x = 200.5: pixel 200 is exactly 128 on the walk line. It is dark
    // to the tracer, so the walk must trace from it rather than lose the tool.
    auto p = makeProbe();
    p->show(edgeScene(MinX, 200.5));
    QCOMPARE(uchar(p->frame[(638 + 192) * W + 200 + 320]), uchar(128));
    QVERIFY(p->SearchProfile());
    QCOMPARE(p->profileCount, 1);
    QCOMPARE(p->points[0].x, 200);
}

void TestVision::limits_data()
{
    QTest::addColumn<QList<double>>("bars");        // triples: x, width, top
    QTest::addColumn<int>("profiles");
    QTest::addColumn<int>("points");
    QList<double> many;
    for (int k = 0; k < 25; ++k)
        many << 20 + 20 * k << 4 << 500;
    // Each bar: 138 + 3 + 139 = 280 points; only 19 records.
    QTest::newRow("19 records at most") << many << 19 << 19 * 280;
    QList<double> tall;
    for (int k = 0; k < 8; ++k)
        tall << 20 + 40 * k << 4 << 10;            // 628 + 3 + 629 = 1260 points each
    tall << 400 << 4 << 600;                         // 38 + 3 + 39 = 80 points
    // 7 x 1260 = 8820; the eighth would make 10080 > 9999 and is dropped,
    // the small one after it still fits.
    QTest::newRow("point total capped at 9999") << tall << 8 << 8820 + 80;
    QList<double> exact;
    for (int k = 0; k < 7; ++k)
        exact << 20 + 40 * k << 4 << 10;
    exact << 400 << 4 << 40;     // 598 + 3 + 599 = 1200 -> 8820 + 1200 = 10020 > 9999
    exact << 500 << 4 << 50;     // 588 + 3 + 589 = 1180 -> 10000 > 9999
    exact << 600 << 4 << 60;     // 578 + 3 + 579 = 1160 -> 9980 fits
    QTest::newRow("filling up to 9980") << exact << 8 << 9980;
}

void TestVision::limits()
{
    QFETCH(QList<double>, bars);
    QFETCH(int, profiles);
    QFETCH(int, points);
    SyntheticScene s;
    for (int i = 0; i + 2 < bars.size(); i += 3)
        s.addRect(bars[i], bars[i + 2], bars[i] + bars[i + 1], 700);
    auto p = makeProbe();
    p->show(s);
    QVERIFY(p->SearchProfile());
    QCOMPARE(p->profileCount, profiles);
    QCOMPARE(p->pointCount, points);
    int sum = 0;
    for (int k = 0; k < p->profileCount; ++k) {
        QCOMPARE(p->profiles[k].first, sum);
        sum = p->profiles[k].end;
    }
    QCOMPARE(sum, points);
}

void TestVision::noCrossing()
{
    auto p = makeProbe();
    SyntheticScene first = barFromBottom(300, 20, 300);
    p->run(first);
    QCOMPARE(p->profileCount, 1);
    QVERIFY(p->extremeIndex[EXT_MIN_X] != CEdgeSearch::kNone);

    // A disc inside the region never crosses its border: nothing is traced.
    SyntheticScene disc;
    disc.addDisc(QPointF(320, 320), 100);
    p->show(disc);
    QVERIFY(!p->SearchProfile());
    QCOMPARE(p->profileCount, 0);
    QCOMPARE(p->pointCount, 0);
    for (int e = 0; e < 4; ++e)
        QCOMPARE(p->extremeIndex[e], int(CEdgeSearch::kNone));

    // A long comb: one contour, capped by the tracer's buffer.
    SyntheticScene comb;
    comb.addRect(10, 600, 630, 700);
    for (int k = 0; k < 60; ++k)
        comb.addRect(20 + 10 * k, 20, 24 + 10 * k, 600);
    p->show(comb);
    QVERIFY(p->SearchProfile());
    QCOMPARE(p->profileCount, 1);
    QCOMPARE(p->pointCount, 5000);
}

void TestVision::scanlineKeepsIndices()
{
    auto p = makeProbe();
    p->run(barFromBottom(300, 20, 300));
    const int before[4] = {p->extremeIndex[0], p->extremeIndex[1], p->extremeIndex[2], p->extremeIndex[3]};
    QCOMPARE(before[EXT_MIN_X], 0);
    p->scanline = 1;
    QVERIFY(!p->SearchProfile());
    QCOMPARE(p->profileCount, 0);
    QCOMPARE(p->pointCount, 0);
    for (int e = 0; e < 4; ++e)
        QCOMPARE(p->extremeIndex[e], before[e]);
}

void TestVision::storedProfile()
{
    auto p = makeProbe();
    p->run(barFromBottom(300, 20, 300));
    const int n = p->pointCount;
    QVERIFY(n > 0);
    p->addProfile();
    p->addProfile();
    QCOMPARE(p->storedProfile.size(), 2 * n);
    QCOMPARE(p->storedProfile.at(n), QPoint(p->points[0].x, p->points[0].y));
    p->clearProfile();
    QVERIFY(p->storedProfile.isEmpty());

    // Inspection: every dark pixel of the region, column by column.
    SyntheticScene s;
    s.addRect(200, 210, 210, 220);
    p->show(s);
    p->sensorMode = 1;
    p->roi = {1, 1, 640, 640};
    p->addProfile();
    QCOMPARE(p->storedProfile.size(), 100);
    QCOMPARE(p->storedProfile.first(), QPoint(200, 210));
    QCOMPARE(p->storedProfile.at(1), QPoint(200, 211));
    QCOMPARE(p->storedProfile.last(), QPoint(209, 219));
    p->roi = {205, 1, 640, 640};
    p->clearProfile();
    p->addProfile();
    QCOMPARE(p->storedProfile.size(), 50);
}

// ------------------------------------------------------- extremes, sub-pixel

void TestVision::subPixelFormula_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("n");
    QTest::addColumn<double>("expected");
    const QPoint mid(100, 100);
    // a = 127 - c, b = n - 128, d = |n - c|
    QTest::newRow("min X 100 next to 200") << mid << int(MP_MIN_X) << 100 << 200 << 0.23;
    QTest::newRow("min Y 100 next to 200") << mid << int(MP_MIN_Y) << 100 << 200 << 0.23;
    QTest::newRow("max X 100 next to 200") << mid << int(MP_MAX_X) << 100 << 200 << -0.23;
    QTest::newRow("max Y 100 next to 200") << mid << int(MP_MAX_Y) << 100 << 200 << -0.23;
    QTest::newRow("min X black next to white") << mid << int(MP_MIN_X) << 0 << 255 << 127.0 / 255 - 0.5;
    QTest::newRow("max X black next to white") << mid << int(MP_MAX_X) << 0 << 255 << 0.5 - 127.0 / 255;
    QTest::newRow("min X 60 next to 250") << mid << int(MP_MIN_X) << 60 << 250 << 0.5 - 67.0 / 190;
    QTest::newRow("max Y 60 next to 250") << mid << int(MP_MAX_Y) << 60 << 250 << 67.0 / 190 - 0.5;
    QTest::newRow("equal values") << mid << int(MP_MIN_X) << 90 << 90 << 0.0;
    QTest::newRow("light pair, no clamping") << mid << int(MP_MIN_X) << 200 << 100 << 1.23;
    QTest::newRow("neighbour outside the frame is 255") << QPoint(-320, -192) << int(MP_MIN_Y) << 100 << -1 << 0.5 - 27.0 / 155;
}

void TestVision::subPixelFormula()
{
    QFETCH(QPoint, at);
    QFETCH(int, kind);
    QFETCH(int, c);
    QFETCH(int, n);
    QFETCH(double, expected);
    QByteArray f = whiteFrame();
    setPixel(f, at.x(), at.y(), c);
    if (n >= 0) {
        const int dx = kind == MP_MIN_X ? -1 : kind == MP_MAX_X ? 1 : 0;
        const int dy = kind == MP_MIN_Y ? -1 : kind == MP_MAX_Y ? 1 : 0;
        setPixel(f, at.x() + dx, at.y() + dy, n);
    }
    auto p = makeProbe();
    p->use(f);
    const float got = p->subPixel(POINT{at.x(), at.y()}, eMeasPoint(kind));
    QVERIFY2(std::fabs(got - expected) < 1e-5, qPrintable(QString::number(got, 'f', 6)));
}

void TestVision::subPixelEdges_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("edge");
    for (int k = 0; k < 4; ++k)
        for (double f : {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9}) {
            static const char *names[4] = {"min X", "max X", "min Y", "max Y"};
            QTest::addRow("%s at +%.1f", names[k], f) << k << 250.0 + f;
        }
    QTest::newRow("min X left of centre") << int(MinX) << 117.37;
    QTest::newRow("max Y below centre") << int(MaxY) << 533.61;
}

void TestVision::subPixelEdges()
{
    QFETCH(int, kind);
    QFETCH(double, edge);
    auto p = makeProbe();
    p->XCalibration = 0.01f;
    p->ZCalibration = 0.008f;
    p->run(edgeScene(Kind(kind), edge));
    QCOMPARE(p->profileCount, 1);
    // Min edges read at the edge, max edges one pixel inside it.
    double reading = 0, mm = 0, cal = kind <= MaxX ? 0.01 : 0.008;
    switch (kind) {
    case MinX: QVERIFY(p->MinXValid()); reading = p->getPointMinX(false).x + p->getMinXsub(); mm = p->getMinX(false); break;
    case MaxX: QVERIFY(p->MaxXValid()); reading = p->getPointMaxX(false).x + p->getMaxXsub() + 1; mm = p->getMaxX(false) + cal; break;
    case MinY: QVERIFY(p->MinYValid()); reading = p->getPointMinY(false).y + p->getMinYsub(); mm = p->getMinY(false); break;
    case MaxY: QVERIFY(p->MaxYValid()); reading = p->getPointMaxY(false).y + p->getMaxYsub() + 1; mm = p->getMaxY(false) + cal; break;
    }
    QVERIFY2(std::fabs(reading - edge) <= 0.1, qPrintable(QString("read %1 for %2").arg(reading, 0, 'f', 4).arg(edge)));
    QVERIFY2(std::fabs(mm - (reading - 320) * cal) < 1e-5, qPrintable(QString::number(mm, 'f', 6)));
}

void TestVision::validityMargin_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("pixel");       // the extreme contour pixel
    QTest::addColumn<bool>("valid");
    // Region (100, 100) - (540, 540): valid strictly between 104 and 536.
    QTest::newRow("min X at x1 + 4") << int(MinX) << 104 << false;
    QTest::newRow("min X at x1 + 5") << int(MinX) << 105 << true;
    QTest::newRow("max X at x2 - 4") << int(MaxX) << 536 << false;
    QTest::newRow("max X at x2 - 5") << int(MaxX) << 535 << true;
    QTest::newRow("min Y at y1 + 4") << int(MinY) << 104 << false;
    QTest::newRow("min Y at y1 + 5") << int(MinY) << 105 << true;
    QTest::newRow("max Y at y2 - 4") << int(MaxY) << 536 << false;
    QTest::newRow("max Y at y2 - 5") << int(MaxY) << 535 << true;
}

void TestVision::validityMargin()
{
    QFETCH(int, kind);
    QFETCH(int, pixel);
    QFETCH(bool, valid);
    auto p = makeProbe();
    p->roi = {100, 100, 540, 540};
    p->XCalibration = p->ZCalibration = 0.01f;
    // Integer edges: a min edge at e has its contour on pixel e, a max edge on e - 1.
    const double e = (kind == MinX || kind == MinY) ? pixel : pixel + 1;
    p->run(edgeScene(Kind(kind), e));
    QCOMPARE(p->profileCount, 1);
    const int idx = kind == MinX ? EXT_MIN_X : kind == MaxX ? EXT_MAX_X : kind == MinY ? EXT_MIN_Y : EXT_MAX_Y;
    const POINT pt = p->profiles[0].ext[idx].point;
    QCOMPARE((kind <= MaxX) ? pt.x : pt.y, pixel);
    QCOMPARE(p->profiles[0].ext[idx].valid, valid);
    QCOMPARE(p->extremeIndex[idx], valid ? 0 : int(CEdgeSearch::kNone));
    const bool getter = kind == MinX ? p->MinXValid() : kind == MaxX ? p->MaxXValid()
                      : kind == MinY ? p->MinYValid() : p->MaxYValid();
    QCOMPARE(getter, valid);
}

void TestVision::tieBreak_data()
{
    QTest::addColumn<double>("edgeBottom");
    QTest::addColumn<double>("edgeTop");
    QTest::addColumn<int>("minRow");
    QTest::addColumn<int>("maxRow");
    // A vertical edge: all corrections equal, the first point in contour
    // order (just above the entry at row 638) wins.
    QTest::newRow("equal corrections") << 200.0 << 200.0 << 637 << 637;
    // Slanted within one pixel column: the smallest correction lies where
    // the edge is furthest left, at the top.
    QTest::newRow("leftmost at the top") << 200.45 << 200.05 << 0 << 40;
    QTest::newRow("leftmost at the bottom") << 200.05 << 200.45 << 600 << 637;
}

void TestVision::tieBreak()
{
    QFETCH(double, edgeBottom);
    QFETCH(double, edgeTop);
    QFETCH(int, minRow);
    QFETCH(int, maxRow);
    // Edge from (edgeBottom, 700) to (edgeTop, -60), dark to the right.
    SyntheticScene s;
    s.addPolygon(QPolygonF({QPointF(edgeTop, -60), QPointF(800, -60), QPointF(800, 700), QPointF(edgeBottom, 700)}));
    auto p = makeProbe();
    p->XCalibration = 0.01f;
    p->run(s);
    QCOMPARE(p->profileCount, 1);
    const POINT m = p->getPointMinX(false);
    QCOMPARE(m.x, 200);
    QVERIFY2(m.y >= minRow && m.y <= maxRow, qPrintable(QString::number(m.y)));
    for (int i = p->profiles[0].first; i < p->profiles[0].end; ++i)
        if (p->points[i].x == 200)
            QVERIFY(p->subPixel(m, MP_MIN_X) <= p->subPixel(p->points[i], MP_MIN_X));
}

void TestVision::choiceOverContours_data()
{
    QTest::addColumn<QList<double>>("bars");    // triples: x, width, top (from below)
    QTest::addColumn<int>("minX");
    QTest::addColumn<int>("maxX");
    QTest::addColumn<int>("minY");
    QTest::addColumn<int>("minYProfile");
    // Contours are numbered in walk order, left to right along the bottom.
    QTest::newRow("two bars") << QList<double>{100, 40, 300, 400, 40, 200} << 100 << 439 << 200 << 1;
    QTest::newRow("tallest first") << QList<double>{100, 40, 150, 400, 40, 200} << 100 << 439 << 150 << 0;
    QTest::newRow("tallest in the middle") << QList<double>{100, 40, 300, 250, 40, 100, 400, 40, 200}
                                           << 100 << 439 << 100 << 1;
    QTest::newRow("equal tops: the first") << QList<double>{100, 40, 200, 250, 40, 200, 400, 40, 200}
                                           << 100 << 439 << 200 << 0;
}

void TestVision::choiceOverContours()
{
    QFETCH(QList<double>, bars);
    QFETCH(int, minX);
    QFETCH(int, maxX);
    QFETCH(int, minY);
    QFETCH(int, minYProfile);
    SyntheticScene s;
    for (int i = 0; i + 2 < bars.size(); i += 3)
        s.addRect(bars[i], bars[i + 2], bars[i] + bars[i + 1], 700);
    auto p = makeProbe();
    p->XCalibration = p->ZCalibration = 0.01f;
    p->run(s);
    QCOMPARE(p->profileCount, bars.size() / 3);
    QCOMPARE(p->getPointMinX(false).x, minX);
    QCOMPARE(p->extremeIndex[EXT_MIN_X], 0);
    QCOMPARE(p->getPointMaxX(false).x, maxX);
    QCOMPARE(p->extremeIndex[EXT_MAX_X], p->profileCount - 1);
    QCOMPARE(p->getPointMinY(false).y, minY);
    QCOMPARE(p->extremeIndex[EXT_MIN_Y], minYProfile);
    // The bars leave the region at the bottom: no valid max-Y point.
    QVERIFY(!p->MaxYValid());
}

void TestVision::focusScore_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("edge");
    QTest::addColumn<int>("blur");
    QTest::addColumn<int>("expected");
    // 110 - 5 x (pixels strictly between BlackLevel 25 and WhiteLevel 230
    // among the 21 across the edge).
    QTest::newRow("sharp integer edge") << int(MinX) << 250.0 << 1 << 110;
    QTest::newRow("sharp edge at half a pixel") << int(MinX) << 250.5 << 1 << 105;
    QTest::newRow("4-pixel ramp") << int(MinX) << 250.0 << 4 << 95;
    QTest::newRow("8-pixel ramp") << int(MinX) << 250.0 << 8 << 75;
    QTest::newRow("8-pixel ramp, max X") << int(MaxX) << 250.0 << 8 << 75;
    QTest::newRow("8-pixel ramp, min Y") << int(MinY) << 250.0 << 8 << 75;
    QTest::newRow("8-pixel ramp, max Y") << int(MaxY) << 250.0 << 8 << 75;
}

void TestVision::focusScore()
{
    QFETCH(int, kind);
    QFETCH(double, edge);
    QFETCH(int, blur);
    QFETCH(int, expected);
    SyntheticScene s = edgeScene(Kind(kind), edge);
    s.setBlur(blur);
    auto p = makeProbe();
    p->XCalibration = p->ZCalibration = 0.01f;
    p->run(s);
    QCOMPARE(p->profileCount, 1);
    const int got = kind == MinX ? p->getFocusMinX() : kind == MaxX ? p->getFocusMaxX()
                  : kind == MinY ? p->getFocusMinY() : p->getFocusMaxY();
    QCOMPARE(got, expected);
}

void TestVision::focusMargins_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("pixel");
    QTest::addColumn<int>("expected");
    // Region (100, 100) - (540, 540); scored only beyond 10 pixels from the
    // border, except on the min-Y side.
    QTest::newRow("min X at x1 + 10") << int(MinX) << 110 << 0;
    QTest::newRow("min X at x1 + 11") << int(MinX) << 111 << 110;
    QTest::newRow("max X at x2 - 10") << int(MaxX) << 530 << 0;
    QTest::newRow("max X at x2 - 11") << int(MaxX) << 529 << 110;
    QTest::newRow("min Y at y1 + 5") << int(MinY) << 105 << 110;
    QTest::newRow("max Y at y2 - 10") << int(MaxY) << 530 << 0;
    QTest::newRow("max Y at y2 - 11") << int(MaxY) << 529 << 110;
}

void TestVision::focusMargins()
{
    QFETCH(int, kind);
    QFETCH(int, pixel);
    QFETCH(int, expected);
    auto p = makeProbe();
    p->roi = {100, 100, 540, 540};
    p->XCalibration = p->ZCalibration = 0.01f;
    const double e = (kind == MinX || kind == MinY) ? pixel : pixel + 1;
    p->run(edgeScene(Kind(kind), e));
    QCOMPARE(p->profileCount, 1);
    const int got = kind == MinX ? p->getFocusMinX() : kind == MaxX ? p->getFocusMaxX()
                  : kind == MinY ? p->getFocusMinY() : p->getFocusMaxY();
    QCOMPARE(got, expected);

    // The score itself over a flat field: all 21 pixels count or none.
    QByteArray flat(W * H, char(100));
    p->use(flat);
    QCOMPARE(int(p->calculateFocus(POINT{300, 300}, false)), 5);
    QCOMPARE(int(p->calculateFocus(POINT{300, 300}, true)), 5);
    p->BlackLevel = 100;
    QCOMPARE(int(p->calculateFocus(POINT{300, 300}, true)), 110);
}

void TestVision::calibrationRange_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("z");
    QTest::addColumn<bool>("ok");
    QTest::newRow("both 0.005") << 0.005f << 0.005f << true;
    QTest::newRow("both 0.015") << 0.015f << 0.015f << true;
    QTest::newRow("x 0.0049") << 0.0049f << 0.01f << false;
    QTest::newRow("z 0.0151") << 0.01f << 0.0151f << false;
    QTest::newRow("unset") << 0.0f << 0.0f << false;
}

void TestVision::calibrationRange()
{
    QFETCH(float, x);
    QFETCH(float, z);
    QFETCH(bool, ok);
    auto p = makeProbe();
    p->XCalibration = x;
    p->ZCalibration = z;
    QCOMPARE(p->validateAxisCalibration(), ok);
}

void TestVision::rotation()
{
    SyntheticScene s = barFromBottom(300.3, 40, 250.6);
    s.setNoise(40, 7);
    auto p = makeProbe();
    p->XCalibration = p->ZCalibration = 0.01f;
    p->rotation = true;
    p->cameraAngle = 0;
    p->run(s);
    QCOMPARE(p->profileCount, 1);
    for (int i = 0; i < p->pointCount; ++i) {
        QCOMPARE(p->rotatedPoints[i].x, p->points[i].x);
        QCOMPARE(p->rotatedPoints[i].y, p->points[i].y);
    }
    QCOMPARE(p->extremeIndex[EXT_MIN_X], 0);
    QCOMPARE(p->extremeIndex[EXT_MAX_X], 0);
    QCOMPARE(p->extremeIndex[EXT_MIN_Y], 0);
    QCOMPARE(p->extremeIndex[EXT_MAX_Y], int(CEdgeSearch::kNone));

    // 90 degrees about the window origin: (x, y) -> (-y, x).
    p->cameraAngle = 90;
    p->run(s);
    int minX = 1 << 30;
    for (int i = 0; i < p->pointCount; ++i) {
        QCOMPARE(p->rotatedPoints[i].x, -p->points[i].y);
        QCOMPARE(p->rotatedPoints[i].y, p->points[i].x);
        minX = std::min(minX, p->rotatedPoints[i].x);
    }
    QVERIFY(p->MinXValid());
    QCOMPARE(p->getPointMinX(false).x, minX);

    // A small angle puts rotated points on arbitrary grey values: they get no
    // correction, and the distance is the rotated pixel's own.
    p->cameraAngle = 3;
    p->run(s);
    for (auto [valid, sub, x, mm] : {std::make_tuple(p->MinXValid(), p->getMinXsub(), p->getPointMinX(false).x, p->getMinX(false)),
                                     std::make_tuple(p->MaxXValid(), p->getMaxXsub(), p->getPointMaxX(false).x, p->getMaxX(false))}) {
        QVERIFY(valid);
        QCOMPARE(sub, 0.0f);
        QCOMPARE(mm, float(x - 320) * 0.01f);
    }
    QCOMPARE(p->getMinYsub(), 0.0f);
}

// ---------------------------------------------------------- lines, circles

void TestVision::thresholds_data()
{
    QTest::addColumn<int>("mse");
    QTest::addColumn<float>("threshold");
    QTest::newRow("60") << 60 << 0.6f;
    QTest::newRow("98") << 98 << 0.98f;
    QTest::newRow("99") << 99 << 500.0f;
    QTest::newRow("120") << 120 << 500.0f;
    QTest::newRow("0") << 0 << 0.0f;
}

void TestVision::thresholds()
{
    QFETCH(int, mse);
    QFETCH(float, threshold);
    auto p = makeProbe();
    p->MSE = mse;
    p->MSEC = mse;
    QCOMPARE(p->lineThreshold(), threshold);
    QCOMPARE(p->circleThreshold(), threshold);
}

void TestVision::segmentRules_data()
{
    // Hand-made point lists through SearchEntities directly.
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("minLine");
    QTest::addColumn<int>("minCircle");
    QTest::addColumn<int>("entities");
    QTest::addColumn<int>("type");
    // A straight run of N points closes on its last step with n points
    // visited; it is a line when n x step reaches MinLineLenght.
    QTest::newRow("row of 30, length 30") << "row" << 30 << 1 << 30 << 20 << 1 << 0;
    QTest::newRow("row of 30, length 31") << "row" << 30 << 1 << 31 << 20 << 0 << -1;
    QTest::newRow("row of 31 step 3: 11 x 3 = 33") << "row" << 31 << 3 << 33 << 20 << 1 << 0;
    QTest::newRow("row of 31 step 3: 34 too long") << "row" << 31 << 3 << 34 << 20 << 0 << -1;
    QTest::newRow("column is a line") << "column" << 30 << 1 << 10 << 20 << 1 << 0;
    QTest::newRow("diagonal is a line") << "diagonal" << 30 << 2 << 10 << 20 << 1 << 0;
    // Too few points for a line: the fit leaves out the closing point.
    QTest::newRow("two points") << "row" << 2 << 1 << 0 << 0 << 0 << -1;
    QTest::newRow("three points: two fitted") << "row" << 3 << 1 << 0 << 0 << 0 << -1;
    QTest::newRow("four points: three fitted") << "row" << 4 << 1 << 0 << 0 << 1 << 0;
    // Arcs: a circle needs five fitted points.
    QTest::newRow("arc of 5") << "arc" << 5 << 1 << 0 << 0 << 0 << -1;
    QTest::newRow("arc of 6") << "arc" << 6 << 1 << 0 << 0 << 1 << 1;
    QTest::newRow("arc of 40") << "arc" << 40 << 1 << 10 << 20 << 1 << 1;
    QTest::newRow("arc of 40, circle too short") << "arc" << 40 << 1 << 10 << 41 << 0 << -1;
}

void TestVision::segmentRules()
{
    QFETCH(QString, shape);
    QFETCH(int, count);
    QFETCH(int, step);
    QFETCH(int, minLine);
    QFETCH(int, minCircle);
    QFETCH(int, entities);
    QFETCH(int, type);
    auto p = makeProbe();
    p->Geometry = true;
    p->PointStep = step;
    p->MinLineLenght = minLine;
    p->MinCircleLenght = minCircle;
    for (int i = 0; i < count; ++i) {
        POINT pt{0, 0};
        if (shape == "row") pt = POINT{100 + i, 200};
        else if (shape == "column") pt = POINT{300, 50 + i};
        else if (shape == "diagonal") pt = POINT{10 + i, 20 + i};
        else {
            // 9 degrees apart on a circle of radius 60 about (300, 300)
            const double a = i * 9 * M_PI / 180;
            pt = POINT{int(std::lround(300 + 60 * std::cos(a))), int(std::lround(300 + 60 * std::sin(a)))};
        }
        p->points[i] = pt;
    }
    p->pointCount = count;
    QCOMPARE(p->SearchEntities(0, count - 1, 1.5f, -2.5f), entities > 0);
    QCOMPARE(p->entityCount, entities);
    if (!entities)
        return;
    const Entity &e = p->entities[0];
    QCOMPARE(e.type, type);
    QCOMPARE(e.posX, 1.5f);
    QCOMPARE(e.posZ, -2.5f);
    QVERIFY(e.startIndex >= 0 && e.endIndex >= e.startIndex && e.endIndex < count);
    if (shape == "row") {
        QCOMPARE(e.m, 0.0f);
        QCOMPARE(e.q, 200.0f);
    } else if (shape == "column") {
        QCOMPARE(e.m, 500.0f);
        QCOMPARE(e.q, 299.0f);       // vertical lines are kept one column left
    } else if (shape == "diagonal") {
        QVERIFY(std::fabs(e.m - 1) < 1e-4);
        QVERIFY(std::fabs(e.q - 10) < 1e-3);
    } else if (count >= 40) {
        QVERIFY(std::abs(e.centerX - 300) <= 1);
        QVERIFY(std::abs(e.centerY - 300) <= 1);
        QVERIFY(std::fabs(e.radius - 60) < 1);
    }
}

void TestVision::walkBackStopsAtSegmentStart()
{
    // A zigzag 3 pixels high: every fitted point lies 1.5 from the line, so
    // the walk back from the end runs down to the segment's first point and
    // must stop there.
    auto p = makeProbe();
    p->Geometry = true;
    p->PointStep = 1;
    p->MinLineLenght = 0;
    p->MSE = 120;       // line threshold 500: only the last step closes
    p->MSEC = 0;        // any circle error disqualifies the circle
    for (int i = 0; i < 21; ++i)
        p->points[i] = POINT{100 + i, 200 + (i % 2) * 3};
    QVERIFY(p->SearchEntities(0, 20, 0, 0));
    QCOMPARE(p->entities[0].type, 0);
    QCOMPARE(p->entities[0].startIndex, 0);
    QCOMPARE(p->entities[0].endIndex, 0);
    // The walk resumes after the end found, so the next segment starts at
    // point 1 and is walked back to it in turn.
    QVERIFY(p->entityCount > 1);
    QCOMPARE(p->entities[1].endIndex, 1);
    for (int k = 0; k < p->entityCount; ++k) {
        QVERIFY(p->entities[k].startIndex >= 0);
        QVERIFY(p->entities[k].endIndex >= p->entities[k].startIndex);
        QVERIFY(p->entities[k].endIndex <= 20);
    }

    // Starting inside the array: neither index goes before the first point.
    // Step 3 visits 50, 53, .. 68; the fitted six are symmetric about their
    // middle, so the line is flat at 201.33 and every one lies beyond 1.
    static const int rise[7] = {0, 4, 0, 0, 4, 0, 0};
    for (int i = 0; i < 21; ++i)
        p->points[50 + i] = POINT{100 + i, 200 + (i % 3 == 0 ? rise[i / 3] : 0)};
    p->PointStep = 3;
    QVERIFY(p->SearchEntities(50, 70, 0, 0));
    QCOMPARE(p->entities[0].startIndex, 50);
    QCOMPARE(p->entities[0].endIndex, 50);
    for (int k = 0; k < p->entityCount; ++k)
        QVERIFY(p->entities[k].startIndex >= 50 && p->entities[k].endIndex >= 50);
}

void TestVision::entityCap()
{
    // 45 straight legs at right angles: more entities than the table holds.
    auto p = makeProbe();
    p->Geometry = true;
    p->PointStep = 1;
    p->MinLineLenght = 10;
    int n = 0;
    for (int leg = 0; leg < 45; ++leg)
        for (int i = 0; i < 20; ++i)
            p->points[n++] = POINT{leg * 20 + i, (leg % 2) ? 20 - i : i};
    p->pointCount = n;
    QVERIFY(p->SearchEntities(0, n - 1, 0, 0));
    QCOMPARE(p->entityCount, 29);
    for (int k = 0; k < 29; ++k) {
        QCOMPARE(p->entities[k].type, 0);
        QVERIFY(std::fabs(std::fabs(p->entities[k].m) - 1) < 0.05);
    }
    // The last slot takes every entity past the 29th.
    QCOMPARE(p->entities[29].type, 0);
    QVERIFY(p->entities[29].startIndex > 40 * 20);
}

void TestVision::sceneEntities_data()
{
    QTest::addColumn<QString>("scene");
    QTest::addRow("vertical half-plane") << "half";
    QTest::addRow("sloped half-plane") << "sloped";
    QTest::addRow("right-angle wedge") << "wedge";
    QTest::addRow("half disc") << "disc";
}

void TestVision::sceneEntities()
{
    QFETCH(QString, scene);
    SyntheticScene s;
    if (scene == "half")
        s.addHalfPlane(QPointF(200, 0), QPointF(1, 0));
    else if (scene == "sloped")
        s.addHalfPlane(QPointF(300, 300), QPointF(2, -1));     // edge y = 2x - 300, dark to the right
    else if (scene == "wedge")
        s.addPolygon(QPolygonF({QPointF(-100, 720), QPointF(320, 300), QPointF(740, 720)}));
    else
        s.addDisc(QPointF(320, 640), 200);
    auto p = makeProbe();
    p->Geometry = true;
    p->XCalibration = 0.01f;
    p->posX = 0.5f;
    p->run(s);
    QVERIFY(p->lineSignals.isEmpty());     // first profile: no search yet
    p->clearSignals();
    p->run(s);    // the search runs on every second profile
    QCOMPARE(p->profileCount, 1);
    QCOMPARE(p->lineSignals.size(), 1);
    QCOMPARE(p->circleSignals.size(), 1);
    const QVector<sLineParam> l = p->lineSignals[0];
    QCOMPARE(p->lines.size(), l.size());

    if (scene == "half") {
        QCOMPARE(p->entityCount, 1);
        QCOMPARE(p->entities[0].type, 0);
        // Contour on column 200, kept one column left; the reference line is
        // parallel to it and dropped.
        QCOMPARE(l.size(), 1);
        QCOMPARE(l[0].m, 500.0f);
        QCOMPARE(l[0].q, 199.0f);
        QCOMPARE(p->intersection, kNone);
        QCOMPARE(p->circleSignals[0].first, kNone);
    } else if (scene == "sloped") {
        QCOMPARE(p->entityCount, 1);
        QCOMPARE(l.size(), 2);
        QVERIFY2(std::fabs(l[0].m - 2) < 0.02, qPrintable(QString::number(l[0].m)));
        // Pixel contour of the dark side: within a pixel of the true edge.
        QVERIFY(std::fabs((l[0].m * 320 + l[0].q) - 340) < 2.5);
        QVERIFY(!l[0].isReference);
        QVERIFY(l[1].isReference);
        QCOMPARE(l[1].m, 500.0f);
        QCOMPARE(l[1].q, 320.0f + 0.5f / 0.01f);
        // Intersection with the reference column 370: on the edge at y = 440.
        QCOMPARE(p->intersection.x(), 370 - 320);
        QVERIFY(std::abs(p->intersection.y() - (320 - 440)) <= 2);
    } else if (scene == "wedge") {
        QCOMPARE(l.size(), 2);
        QVERIFY(std::fabs(l[0].m + 1) < 0.02);
        QVERIFY(std::fabs(l[1].m - 1) < 0.02);
        QVERIFY(!l[0].isReference && !l[1].isReference);
        // True tip (320, 300): (0, 20) from the centre.
        QVERIFY2(std::abs(p->intersection.x()) <= 1 && std::abs(p->intersection.y() - 20) <= 1,
                 qPrintable(QString("%1,%2").arg(p->intersection.x()).arg(p->intersection.y())));
        QCOMPARE(p->circleSignals[0].first, kNone);
    } else {
        QCOMPARE(p->entityCount, 1);
        QCOMPARE(p->entities[0].type, 1);
        QVERIFY(l.isEmpty());
        const QPoint c = p->circleSignals[0].first;
        QVERIFY2(std::abs(c.x() - 320) <= 1 && std::abs(c.y() - 640) <= 1,
                 qPrintable(QString("%1,%2").arg(c.x()).arg(c.y())));
        QVERIFY(std::abs(p->circleSignals[0].second - 200) <= 1);
        QCOMPARE(p->circleResult.x, c.x());
        QCOMPARE(p->circleResult.y, c.y());
        QCOMPARE(p->circleResult.radius, p->circleSignals[0].second);
        QCOMPARE(p->getAutoCircle().radius, int(std::lround(p->entities[0].radius)));
    }
}

void TestVision::outcome_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<float>("xcal");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<bool>("withReference");
    QTest::addColumn<bool>("hasIntersection");
    QTest::newRow("one line and the reference") << "sloped" << 0.01f << 2 << true << true;
    QTest::newRow("no calibration, no reference") << "sloped" << 0.0f << 1 << false << false;
    QTest::newRow("parallel lines keep the first") << "parallel" << 0.01f << 1 << false << false;
    QTest::newRow("corner") << "corner" << 0.01f << 2 << false << true;
    QTest::newRow("nothing found") << "short" << 0.01f << 0 << false << false;
}

void TestVision::outcome()
{
    QFETCH(QString, shape);
    QFETCH(float, xcal);
    QFETCH(int, lineCount);
    QFETCH(bool, withReference);
    QFETCH(bool, hasIntersection);
    auto p = makeProbe();
    p->Geometry = true;
    p->PointStep = 1;
    p->MinLineLenght = 10;
    p->XCalibration = xcal;
    p->posX = 1.5f;
    int n = 0;
    if (shape == "sloped") {
        for (int i = 0; i < 60; ++i)
            p->points[n++] = POINT{100 + i, 50 + 2 * i};
    } else if (shape == "parallel") {
        for (int i = 0; i < 60; ++i)
            p->points[n++] = POINT{100 + i, 100};
        for (int i = 0; i < 60; ++i)
            p->points[n++] = POINT{159 - i, 200};
    } else if (shape == "corner") {
        for (int i = 0; i < 60; ++i)
            p->points[n++] = POINT{100, 400 - i};    // up column 100 ...
        for (int i = 1; i < 60; ++i)
            p->points[n++] = POINT{100 + i, 341};    // ... then right along row 341
    } else {
        for (int i = 0; i < 5; ++i)
            p->points[n++] = POINT{100 + i, 100};
    }
    p->pointCount = n;
    p->SearchEntities(0, n - 1, p->posX, 0);
    p->circleFound = false;
    p->searchOutcome();
    QCOMPARE(p->lineSignals.size(), 1);
    QCOMPARE(p->circleSignals.size(), 1);
    QCOMPARE(p->circleSignals[0].first, kNone);
    QCOMPARE(p->circleResult.x, kNone.x());
    QCOMPARE(p->circleResult.radius, 0);
    const QVector<sLineParam> l = p->lineSignals[0];
    QCOMPARE(l.size(), lineCount);
    QCOMPARE(p->lines.size(), lineCount);
    if (withReference) {
        QVERIFY(l[1].isReference);
        QCOMPARE(l[1].m, 500.0f);
        QCOMPARE(l[1].q, 320.0f + 1.5f / xcal);
    }
    for (int i = 0; i < l.size(); ++i)
        QCOMPARE(l[i].isReference, withReference && i == 1);
    QCOMPARE(p->intersection != kNone, hasIntersection);
    p->publishResult();
    QCOMPARE(p->getIntersection(), p->intersection);
    if (shape == "corner") {
        // Column 100 (kept one column left) meets row 341; the column's fit
        // also holds the first points past the corner, which tilt it slightly.
        QVERIFY2(std::abs(p->intersection.x() - (99 - 320)) <= 2 && std::abs(p->intersection.y() - (320 - 341)) <= 1,
                 qPrintable(QString("%1,%2").arg(p->intersection.x()).arg(p->intersection.y())));
    }
    if (shape == "sloped" && hasIntersection) {
        // y = 2x - 150 meets column 470 at y = 790.
        QCOMPARE(p->intersection, QPoint(470 - 320, 320 - 790));
    }
}

// ------------------------------------- freeze, in-position, still, frame body

// Other threads read what the last frame handed over, never the search's
// state in the middle of a frame; a freeze request shows at once and is taken
// by the next frame.
void TestVision::readersSeeWholeFrames()
{
    auto p = makeProbe();
    p->XCalibration = p->ZCalibration = 0.01f;
    p->run(barFromBottom(200, 100, 300));
    const EdgeResult before = p->result();
    QVERIFY(before.valid[EXT_MIN_X]);
    // Half-way through the next frame: nothing found so far.
    p->profileCount = 0;
    for (int &k : p->extremeIndex)
        k = CEdgeSearch::kNone;
    QVERIFY(p->MinXValid());
    QCOMPARE(p->getMinX(false), before.mm[EXT_MIN_X]);
    QCOMPARE(p->getPointMinX(false).x, before.point[EXT_MIN_X].x);

    p->enableFreeze(true, 1, 2);
    QVERIFY(p->isFrozen());
    QVERIFY(!p->isValidFrozenMinX());
    QVERIFY(!p->frozen);    // the search's own state waits for its frame
    p->run(barFromBottom(210, 100, 300));
    QVERIFY(p->frozen);
    QVERIFY(p->isValidFrozenMinX());
    QCOMPARE(p->getMinX(true), p->getMinX(false));
}

void TestVision::frozenMoved_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dz");
    QTest::addColumn<bool>("moved");
    QTest::newRow("still") << 0 << 0 << false;
    QTest::newRow("x + 5") << 5 << 0 << false;
    QTest::newRow("x + 6") << 6 << 0 << true;
    QTest::newRow("x - 5") << -5 << 0 << false;
    QTest::newRow("x - 6") << -6 << 0 << true;
    QTest::newRow("z + 5") << 0 << 5 << false;
    QTest::newRow("z - 6") << 0 << -6 << true;
    QTest::newRow("both 5") << 5 << -5 << false;
}

void TestVision::frozenMoved()
{
    QFETCH(int, dx);
    QFETCH(int, dz);
    QFETCH(bool, moved);
    auto p = makeProbe();
    p->enableFreeze(true, 120, -40);
    QVERIFY(p->isFrozen());
    QCOMPARE(p->frozenMoved(120 + dx, -40 + dz), moved);
}

void TestVision::freezeKeepsExtremes()
{
    auto p = makeProbe();
    p->XCalibration = p->ZCalibration = 0.01f;
    p->enableFreeze(true, 10, 20);
    QVERIFY(!p->isValidFrozenMinX() && !p->isValidFrozenMaxX());
    QCOMPARE(p->getMaxX(true), -999999.0f);
    QCOMPARE(p->getMinX(true), 999999.0f);

    // A bar moving right and back: the freeze keeps the extreme distances.
    float maxSeen = -1e9f, minSeen = 1e9f;
    POINT maxPoint{0, 0}, minPoint{0, 0};
    for (double d : {0.0, 10.3, 20.6, 5.2}) {
        p->run(barFromBottom(200 + d, 100, 300));
        QVERIFY(p->MinXValid() && p->MaxXValid());
        if (p->getMaxX(false) > maxSeen) { maxSeen = p->getMaxX(false); maxPoint = p->getPointMaxX(false); }
        if (p->getMinX(false) < minSeen) { minSeen = p->getMinX(false); minPoint = p->getPointMinX(false); }
    }
    QCOMPARE(p->getMaxX(true), maxSeen);
    QCOMPARE(p->getMinX(true), minSeen);
    QVERIFY(std::fabs(maxSeen - (320.6f - 1 - 320) * 0.01f) < 0.001f);
    QVERIFY(std::fabs(minSeen - (200.0f - 320) * 0.01f) < 0.001f);
    QCOMPARE(p->getPointMaxX(true).x, maxPoint.x);
    QCOMPARE(p->getPointMinX(true).x, minPoint.x);
    QVERIFY(p->isValidFrozenMaxX());
    QVERIFY(p->getMaxX(false) < p->getMaxX(true));

    // Invalidating keeps the freeze and its reference.
    p->invalidateFrozenPoints();
    QVERIFY(p->isFrozen());
    QCOMPARE(p->freezeRef.x, 10);
    QCOMPARE(p->freezeRef.z, 20);
    QVERIFY(!p->isValidFrozenMaxX());
    QCOMPARE(p->getMaxX(true), -999999.0f);

    p->enableFreeze(false);
    QVERIFY(!p->isFrozen());
    p->run(barFromBottom(260, 100, 300));
    QCOMPARE(p->getMaxX(true), -999999.0f);     // not updated while not frozen
    QCOMPARE(p->getMinY(true), 999999.0f);
}

void TestVision::axesInCenter_data()
{
    QTest::addColumn<float>("mm");
    QTest::addColumn<bool>("inPos");
    QTest::newRow("0") << 0.0f << true;
    QTest::newRow("0.0009") << 0.0009f << true;
    QTest::newRow("-0.0009") << -0.0009f << true;
    QTest::newRow("0.001") << 0.001f << false;
    QTest::newRow("-0.0011") << -0.0011f << false;
    QTest::newRow("1.5") << 1.5f << false;
}

void TestVision::axesInCenter()
{
    QFETCH(float, mm);
    QFETCH(bool, inPos);
    auto p = makeProbe();
    // Without a profile: false and silent.
    QVERIFY(!p->axesInCenter(0.0f, 0, true));
    QVERIFY(p->inPosSignals.isEmpty());

    p->run(barFromBottom(300, 20, 300));
    QCOMPARE(p->profileCount, 1);
    p->clearSignals();
    QCOMPARE(p->axesInCenter(mm, 0, true), inPos);
    QCOMPARE(p->axesInCenter(mm, 1, true), inPos);
    QCOMPARE(p->axesInCenter(mm, 1, false), inPos);
    QCOMPARE(p->inPosSignals.size(), 2);
    QCOMPARE(p->inPosSignals[0], qMakePair(0, inPos));
    QCOMPARE(p->inPosSignals[1], qMakePair(1, inPos));
}

void TestVision::inPositionOnScene_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("edge");
    QTest::addColumn<bool>("inPos");
    // 0.01 mm per pixel: in position within 0.1 pixel of the centre.
    QTest::newRow("min X on the centre column") << int(MinX) << 320.0 << true;
    QTest::newRow("min X 0.05 px right") << int(MinX) << 320.05 << true;
    QTest::newRow("min X 0.2 px right") << int(MinX) << 320.2 << false;
    QTest::newRow("min X one pixel right") << int(MinX) << 321.0 << false;
    QTest::newRow("min X one pixel left") << int(MinX) << 319.0 << false;
    QTest::newRow("max X edge on the centre") << int(MaxX) << 321.0 << true;
    QTest::newRow("max X one pixel off") << int(MaxX) << 320.0 << false;
    QTest::newRow("min Y on the centre row") << int(MinY) << 320.0 << true;
    QTest::newRow("min Y one pixel off") << int(MinY) << 321.0 << false;
    QTest::newRow("max Y on the centre") << int(MaxY) << 321.0 << true;
}

void TestVision::inPositionOnScene()
{
    QFETCH(int, kind);
    QFETCH(double, edge);
    QFETCH(bool, inPos);
    auto p = makeProbe();
    p->XCalibration = p->ZCalibration = 0.01f;
    p->inPositionMode = true;
    p->run(edgeScene(Kind(kind), edge));
    QCOMPARE(p->profileCount, 1);
    const int axis = kind <= MaxX ? 0 : 1;
    // The other axis has its extremes on the region border (not valid): silent.
    QCOMPARE(p->inPosSignals.size(), 1);
    QCOMPARE(p->inPosSignals[0], qMakePair(axis, inPos));

    p->clearSignals();
    p->inPositionMode = false;
    p->run(edgeScene(Kind(kind), edge));
    QVERIFY(p->inPosSignals.isEmpty());
}

void TestVision::stillCounter_data()
{
    QTest::addColumn<QList<double>>("edges");       // < 0: empty frame
    QTest::addColumn<QList<int>>("counts");
    QTest::newRow("standing still") << QList<double>{250, 250, 250, 250, 250} << QList<int>{0, 1, 2, 3, 4};
    QTest::newRow("one move resets") << QList<double>{250, 250, 251, 251, 251} << QList<int>{0, 1, 0, 1, 2};
    QTest::newRow("sub-pixel move resets") << QList<double>{250, 250, 250.3, 250.3} << QList<int>{0, 1, 0, 1};
    QTest::newRow("empty frame is not still") << QList<double>{250, 250, -1, 250, 250} << QList<int>{0, 1, 0, 1, 2};
    // The previous distance starts at 0: an edge on the centre counts on from
    // the machine's counter (77 here) at once.
    QTest::newRow("edge at the centre from the start") << QList<double>{320, 320} << QList<int>{78, 79};
}

void TestVision::stillCounter()
{
    QFETCH(QList<double>, edges);
    QFETCH(QList<int>, counts);
    auto p = makeProbe();
    QAtomicInt machineCounter = 77;
    p->setStillCounter(&machineCounter);
    p->XCalibration = p->ZCalibration = 0.01f;
    for (int i = 0; i < edges.size(); ++i) {
        if (edges[i] < 0)
            p->run(whiteFrame());
        else
            p->run(edgeScene(MinX, edges[i]));
        QCOMPARE(machineCounter.loadRelaxed(), counts[i]);
        QCOMPARE(p->stillCounter(), counts[i]);
    }
}

void TestVision::frameSignals()
{
    auto p = makeProbe();
    p->XCalibration = 0.01f;
    // No profile: empty lines and the none circle, every frame.
    p->run(whiteFrame());
    QCOMPARE(p->order, QStringList({"lines", "circle"}));
    QVERIFY(p->lineSignals[0].isEmpty());
    QCOMPARE(p->circleSignals[0], qMakePair(kNone, 0));
    QCOMPARE(p->intersection, kNone);
    QCOMPARE(p->circleResult.radius, 0);

    // One contour with the search on: results on every second frame.
    SyntheticScene s;
    s.addDisc(QPointF(320, 640), 200);
    p->Geometry = true;
    p->clearSignals();
    QList<int> perFrame;
    for (int f = 0; f < 6; ++f) {
        const int before = p->circleSignals.size();
        p->run(s);
        perFrame << p->circleSignals.size() - before;
    }
    QCOMPARE(p->lineSignals.size(), 3);
    QVERIFY(perFrame == QList<int>({0, 1, 0, 1, 0, 1}) || perFrame == QList<int>({1, 0, 1, 0, 1, 0}));
    for (const auto &c : p->circleSignals)
        QVERIFY(c.first != kNone);

    // Search off: nothing between frames with a profile.
    p->Geometry = false;
    p->clearSignals();
    p->run(s);
    p->run(s);
    QVERIFY(p->order.isEmpty());
}

void TestVision::inspectionAndScanline_data()
{
    QTest::addColumn<bool>("inspection");
    QTest::newRow("inspection mode") << true;
    QTest::newRow("scan line") << false;
}

void TestVision::inspectionAndScanline()
{
    QFETCH(bool, inspection);
    auto p = makeProbe();
    p->XCalibration = p->ZCalibration = 0.01f;
    p->inPositionMode = true;
    p->Geometry = true;
    const SyntheticScene s = edgeScene(MinX, 320);
    p->run(s);
    QCOMPARE(p->inPosSignals.size(), 1);
    p->clearSignals();
    if (inspection)
        p->sensorMode = 1;
    else
        p->scanline = 1;
    for (int f = 0; f < 2; ++f) {
        p->run(s);
        QCOMPARE(p->lineSignals.size(), f + 1);
        QVERIFY(p->lineSignals.last().isEmpty());
        QCOMPARE(p->circleSignals.last(), qMakePair(kNone, 0));
    }
    QVERIFY(p->inPosSignals.isEmpty());
    QCOMPARE(p->stillCounter(), 0);
}

void TestVision::noAutoMeasure()
{
    auto p = makeProbe();
    p->measureLines = true;
    p->run(whiteFrame());
    QVERIFY(p->NoAutoMeasure());
    p->sensorMode = 1;
    QVERIFY(!p->NoAutoMeasure());
    p->sensorMode = 0;
    p->run(barFromBottom(300, 20, 300));
    QVERIFY(!p->NoAutoMeasure());
    p->measureLines = false;
    p->run(whiteFrame());
    QVERIFY(!p->NoAutoMeasure());
}

QTEST_GUILESS_MAIN(TestVision)
#include "tst_vision.moc"
