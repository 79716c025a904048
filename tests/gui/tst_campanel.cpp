#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QMutex>
#include <QPainter>
#include <QSemaphore>
#include <QSet>
#include <QtTest>

#include "axis/cAxisInterface.h"
#include "camera/FrameSource.h"
#include "camera/VideoDevice.h"
#include "camera/VideoStandIn.h"
#include "camera/debugwin.h"
#include "interface/CamPanel.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "support/AxbLinkFixture.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/SyntheticScene.h"
#include "support/TestWorkDir.h"

#include <functional>
#include <memory>

namespace {
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kPinkOnBlack = qRgb(119, 79, 79);   // the warning pink at half alpha over black

QVector<uint> greyTable()
{
    QVector<uint> t;
    for (int i = 0; i < 256; ++i)
        t << qRgb(i, i, i);
    return t;
}

bool near(QRgb a, QRgb b, int tolerance = 3)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

int countPixels(const QImage& img, const QRect& area, const std::function<bool(QRgb)>& test)
{
    int n = 0;
    const QRect r = area & img.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (test(img.pixel(x, y)))
                ++n;
    return n;
}

bool greenish(QRgb c) { return qGreen(c) > 100 && qRed(c) < 90 && qBlue(c) < 90; }

// Frames of one grey value; the capture can be held inside the first frame.
class GreySource : public CFrameSource
{
public:
    explicit GreySource(int grey, bool gated = false) : grey(grey), gated(gated) {}
    void nextFrame(uchar* dst, int width, int height) override
    {
        if (gated) {
            entered.release();
            gate.acquire();
            gate.release();
        }
        const int stamp = gated ? grey : (++served % 200) + 20;
        memset(dst, stamp, size_t(width) * size_t(height));
    }
    int grey;
    bool gated;
    QAtomicInt served;
    QSemaphore entered, gate;
};

// Records the frame values that the measuring saw.
class RecordingDevice : public CVideoDevice
{
public:
    explicit RecordingDevice(std::shared_ptr<CVideoIo> io) : CVideoDevice("/dev/video0", nullptr, io) {}
    QSet<int> processed() const { QMutexLocker l(&lock); return seen; }

protected:
    void processFrame(const uchar* frame, int w, int h) override
    {
        CVideoDevice::processFrame(frame, w, h);
        QMutexLocker l(&lock);
        seen.insert(windowPixel(320, 320));
    }

private:
    mutable QMutex lock;
    QSet<int> seen;
};

class TestPanel : public CCamPanel
{
public:
    using CCamPanel::CCamPanel;
    using CCamPanel::actCenter;
    using CCamPanel::actClear;
    using CCamPanel::actDiameter;
    using CCamPanel::actLeft;
    using CCamPanel::actRight;
    using CCamPanel::debugWindow;
    using CCamPanel::drawLine;
    using CCamPanel::image;
    using CCamPanel::roiTimer;
    using CCamPanel::skip;
    using CCamPanel::zeroImages;
    using CCamPanel::imgEmergency;
    using CCamPanel::imgSpindle;
    using CCamPanel::imgPrinter;

    AxisState state;
    QList<QPoint> menuShownAt;
    std::function<QAction*()> choose;

