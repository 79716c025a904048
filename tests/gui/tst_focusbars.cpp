#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "camera/cFocusBars.h"
#include "support/Screenshot.h"

namespace {
bool isRed(const QImage& img, int x, int y)
{
    if (!img.rect().contains(x, y))
        return false;
    const QColor c = img.pixelColor(x, y);
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

// Whether any pixel of a graph's line at step position k is red: the step's
// column (X graphs) or row (Z graphs), probed over its first pixels.
bool stepDrawn(const QImage& img, int graph, int k)
{
    const int cx = 320, cy = 320;
    for (int t = 4; t < 9; ++t) {
        switch (graph) {
        case cFocusBars::MinX: if (isRed(img, cx - 80 - 5 * k, t)) return true; break;
        case cFocusBars::MaxX: if (isRed(img, cx + 80 + 5 * k, t)) return true; break;
        case cFocusBars::MinZ: if (isRed(img, t, cy - 80 - 5 * k)) return true; break;
        case cFocusBars::MaxZ: if (isRed(img, t, cy + 80 + 5 * k)) return true; break;
        }
    }
    return false;
}

// Length in pixels of the red run of step k, from the area's edge inwards.
int stepEnd(const QImage& img, int graph, int k)
{
    const int cx = 320, cy = 320;
    int last = -1;
    for (int t = 0; t < 60; ++t) {
        bool red = false;
        switch (graph) {
        case cFocusBars::MinX: red = isRed(img, cx - 80 - 5 * k, t); break;
        case cFocusBars::MaxX: red = isRed(img, cx + 80 + 5 * k, t); break;
        case cFocusBars::MinZ: red = isRed(img, t, cy - 80 - 5 * k); break;
        case cFocusBars::MaxZ: red = isRed(img, t, cy + 80 + 5 * k); break;
        }
        if (red)
            last = t;
    }
    return last;
}

QImage draw(cFocusBars& bars, int minX, int maxX, int minZ, int maxZ)
{
    QImage img(640, 640, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    bars.drawFocus(&p, minX, maxX, minZ, maxZ);
    p.end();
    return img;
}

}

class TestFocusBars : public QObject
{
    Q_OBJECT
private slots:
    void bars_data();
    void bars();
    void heldPeakBelowOneBar_data();
    void heldPeakBelowOneBar();
    void areaOffset();
    void peakClearedAfterHold();
    void equalValueDoesNotRestart();
    void higherValueRestarts();
    void screenshot();
};

void TestFocusBars::bars_data()
{
    QTest::addColumn<int>("graph");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("count");
    QTest::newRow("min X 27") << int(cFocusBars::MinX) << 27 << 5;
    QTest::newRow("min X 4") << int(cFocusBars::MinX) << 4 << 0;
    QTest::newRow("min X 5") << int(cFocusBars::MinX) << 5 << 1;
    QTest::newRow("max X 110") << int(cFocusBars::MaxX) << 110 << 22;
    QTest::newRow("max X 0") << int(cFocusBars::MaxX) << 0 << 0;
    QTest::newRow("min Z 49") << int(cFocusBars::MinZ) << 49 << 9;
    QTest::newRow("max Z 30") << int(cFocusBars::MaxZ) << 30 << 6;
}

void TestFocusBars::bars()
{
    QFETCH(int, graph);
    QFETCH(int, value);
    QFETCH(int, count);
    cFocusBars bars(nullptr, 0, 0, 0, 0);
    bars.setSize(0, 0, 640, 640);
    int v[4] = {0, 0, 0, 0};
    v[graph] = value;
    const QImage img = draw(bars, v[0], v[1], v[2], v[3]);

    // Bar i is 8 + i pixels long from 2 pixels inside the edge: the pen of
    // width 2 with square ends covers up to one pixel beyond each end.
    for (int i = 0; i < count; ++i) {
        QVERIFY2(stepDrawn(img, graph, i), qPrintable(QString("bar %1 missing").arg(i)));
        const int end = stepEnd(img, graph, i);
        QVERIFY2(end >= 10 + i && end <= 11 + i, qPrintable(QString("bar %1 ends at %2").arg(i).arg(end)));
    }
    // The first frame with bars raises the peak: its mark stands one step beyond.
    if (count > 0) {
        QVERIFY(bars.isPeakShown(cFocusBars::Graph(graph)));
        QCOMPARE(bars.heldPeak(cFocusBars::Graph(graph)), count);
        QVERIFY(stepDrawn(img, graph, count));
        const int end = stepEnd(img, graph, count);
        QVERIFY2(end >= 10 + count && end <= 11 + count, qPrintable(QString("mark ends at %1").arg(end)));
    } else {
        QVERIFY(!bars.isPeakShown(cFocusBars::Graph(graph)));
        QVERIFY(!stepDrawn(img, graph, 0));
    }
    QVERIFY(!stepDrawn(img, graph, count + 1));
    // The other graphs stay empty.
    for (int g = 0; g < 4; ++g)
        if (g != graph)
            QVERIFY(!stepDrawn(img, g, 0));
}

void TestFocusBars::heldPeakBelowOneBar_data()
{
    QTest::addColumn<int>("graph");
    QTest::addColumn<bool>("markStays");
    QTest::newRow("min X") << int(cFocusBars::MinX) << false;
    QTest::newRow("max X") << int(cFocusBars::MaxX) << false;
    QTest::newRow("min Z") << int(cFocusBars::MinZ) << false;
    QTest::newRow("max Z") << int(cFocusBars::MaxZ) << true;
}

void TestFocusBars::heldPeakBelowOneBar()
{
    QFETCH(int, graph);
    QFETCH(bool, markStays);
    cFocusBars bars(nullptr, 0, 0, 640, 640);
    int v[4] = {0, 0, 0, 0};
    v[graph] = 27;
    draw(bars, v[0], v[1], v[2], v[3]);
    v[graph] = 4;
    const QImage img = draw(bars, v[0], v[1], v[2], v[3]);
    QVERIFY(bars.isPeakShown(cFocusBars::Graph(graph)));
    QCOMPARE(stepDrawn(img, graph, 5), markStays);
    QVERIFY(!stepDrawn(img, graph, 0));
}

void TestFocusBars::areaOffset()
{
    // Centre of an odd area rounds toward minus infinity; the bars follow the area.
    cFocusBars bars(nullptr, 0, 0, 0, 0);
    bars.setSize(10, 20, 301, 401);   // cx = 160, cy = 220
    QImage img(640, 640, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    bars.drawFocus(&p, 5, 5, 5, 5);
    p.end();
    QVERIFY(isRed(img, 160 - 80, 20 + 6));
    QVERIFY(isRed(img, 160 + 80, 20 + 6));
    QVERIFY(isRed(img, 10 + 6, 220 - 80));
    QVERIFY(isRed(img, 10 + 6, 220 + 80));
    QVERIFY(!isRed(img, 320 - 80, 6));
}

void TestFocusBars::peakClearedAfterHold()
{
    cFocusBars bars(nullptr, 0, 0, 640, 640);
    bars.setPeakHoldTime(100);
    draw(bars, 27, 0, 0, 0);
    QCOMPARE(bars.heldPeak(cFocusBars::MinX), 5);
    QTRY_VERIFY_WITH_TIMEOUT(!bars.isPeakShown(cFocusBars::MinX), 15000);
    QCOMPARE(bars.heldPeak(cFocusBars::MinX), 0);
    // A lower value after the reset becomes the new peak.
    const QImage img = draw(bars, 10, 0, 0, 0);
    QCOMPARE(bars.heldPeak(cFocusBars::MinX), 2);
    QVERIFY(stepDrawn(img, cFocusBars::MinX, 2));
    QVERIFY(!stepDrawn(img, cFocusBars::MinX, 5));
}

void TestFocusBars::equalValueDoesNotRestart()
{
    // Frames keep showing the same value: the peak still goes after the hold
    // time counted from the first frame.
    cFocusBars bars(nullptr, 0, 0, 640, 640);
    bars.setPeakHoldTime(300);
    QElapsedTimer clock;
    clock.start();
    draw(bars, 0, 20, 0, 0);
    QVERIFY(bars.isPeakShown(cFocusBars::MaxX));
    // Each poll draws a further frame with the same value until the hold is gone.
    QTRY_VERIFY_WITH_TIMEOUT(!bars.isPeakShown(cFocusBars::MaxX) || (draw(bars, 0, 20, 0, 0), false), 15000);
    QVERIFY(clock.elapsed() >= 290);
}

// A higher value part way through the hold holds the raised peak a whole hold
// time from then, not from the first peak. Timers fire only while the loop
// runs: a machine too slow to draw the second frame within the first hold, or
// to look between the two holds' ends, showed neither, and the run is
// repeated with a hold twice as long.
void TestFocusBars::higherValueRestarts()
{
    bool lookedBetween = false;
    for (int holdMs = 400; !lookedBetween && holdMs <= 12800; holdMs *= 2) {
        cFocusBars bars(nullptr, 0, 0, 640, 640);
        bars.setPeakHoldTime(holdMs);
        QElapsedTimer clock;
        clock.start();
        draw(bars, 0, 0, 20, 0);
        // Past here the first hold's timer is due (coarse timers may be 5% late).
        const qint64 firstEnd = clock.elapsed() + holdMs + holdMs / 10;
        (void)QTest::qWaitFor([&] { return clock.elapsed() >= holdMs / 2; }, holdMs);
        if (!bars.isPeakShown(cFocusBars::MinZ))
            continue;
        const qint64 raised = clock.elapsed();
        draw(bars, 0, 0, 25, 0);
        QCOMPARE(bars.heldPeak(cFocusBars::MinZ), 5);
        // Before here the second hold's timer is not due (it may be 5% early).
        const qint64 secondEnd = raised + holdMs - holdMs / 20;
        qint64 hiddenAt = -1;
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
            // Every timer due by `before` has fired when the peak is looked at.
            const qint64 before = clock.elapsed();
            QCoreApplication::processEvents();
            if (bars.isPeakShown(cFocusBars::MinZ)) {
                lookedBetween = lookedBetween || before >= firstEnd;
                return false;
            }
            hiddenAt = clock.elapsed();
            return true;
        }()), 4 * holdMs);
        QVERIFY2(hiddenAt >= secondEnd,
                 qPrintable(QString("hidden %1 ms after the raise, held %2 ms").arg(hiddenAt - raised).arg(holdMs)));
    }
    QVERIFY2(lookedBetween, "never looked between the two holds' ends");
}

void TestFocusBars::screenshot()
{
    cFocusBars bars(nullptr, 0, 0, 640, 640);
    draw(bars, 60, 90, 110, 40);
    const QImage img = draw(bars, 45, 90, 100, 4);
    saveScreenshot(img, "focusbars");
    QVERIFY(stepDrawn(img, cFocusBars::MaxZ, 8));   // held max-Z mark without bars
}

QTEST_MAIN(TestFocusBars)
#include "tst_focusbars.moc"
