// The demo control panel: samples from "./demoImages", the window moved over
// them, the spindle blur and the position line it plays.
#include <QComboBox>
#include <QDial>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextEdit>
#include <QtTest>

#include "axis/cdemo.h"
#include "support/MessageBoxRecorder.h"
#include "support/ScopedLocale.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"

namespace {

// A grey tool on a light ground: dark (30) left of column `edge`, light (230)
// from there to column `back` (exclusive), dark again after it.
QImage sample(int w, int h, int edge, int back = 1 << 30)
{
    QImage img(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        uchar *line = img.scanLine(y);
        for (int x = 0; x < w; ++x)
            line[x] = x < edge || x >= back ? 30 : 230;
    }
    return img;
}

bool save(const QImage &img, const QString &file)
{
    QDir().mkpath("demoImages");
    return img.save("demoImages/" + file);
}

QByteArray bytes(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

template <typename T>
T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(name);
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT
private slots:
    void samples();
    void positionLine_data();
    void positionLine();
    void invalidPicture_data();
    void invalidPicture();
    void otherKindsConvertedInMemory_data();
    void otherKindsConvertedInMemory();
    void inspection();
    void spindleBlur_data();
    void spindleBlur();
    void closeIgnored();
    void screenshots();
};

void TestDemo::samples()
{
    TestWorkDir wd;
    QVERIFY(save(sample(1280, 1024, 600), "tool02-M.png"));
    QVERIFY(save(sample(1280, 1024, 700), "tool01-M.png"));
    QVERIFY(save(sample(1280, 1024, 700), "other.png"));
    QVERIFY(save(sample(1280, 1024, 700), "tool03-m.png")); // the loader asks for "-M.png": not listed
    QVERIFY(wd.writeFile("demoImages/tool01.html", "<p>Boring bar</p>"));
    MessageBoxRecorder boxes;
    cDemo demo;
    auto *combo = child<QComboBox>(demo, "cmbImage");
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QString("tool01"));
    QCOMPARE(combo->itemText(1), QString("tool02"));
    QCOMPARE(demo.hasDemoImages(), 2);
    QCOMPARE(child<QTextEdit>(demo, "txtInfo")->toPlainText(), QString("Boring bar"));
    // The constructor's own switch leaves the vacuum flag off.
    QCOMPARE(demo.isVacuumOk(), 1);

    demo.slotSelectSample(2);
    QCOMPARE(combo->currentText(), QString("tool02"));
    QCOMPARE(demo.isVacuumOk(), 2);
    QCOMPARE(demo.getDemoImage().pixelIndex(599, 500), 30);
    QCOMPARE(demo.getDemoImage().pixelIndex(600, 500), 230);
    QVERIFY(child<QTextEdit>(demo, "txtInfo")->toPlainText().isEmpty());
    demo.slotSelectSample(3);
    QCOMPARE(combo->currentText(), QString("tool02"));
    QCOMPARE(demo.isVacuumOk(), 2);
    QVERIFY(boxes.boxes().isEmpty());
}

void TestDemo::positionLine_data()
{
    QTest::addColumn<QByteArray>("locale");
    for (const QByteArray &locale : wireLocales())
        QTest::newRow(locale.constData()) << locale;
}

void TestDemo::positionLine()
{
    QFETCH(QByteArray, locale);
    USE_NUMERIC_LOCALE(locale);
    TestWorkDir wd;
    // 120 x 76 pixels more than the window: it starts centred at 60, 38.
    QVERIFY(save(sample(1400, 1100, 700), "tool01-M.png"));
    cDemo demo;
    QSignalSpy lines(&demo, &cDemo::updAxis);
    QVERIFY(lines.wait(2000));
    QCOMPARE(lines.last().at(0).toString(), QString("X19400 Z99620 I0 O1 C0.00"));

    auto *sbX = child<QScrollBar>(demo, "sbX");
    QCOMPARE(sbX->maximum(), 120);
    QCOMPARE(child<QScrollBar>(demo, "sbY")->maximum(), 76);
    sbX->setValue(10);
    QCOMPARE(child<QDial>(demo, "dialX")->value(), 10);
    child<QDial>(demo, "dialY")->setValue(5);
    QCOMPARE(child<QScrollBar>(demo, "sbY")->value(), 5);
    child<QScrollBar>(demo, "sbC")->setValue(-45);
    QCOMPARE(child<QDial>(demo, "dialAngle")->value(), -45);
    lines.clear();
    QVERIFY(lines.wait(2000));
    QCOMPARE(lines.last().at(0).toString(), QString("X19900 Z99950 I0 O1 C-45.00"));
    // The window moved with X: the tool's edge is 10 pixels further left.
    child<QScrollBar>(demo, "sbC")->setValue(0);
    QCOMPARE(demo.getDemoImage().pixelIndex(689, 500), 30);
    QCOMPARE(demo.getDemoImage().pixelIndex(690, 500), 230);
    child<QPushButton>(demo, "pbResetC")->click();
    QCOMPARE(child<QDial>(demo, "dialAngle")->value(), 0);
}

