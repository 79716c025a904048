#include <QDir>
#include <QImage>
#include <QtTest>

#include "camera/debugwin.h"
#include "support/Screenshot.h"

namespace {
int countColour(const QImage& img, QRgb colour, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((img.pixel(x, y) & 0xffffff) == (colour & 0xffffff))
                ++n;
    return n;
}

bool isWhitish(QRgb c)
{
    return qRed(c) > 160 && qGreen(c) > 160 && qBlue(c) > 160;
}
}

class TestDebugWin : public QObject
{
    Q_OBJECT
private slots:
    void construction();
    void plots_data();
    void plots();
    void message();
};

void TestDebugWin::construction()
{
    QWidget parent;
    debugWin w(&parent);
    QCOMPARE(w.objectName(), QString("debugWin"));
    QCOMPARE(w.geometry(), QRect(0, 0, 640, 260));
    QCOMPARE(w.windowTitle(), QString("Debug"));
    QVERIFY(!w.isModal());
}

void TestDebugWin::plots_data()
{
    QTest::addColumn<int>("polygons");
    QTest::addColumn<bool>("plotted");
    QTest::newRow("none") << 0 << false;
    QTest::newRow("one") << 1 << false;
    QTest::newRow("two") << 2 << true;
    QTest::newRow("three") << 3 << false;
}

void TestDebugWin::plots()
{
    QFETCH(int, polygons);
    QFETCH(bool, plotted);
    debugWin w;
    QPolygon first, second;
    for (int x = 10; x < 600; ++x) {
        first << QPoint(x, 200);    // bright pixels lie low
        second << QPoint(x, 40);
    }
    QVector<QPolygon> lines;
    if (polygons >= 1) lines << first;
    if (polygons >= 2) lines << second;
    if (polygons >= 3) lines << first;
    w.setScanlines(lines);
    const QImage img = w.grab().toImage();
    saveScreenshot(img, QString("debugwin-%1-polygons").arg(polygons));

    QCOMPARE(img.size(), QSize(640, 260));
    QCOMPARE(img.pixel(5, 5) & 0xffffff, QRgb(0x000000));
    QCOMPARE(img.pixel(300, 127) & 0xffffff, QRgb(qRgb(255, 0, 0)) & 0xffffff);
    QCOMPARE(img.pixel(300, 128) & 0xffffff, QRgb(0x000000));
    const int yellow = countColour(img, qRgb(255, 255, 0), QRect(0, 195, 640, 10));
    const int magenta = countColour(img, qRgb(255, 0, 255), QRect(0, 35, 640, 10));
    if (plotted) {
        QCOMPARE(yellow, 590);
        QCOMPARE(magenta, 590);
    } else {
        QCOMPARE(yellow, 0);
        QCOMPARE(magenta, 0);
    }
}

void TestDebugWin::message()
{
    debugWin w;
    const QRect textArea(0, 0, 500, 120);
    auto whitePixels = [&]() {
        const QImage img = w.grab().toImage();
        int n = 0;
        for (int y = textArea.top(); y <= textArea.bottom(); ++y)
            for (int x = textArea.left(); x <= textArea.right(); ++x)
                if (isWhitish(img.pixel(x, y)))
                    ++n;
        return n;
    };
    QCOMPARE(whitePixels(), 0);
    w.setDbgMessage("25.00 fps\nMinX Pix 100\nProfiles=1\n");
    QCOMPARE(w.dbgMessage(), QString("25.00 fps\nMinX Pix 100\nProfiles=1\n"));
    QVERIFY(whitePixels() > 50);
    // Text stays within its rectangle: nothing white right of column 500.
    const QImage img = w.grab().toImage();
    for (int y = 0; y < 260; ++y)
        for (int x = 505; x < 640; ++x)
            QVERIFY(!isWhitish(img.pixel(x, y)));
    w.setDbgMessage(QString());
    QCOMPARE(whitePixels(), 0);
}

QTEST_MAIN(TestDebugWin)
#include "tst_debugwin.moc"