    AxisState axisState() const override { return state; }
    QAction* execMenu(const QPoint& pos) override
    {
        menuShownAt << pos;
        return choose ? choose() : nullptr;
    }
    QImage paint()
    {
        QImage img(640, 640, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        paintFrame(p);
        return img;
    }
    void press(QPoint at)
    {
        QMouseEvent e(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        mousePressEvent(&e);
    }
    void release(QPoint at)
    {
        QMouseEvent e(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        mouseReleaseEvent(&e);
    }
};

// One extreme point of profile 0 (order min X, max X, min Y, max Y), handed over.
void setExtreme(CVideoDevice& device, int e, QPoint p, float mm, bool valid = true, int focus = 0)
{
    device.profileCount = 1;
    device.extremeIndex[e] = 0;
    device.profiles[0].ext[e].point = {p.x(), p.y()};
    device.profiles[0].ext[e].mm = mm;
    device.profiles[0].ext[e].sub = 0.25f;
    device.profiles[0].ext[e].valid = valid;
    device.profiles[0].focus[e] = quint8(focus);
    device.publishResult();
}

// A device on the in-memory camera and a panel on it that is not shown (no capture).
struct Rig
{
    explicit Rig(std::shared_ptr<CFrameSource> source = nullptr, CVideoStandIn::Config config = {},
                 bool withParent = true)
    {
        App::resetKovraSettings();
        io = std::make_shared<CVideoStandIn>(source ? source : std::make_shared<GreySource>(200), config);
        device.reset(new RecordingDevice(io));
        device->XCalibration = 0.01f;
        device->ZCalibration = 0.01f;
        device->setStreamPalette(greyTable());
        panel.reset(new TestPanel(device.get(), nullptr, QSize(640, 640), withParent ? &parent : nullptr));
    }
    ~Rig()
    {
        panel.reset();
        device.reset();
    }
    // The fields set by a test are handed over as a frame's end would.
    QImage paint()
    {
        device->publishResult();
        return panel->paint();
    }
    // One extreme point of profile 0 (order min X, max X, min Y, max Y).
    void setExtreme(int e, QPoint p, float mm, bool valid = true, int focus = 0)
    {
        ::setExtreme(*device, e, p, mm, valid, focus);
    }
    // A rotated tool with a left corner about (200, 150) and a right one
    // about (rightColumn, 150), for the pick menu.
    void twoCorners(int rightColumn = 400, bool measureLines = true, bool rotation = true)
    {
        device->measureLines = measureLines;
        device->rotation = rotation;
        setExtreme(0, QPoint(200, 300), 0);
        setExtreme(1, QPoint(rightColumn, 300), 0);
        setExtreme(2, QPoint(250, 150), 0);
    }
    QWidget parent;
    std::shared_ptr<CVideoStandIn> io;
    std::unique_ptr<RecordingDevice> device;
    std::unique_ptr<TestPanel> panel;
};

// An axis link on a fake board that answers and a panel over a camera it
// hands its position to, at 0.01 mm a pixel, on a machine set up as named
// ("diameter, reversed X, swapped, inch").
struct LinkedRig
{
    explicit LinkedRig(const QString& setUp) : f(AxbLinkFixture::Options{0, true, false})
    {
        CurrentMachine.isRadius = !setUp.startsWith("diameter");
        CurrentMachine.reverseX = setUp.contains("reversed X");
        CurrentMachine.reverseZ = setUp.contains("reversed Z");
        CurrentMachine.swapXZ = setUp.contains("swapped");
        CurrentMachine.IsMM = !setUp.endsWith("inch");
        f.camera.reset(new RecordingDevice(std::make_shared<CVideoStandIn>(std::make_shared<GreySource>(200))));
        f.camera->XCalibration = 0.01f;
        f.camera->ZCalibration = 0.012f;   // the picture's rows take the X calibration too
        link = f.start();
        panel.reset(new TestPanel(f.camera.get(), link, QSize(640, 640), &parent));
        f.camera->measureLines = true;
        f.camera->rotation = true;
    }
    ~LinkedRig() { panel.reset(); }
    // Machine X 1.500 mm as a radius, Z 2.000 mm (their signs by the reversal):
    // the board answers with them, and true once the link has read them. The
    // board goes on answering, however long the test takes over a frame.
    bool atPosition()
    {
        f.board.setReferenced(true);
        CurrentMachine.swapXZ ? f.board.setCounts(2000, 1500) : f.board.setCounts(1500, 2000);
        const QString line = QString::fromLatin1(f.board.positionLine());
        return QTest::qWaitFor([&] { return link->lastLine() == line; }, 30000);
    }
    // The tool's corners: left at (column, row), right 200 pixels to its right.
    void corners(int column, int row)
    {
        setExtreme(*f.camera, EXT_MIN_X, QPoint(column, 400), 0);
        setExtreme(*f.camera, EXT_MAX_X, QPoint(column + 200, 400), 0);
        setExtreme(*f.camera, EXT_MIN_Y, QPoint(column + 100, row), 0);
    }
    QStringList circleCentre(QPoint at)
    {
        f.camera->circleResult = {at.x(), at.y(), 10};
        f.camera->publishResult();
        return {link->getCircleCenterX(), link->getCircleCenterZ()};
    }
    AxbLinkFixture f;
    cAxisInterface* link = nullptr;
    QWidget parent;
    std::unique_ptr<TestPanel> panel;
};
}

class TestCamPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void fixedSizeAndShape_data();
    void fixedSizeAndShape();
    void pointToMachine_data();
    void pointToMachine();
    void lineParameters_data();
    void lineParameters();
    void intersection_data();
    void intersection();

    void cornerPick_data();
    void cornerPick();
    void menuChoice_data();
    void menuChoice();
    void longPressToggle();
    void entryWithoutPoint_data();
    void entryWithoutPoint();
    void rotatedCornerPick_data();
    void rotatedCornerPick();
    void pointsOnMachineAxes_data();
    void pointsOnMachineAxes();
    void silentBoardDropsCorners();

    void comparator_data();
    void comparator();
    void comparatorChoice_data();
    void comparatorChoice();
    void zeroSearchPicture_data();
    void zeroSearchPicture();
    void machinePictures_data();
    void machinePictures();
    void reticleLabel_data();
    void reticleLabel();
    void drawLineEnds_data();
    void drawLineEnds();
    void pointLineColours();
    void fixedCross_data();
    void fixedCross();
    void roiAndGeometry();
    void noEdgeBox();
    void calibrationWarning_data();
    void calibrationWarning();
    void debugOutput();

    void paintStartsWithNineteenth();
    void showsProcessedFrame();
    void acknowledgement();
    void openFailure();
    void screenshots();

private:
    std::unique_ptr<TestWorkDir> workDir;
};

void TestCamPanel::initTestCase()
{
    qRegisterMetaType<QVector<QPolygon>>();
}

void TestCamPanel::init()
{
    workDir.reset(new TestWorkDir);
    App::resetKovraSettings();
    MachineSettings = s_MachineSettings();
    CurrentMachine = s_machine();
}

void TestCamPanel::fixedSizeAndShape_data()
{
    QTest::addColumn<QSize>("reported");
    QTest::newRow("small") << QSize(320, 240);
    QTest::newRow("frame") << QSize(1280, 1024);
    QTest::newRow("empty") << QSize(0, 0);
}

void TestCamPanel::fixedSizeAndShape()
{
    QFETCH(QSize, reported);
    Rig rig;
    rig.panel->SetSize(reported);
    QCOMPARE(rig.panel->size(), QSize(640, 640));
    QCOMPARE(rig.panel->image.size(), QSize(640, 640));
    emit rig.device->Resized(reported);
    QCOMPARE(rig.panel->size(), QSize(640, 640));
    // A rounded window: the centre and the middle of the edges are in, the very corner is out.
    const QRegion mask = rig.panel->mask();
    QVERIFY(mask.contains(QPoint(320, 320)));
    QVERIFY(mask.contains(QPoint(320, 0)) && mask.contains(QPoint(0, 320)));
    QVERIFY(!mask.contains(QPoint(0, 0)) && !mask.contains(QPoint(639, 639)));
    QCOMPARE(rig.panel->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(rig.panel->cursor().hotSpot(), QPoint(16, 16));
}

void TestCamPanel::pointToMachine_data()
{
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QPointF>("expected");
    QTest::newRow("centre") << QPoint(320, 320) << QPointF(12.5, -4.0);
    // The X calibration scales both directions, as for the found geometry.
    QTest::newRow("right and up") << QPoint(330, 300) << QPointF(12.5 - 10 * 0.008, -4.0 + 20 * 0.008);
    QTest::newRow("corner") << QPoint(0, 639) << QPointF(12.5 + 320 * 0.008, -4.0 - 319 * 0.008);
}

void TestCamPanel::pointToMachine()
{
    QFETCH(QPoint, pixel);
    QFETCH(QPointF, expected);
    Rig rig;
    rig.device->XCalibration = 0.008f;
    rig.device->ZCalibration = 0.012f;
    rig.device->setAxisPosition(12.5f, -4.0f);
    const QPointF p = rig.panel->PointToAbsCoordinate(pixel);
    QVERIFY2(qAbs(p.x() - expected.x()) < 1e-4 && qAbs(p.y() - expected.y()) < 1e-4,
             qPrintable(QString("%1 %2").arg(p.x()).arg(p.y())));
}

void TestCamPanel::lineParameters_data()
{
    QTest::addColumn<float>("angle");
    QTest::addColumn<float>("m");
    QTest::addColumn<float>("q");
    const QPoint p(10, 20);
    for (float a : {90.f, -90.f, 270.f, -270.f})
        QTest::newRow(qPrintable(QString("vertical %1").arg(a))) << a << 500.f << float(p.x());
    for (float a : {0.f, 180.f, -180.f})
        QTest::newRow(qPrintable(QString("horizontal %1").arg(a))) << a << 0.002f << float(p.y());
    // Within about 0.1 degrees of upright the slope passes the vertical mark:
    // such a line is vertical, held by its column.
    for (float a : {89.9f, 90.05f, -89.95f})
        QTest::newRow(qPrintable(QString("nearly vertical %1").arg(a))) << a << 500.f << float(p.x());
    QTest::newRow("45") << 45.f << 1.f << 10.f;
    QTest::newRow("-45") << -45.f << -1.f << 30.f;
}

void TestCamPanel::lineParameters()
{
    QFETCH(float, angle);
    QFETCH(float, m);
    QFETCH(float, q);
    float gm = 0, gq = 0;
    CCamPanel::calculateLineParam(QPoint(10, 20), angle, gm, gq);
    QVERIFY2(qAbs(gm - m) < 1e-4f && qAbs(gq - q) < 1e-3f, qPrintable(QString("%1 %2").arg(gm).arg(gq)));
}

void TestCamPanel::intersection_data()
{
    QTest::addColumn<QVector<float>>("lines");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("vertical first") << QVector<float>{500, 100.4f, 0.5f, 10} << QPoint(100, 60);
    QTest::newRow("vertical second") << QVector<float>{0.5f, 10, 500, 100.4f} << QPoint(100, 60);
    QTest::newRow("truncated y") << QVector<float>{500, 200, 0.002f, 150} << QPoint(200, 150);
    QTest::newRow("horizontal mark far right") << QVector<float>{500, 600, 0.002f, 150} << QPoint(600, 150);
    // A row comes from the unrounded column, rounded like the column.
    QTest::newRow("vertical first, row at the unrounded column") << QVector<float>{500, 100.4f, 0.5f, 10.6f} << QPoint(100, 61);
    QTest::newRow("steep downward line is a column") << QVector<float>{-600, 100, 0.5f, 10} << QPoint(100, 60);
    QTest::newRow("crossing") << QVector<float>{1, 0, -1, 640} << QPoint(320, 320);
    // The steep side of a corner at 5 degrees first: its row comes from the
    // flat line at the crossing's own column (250.52), not from the steep one
    // at the rounded column (385.5).
    QTest::newRow("steep first line") << QVector<float>{11.43f, -2483.4f, -0.0874887f, 401.96f} << QPoint(251, 380);
    QTest::newRow("nearly parallel") << QVector<float>{1.0f, 0, 1.001f, 50} << QPoint(-999999, -999999);
    QTest::newRow("both vertical") << QVector<float>{500, 10, 500, 20} << QPoint(-999999, -999999);
}

void TestCamPanel::intersection()
{
    QFETCH(QVector<float>, lines);
    QFETCH(QPoint, expected);
    QCOMPARE(CCamPanel::CalculateIntersection(lines[0], lines[1], lines[2], lines[3]), expected);
}

void TestCamPanel::cornerPick_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<int>("rightColumn");
    QTest::addColumn<bool>("measureLines");
    QTest::addColumn<bool>("rotation");
    QTest::addColumn<QString>("outcome");   // left, right, long press, ignored
    // Corners: left (200, 150), right (rightColumn, 150).
    QTest::newRow("left at 14") << QPoint(207, 157) << 400 << true << true << "left";
    QTest::newRow("left at 15") << QPoint(208, 157) << 400 << true << true << "long press";
    QTest::newRow("right at 14") << QPoint(386, 150) << 400 << true << true << "right";
    QTest::newRow("both near: left wins") << QPoint(205, 150) << 210 << true << true << "left";
    QTest::newRow("top right square") << QPoint(600, 50) << 600 << true << true << "ignored";
    QTest::newRow("not rotated") << QPoint(200, 150) << 400 << true << false << "long press";
    QTest::newRow("measure lines off") << QPoint(200, 150) << 400 << false << true << "long press";
}

void TestCamPanel::cornerPick()
{
    QFETCH(QPoint, press);
    QFETCH(int, rightColumn);
    QFETCH(bool, measureLines);
    QFETCH(bool, rotation);
    QFETCH(QString, outcome);
    Rig rig;
    rig.twoCorners(rightColumn, measureLines, rotation);
    rig.panel->press(press);

    const bool leftSet = rig.panel->actLeft->data().toPointF() != QPointF(-999999, -999999);
    const bool rightSet = rig.panel->actRight->data().toPointF() != QPointF(-999999, -999999);
    QCOMPARE(rig.panel->menuShownAt.size(), (outcome == "left" || outcome == "right") ? 1 : 0);
    QCOMPARE(leftSet, outcome == "left");
    QCOMPARE(rightSet, outcome == "right");
    QCOMPARE(rig.panel->roiTimer.isActive(), outcome == "long press");
    if (outcome == "left")
        QCOMPARE(rig.panel->actLeft->data().toPointF(), rig.panel->PointToAbsCoordinate(QPoint(200, 150)));
    if (!rig.panel->menuShownAt.isEmpty())
        QCOMPARE(rig.panel->menuShownAt.first(), press);
    rig.panel->release(press);
}

void TestCamPanel::menuChoice_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("emitted");
    QTest::addColumn<QPointF>("value");
    QTest::addColumn<bool>("isDiameter");
    QTest::newRow("left") << "left" << true << QPointF(1.2, 1.7) << false;
    QTest::newRow("right") << "right" << true << QPointF(-0.8, 1.7) << false;
    QTest::newRow("centre") << "centre" << true << QPointF(0.2, 1.7) << false;
    QTest::newRow("diameter") << "diameter" << true << QPointF(2.0, 0) << true;
    QTest::newRow("clear") << "clear" << false << QPointF() << false;
    QTest::newRow("nothing") << "" << false << QPointF() << false;
}

void TestCamPanel::menuChoice()
{
    QFETCH(QString, entry);
    QFETCH(bool, emitted);
    QFETCH(QPointF, value);
    QFETCH(bool, isDiameter);
    Rig rig;
    rig.twoCorners();
    TestPanel* panel = rig.panel.get();
    QSignalSpy spy(panel, &CCamPanel::setRotatedValues);

    // First pick: only the left corner is known, centre and diameter stay plain.
    panel->press(QPoint(200, 150));
    QCOMPARE(panel->actLeft->text(), QString("Left point X 1.200 Z 1.700"));
    QCOMPARE(panel->actRight->text(), QString("Right point"));
    QCOMPARE(panel->actCenter->text(), QString("Center point"));
    QCOMPARE(panel->actDiameter->text(), QString("Diameter"));
    QCOMPARE(spy.count(), 0);

    panel->choose = [&]() -> QAction* {
        if (entry == "left") return panel->actLeft;
        if (entry == "right") return panel->actRight;
        if (entry == "centre") return panel->actCenter;
        if (entry == "diameter") return panel->actDiameter;
        if (entry == "clear") return panel->actClear;
        return nullptr;
    };
    panel->press(QPoint(400, 150));
    QCOMPARE(panel->actRight->text(), QString("Right point X -0.800 Z 1.700"));
    QCOMPARE(panel->actCenter->text(), QString("Center point X 0.200 Z 1.700"));
    QCOMPARE(panel->actDiameter->text(), QString("Diameter 2.000"));
    QCOMPARE(spy.count(), emitted ? 1 : 0);
    if (emitted) {
        const QPointF got = spy.at(0).at(0).toPointF();
        QVERIFY2(qAbs(got.x() - value.x()) < 1e-5 && qAbs(got.y() - value.y()) < 1e-5,
                 qPrintable(QString("%1 %2").arg(got.x()).arg(got.y())));
        QCOMPARE(spy.at(0).at(1).toBool(), isDiameter);
    }
    const bool cleared = panel->actLeft->data().toPointF() == QPointF(-999999, -999999);
    QCOMPARE(cleared, entry == "clear");
    if (entry == "clear")
        for (QAction* a : {panel->actRight, panel->actCenter, panel->actDiameter})
            QCOMPARE(a->data().toPointF(), QPointF(-999999, -999999));
}

// An entry whose point is missing (a corner not picked yet, or dropped
// when the board fell silent) is shown disabled and hands over nothing.
void TestCamPanel::entryWithoutPoint_data()
{
    QTest::addColumn<bool>("dropped");      // both corners picked, then dropped
    QTest::addColumn<QString>("entry");
    QTest::newRow("centre, left corner only") << false << "centre";
    QTest::newRow("diameter, left corner only") << false << "diameter";
    QTest::newRow("right, left corner only") << false << "right";
    QTest::newRow("centre, corners dropped, left picked again") << true << "centre";
    QTest::newRow("diameter, corners dropped, left picked again") << true << "diameter";
}

void TestCamPanel::entryWithoutPoint()
{
    QFETCH(bool, dropped);
    QFETCH(QString, entry);
    Rig rig;
    rig.twoCorners();
    TestPanel* panel = rig.panel.get();
    QSignalSpy spy(panel, &CCamPanel::setRotatedValues);
    if (dropped) {
        panel->press(QPoint(200, 150));
        panel->press(QPoint(400, 150));
        panel->resetAngularPoints();   // what a silence of the board does
    }
    panel->choose = [&]() -> QAction* {
        return entry == "centre" ? panel->actCenter : entry == "diameter" ? panel->actDiameter : panel->actRight;
    };
    panel->press(QPoint(200, 150));
    QCOMPARE(panel->menuShownAt.size(), dropped ? 3 : 1);
    const QList<bool> enabled{panel->actLeft->isEnabled(), panel->actRight->isEnabled(),
                              panel->actCenter->isEnabled(), panel->actDiameter->isEnabled()};
    QCOMPARE(enabled, (QList<bool>{true, false, false, false}));
    QCOMPARE(spy.count(), 0);
}

// A tool's sharp corner drawn with its edges along the turned camera's axes:
// a press on it picks the corner at its own machine coordinates, within a
// pixel (0.01 mm).
void TestCamPanel::rotatedCornerPick_data()
{
    QTest::addColumn<float>("angle");
    for (float a : {0.1f, 2.0f, 5.0f, 30.0f})
        QTest::newRow(qPrintable(QString("%1 degrees").arg(double(a)))) << a;
}

void TestCamPanel::rotatedCornerPick()
{
    QFETCH(float, angle);
    LinkedRig rig("radius");
    QVERIFY(rig.atPosition());   // X 1.500, Z 2.000 at the centre
    CVideoDevice& cam = *rig.f.camera;
    cam.cameraAngle = angle;
    // The corner lies in the middle of pixel (250, 380): X 1.500 + 0.70, Z 2.000 - 0.60.
    const QPointF corner(250.5, 380.5);
    const double a = double(angle) * M_PI / 180;
    SyntheticScene scene;
    // Its top edge runs along the turned picture's rows, its left edge along the columns.
    const QPointF along(std::cos(a), -std::sin(a)), down(std::sin(a), std::cos(a));
    scene.addPolygon(QPolygonF(QVector<QPointF>{corner, corner + 2000 * along, corner + 2000 * (along + down), corner + 2000 * down}));
    const QByteArray frame = scene.render();
    cam.processFrame(reinterpret_cast<const uchar*>(frame.constData()), scene.width(), scene.height());
    QVERIFY(cam.MinXValid() && cam.MinYValid());

    TestPanel& panel = *rig.panel;
    panel.press(QPoint(250, 380));
    QCOMPARE(panel.menuShownAt.size(), 1);
    const QPointF picked = panel.actLeft->data().toPointF();
    QVERIFY2(std::fabs(picked.x() - 2.2) <= 0.0101 && std::fabs(picked.y() - 1.4) <= 0.0101,
             qPrintable(QString("X %1 Z %2").arg(picked.x(), 0, 'f', 4).arg(picked.y(), 0, 'f', 4)));
    if (angle == 30.0f) {
        panel.image = QImage(reinterpret_cast<const uchar*>(frame.constData()) + 192 * 1280 + 320, 640, 640, 1280,
                             QImage::Format_Grayscale8)
                          .convertToFormat(QImage::Format_RGB32);
        saveScreenshot(panel.paint(), "campanel-rotated-corner-30");
    }
}

void TestCamPanel::pointsOnMachineAxes_data()
{
    QTest::addColumn<QStringList>("centre");    // X, Z of the picture's centre (the read-out)
    QTest::addColumn<QStringList>("right");     // 100 pixels right of it
    QTest::addColumn<QStringList>("up");        // 100 pixels above it
    QTest::addColumn<double>("axisZ");          // where the tool's line crosses X 0, mm
    const auto add = [](const char* setUp, const char* centre, const char* right, const char* up, double axisZ) {
        const auto xz = [](const char* text) { return QString(text).split(' '); };
        QTest::newRow(setUp) << xz(centre) << xz(right) << xz(up) << axisZ;
    };
    // The axes at X 1.500 (a radius) and Z 2.000 mm; the tool's edge runs
    // through (470, 420) at 45 degrees. Swapped, machine Z is read with the X
    // reference set and its reversal.
    add("radius", "1.500 2.000", "0.500 2.000", "1.500 3.000", 1.0);
    add("radius, inch", "0.0591 0.0787", "0.0197 0.0787", "0.0591 0.1181", 1.0);
    add("radius, swapped", "1.500 2.000", "1.500 3.000", "2.500 2.000", 4.0);
    add("radius, swapped, inch", "0.0591 0.0787", "0.0591 0.1181", "0.0984 0.0787", 4.0);
    add("radius, reversed X", "-1.500 2.000", "-0.500 2.000", "-1.500 3.000", 1.0);
    add("radius, reversed X, inch", "-0.0591 0.0787", "-0.0197 0.0787", "-0.0591 0.1181", 1.0);
    add("radius, reversed X, swapped", "1.500 -2.000", "1.500 -3.000", "2.500 -2.000", -4.0);
    add("radius, reversed X, swapped, inch", "0.0591 -0.0787", "0.0591 -0.1181", "0.0984 -0.0787", -4.0);
    add("diameter", "3.000 2.000", "1.000 2.000", "3.000 3.000", 1.0);
    add("diameter, inch", "0.1181 0.0787", "0.0394 0.0787", "0.1181 0.1181", 1.0);
    add("diameter, swapped", "3.000 2.000", "3.000 3.000", "5.000 2.000", 4.0);
    add("diameter, swapped, inch", "0.1181 0.0787", "0.1181 0.1181", "0.1969 0.0787", 4.0);
    add("diameter, reversed X", "-3.000 2.000", "-1.000 2.000", "-3.000 3.000", 1.0);
    add("diameter, reversed X, inch", "-0.1181 0.0787", "-0.0394 0.0787", "-0.1181 0.1181", 1.0);
    add("diameter, reversed X, swapped", "3.000 -2.000", "3.000 -3.000", "5.000 -2.000", -4.0);
    add("diameter, reversed X, swapped, inch", "0.1181 -0.0787", "0.1181 -0.1181", "0.1969 -0.0787", -4.0);
    add("diameter, reversed Z", "3.000 -2.000", "1.000 -2.000", "3.000 -3.000", -1.0);
    add("diameter, reversed Z, swapped", "-3.000 2.000", "-3.000 3.000", "-5.000 2.000", 4.0);
}

// Picked corners, found circles and the spindle axis of a single found line
// are placed on the machine's axes by one rule: at the picture's centre the
// read-out, elsewhere the read-out moved by the picture's offset.
void TestCamPanel::pointsOnMachineAxes()
{
    QFETCH(QStringList, centre);
    QFETCH(QStringList, right);
    QFETCH(QStringList, up);
    QFETCH(double, axisZ);
    LinkedRig rig(QTest::currentDataTag());
    QVERIFY(rig.atPosition());
    const bool inch = !CurrentMachine.IsMM;
    TestPanel& panel = *rig.panel;
    const auto point = [](const QString& title, const QStringList& xz) {
        return QString("%1 X %2 Z %3").arg(title, xz.at(0), xz.at(1));
    };

    rig.corners(320, 320);
    QCOMPARE((QStringList{rig.link->ReadXString(), rig.link->ReadZString()}), centre);
    panel.press(QPoint(320, 320));
    QCOMPARE(panel.actLeft->text(), point("Left point", centre));
    rig.corners(320, 220);
    panel.press(QPoint(320, 220));
    QCOMPARE(panel.actLeft->text(), point("Left point", up));
    QCOMPARE(rig.circleCentre(QPoint(320, 220)), up);

    rig.corners(220, 320);
    panel.press(QPoint(220, 320));
    panel.press(QPoint(420, 320));
    QCOMPARE(panel.actRight->text(), point("Right point", right));
    QCOMPARE(panel.actCenter->text(), point("Center point", centre));
    // Two corners 200 pixels apart: a length, never doubled.
    QCOMPARE(panel.actDiameter->text(), QString("Diameter ") + (inch ? "0.0787" : "2.000"));
    QCOMPARE(rig.circleCentre(QPoint(420, 320)), right);

    // One line found: the spindle axis is added where machine X is 0.
    CVideoDevice& cam = *rig.f.camera;
    cam.measureLines = false;
    cam.rotation = false;
    cam.Geometry = true;
    SyntheticScene scene;
    scene.addHalfPlane(QPointF(470, 420), QPointF(1, -1));
    const QByteArray frame = scene.render();
    for (int i = 0; i < 2; ++i)   // the lines are searched on every second frame
        cam.processFrame(reinterpret_cast<const uchar*>(frame.constData()), scene.width(), scene.height());
    QCOMPARE(cam.lines.size(), 2);
    QVERIFY(cam.lines[1].isReference);
    if (QByteArray(QTest::currentDataTag()) == "diameter, reversed X, swapped") {
        cam.autoAngle = true;
        panel.slotFoundLines(cam.lines);
        saveScreenshot(panel.paint(), "campanel-spindle-axis-swapped");
    }
    QCOMPARE(rig.link->getIntersectionX(), QString(inch ? "0.0000" : "0.000"));
    const double z = rig.link->getIntersectionZ().toDouble();
    const double unit = inch ? 25.4 : 1.0;   // within a pixel
    QVERIFY2(std::fabs(z * unit - axisZ) <= 0.011, qPrintable(rig.link->getIntersectionZ()));
}

// A corner holds the axis position of its press: none is taken while the
// board is silent, and one taken before is dropped when the silence begins.
void TestCamPanel::silentBoardDropsCorners()
{
    LinkedRig rig("radius");
    QVERIFY(rig.atPosition());
    rig.corners(220, 320);
    TestPanel& panel = *rig.panel;
    panel.press(QPoint(220, 320));
    QVERIFY(panel.actLeft->data().toPointF() != QPointF(-999999, -999999));

    rig.f.board.setAutoAnswer(false);
    QTRY_VERIFY_WITH_TIMEOUT(rig.link->isSilent(), 10000);
    QTRY_COMPARE(panel.actLeft->data().toPointF(), QPointF(-999999, -999999));
    MessageBoxRecorder boxes;
    panel.press(QPoint(420, 320));
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().at(0).text, QString("No answer from the axis board: the values shown are not current"));
    QCOMPARE(panel.actRight->data().toPointF(), QPointF(-999999, -999999));
    QCOMPARE(panel.menuShownAt.size(), 1);
}