void TestDemo::invalidPicture_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: a picture smaller than the window
    QTest::addColumn<bool>("inspection");
    QTest::newRow("not a picture") << QByteArray("not a png") << false;
    QTest::newRow("smaller than the window") << QByteArray() << false;
    QTest::newRow("inspection picture missing") << QByteArray("-") << true;
}

void TestDemo::invalidPicture()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, inspection);
    TestWorkDir wd;
    if (inspection)
        QVERIFY(save(sample(1300, 1100, 700), "tool01-M.png"));
    else if (content.isEmpty())
        QVERIFY(save(sample(1279, 1024, 700), "tool01-M.png"));
    else
        QVERIFY(wd.writeFile("demoImages/tool01-M.png", content));
    MessageBoxRecorder boxes;
    cDemo demo;
    if (inspection) {
        QVERIFY(boxes.boxes().isEmpty());
        demo.setInspection(true);
    }
    QCOMPARE(boxes.boxes().size(), 1);
    const QMessageBoxKovra::Box box = boxes.boxes().first();
    QCOMPARE(box.kind, QMessageBox::Critical);
    QCOMPARE(box.parent, static_cast<QWidget *>(nullptr));
    QCOMPARE(box.title, QString("Demo"));
    QCOMPARE(box.text, QString("Invalid demo image!"));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QImage white(1280, 1024, QImage::Format_Grayscale8);
    white.fill(255);
    QCOMPARE(demo.getDemoImage().convertToFormat(QImage::Format_Grayscale8), white);
}

void TestDemo::otherKindsConvertedInMemory_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("colour") << int(QImage::Format_RGB32);
    QTest::newRow("16-bit grey") << int(QImage::Format_Grayscale16);
    QTest::newRow("8-bit grey") << int(QImage::Format_Grayscale8);
}

// A sample that is not 8-bit indexed is used as grey, and its file stays as it was.
void TestDemo::otherKindsConvertedInMemory()
{
    QFETCH(int, format);
    TestWorkDir wd;
    QImage picture = sample(1280, 1024, 640).convertToFormat(QImage::Format_RGB32);
    QPainter(&picture).fillRect(QRect(800, 400, 100, 100), qRgb(200, 40, 40));
    QVERIFY(save(picture.convertToFormat(QImage::Format(format)), "tool01-M.png"));
    const QByteArray before = bytes("demoImages/tool01-M.png");
    MessageBoxRecorder boxes;
    cDemo demo;
    QVERIFY(boxes.boxes().isEmpty());
    const QImage frame = demo.getDemoImage();
    QCOMPARE(frame.format(), QImage::Format_Indexed8);
    QCOMPARE(frame.pixelIndex(100, 100), 30);
    QCOMPARE(frame.pixelIndex(700, 100), 230);
    if (format == QImage::Format_RGB32)
        QCOMPARE(frame.pixelIndex(850, 450), qGray(200, 40, 40));
    QCOMPARE(bytes("demoImages/tool01-M.png"), before);
    QCOMPARE(QDir("demoImages").entryList(QDir::Files), QStringList{"tool01-M.png"});
}

void TestDemo::inspection()
{
    TestWorkDir wd;
    QVERIFY(save(sample(1400, 1100, 700), "tool01-M.png"));
    // The inspection picture is smaller than the measure one.
    QVERIFY(save(sample(1300, 1050, 650), "tool01-I.png"));
    MessageBoxRecorder boxes;
    cDemo demo;
    demo.show();
    child<QScrollBar>(demo, "sbX")->setValue(120);
    child<QScrollBar>(demo, "sbY")->setValue(76);
    const int vacuum = demo.isVacuumOk();

    demo.setInspection(true);
    QVERIFY(boxes.boxes().isEmpty());
    for (const char *name : {"dialAngle", "sbC", "lblC", "pbResetC"})
        QVERIFY2(!child<QWidget>(demo, name)->isVisible(), name);
    // The window stays inside the picture: at 20, 26, its right and lower edge.
    QCOMPARE(child<QScrollBar>(demo, "sbX")->maximum(), 20);
    QCOMPARE(child<QScrollBar>(demo, "sbX")->value(), 20);
    QCOMPARE(child<QScrollBar>(demo, "sbY")->value(), 26);
    const QImage frame = demo.getDemoImage();
    QCOMPARE(frame.size(), QSize(1280, 1024));
    QCOMPARE(frame.pixelIndex(629, 1023), 30);
    QCOMPARE(frame.pixelIndex(630, 1023), 230);
    QCOMPARE(demo.isVacuumOk(), vacuum);

    demo.setInspection(false);
    for (const char *name : {"dialAngle", "sbC", "lblC", "pbResetC"})
        QVERIFY2(child<QWidget>(demo, name)->isVisible(), name);
    QCOMPARE(demo.getDemoImage().pixelIndex(679, 0), 30);
    QCOMPARE(demo.getDemoImage().pixelIndex(680, 0), 230);
}

