#include <QtTest>
#include <memory>

#include "camera/VideoDevice.h"
#include "camera/VideoStandIn.h"
#include "shared/SharedStruct.h"
#include "support/ImageListFrameSource.h"
#include "support/SyntheticScene.h"
#include "support/TestWorkDir.h"

namespace {

const QPoint kNone(-999999, -999999);

// Records, in the capture thread, every signal of the device in order, one
// list per frame (a frame ends with its Notify).
class EventLog
{
public:
    explicit EventLog(CVideoDevice *dev)
    {
        auto add = [this](const QString &e) {
            QMutexLocker lock(&m_lock);
            m_current << e;
        };
        QObject::connect(dev, &CVideoDevice::sigFoundLines, dev, [add](QVector<sLineParam> l) {
            add(QString("L%1").arg(l.size()));
        }, Qt::DirectConnection);
        QObject::connect(dev, &CVideoDevice::sigFoundCircle, dev, [add](QPoint c, int) {
            add(c == kNone ? "C-" : "C+");
        }, Qt::DirectConnection);
        QObject::connect(dev, &CVideoDevice::XAxisInPos, dev, [add](bool in) { add(in ? "X1" : "X0"); },
                         Qt::DirectConnection);
        QObject::connect(dev, &CVideoDevice::ZAxisInPos, dev, [add](bool in) { add(in ? "Z1" : "Z0"); },
                         Qt::DirectConnection);
        QObject::connect(dev, &CVideoDevice::Notify, dev, [this]() {
            QMutexLocker lock(&m_lock);
            m_frames << m_current.join(' ');
            m_current.clear();
        }, Qt::DirectConnection);
    }
    QStringList frames() const
    {
        QMutexLocker lock(&m_lock);
        return m_frames;
    }
    int count() const { return frames().size(); }

private:
    mutable QMutex m_lock;
    QStringList m_current;
    QStringList m_frames;
};

// A device that counts the frames its measuring body ran on.
class CountingDevice : public CVideoDevice
{
public:
    using CVideoDevice::CVideoDevice;
    ~CountingDevice() override { StopCapture(); }
    void processFrame(const uchar *f, int w, int h) override
    {
        CVideoDevice::processFrame(f, w, h);
        processed.fetchAndAddRelaxed(1);
    }
    QAtomicInt processed;
};

struct Rig
{
    TestWorkDir wd;
    std::shared_ptr<CVideoStandIn> io;
    std::unique_ptr<CountingDevice> dev;

    explicit Rig(const SyntheticScene &scene)
    {
        CVideoStandIn::Config config;
        config.node = "/stand-in/video0";
        config.frameIntervalMs = 1;
        io = std::make_shared<CVideoStandIn>(
            std::make_shared<ImageListFrameSource>(QList<QImage>{scene.renderImage()}), config);
        dev = std::make_unique<CountingDevice>(config.node, nullptr, io);
        dev->Open(2);
        dev->SetSize(1280, 1024);
        dev->XCalibration = dev->ZCalibration = 0.01f;
    }
};

SyntheticScene halfDisc()
{
    SyntheticScene s;
    s.addDisc(QPointF(320, 640), 200);
    return s;
}

SyntheticScene edgeAt(double x)
{
    SyntheticScene s;
    s.addHalfPlane(QPointF(x, 0), QPointF(1, 0));
    return s;
}

}

class TestCapture : public QObject
{
    Q_OBJECT
private slots:
    void notifyEveryFrameSearchEverySecond();
    void inPositionAndStillFrames_data();
    void inPositionAndStillFrames();
    void inspectionMode();
    void linesReachTheGuiThread();
};

void TestCapture::notifyEveryFrameSearchEverySecond()
{
    Rig rig(halfDisc());
    QVERIFY(rig.dev->IsValid());
    rig.dev->Geometry = true;
    EventLog log(rig.dev.get());
    rig.dev->StartCapture();
    QTRY_VERIFY_WITH_TIMEOUT(log.count() >= 8, 10000);
    rig.dev->StopCapture();

    const QStringList frames = log.frames();
    QCOMPARE(frames.size(), rig.dev->processed.loadRelaxed());
    // The circle and its (empty) lines on every second frame only.
    for (int i = 0; i < frames.size(); ++i) {
        QVERIFY2(frames[i].isEmpty() || frames[i] == "C+ L0", qPrintable(frames[i]));
        if (i > 0)
            QVERIFY2(frames[i].isEmpty() != frames[i - 1].isEmpty(), qPrintable(frames.join('|')));
    }
    QVERIFY(std::abs(rig.dev->getAutoCircle().x - 320) <= 1);
    QVERIFY(std::abs(rig.dev->getAutoCircle().radius - 200) <= 1);
}

void TestCapture::inPositionAndStillFrames_data()
{
    QTest::addColumn<double>("edge");
    QTest::addColumn<QString>("inPos");
    QTest::newRow("edge on the centre") << 320.0 << "X1";
    QTest::newRow("edge one pixel off") << 321.0 << "X0";
}

void TestCapture::inPositionAndStillFrames()
{
    QFETCH(double, edge);
    QFETCH(QString, inPos);
    Rig rig(edgeAt(edge));
    rig.dev->setMeasureLines(false);      // in-position detection on
    QVERIFY(rig.dev->inPositionMode);
    MachineSettings.frameCounter = 500;
    EventLog log(rig.dev.get());
    rig.dev->StartCapture();
    QTRY_VERIFY_WITH_TIMEOUT(log.count() >= 5, 10000);
    rig.dev->StopCapture();
    const QStringList frames = log.frames();
    for (const QString &f : frames)
        QCOMPARE(f, inPos);
    // A still edge: the machine-wide counter counts every frame after the
    // first, which differs from the previous distance (0).
    const int expected = edge == 320.0 ? 500 + frames.size() : frames.size() - 1;
    QCOMPARE(MachineSettings.frameCounter.loadRelaxed(), expected);
}

void TestCapture::inspectionMode()
{
    Rig rig(edgeAt(320));
    rig.dev->Geometry = true;
    rig.dev->setMeasureLines(false);
    rig.dev->setInspectionMode();
    MachineSettings.frameCounter = 9;
    EventLog log(rig.dev.get());
    rig.dev->StartCapture();
    QTRY_VERIFY_WITH_TIMEOUT(log.count() >= 4, 10000);
    rig.dev->StopCapture();
    for (const QString &f : log.frames())
        QCOMPARE(f, QString("L0 C-"));
    QCOMPARE(MachineSettings.frameCounter.loadRelaxed(), 0);
    QCOMPARE(rig.dev->profileCount, 0);
}

void TestCapture::linesReachTheGuiThread()
{
    SyntheticScene s;
    s.addHalfPlane(QPointF(300, 300), QPointF(2, -1));
    Rig rig(s);
    rig.dev->Geometry = true;
    rig.dev->posX = 0.5f;
    QObject receiver;
    QVector<QVector<sLineParam>> got;
    connect(rig.dev.get(), &CVideoDevice::sigFoundLines, &receiver, [&](QVector<sLineParam> l) {
        QCOMPARE(QThread::currentThread(), receiver.thread());
        if (!l.isEmpty())
            got << l;
    });
    rig.dev->StartCapture();
    QTRY_VERIFY_WITH_TIMEOUT(!got.isEmpty(), 10000);
    rig.dev->StopCapture();
    const QVector<sLineParam> l = got.first();
    QCOMPARE(l.size(), 2);
    QVERIFY(std::fabs(l[0].m - 2) < 0.02);
    QVERIFY(l[1].isReference);
    QCOMPARE(l[1].q, 370.0f);
}

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