void TestCamPanel::longPressToggle()
{
    workDir->writeFile("T8A_M.cfg", "[ROI]\nsize=@Size(100 80)\n");
    Rig rig;
    auto& roi = rig.device->roi;
    auto roiRect = [&]() { return QRect(QPoint(roi.x1, roi.y1), QPoint(roi.x2, roi.y2)); };
    const QRect whole(QPoint(1, 1), QPoint(640, 640));

    // A short press does nothing.
    rig.panel->press(QPoint(300, 300));
    QVERIFY(rig.panel->roiTimer.isActive());
    QCOMPARE(rig.panel->roiTimer.interval(), 500);
    rig.panel->release(QPoint(300, 300));
    QVERIFY(!rig.panel->roiTimer.isActive());
    // Nor later: not by the time a held press would have acted, every timer
    // due by then having fired.
    QElapsedTimer released;
    released.start();
    (void)QTest::qWaitFor([&] { return released.elapsed() > rig.panel->roiTimer.interval() + 50; }, 15000);
    QCoreApplication::processEvents();
    QCOMPARE(roiRect(), whole);

    // Held: the region of the configured size around the press, after 500 ms.
    QElapsedTimer clock;
    clock.start();
    rig.panel->press(QPoint(300, 300));
    rig.panel->press(QPoint(310, 310));   // a second press while held changes nothing
    QTRY_VERIFY_WITH_TIMEOUT(roiRect() != whole, 15000);
    QVERIFY2(clock.elapsed() >= 495, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(roiRect(), QRect(250, 260, 100, 80));
    rig.panel->release(QPoint(300, 300));

    // Held again: back to the whole view; near the edge the region reaches outside.
    rig.panel->press(QPoint(20, 20));
    QTRY_COMPARE_WITH_TIMEOUT(roiRect(), whole, 15000);
    rig.panel->release(QPoint(20, 20));
    rig.panel->press(QPoint(20, 20));
    QTRY_COMPARE_WITH_TIMEOUT(roiRect(), QRect(-30, -20, 100, 80), 15000);
}

void TestCamPanel::comparator_data()
{
    QTest::addColumn<double>("deviation");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("u");   // needle offset; 999 = no gauge
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("lowArrow");    // left / upper
    QTest::addColumn<bool>("highArrow");   // right / lower
    const QColor green(10, 125, 3), orange(243, 160, 13), red(Qt::red);
    QTest::newRow("0.001") << 0.001 << false << 1 << green << false << true;
    QTest::newRow("0.034") << 0.034 << false << 34 << orange << false << true;
    QTest::newRow("0.035") << 0.035 << false << 35 << red << false << true;
    QTest::newRow("0.0345") << 0.0345 << false << 34 << orange << false << true;
    QTest::newRow("0.0355") << 0.0355 << false << 35 << red << false << true;
    QTest::newRow("-0.0015") << -0.0015 << false << -1 << green << true << false;
    QTest::newRow("0.0005 both") << 0.0005 << false << 0 << green << true << true;
    QTest::newRow("zero both") << 0.0 << false << 0 << green << true << true;
    QTest::newRow("-0.0499 drawn") << -0.0499 << false << -49 << red << true << false;
    QTest::newRow("0.05 stored just above") << 0.05 << false << 999 << QColor() << false << false;
    QTest::newRow("0.0501 none") << 0.0501 << false << 999 << QColor() << false << false;
    QTest::newRow("vertical -0.02") << -0.02 << true << -20 << orange << true << false;
    QTest::newRow("vertical 0.002") << 0.002 << true << 2 << orange << false << true;
    QTest::newRow("vertical -0.06 none") << -0.06 << true << 999 << QColor() << false << false;
}

void TestCamPanel::comparator()
{
    QFETCH(double, deviation);
    QFETCH(bool, vertical);
    QFETCH(int, u);
    QFETCH(QColor, colour);
    QFETCH(bool, lowArrow);
    QFETCH(bool, highArrow);
    QImage img(640, 640, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    DrawComparator(&p, float(deviation), vertical);
    p.end();
    // Points across the gauge: (along, across) turned for the vertical one.
    auto at = [&](int along, int across) { return vertical ? img.pixel(across, along) : img.pixel(along, across); };
    if (u == 999) {
        QCOMPARE(countPixels(img, img.rect(), [](QRgb c) { return c != kBlack; }), 0);
        return;
    }
    const QRgb blue = qRgb(0, 0, 255);
    for (int c = 320 + u - 1; c <= 320 + u + 1; ++c)
        QCOMPARE(at(c, 1), blue);
    QCOMPARE(at(320 + u - 2, 1), kBlack);
    QCOMPARE(at(320 + u + 2, 1), kBlack);
    QCOMPARE(at(275, 6), qRgb(255, 255, 255));   // inside the white box
    // Arrow interiors away from the needle.
    const int lowProbe = (u >= -30 && u <= -24) ? 290 : 293;
    const int highProbe = (u >= 24 && u <= 30) ? 350 : 347;
    QCOMPARE(near(at(lowProbe, 24), colour.rgb()), lowArrow);
    QCOMPARE(near(at(highProbe, 24), colour.rgb()), highArrow);
    if (!lowArrow)
        QCOMPARE(at(lowProbe, 24), qRgb(255, 255, 255));
}

void TestCamPanel::comparatorChoice_data()
{
    QTest::addColumn<QVector<float>>("dev");   // min X, max X, min Y, max Y; 9 = not valid
    QTest::addColumn<bool>("measureLines");
    QTest::addColumn<int>("needleX");   // column of the X needle, 0 none
    QTest::addColumn<int>("needleZ");   // row of the Z needle, 0 none
    QTest::newRow("tie picks min X") << QVector<float>{-0.010f, 0.010f, 9, 9} << false << 310 << 0;
    QTest::newRow("smaller max X") << QVector<float>{-0.020f, 0.005f, 9, 9} << false << 325 << 0;
    QTest::newRow("only max X") << QVector<float>{9, 0.003f, 9, 9} << false << 323 << 0;
    QTest::newRow("Z from min Y") << QVector<float>{9, 9, 0.004f, -0.030f} << false << 0 << 324;
    QTest::newRow("measure lines: no gauge") << QVector<float>{-0.010f, 0.010f, 0.004f, 9} << true << 0 << 0;
}

void TestCamPanel::comparatorChoice()
{
    QFETCH(QVector<float>, dev);
    QFETCH(bool, measureLines);
    QFETCH(int, needleX);
    QFETCH(int, needleZ);
    Rig rig;
    rig.device->measureLines = measureLines;
    rig.device->rotation = true;   // keep the measure lines' own drawing out of the gauges
    rig.device->cameraAngle = 0;
    const QPoint points[4] = {QPoint(100, 600), QPoint(500, 600), QPoint(600, 100), QPoint(600, 500)};
    for (int e = 0; e < 4; ++e)
        rig.setExtreme(e, points[e], dev[e] == 9 ? 0 : dev[e], dev[e] != 9, 50);
    const QImage img = rig.paint();
    const QRgb blue = qRgb(0, 0, 255);
    if (needleX)
        QCOMPARE(img.pixel(needleX, 1), blue);
    else
        QVERIFY(countPixels(img, QRect(260, 0, 120, 3), [&](QRgb c) { return c == blue; }) == 0);
    if (needleZ)
        QCOMPARE(img.pixel(1, needleZ), blue);
    else
        QVERIFY(countPixels(img, QRect(0, 260, 3, 120), [&](QRgb c) { return c == blue; }) == 0);
    // The focus bars come with the gauges and also without them (focus 50: ten bars).
    QCOMPARE(rig.panel->focusBars.heldPeak(cFocusBars::MinX), dev[0] == 9 ? 0 : 10);
}

void TestCamPanel::zeroSearchPicture_data()
{
    QTest::addColumn<bool>("cAxis");
    QTest::addColumn<QVector<bool>>("reached");   // X, Z, C
    QTest::addColumn<int>("index");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("all reached") << false << QVector<bool>{true, true, false} << -1 << QPoint();
    QTest::newRow("X missing") << false << QVector<bool>{false, true, true} << 0 << QPoint(100, 500);
    QTest::newRow("only Z missing") << false << QVector<bool>{true, false, true} << 1 << QPoint(100, 500);
    QTest::newRow("X and Z missing") << false << QVector<bool>{false, false, false} << 2 << QPoint(100, 500);
    QTest::newRow("C axis, all reached") << true << QVector<bool>{true, true, true} << -1 << QPoint();
    QTest::newRow("C axis, X missing") << true << QVector<bool>{false, true, true} << 3 << QPoint(50, 500);
    QTest::newRow("C axis, only C missing") << true << QVector<bool>{true, true, false} << 6 << QPoint(50, 500);
    QTest::newRow("C axis, Z and C missing") << true << QVector<bool>{true, false, false} << 8 << QPoint(50, 500);
    QTest::newRow("C axis, all missing") << true << QVector<bool>{false, false, false} << 9 << QPoint(50, 500);
}

void TestCamPanel::zeroSearchPicture()
{
    QFETCH(bool, cAxis);
    QFETCH(QVector<bool>, reached);
    QFETCH(int, index);
    QFETCH(QPoint, at);
    MachineSettings.hasCAxis = cAxis;
    Rig rig;
    rig.panel->state.zeroX = reached[0];
    rig.panel->state.zeroZ = reached[1];
    rig.panel->state.zeroC = reached[2];
    const QImage img = rig.paint();
    if (index < 0) {
        QCOMPARE(countPixels(img, QRect(0, 480, 640, 160), [](QRgb c) { return c != kBlack; }), 0);
        return;
    }
    QImage expected(640, 640, QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter p(&expected);
    p.drawImage(at, rig.panel->zeroImages.at(index));
    p.end();
    const QRect area(at, rig.panel->zeroImages.at(index).size());
    QVERIFY(!rig.panel->zeroImages.at(index).isNull());
    QCOMPARE(img.copy(area), expected.copy(area));
}

void TestCamPanel::machinePictures_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("spindleLocked");
    QTest::addColumn<bool>("emergency");
    QTest::addColumn<bool>("printing");
    QTest::newRow("quiet") << 0 << false << false << false;
    QTest::newRow("spindle unlocked on type 3") << 3 << false << false << false;
    QTest::newRow("spindle locked on type 3") << 3 << true << false << false;
    QTest::newRow("emergency") << 0 << true << true << false;
    QTest::newRow("printing") << 0 << true << false << true;
}

void TestCamPanel::machinePictures()
{
    QFETCH(int, type);
    QFETCH(bool, spindleLocked);
    QFETCH(bool, emergency);
    QFETCH(bool, printing);
    MachineSettings.type = type;
    MachineSettings.printing = printing;
    Rig rig;
    rig.panel->state.spindleLocked = spindleLocked;
    rig.panel->state.emergency = emergency;
    const QImage img = rig.paint();

    QImage expected(640, 640, QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter p(&expected);
    if (type == 3 && !spindleLocked)
        p.drawImage((640 - rig.panel->imgSpindle.width()) / 2, 100, rig.panel->imgSpindle);
    if (emergency)
        p.drawImage((640 - rig.panel->imgEmergency.width()) / 2, 200, rig.panel->imgEmergency);
    if (printing) {
        p.fillRect(QRect(QPoint(70, 70), QPoint(569, 569)), QColor(158, 158, 158, 128));
        p.drawImage((640 - rig.panel->imgPrinter.width()) / 2, 200, rig.panel->imgPrinter);
    }
    p.end();
    QCOMPARE(img.copy(60, 60, 520, 520), expected.copy(60, 60, 520, 520));
}

void TestCamPanel::reticleLabel_data()
{
    QTest::addColumn<float>("radius");
    QTest::addColumn<float>("calibration");
    QTest::addColumn<int>("labelColumn");   // left end of the label, 0 no reticle
    QTest::newRow("3.0 inside") << 3.0f << 0.01f << int(320 - 58 + 300);
    QTest::newRow("2.5 outside") << 2.5f << 0.01f << int(320 + 3 + 250);
    QTest::newRow("2.8 stored counts below") << 2.8f << 0.01f << int(320 + 3 + 2.8f / 0.01f);
    QTest::newRow("no calibration") << 3.0f << 0.0f << 0;
    QTest::newRow("no radius") << 0.0f << 0.01f << 0;
}

void TestCamPanel::reticleLabel()
{
    QFETCH(float, radius);
    QFETCH(float, calibration);
    QFETCH(int, labelColumn);
    Rig rig;
    rig.device->inPositionMode = true;
    rig.device->circleReticle = radius;
    rig.device->XCalibration = calibration;
    const QImage img = rig.paint();
    // Green away from the fixed cross (row 320 and column 320).
    auto greenOffCross = [&](const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (x != 320 && y != 320 && img.rect().contains(x, y) && greenish(img.pixel(x, y)))
                    ++n;
        return n;
    };
    if (!labelColumn) {
        QCOMPARE(greenOffCross(img.rect()), 0);
        return;
    }
    const int rp = int(radius / calibration);
    const int diag = int(rp * 0.7071);
    QVERIFY(greenOffCross(QRect(320 + diag - 1, 320 - diag - 1, 3, 3)) > 0);            // the circle
    QVERIFY(greenOffCross(QRect(labelColumn, 305, 34, 12)) > 5);                        // label there
    const int other = labelColumn == 320 - 58 + rp ? 320 + 3 + rp : 320 - 58 + rp;
    QCOMPARE(greenOffCross(QRect(other + 4, 305, 30, 12)), 0);                           // not the other place
}

void TestCamPanel::drawLineEnds_data()
{
    QTest::addColumn<float>("m");
    QTest::addColumn<float>("q");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");   // both (-1, -1): nothing drawn
    QTest::newRow("horizontal") << 0.f << 100.f << QPoint(2, 100) << QPoint(635, 100);
    QTest::newRow("vertical") << 500.f << 300.f << QPoint(300, 2) << QPoint(300, 635);
    QTest::newRow("diagonal") << 1.f << 0.f << QPoint(2, 2) << QPoint(635, 635);
    QTest::newRow("left to bottom") << 1.f << 300.f << QPoint(2, 302) << QPoint(335, 635);
    QTest::newRow("right to bottom") << -1.f << 700.f << QPoint(635, 65) << QPoint(65, 635);
    QTest::newRow("top to bottom") << 3.f << -298.f << QPoint(100, 2) << QPoint(311, 635);
    QTest::newRow("outside") << 0.f << 700.f << QPoint(-1, -1) << QPoint(-1, -1);
}

void TestCamPanel::drawLineEnds()
{
    QFETCH(float, m);
    QFETCH(float, q);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    Rig rig;
    QImage img(640, 640, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setPen(Qt::blue);
    rig.panel->drawLine(&p, m, q);
    p.end();
    const QRgb blue = qRgb(0, 0, 255);
    if (from.x() < 0) {
        QCOMPARE(countPixels(img, img.rect(), [&](QRgb c) { return c == blue; }), 0);
        return;
    }
    QCOMPARE(img.pixel(from), blue);
    QCOMPARE(img.pixel(to), blue);
    // Nothing beyond the ends along the line.
    const QPoint dir = (to - from) / qMax(qAbs((to - from).x()), qAbs((to - from).y()));
    const QPoint beforeStart = from - dir * 2, afterEnd = to + dir * 2;
    if (img.rect().contains(beforeStart))
        QCOMPARE(img.pixel(beforeStart), kBlack);
    if (img.rect().contains(afterEnd))
        QCOMPARE(img.pixel(afterEnd), kBlack);
    QCOMPARE(countPixels(img, QRect(636, 0, 4, 640), [&](QRgb c) { return c == blue; }), 0);
}

void TestCamPanel::pointLineColours()
{
    Rig rig;
    QImage frame(640, 640, QImage::Format_Indexed8);
    frame.setColorTable(greyTable());
    for (int y = 0; y < 640; ++y) {
        memset(frame.scanLine(y), 60, 320);         // dark left half
        memset(frame.scanLine(y) + 320, 200, 320);  // bright right half
    }
    rig.panel->image = frame;
    QImage img(640, 640, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    rig.panel->drawLine(&p, QPoint(100, 50), QPoint(500, 50), Qt::transparent);
    rig.panel->drawLine(&p, QPoint(100, 60), QPoint(100, 60), Qt::green);   // equal ends: nothing
    rig.panel->drawLine(&p, QPoint(630, 70), QPoint(700, 70), Qt::green);   // clipped to the picture
    p.end();
    QCOMPARE(img.pixel(100, 50), qRgb(255, 255, 255));   // start excluded
    QCOMPARE(img.pixel(101, 50), qRgb(255, 0, 0));       // dark: red
    QCOMPARE(img.pixel(319, 50), qRgb(255, 0, 0));
    QCOMPARE(img.pixel(320, 50), qRgb(0, 0, 255));       // bright: blue
    QCOMPARE(img.pixel(500, 50), qRgb(0, 0, 255));       // end included
    QCOMPARE(img.pixel(501, 50), qRgb(255, 255, 255));
    QCOMPARE(img.pixel(100, 60), qRgb(255, 255, 255));
    QCOMPARE(img.pixel(639, 70), qRgb(0, 255, 0));
}

void TestCamPanel::fixedCross_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QVector<QPoint>>("colourPixels");   // expected pixels of the overlay colour
    QTest::addColumn<QRgb>("colour");
    const QRgb blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0), orange = qRgb(255, 160, 16);
    // Points: min X (200, 300), max X (450, 320), min Y (260, 150), max Y (300, 500).
    QTest::newRow("in position") << "in position" << QVector<QPoint>{{100, 320}, {320, 100}, {320, 600}} << green;
    QTest::newRow("measure lines") << "lines"
        << QVector<QPoint>{{200, 20}, {195, 300}, {450, 600}, {20, 150}, {260, 145}, {620, 500}} << blue;
    QTest::newRow("rotated, angle 0") << "rotated"
        << QVector<QPoint>{{200, 20}, {200, 600}, {450, 20}, {20, 150}, {600, 500}} << blue;
    QTest::newRow("frozen") << "frozen" << QVector<QPoint>{{120, 20}, {125, 310}, {20, 90}} << orange;
    QTest::newRow("frozen, rotated") << "frozen rotated" << QVector<QPoint>{{120, 20}, {120, 600}, {20, 90}}
                                     << orange;
}

void TestCamPanel::fixedCross()
{
    QFETCH(QString, mode);
    QFETCH(QVector<QPoint>, colourPixels);
    QFETCH(QRgb, colour);
    Rig rig;
    rig.device->inPositionMode = mode == "in position";
    rig.device->measureLines = mode != "in position";
    rig.device->rotation = mode.contains("rotated");
    rig.setExtreme(0, QPoint(200, 300), 0.5f);
    rig.setExtreme(1, QPoint(450, 320), 0.5f);
    rig.setExtreme(2, QPoint(260, 150), 0.5f);
    rig.setExtreme(3, QPoint(300, 500), 0.5f);
    if (mode.startsWith("frozen")) {
        rig.device->frozen = true;
        rig.device->frozenPoint[0] = {120, 310};
        rig.device->frozenPoint[1] = {130, 310};
        rig.device->frozenPoint[2] = {125, 90};
        rig.device->frozenPoint[3] = {125, 95};
    }
    const QImage img = rig.paint();
    for (const QPoint& p : colourPixels)
        QVERIFY2(img.pixel(p) == colour, qPrintable(QString("%1,%2 is %3").arg(p.x()).arg(p.y())
                                                        .arg(img.pixel(p), 8, 16)));
    // Nothing of the overlay where no line runs.
    QCOMPARE(img.pixel(560, 250), kBlack);
}

void TestCamPanel::roiAndGeometry()
{
    Rig rig;
    rig.device->roi = {200, 200, 400, 400};
    rig.device->Geometry = true;
    rig.device->autoCircle = true;
    rig.panel->circleX = 300;
    rig.panel->circleY = 300;
    rig.panel->circleR = 50;
    QImage img = rig.paint();
    QVERIFY(near(img.pixel(100, 100), kPinkOnBlack));
    QVERIFY(near(img.pixel(500, 300), kPinkOnBlack));
    QCOMPARE(img.pixel(300, 210), kBlack);
    QVERIFY(countPixels(img, QRect(199, 199, 3, 203), [](QRgb c) { return c == qRgb(0, 255, 0); }) > 50);
    QCOMPARE(img.pixel(350, 300), qRgb(255, 0, 255));   // the circle
    QCOMPARE(img.pixel(303, 300), qRgb(0, 255, 255));   // its centre cross

    // Lines and intersection instead of the circle.
    rig.device->autoCircle = false;
    rig.device->autoAngle = true;
    rig.device->roi = {1, 1, 640, 640};
    rig.device->intersection = QPoint(-20, 30);   // pixel (300, 290)
    rig.panel->slotFoundLines({sLineParam{0.002f, 290, false}, sLineParam{500, 300, true}});
    img = rig.paint();
    QCOMPARE(img.pixel(100, 100), kBlack);
    QCOMPARE(img.pixel(100, 290), qRgb(255, 0, 255));
    QCOMPARE(img.pixel(300, 500), qRgb(255, 0, 255));
    QCOMPARE(img.pixel(297, 290), qRgb(0, 255, 255));
}

void TestCamPanel::noEdgeBox()
{
    Rig rig;
    rig.device->measureLines = true;
    const QPoint probe(230, 365);   // inside the box, below the emergency picture
    auto boxShown = [&]() { return near(rig.paint().pixel(probe), kPinkOnBlack); };
    for (int frame = 1; frame <= 4; ++frame)
        QVERIFY2(!boxShown(), qPrintable(QString("frame %1").arg(frame)));
    QVERIFY(boxShown());
    QVERIFY(boxShown());

    // A frame with an edge starts the count again.
    rig.setExtreme(0, QPoint(100, 300), 0.0f);
    QVERIFY(!boxShown());
    rig.device->extremeIndex[0] = -1;
    rig.device->profileCount = 0;
    for (int frame = 1; frame <= 4; ++frame)
        QVERIFY(!boxShown());
    // So does an emergency.
    rig.panel->state.emergency = true;
    QVERIFY(!boxShown());
    rig.panel->state.emergency = false;
    for (int frame = 1; frame <= 4; ++frame)
        QVERIFY(!boxShown());
    QVERIFY(boxShown());
    // Only measuring with lines looks for the edge.
    rig.device->measureLines = false;
    QVERIFY(!boxShown());
}

void TestCamPanel::calibrationWarning_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("z");
    QTest::addColumn<bool>("warned");
    QTest::newRow("set") << 0.01f << 0.01f << false;
    QTest::newRow("limits") << 0.005f << 0.015f << false;
    QTest::newRow("X not set") << 0.0f << 0.01f << true;
    QTest::newRow("X too small") << 0.0049f << 0.01f << true;
    QTest::newRow("Z too large") << 0.01f << 0.0151f << true;
}

void TestCamPanel::calibrationWarning()
{
    QFETCH(float, x);
    QFETCH(float, z);
    QFETCH(bool, warned);
    Rig rig;
    rig.device->XCalibration = x;
    rig.device->ZCalibration = z;
    const QImage img = rig.paint();
    QCOMPARE(near(img.pixel(35, 175), kPinkOnBlack), warned);
    QCOMPARE(near(img.pixel(600, 280), kPinkOnBlack), warned);
    QCOMPARE(countPixels(img, QRect(125, 170, 460, 120), [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 100; }) > 20,
             warned);
}

void TestCamPanel::debugOutput()
{
    Rig rig;
    QSignalSpy message(rig.panel.get(), &CCamPanel::updDbgMessage);
    QSignalSpy scan(rig.panel.get(), &CCamPanel::updScanlines);
    rig.paint();
    QVERIFY(rig.panel->debugWindow && !rig.panel->debugWindow->isVisible());
    QCOMPARE(message.count(), 0);

    MachineSettings.debug = true;
    rig.device->fps = 25;
    rig.device->autoAngle = true;
    rig.device->entityCount = 2;
    rig.device->entities[0].type = 0;
    rig.device->entities[0].m = 0.25f;
    rig.device->entities[0].q = 3;
    rig.device->entities[1].type = 1;
    rig.setExtreme(0, QPoint(123, 300), -1.5f, true, 90);
    rig.panel->slotFoundLines({sLineParam{0.5f, 10, false}, sLineParam{500, 321.5f, true}});
    QImage frame(640, 640, QImage::Format_Indexed8);
    frame.setColorTable(greyTable());
    for (int y = 0; y < 640; ++y)
        for (int x = 0; x < 640; ++x)
            frame.setPixel(x, y, uint((x + y) % 256));
    rig.panel->image = frame;
    rig.paint();
    QVERIFY(rig.panel->debugWindow->isVisible());
    QCOMPARE(message.count(), 1);
    QCOMPARE(message.at(0).at(0).toString(),
             QString("25.00 fps\nMinX Pix 123 subX X0.250 misX -1.500  F90\n\n\n\nProfiles=1\nEntities=2\n"
                     "L0 m0.5 q10\n>>>L0 m0.25 q3\nL1 m500 q321.5\n"));
    QCOMPARE(rig.panel->debugWindow->dbgMessage(), message.at(0).at(0).toString());
    // Scan row of the min-X point and the row below.
    QCOMPARE(scan.count(), 1);
    const auto lines = scan.at(0).at(0).value<QVector<QPolygon>>();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].size(), 630);
    QCOMPARE(lines[0].first(), QPoint(10, (10 + 300) % 256));
    QCOMPARE(lines[1].last(), QPoint(639, (639 + 301) % 256));

    // The configured scan row wins; at the last row there is no row below.
    rig.device->scanline = 639;
    rig.paint();
    const auto last = scan.at(1).at(0).value<QVector<QPolygon>>();
    QCOMPARE(last[0].first(), QPoint(10, (10 + 639) % 256));
    QVERIFY(last[1].isEmpty());
    // Without a scan row and without a min-X point there is nothing to plot.
    rig.device->scanline = 0;
    rig.device->extremeIndex[0] = -1;
    rig.paint();
    QCOMPARE(scan.count(), 2);
    QCOMPARE(message.count(), 3);

    MachineSettings.debug = false;
    rig.paint();
    QVERIFY(!rig.panel->debugWindow->isVisible());
}