void TestDemo::spindleBlur_data()
{
    QTest::addColumn<int>("dial");
    QTest::addColumn<int>("edge"); // dark to light
    QTest::addColumn<int>("back"); // light to dark
    QTest::newRow("10 degrees") << 10 << 640 << 900;
    QTest::newRow("-10 degrees") << -10 << 640 << 900;
    // The ramps would reach past both sides of the frame.
    QTest::newRow("end of the dial") << 360 << 100 << 1200;
    QTest::newRow("other end of the dial") << -360 << 100 << 1200;
}

// Each step between dark and light becomes a ramp of |dial| pixels; the scan
// and the ramps stay inside the frame however far the dial turns.
void TestDemo::spindleBlur()
{
    QFETCH(int, dial);
    QFETCH(int, edge);
    QFETCH(int, back);
    TestWorkDir wd;
    QVERIFY(save(sample(1280, 1024, edge, back), "tool01-M.png"));
    cDemo demo;
    const QImage sharp = demo.getDemoImage();
    child<QDial>(demo, "dialAngle")->setValue(dial);
    const QImage frame = demo.getDemoImage();
    QCOMPARE(frame.size(), QSize(1280, 1024));
    // Rows around the blurred band are untouched.
    for (int y : {0, 191, 832, 1023})
        QCOMPARE(QByteArray((const char *)frame.constScanLine(y), 1280),
                 QByteArray((const char *)sharp.constScanLine(y), 1280));
    const int w = std::abs(dial);
    const int step = 255 / w;
    for (int y : {192, 500, 831}) {
        if (edge - w - 1 >= 0)
            QCOMPARE(frame.pixelIndex(edge - w - 1, y), 30);
        for (int k = 1; k <= w && edge - k >= 0; ++k)
            QCOMPARE(frame.pixelIndex(edge - k, y), step * (w - k + 1));
        QCOMPARE(frame.pixelIndex(edge, y), 230);
        for (int i = 0; i < w && back + i < 1280; ++i)
            QCOMPARE(frame.pixelIndex(back + i, y), 255 - step * (i + 1));
        if (back + w < 1280)
            QCOMPARE(frame.pixelIndex(back + w, y), 30);
    }
}

void TestDemo::closeIgnored()
{
    TestWorkDir wd;
    MessageBoxRecorder boxes;
    cDemo demo;
    demo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&demo));
    QVERIFY(!demo.close());
    QTest::keyClick(&demo, Qt::Key_Escape);
    QVERIFY(demo.isVisible());
    QCOMPARE(demo.windowTitle(), QString("Demo control panel"));
}

void TestDemo::screenshots()
{
    TestWorkDir wd;
    // Two tools on a light ground, each with its description and tool picture.
    const QList<QPolygon> outlines{QPolygon(QRect(0, 480, 760, 140)),
                                   QPolygon({QPoint(0, 450), QPoint(640, 450), QPoint(760, 550), QPoint(640, 650),
                                             QPoint(0, 650)})};
    for (int i = 0; i < 2; ++i) {
        QImage tool = sample(1400, 1100, 0);
        QPainter p(&tool);
        p.setBrush(QColor(30, 30, 30));
        p.drawPolygon(outlines[i]);
        p.end();
        const QString name = QString("tool0%1").arg(i + 1);
        QVERIFY(save(tool, name + "-M.png"));
        QVERIFY(save(tool.scaled(300, 86), name + "-P.png"));
        QVERIFY(wd.writeFile("demoImages/" + name + ".html",
                             i ? "<h3>Drill</h3><p>Point angle 118 degrees</p>" : "<h3>Boring bar</h3>"));
    }
    MessageBoxRecorder boxes;
    cDemo demo;
    demo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&demo));
    QVERIFY(child<QLabel>(demo, "lblDemoImage")->isVisible());
    QVERIFY(child<QLabel>(demo, "lblTool")->isVisible());
    saveScreenshot(&demo, "demo-panel-tool01");
    demo.slotSelectSample(2);
    child<QDial>(demo, "dialAngle")->setValue(30);
    saveScreenshot(&demo, "demo-panel-tool02");
    QVERIFY(boxes.boxes().isEmpty());
}

QTEST_MAIN(TestDemo)
#include "tst_demo.moc"