void TestCamPanel::paintStartsWithNineteenth()
{
    CVideoStandIn::Config config;
    config.frameIntervalMs = 0;
    auto source = std::make_shared<GreySource>(90, true);
    Rig rig(source, config, false);   // a window of its own: shown, so the capture runs
    QVERIFY(rig.panel->isVisible());
    QVERIFY(source->entered.tryAcquire(1, 5000));   // the capture thread is in its first frame
    QVERIFY(rig.device->isRunning());
    QCoreApplication::processEvents();
    rig.panel->skip = 0;
    for (int paint = 1; paint <= 19; ++paint) {
        const QImage shown = rig.panel->grab().toImage();
        QCOMPARE(shown.pixel(100, 100) == kBlack, paint == 19);
        if (paint == 19)
            saveScreenshot(shown, "campanel-first-painted");
    }
    source->gate.release();
    rig.panel->hide();
    QVERIFY(!rig.device->isRunning());
    QVERIFY(rig.panel->grab().toImage().pixel(100, 100) != kBlack);   // not capturing: nothing painted
}

void TestCamPanel::showsProcessedFrame()
{
    CVideoStandIn::Config config;
    config.frameIntervalMs = 5;
    auto source = std::make_shared<GreySource>(0);
    Rig rig(source, config, false);
    int updates = 0;
    QStringList faults;
    // Every shown picture is a whole frame that the measuring saw.
    connect(rig.device.get(), &CVideoDevice::Notify, rig.panel.get(), [&]() {
        const QImage img = rig.panel->currentImage();
        if (img.format() != QImage::Format_Indexed8)
            return;
        ++updates;
        const int stamp = img.pixelIndex(0, 0);
        if (!rig.device->processed().contains(stamp))
            faults << QString("frame %1 was not measured").arg(stamp);
        if (img.pixelIndex(639, 639) != stamp || img.pixelIndex(320, 320) != stamp)
            faults << QString("frame %1 mixed").arg(stamp);
    });
    QTRY_VERIFY_WITH_TIMEOUT(updates >= 6, 5000);
    rig.panel->hide();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
    QCOMPARE(rig.panel->currentImage().size(), QSize(640, 640));
}

void TestCamPanel::acknowledgement()
{
    Rig rig;
    for (bool ok : {true, false}) {
        rig.panel->displayTidMessage(ok);
        const QList<QLabel*> labels = rig.panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels[0]->geometry(), QRect(94, 149, 451, 341));
        const QList<QLabel*> texts = labels[0]->findChildren<QLabel*>();
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts[0]->text(), QString("OK"));
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->findChildren<QLabel*>().isEmpty(), 5000);
    }
    // Two in a row: each fade removes its own label. The second comes while
    // the first fades.
    rig.panel->displayTidMessage(true);
    const QList<QLabel*> first = rig.panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(first.size(), 1);
    auto* fading = qobject_cast<QGraphicsOpacityEffect*>(first[0]->graphicsEffect());
    QVERIFY(fading);
    QTRY_VERIFY(fading->opacity() < 1.0);
    rig.panel->displayTidMessage(true);
    QCOMPARE(rig.panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly).size(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(rig.panel->findChildren<QLabel*>().isEmpty(), 5000);
}

void TestCamPanel::openFailure()
{
    CVideoStandIn::Config config;
    config.faults = CVideoStandIn::OpenFails;
    Rig rig(nullptr, config);
    QVERIFY(!rig.panel->debugWindow);
    QVERIFY(rig.parent.findChildren<debugWin*>().isEmpty());
    QCOMPARE(rig.panel->size(), QSize(640, 640));
    MachineSettings.debug = true;
    rig.device->measureLines = true;
    rig.paint();
    rig.panel->press(QPoint(320, 320));
    rig.panel->release(QPoint(320, 320));
}

void TestCamPanel::screenshots()
{
    Rig rig;
    QImage frame(640, 640, QImage::Format_Indexed8);
    frame.setColorTable(greyTable());
    frame.fill(235);
    // A dark tool tip entering from the bottom left.
    for (int y = 260; y < 640; ++y)
        for (int x = 0; x < qMin(640, 180 + (y - 260) / 2); ++x)
            frame.setPixel(x, y, 30);
    auto reset = [&]() {
        rig.panel->image = frame;
        rig.device->inPositionMode = rig.device->measureLines = rig.device->rotation = rig.device->frozen = false;
        rig.device->Geometry = rig.device->autoCircle = rig.device->autoAngle = false;
        rig.device->angleReticle = rig.device->circleReticle = 0;
        rig.device->roi = {1, 1, 640, 640};
        rig.device->XCalibration = rig.device->ZCalibration = 0.01f;
        rig.device->profileCount = 0;
        for (int e = 0; e < 4; ++e)
            rig.device->extremeIndex[e] = -1;
        rig.panel->state = {};
        MachineSettings = s_MachineSettings();
        CurrentMachine = s_machine();
    };
    auto shot = [&](const QString& name) {
        QImage img = rig.paint();
        // As on the screen: the panel's rounded window.
        QPainter p(&img);
        p.setClipRegion(QRegion(img.rect()).subtracted(rig.panel->mask()));
        p.fillRect(img.rect(), Qt::darkGray);
        p.end();
        saveScreenshot(img, "campanel-" + name);
        return img;
    };
    auto tool = [&]() {
        rig.setExtreme(0, QPoint(180, 450), -0.004f, true, 80);
        rig.setExtreme(2, QPoint(300, 262), 0.012f, true, 45);
    };

    reset(); rig.device->inPositionMode = true; rig.device->angleReticle = 30; rig.device->circleReticle = 1.5f;
    shot("reticles");
    reset(); tool(); shot("comparators-focus");
    reset(); tool(); rig.device->measureLines = true; rig.device->frozen = true;
    rig.device->frozenPoint[0] = {170, 450}; rig.device->frozenPoint[1] = {170, 450};
    rig.device->frozenPoint[2] = {300, 255}; rig.device->frozenPoint[3] = {300, 255};
    shot("edge-lines");
    reset(); rig.device->measureLines = true;
    for (int i = 0; i < 5; ++i) rig.paint();
    shot("no-edge");
    reset(); rig.device->XCalibration = 0; shot("calibration-warning");
    reset(); rig.device->roi = {120, 200, 420, 520}; shot("roi");
    reset(); MachineSettings.hasCAxis = true; rig.panel->state.zeroX = false; rig.panel->state.zeroC = false;
    CurrentMachine.swapXZ = CurrentMachine.reverseX = CurrentMachine.reverseZ = true;
    shot("zero-search-icons");
    reset(); MachineSettings.type = 3; rig.panel->state.spindleLocked = false; rig.panel->state.emergency = true;
    shot("spindle-emergency");
    reset(); MachineSettings.printing = true; shot("printing");
    reset(); rig.device->Geometry = true; rig.device->autoCircle = true;
    rig.panel->circleX = 250; rig.panel->circleY = 380; rig.panel->circleR = 90;
    shot("circle");
    reset(); tool(); rig.device->Geometry = true; rig.device->autoAngle = true;
    rig.device->intersection = QPoint(-140, -60);
    rig.panel->slotFoundLines({sLineParam{0.5f, 290, false}, sLineParam{500, 180, true}});
    const QImage all = shot("lines-intersection");
    QCOMPARE(all.pixel(100, 340), qRgb(255, 0, 255));
    rig.panel->displayTidMessage(true);
    saveScreenshot(rig.panel->grab().toImage(), "campanel-acknowledgement");
}

QTEST_MAIN(TestCamPanel)
#include "tst_campanel.moc"
