#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "camera/FrameSource.h"
#include "camera/PngFolderSource.h"
#include "camera/VideoCollector.h"
#include "camera/VideoDevice.h"
#include "camera/VideoStandIn.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "support/ImageListFrameSource.h"
#include "support/TestWorkDir.h"

#include <cerrno>
#include <cstring>

Q_DECLARE_METATYPE(CVideoStandIn::Faults)
Q_DECLARE_METATYPE(s_machine)

namespace {

const QString kNode = QStringLiteral("/stand-in/video0");

// A device that shows its driver state and records the centre pixel of every
// frame it processes.
class ProbeDevice : public CVideoDevice
{
public:
    ProbeDevice(std::shared_ptr<CVideoIo> io)
        : CVideoDevice(kNode, nullptr, std::move(io))
    {
    }
    ~ProbeDevice() override { StopCapture(); }

    int buffers() const { return bufferCount; }
    int frameW() const { return width; }
    int frameH() const { return height; }
    int descriptor() const { return fd; }
    int opens() const { return openCount; }
    int maxW() const { return maxWidth; }
    bool dirty() const { return sensorDirty; }

    // Puts a frame in place as the capture loop does, for pixel reads.
    void showFrame(const uchar *data, int w, int h)
    {
        frame = data;
        frameWidth = w;
        frameHeight = h;
    }

    QVector<int> centres() const
    {
        QMutexLocker lock(&recordLock);
        return recorded;
    }

protected:
    void processFrame(const uchar *, int w, int h) override
    {
        QMutexLocker lock(&recordLock);
        recorded.append(w == NominalWidth && h == NominalHeight ? windowPixel(320, 320) : -1);
    }

private:
    mutable QMutex recordLock;
    QVector<int> recorded;
};

QImage flatPicture(int w, int h, int grey)
{
    QImage img(w, h, QImage::Format_Grayscale8);
    img.fill(grey);
    return img;
}

// The 8-bit picture has one grey over the 5 x 5 pixels around (x, y): no
// drawn edge reaches the pixel.
bool flatAround(const QImage &img, int x, int y)
{
    const uchar grey = img.constScanLine(y)[x];
    for (int v = std::max(0, y - 2); v <= std::min(img.height() - 1, y + 2); ++v)
        for (int u = std::max(0, x - 2); u <= std::min(img.width() - 1, x + 2); ++u)
            if (img.constScanLine(v)[u] != grey)
                return false;
    return true;
}

std::shared_ptr<CVideoStandIn> standIn(CVideoStandIn::Config config = CVideoStandIn::Config(),
                                       std::shared_ptr<CFrameSource> source = nullptr)
{
    if (config.node.isEmpty())
        config.node = kNode;
    return std::make_shared<CVideoStandIn>(std::move(source), config);
}

// A source that holds the capture thread in its first frame until released.
class GateSource : public CFrameSource
{
public:
    void nextFrame(uchar *dst, int width, int height) override
    {
        entered.release();
        gate.acquire();
        placeCentred(QImage(), dst, width, height);
        gate.release();
    }
    QSemaphore entered;
    QSemaphore gate;
};

} // namespace

class TestVideoDevice : public QObject
{
    Q_OBJECT
private slots:
    void placeCentred_data();
    void placeCentred();
    void pngFolderOrder();

    void collectorScan_data();
    void collectorScan();
    void collectorNodeOrder();
    void collectorStandInKey();
    void standInFollowsCarriage_data();
    void standInFollowsCarriage();
    void realDriverOnPlainFiles();

    void probe_data();
    void probe();
    void openBuffers_data();
    void openBuffers();
    void openCountsAndCloses();
    void openFailureIsNotCounted();
    void deviceWithoutBuffers_data();
    void deviceWithoutBuffers();

    void setSize_data();
    void setSize();
    void windowPixelBounds_data();
    void windowPixelBounds();

    void pictureSent_data();
    void pictureSent();
    void failedSyncKeepsSettingsPending();
    void captureFailureReported();
    void destructorTurnsLightOff();

    void settingsDefaults();
    void settingsCameraOne();
    void compensationNotANumber_data();
    void compensationNotANumber();
    void pointStepClamped_data();
    void pointStepClamped();

    void framesInOrder();
    void startOnRunningCaptureDoesNothing();
    void startStopCycles();

    void demoFrames_data();
    void demoFrames();
};

// ---------------------------------------------------------------- frame sources

void TestVideoDevice::placeCentred_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("frame");
    // Frame pixel -> expected grey; the picture's pixel (x, y) has grey 10 * y + x + 1.
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<QList<int>>("greys");

    QTest::newRow("smaller: centred, padded white")
            << QSize(2, 2) << QSize(6, 4)
            << QList<QPoint>{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {2, 2}, {3, 2}, {4, 2}, {2, 3}, {5, 3}}
            << QList<int>{255, 255, 1, 2, 11, 12, 255, 255, 255};
    QTest::newRow("odd margin rounds left and up")
            << QSize(2, 1) << QSize(5, 4)
            << QList<QPoint>{{0, 1}, {1, 1}, {2, 1}, {3, 1}, {1, 2}}
            << QList<int>{255, 1, 2, 255, 255};
    QTest::newRow("larger: cropped around centre")
            << QSize(8, 6) << QSize(4, 2)
            << QList<QPoint>{{0, 0}, {3, 0}, {0, 1}, {3, 1}}
            << QList<int>{23, 26, 33, 36};
    QTest::newRow("wider, lower")
            << QSize(6, 1) << QSize(4, 3)
            << QList<QPoint>{{0, 0}, {0, 1}, {3, 1}, {3, 2}}
            << QList<int>{255, 2, 5, 255};
    QTest::newRow("same size")
            << QSize(3, 2) << QSize(3, 2)
            << QList<QPoint>{{0, 0}, {2, 1}}
            << QList<int>{1, 13};
}

void TestVideoDevice::placeCentred()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, frame);
    QFETCH(QList<QPoint>, points);
    QFETCH(QList<int>, greys);

    // Drawn in colour on purpose: the source turns it grey.
    QImage img(picture, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int g = 10 * y + x + 1;
            img.setPixel(x, y, qRgb(g, g, g));
        }
    // A guard byte after the frame catches writes beyond it.
    QByteArray out(frame.width() * frame.height() + 1, char(7));
    CFrameSource::placeCentred(img, reinterpret_cast<uchar *>(out.data()), frame.width(), frame.height());
    for (int i = 0; i < points.size(); ++i) {
        const QPoint p = points.at(i);
        QCOMPARE(int(uchar(out.at(p.y() * frame.width() + p.x()))), greys.at(i));
    }
    QCOMPARE(int(out.back()), 7);

    CFrameSource::placeCentred(QImage(), reinterpret_cast<uchar *>(out.data()), frame.width(), frame.height());
    QCOMPARE(out.count(char(255)), frame.width() * frame.height());
}

void TestVideoDevice::pngFolderOrder()
{
    TestWorkDir wd;
    QDir().mkpath("frames");
    // Written out of order; a non-picture file in between.
    const QStringList names{"c.png", "a.png", "b10.png", "b2.png"};
    const QList<int> greys{40, 10, 30, 20};
    for (int i = 0; i < names.size(); ++i)
        QVERIFY(flatPicture(20, 10, greys.at(i)).save("frames/" + names.at(i)));
    QVERIFY(wd.writeFile("frames/notes.txt", "not a frame"));

    CPngFolderSource source("frames");
    QCOMPARE(source.files().size(), 4);
    QVector<uchar> buf(64 * 32);
    QList<int> seen;
    for (int i = 0; i < 6; ++i) {
        source.nextFrame(buf.data(), 64, 32);
        seen << buf.at(16 * 64 + 32);
        QCOMPARE(int(buf.at(0)), 255);
    }
    QCOMPARE(seen, (QList<int>{10, 30, 20, 40, 10, 30}));

    CPngFolderSource empty("no-such-folder");
    buf.fill(0);
    empty.nextFrame(buf.data(), 64, 32);
    QCOMPARE(buf.count(255), buf.size());
}

// ---------------------------------------------------------------- collector

void TestVideoDevice::collectorScan_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<bool>("probed");

    QTest::newRow("camera") << "camera" << true << true;
    QTest::newRow("busy node") << "busy" << true << true;
    QTest::newRow("no bus name") << "nobus" << true << true;
    QTest::newRow("cannot open") << "openfails" << false << true;
    QTest::newRow("no capability") << "nocap" << false << true;
    QTest::newRow("symbolic link") << "link" << false << false;
    QTest::newRow("dangling link") << "dangling" << false << false;
    QTest::newRow("no node") << "none" << false << false;
}

void TestVideoDevice::collectorScan()
{
    QFETCH(QString, kind);
    QFETCH(bool, listed);
    QFETCH(bool, probed);

    TestWorkDir wd;
    const QString node = wd.filePath("video0");
    QVERIFY(wd.writeFile("camera-elsewhere", "x"));
    if (kind == "link")
        QVERIFY(QFile::link(wd.filePath("camera-elsewhere"), node));
    else if (kind == "dangling")
        QVERIFY(QFile::link(wd.filePath("gone"), node));
    else if (kind != "none")
        QVERIFY(wd.writeFile("video0", ""));

    CVideoStandIn::Faults faults;
    if (kind == "busy")
        faults = CVideoStandIn::Busy;
    else if (kind == "openfails")
        faults = CVideoStandIn::OpenFails;
    else if (kind == "nocap")
        faults = CVideoStandIn::CapabilityFails;
    else if (kind == "nobus")
        faults = CVideoStandIn::QueryCapFails;

    QStringList asked;
    CVideoCollector collector(wd.filePath("video%d"), [&](const QString &n) {
        asked << n;
        CVideoStandIn::Config config;
        config.node = n;
        config.faults = faults;
        config.busInfo = "usb-1.2";
        return std::make_shared<CVideoStandIn>(nullptr, config);
    });
    collector.Scan();

    QCOMPARE(asked, probed ? QStringList{node} : QStringList());
    QCOMPARE(collector.NumberOfVideoDevices(), listed ? 1 : 0);
    if (!listed)
        return;
    CVideoDevice *device = collector.GetVideoDevice(0);
    QCOMPARE(device->GetNodeName(), node);
    QVERIFY(device->IsValid());
    QCOMPARE(device->GetDescriptor(), -1);
    // A busy node could not be asked anything.
    QCOMPARE(device->GetIntfName(), kind == "busy" ? QString() : QString("T8A camera stand-in"));
    QCOMPARE(device->getBusInfo(), kind == "camera" ? QString("usb-1.2") : QString());
}

void TestVideoDevice::collectorNodeOrder()
{
    TestWorkDir wd;
    for (int n : {7, 0, 63, 3, 64})
        QVERIFY(wd.writeFile(QString("video%1").arg(n), ""));
    CVideoCollector collector(wd.filePath("video%d"), [](const QString &n) {
        CVideoStandIn::Config config;
        config.node = n;
        return std::make_shared<CVideoStandIn>(nullptr, config);
    });
    collector.Scan();
    QStringList found;
    for (int i = 0; i < collector.NumberOfVideoDevices(); ++i)
        found << QFileInfo(collector.GetVideoDevice(i)->GetNodeName()).fileName();
    QCOMPARE(found, (QStringList{"video0", "video3", "video7", "video63"}));
}

void TestVideoDevice::collectorStandInKey()
{
    TestWorkDir wd;
    App::resetKovraSettings();
    QDir().mkpath("demo-frames");
    QVERIFY(flatPicture(100, 100, 60).save("demo-frames/f1.png"));
    App::kovraSettings().setValue("/camera/StandIn", "demo-frames");

    CVideoCollector *collector = CVideoCollector::Instance();
    QCOMPARE(CVideoCollector::Instance(), collector);
    QCOMPARE(collector->NumberOfVideoDevices(), 1);
    CVideoDevice *device = collector->GetVideoDevice(0);
    QVERIFY(device->IsValid());
    QCOMPARE(device->GetSize(), QSize(0, 0)); // closed
    QCOMPARE(device->Open(2), 0);
    QVERIFY(device->SetSize(1280, 1024));
    QCOMPARE(device->MSync(), 0);
    const QImage img = device->GetRGB(0);
    QCOMPARE(img.size(), QSize(1280, 1024));
    QCOMPARE(int(img.constScanLine(512)[640]), 60);
    QCOMPARE(int(img.constScanLine(0)[0]), 255);
    App::resetKovraSettings();
}

void TestVideoDevice::standInFollowsCarriage_data()
{
    // The machine and the coordinates the device is handed first, then the
    // machine chosen next and the coordinates the link hands over with it;
    // the edges' move in pixels (0.01 mm each).
    QTest::addColumn<s_machine>("first");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<s_machine>("then");
    QTest::addColumn<QPointF>("moved");
    QTest::addColumn<QPointF>("pixels");
    s_machine radius;
    s_machine diameter;
    diameter.isRadius = false;
    s_machine reversed;
    reversed.reverseX = true;
    s_machine swapped;
    swapped.swapXZ = true;
    s_machine swappedReversed;
    swappedReversed.swapXZ = true;
    swappedReversed.reverseX = true;
    s_machine other;
    other.Xref = RefLength::ofMicrometres(10000); // 10 mm further out: the same carriage reads X + 10
    s_machine incremental;
    incremental.xIncr = true;
    incremental.xIncrZero = 50000; // zero set 5 mm out: X - 5
    QTest::newRow("X") << radius << QPointF(10, 20) << radius << QPointF(10.5, 20) << QPointF(50, 0);
    QTest::newRow("Z") << radius << QPointF(10, 20) << radius << QPointF(10, 19.7) << QPointF(0, -30);
    QTest::newRow("part of a pixel") << radius << QPointF(10, 20) << radius << QPointF(10.255, 20) << QPointF(25.5, 0);
    QTest::newRow("diameter: half the X") << diameter << QPointF(20, 20) << diameter << QPointF(21, 20) << QPointF(50, 0);
    QTest::newRow("reversed X") << reversed << QPointF(10, 20) << reversed << QPointF(9.5, 20) << QPointF(50, 0);
    QTest::newRow("swapped: X along the image's y") << swapped << QPointF(10, 20) << swapped << QPointF(10.5, 20)
                                                    << QPointF(0, 50);
    // Swapped, machine Z grows to the right on the picture (leftward when its
    // reference set is reversed): the picture moves the other way, so the
    // edge's read-out stays put.
    QTest::newRow("swapped: Z moves the picture left") << swapped << QPointF(10, 20) << swapped << QPointF(10, 20.3)
                                                       << QPointF(-30, 0);
    QTest::newRow("swapped, reversed X set: Z moves it right") << swappedReversed << QPointF(10, 20) << swappedReversed
                                                               << QPointF(10, 20.3) << QPointF(30, 0);
    QTest::newRow("another machine: the carriage stayed") << radius << QPointF(10, 20) << other << QPointF(20, 20)
                                                          << QPointF(0, 0);
    QTest::newRow("incremental zero: the carriage stayed") << radius << QPointF(10, 20) << incremental
                                                           << QPointF(5, 20) << QPointF(0, 0);
}

// The settings' stand-in camera moves its picture with the carriage behind
// the coordinates the device is handed, and the device measures the move.
void TestVideoDevice::standInFollowsCarriage()
{
    QFETCH(s_machine, first);
    QFETCH(QPointF, at);
    QFETCH(s_machine, then);
    QFETCH(QPointF, moved);
    QFETCH(QPointF, pixels);
    TestWorkDir wd;
    QDir().mkpath("frames");
    // A tool below and right of the centre: its left and top edges cross there.
    QImage tool = flatPicture(1280, 1024, 255);
    for (int y = 512; y < 1024; ++y)
        std::memset(tool.scanLine(y) + 640, 20, 640);
    QVERIFY(tool.save("frames/tool.png"));
    CVideoCollector collector;
    collector.UseStandIn("frames");
    QCOMPARE(collector.NumberOfVideoDevices(), 1);
    CVideoDevice *device = collector.GetVideoDevice(0);
    QCOMPARE(device->Open(2), 0);
    QVERIFY(device->SetSize(1280, 1024));
    QSignalSpy frames(device, &CVideoDevice::Notify);
    const auto edges = [device] {
        return QPointF(device->getPointMinX(false).x + device->getMinXsub(),
                       device->getPointMinY(false).y + device->getMinYsub());
    };
    const auto settle = [&] {
        const int now = frames.size();
        return QTest::qWaitFor([&] { return frames.size() >= now + 3; }, 10000) && device->MinXValid()
            && device->MinYValid();
    };
    CurrentMachine = first;
    device->StartCapture();
    QVERIFY(settle());
    const QPointF before = edges(); // no position handed over yet: the picture is centred
    QVERIFY(qAbs(before.x() - 320) < 1 && qAbs(before.y() - 320) < 1);
    device->setAxisPosition(float(at.x()), float(at.y()));
    QVERIFY(settle());
    QCOMPARE(edges(), before);
    // The machine changes before the link hands over a position worked out with it.
    CurrentMachine = then;
    QVERIFY(settle());
    QCOMPARE(edges(), before);
    device->setAxisPosition(float(moved.x()), float(moved.y()));
    QVERIFY(settle());
    const QPointF d = edges() - before - pixels;
    QVERIFY2(qAbs(d.x()) < 0.25 && qAbs(d.y()) < 0.25,
             qPrintable(QString("moved by %1, %2").arg(d.x() + pixels.x()).arg(d.y() + pixels.y())));
    device->StopCapture();
    CurrentMachine = s_machine();
}

void TestVideoDevice::realDriverOnPlainFiles()
{
    // The real driver layer, on nodes that are no cameras: nothing is listed
    // and no descriptor is left open.
    TestWorkDir wd;
    QVERIFY(wd.writeFile("video0", "not a camera"));
    QVERIFY(wd.writeFile("video1", ""));
    const auto openFds = [] { return QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(); };
    const int before = openFds();
    CVideoCollector collector(wd.filePath("video%d"));
    collector.Scan();
    QCOMPARE(collector.NumberOfVideoDevices(), 0);
    QCOMPARE(openFds(), before);

    CVideoDevice missing(wd.filePath("video9"), nullptr);
    QVERIFY(!missing.IsValid());
    QVERIFY(missing.Open(2) < 0);
    QVERIFY(!missing.SetSize(1280, 1024));
    QCOMPARE(missing.GetSize(), QSize(0, 0));
    QCOMPARE(openFds(), before);
}

// ---------------------------------------------------------------- open, buffers, size

void TestVideoDevice::probe_data()
{
    QTest::addColumn<int>("maxWidth");
    QTest::addColumn<int>("maxHeight");
    QTest::addColumn<QSize>("nominal");
    QTest::newRow("large camera") << 2048 << 1536 << QSize(1280, 1024);
    QTest::newRow("exact") << 1280 << 1024 << QSize(1280, 1024);
    QTest::newRow("too narrow") << 1279 << 1024 << QSize(0, 0);
    QTest::newRow("too low") << 1280 << 960 << QSize(0, 0);
}

void TestVideoDevice::probe()
{
    QFETCH(int, maxWidth);
    QFETCH(int, maxHeight);
    QFETCH(QSize, nominal);
    CVideoStandIn::Config config;
    config.maxWidth = maxWidth;
    config.maxHeight = maxHeight;
    auto io = standIn(config);
    ProbeDevice device(io);
    QVERIFY(device.IsValid());
    QCOMPARE(device.maxW(), maxWidth);
    QCOMPARE(QSize(device.frameW(), device.frameH()), nominal);
    QCOMPARE(device.descriptor(), -1);
    QCOMPARE(io->openDescriptors(), 0);
}

void TestVideoDevice::openBuffers_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("driver");
    QTest::addColumn<int>("used");
    QTest::addColumn<bool>("limited");
    QTest::newRow("two on a one-buffer driver") << 2 << 1 << 1 << true;
    QTest::newRow("two of four") << 2 << 4 << 2 << false;
    QTest::newRow("all of three") << 0 << 3 << 3 << false;
    QTest::newRow("negative means all") << -1 << 2 << 2 << false;
    QTest::newRow("five of four") << 5 << 4 << 4 << true;
}

void TestVideoDevice::openBuffers()
{
    QFETCH(int, requested);
    QFETCH(int, driver);
    QFETCH(int, used);
    QFETCH(bool, limited);
    CVideoStandIn::Config config;
    config.buffers = driver;
    config.frameIntervalMs = 0;
    auto io = standIn(config, std::make_shared<ImageListFrameSource>(QList<QImage>{flatPicture(8, 8, 0)}));
    ProbeDevice device(io);
    if (limited)
        QTest::ignoreMessage(QtWarningMsg, "CVideoDevice::Init(): there are more buffers requested than MBUF can provide. Limiting buffers.");
    QCOMPARE(device.Open(requested), 0);
    QCOMPARE(device.buffers(), used);
    QVERIFY(io->isMapped());
    QVERIFY(device.SetSize(1280, 1024));
    // One image per buffer in use, each its own buffer.
    for (int back = 0; back < used; ++back)
        QVERIFY(!device.GetRGB(back).isNull());
    QCOMPARE(device.GetRGB(0).constBits(), device.GetRGB(used).constBits());
    if (used > 1)
        QVERIFY(device.GetRGB(0).constBits() != device.GetRGB(1).constBits());
}

void TestVideoDevice::openCountsAndCloses()
{
    auto io = standIn();
    ProbeDevice device(io);
    QSignalSpy closed(&device, &CVideoDevice::Closed);
    QCOMPARE(device.Close(), 0); // never opened
    QCOMPARE(device.Open(2), 0);
    const int fd = device.descriptor();
    QVERIFY(fd >= 0);
    QCOMPARE(device.Open(2), 0); // shared: only counted
    QCOMPARE(device.descriptor(), fd);
    QCOMPARE(io->openDescriptors(), 1);
    QCOMPARE(device.opens(), 2);

    QCOMPARE(device.Close(), 1);
    QCOMPARE(io->openDescriptors(), 1);
    QVERIFY(io->isMapped());
    QCOMPARE(closed.count(), 0);

    QCOMPARE(device.Close(), 0);
    QCOMPARE(io->openDescriptors(), 0);
    QVERIFY(!io->isMapped());
    QCOMPARE(device.descriptor(), -1);
    QCOMPARE(closed.count(), 1);
    QVERIFY(device.GetRGB(0).isNull());
    QCOMPARE(device.Close(), 0);
    QCOMPARE(closed.count(), 1);

    // A device destroyed while opened twice says so and gives the camera back.
    auto io2 = standIn();
    auto twice = std::make_unique<ProbeDevice>(io2);
    QCOMPARE(twice->Open(2), 0);
    QCOMPARE(twice->Open(2), 0);
    QSignalSpy gone(twice.get(), &CVideoDevice::Closed);
    QTest::ignoreMessage(QtWarningMsg, QString("Warning: CVideoDevice \"%1\" was destroyed when it was in use more than once.")
                                               .arg(kNode).toUtf8().constData());
    twice.reset();
    QCOMPARE(gone.count(), 1);
    QCOMPARE(io2->openDescriptors(), 0);
    QVERIFY(!io2->isMapped());
}

void TestVideoDevice::openFailureIsNotCounted()
{
    auto io = standIn();
    ProbeDevice device(io);
    io->setFaults(CVideoStandIn::Busy);
    QCOMPARE(device.Open(2), -EBUSY);
    QCOMPARE(device.descriptor(), -1);
    QCOMPARE(device.opens(), 0);
    io->setFaults(CVideoStandIn::NoFault);
    // The camera is free again: this open really opens it.
    QCOMPARE(device.Open(2), 0);
    QVERIFY(device.descriptor() >= 0);
    QCOMPARE(io->openDescriptors(), 1);
}

void TestVideoDevice::deviceWithoutBuffers_data()
{
    QTest::addColumn<CVideoStandIn::Faults>("fault");
    QTest::addColumn<QString>("warning");
    QTest::newRow("buffer request fails") << CVideoStandIn::Faults(CVideoStandIn::MbufFails) << QString();
    QTest::newRow("mapping fails") << CVideoStandIn::Faults(CVideoStandIn::MmapFails)
                                   << QString("CVideoDevice::Init(): mmap() failed (%1). Falling back to non-mmap()ed mode.").arg(ENOMEM);
}

void TestVideoDevice::deviceWithoutBuffers()
{
    QFETCH(CVideoStandIn::Faults, fault);
    QFETCH(QString, warning);
    auto io = standIn();
    io->setFaults(fault);
    ProbeDevice device(io);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, warning.toUtf8().constData());
    QCOMPARE(device.Open(2), 0);
    QVERIFY(!io->isMapped());
    QTest::ignoreMessage(QtWarningMsg, "CVideoDevice::SetSize(): the capture buffers do not hold a 1280 x 1024 frame.");
    QVERIFY(!device.SetSize(1280, 1024));
    QVERIFY(device.GetRGB(0).isNull());
    QCOMPARE(device.MCapture(0), 0);
    QCOMPARE(device.MSync(), 0);
    QCOMPARE(io->capturesQueued(), 0);
    device.StartCapture();
    QVERIFY(!device.isRunning());
    device.StopCapture();
    QCOMPARE(device.Close(), 0);
    QCOMPARE(io->openDescriptors(), 0);
}

void TestVideoDevice::setSize_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QSize>("request");
    QTest::addColumn<int>("bufferBytes");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("closed") << false << QSize(1280, 1024) << 1280 * 1024 << false;
    QTest::newRow("open, nominal") << true << QSize(1280, 1024) << 1280 * 1024 << true;
    QTest::newRow("open, smaller request still nominal") << true << QSize(800, 600) << 1280 * 1024 << true;
    QTest::newRow("wider than the camera") << true << QSize(1281, 1024) << 1280 * 1024 << false;
    QTest::newRow("higher than the camera") << true << QSize(640, 1025) << 1280 * 1024 << false;
    QTest::newRow("buffers one byte short") << true << QSize(1280, 1024) << 1280 * 1024 - 1 << false;
    QTest::newRow("buffers of a smaller frame") << true << QSize(640, 480) << 640 * 480 << false;
    QTest::newRow("buffers larger than a frame") << true << QSize(1280, 1024) << 1280 * 1024 + 4096 << true;
}

void TestVideoDevice::setSize()
{
    QFETCH(bool, open);
    QFETCH(QSize, request);
    QFETCH(int, bufferBytes);
    QFETCH(bool, accepted);

    CVideoStandIn::Config config;
    config.bufferBytes = bufferBytes;
    config.frameIntervalMs = 0;
    auto io = standIn(config, std::make_shared<ImageListFrameSource>(QList<QImage>{flatPicture(4, 4, 9)}));
    ProbeDevice device(io);
    QSignalSpy resized(&device, &CVideoDevice::Resized);
    if (open)
        QCOMPARE(device.Open(2), 0);
    if (open && !accepted && request.width() <= 1280 && request.height() <= 1024)
        QTest::ignoreMessage(QtWarningMsg, "CVideoDevice::SetSize(): the capture buffers do not hold a 1280 x 1024 frame.");
    QCOMPARE(device.SetSize(request), accepted);
    QCOMPARE(resized.count(), accepted ? 1 : 0);
    if (!accepted) {
        QVERIFY(device.GetRGB(0).isNull());
        QCOMPARE(io->capturesQueued(), 0);
        return;
    }
    QCOMPARE(resized.at(0).at(0).toSize(), QSize(1280, 1024));
    QCOMPARE(QSize(device.frameW(), device.frameH()), QSize(1280, 1024));
    QVERIFY(device.dirty());
    // The first capture is queued; its frame lands in the image of buffer 0.
    QCOMPARE(io->capturesQueued(), 1);
    QCOMPARE(device.MSync(), 0);
    const QImage img = device.GetRGB(0);
    QCOMPARE(img.size(), QSize(1280, 1024));
    QCOMPARE(img.format(), QImage::Format_Indexed8);
    QCOMPARE(int(img.constScanLine(511)[639]), 9);
    QCOMPARE(int(img.constScanLine(1023)[1279]), 255);
}

void TestVideoDevice::windowPixelBounds_data()
{
    QTest::addColumn<QPoint>("window");
    QTest::addColumn<int>("grey");
    // Frame 1280 x 1024 whose pixel (x, y) holds (x + 3 y) mod 251.
    auto at = [](int fx, int fy) { return (fx + 3 * fy) % 251; };
    QTest::newRow("centre") << QPoint(320, 320) << at(640, 512);
    QTest::newRow("window origin") << QPoint(0, 0) << at(320, 192);
    QTest::newRow("frame origin") << QPoint(-320, -192) << at(0, 0);
    QTest::newRow("last frame pixel") << QPoint(959, 831) << at(1279, 1023);
    QTest::newRow("left of the frame, not the row above") << QPoint(-321, 10) << 255;
    QTest::newRow("right of the frame, not the row below") << QPoint(960, 10) << 255;
    QTest::newRow("above the frame") << QPoint(10, -193) << 255;
    QTest::newRow("below the frame") << QPoint(10, 832) << 255;
    QTest::newRow("far outside") << QPoint(-100000, 100000) << 255;
}

void TestVideoDevice::windowPixelBounds()
{
    QFETCH(QPoint, window);
    QFETCH(int, grey);
    QVector<uchar> data(1280 * 1024);
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1280; ++x)
            data[y * 1280 + x] = uchar((x + 3 * y) % 251);
    ProbeDevice device(standIn());
    QCOMPARE(device.windowPixel(window.x(), window.y()), 255); // no frame yet
    device.showFrame(data.constData(), 1280, 1024);
    QCOMPARE(device.windowPixel(window.x(), window.y()), grey);
    // A smaller frame bounds the reads by its own size.
    device.showFrame(data.constData(), 960, 700);
    QCOMPARE(device.windowPixel(640, 0), 255);
    QCOMPARE(device.windowPixel(0, 508), 255);
    QCOMPARE(device.windowPixel(639, 507), int(data[699 * 960 + 959]));
}

// ---------------------------------------------------------------- picture settings

void TestVideoDevice::pictureSent_data()
{
    QTest::addColumn<QByteArray>("card");
    QTest::addColumn<bool>("inspection");
    QTest::addColumn<QVariantMap>("keys");
    QTest::addColumn<int>("brightness");
    QTest::addColumn<int>("contrast");
    QTest::addColumn<int>("colour");
    QTest::addColumn<int>("whiteness");
    QTest::addColumn<int>("hue");

    const QVariantMap biases{{"/sensorMeasure/Brightness", 40}, {"/sensorMeasure/Contrast", 7},
                             {"/sensorMeasure/BiasB", 1}, {"/sensorMeasure/BiasR", 2},
                             {"/sensorMeasure/BiasGB", 3}, {"/sensorMeasure/BiasGR", 4},
                             {"/sensorInspection/Brightness", 21}, {"/sensorInspection/Contrast", 5},
                             {"/sensorInspection/BiasB", 0x12}, {"/sensorInspection/BiasR", 0x34},
                             {"/sensorInspection/BiasGB", 0x56}, {"/sensorInspection/BiasGR", 0x78}};
    QTest::newRow("defaults, measure") << QByteArray("cam") << false << QVariantMap() << 10 << 3 << 0 << 0 << 0;
    QTest::newRow("defaults, inspection") << QByteArray("cam") << true << QVariantMap() << 5 << 3 << 0 << 0 << 65535;
    QTest::newRow("measure set packed") << QByteArray("cam") << false << biases << 40 << 7 << 0x0102 << 0x0304 << 0;
    QTest::newRow("inspection set, half brightness truncated")
            << QByteArray("cam") << true << biases << 10 << 5 << 0x1234 << 0x5678 << 65535;
    QTest::newRow("biases kept to 16 bits")
            << QByteArray("cam") << false
            << QVariantMap{{"/sensorMeasure/BiasB", 0x1FF}, {"/sensorMeasure/BiasR", 0x0F},
                           {"/sensorMeasure/BiasGB", 0x100}, {"/sensorMeasure/BiasGR", 0x1}}
            << 10 << 3 << 0xFF0F << 0x0001 << 0;
    QTest::newRow("MT9M001 measure 0 raised to 1")
            << QByteArray("Camchip MT9M001") << false << QVariantMap{{"/sensorMeasure/Brightness", 0}}
            << 1 << 3 << 0 << 0 << 0;
    QTest::newRow("MT9M001 inspection 1 halves to 0, raised to 1")
            << QByteArray("xMT9M001x") << true << QVariantMap{{"/sensorInspection/Brightness", 1}}
            << 1 << 3 << 0 << 0 << 65535;
    QTest::newRow("other card inspection 1 halves to 0")
            << QByteArray("cam") << true << QVariantMap{{"/sensorInspection/Brightness", 1}}
            << 0 << 3 << 0 << 0 << 65535;
    QTest::newRow("card name match is case-sensitive")
            << QByteArray("mt9m001") << false << QVariantMap{{"/sensorMeasure/Brightness", 0}}
            << 0 << 3 << 0 << 0 << 0;
}

void TestVideoDevice::pictureSent()
{
    QFETCH(QByteArray, card);
    QFETCH(bool, inspection);
    QFETCH(QVariantMap, keys);
    QFETCH(int, brightness);
    QFETCH(int, contrast);
    QFETCH(int, colour);
    QFETCH(int, whiteness);
    QFETCH(int, hue);

    TestWorkDir wd;
    App::resetKovraSettings();
    for (auto it = keys.constBegin(); it != keys.constEnd(); ++it)
        App::kovraSettings().setValue(it.key(), it.value());

    CVideoStandIn::Config config;
    config.cardName = card;
    config.frameIntervalMs = 0;
    auto io = standIn(config);
    ProbeDevice device(io);
    device.setCameraId(0);
    QCOMPARE(device.Open(2), 0);
    QVERIFY(device.SetSize(1280, 1024));
    if (inspection)
        device.setInspectionMode();
    QVERIFY(io->sentPictures().isEmpty());
    QCOMPARE(device.MSync(), 0);
    QCOMPARE(io->sentPictures().size(), 1);
    const video_picture p = io->sentPictures().last();
    QCOMPARE(int(p.brightness), brightness);
    QCOMPARE(int(p.contrast), contrast);
    QCOMPARE(int(p.colour), colour);
    QCOMPARE(int(p.whiteness), whiteness);
    QCOMPARE(int(p.hue), hue);
    QCOMPARE(int(p.palette), VIDEO_PALETTE_GREY);
    QVERIFY(!device.dirty());
    App::resetKovraSettings();
}

void TestVideoDevice::failedSyncKeepsSettingsPending()
{
    CVideoStandIn::Config config;
    config.frameIntervalMs = 0;
    auto io = standIn(config);
    ProbeDevice device(io);
    QCOMPARE(device.Open(2), 0);
    QVERIFY(device.SetSize(1280, 1024));
    io->setFaults(CVideoStandIn::SyncFails);
    QCOMPARE(device.MSync(), -EIO);
    QVERIFY(device.dirty());
    QVERIFY(io->sentPictures().isEmpty());
    io->setFaults(CVideoStandIn::NoFault);
    QCOMPARE(device.MSync(), 0);
    QCOMPARE(io->sentPictures().size(), 1);
    QVERIFY(!device.dirty());
}

void TestVideoDevice::captureFailureReported()
{
    auto io = standIn();
    ProbeDevice device(io);
    QCOMPARE(device.Open(2), 0);
    QVERIFY(device.SetSize(1280, 1024));
    io->setFaults(CVideoStandIn::CaptureFails);
    QCOMPARE(device.MCapture(1), -EIO);
    io->setFaults(CVideoStandIn::NoFault);
    QCOMPARE(device.MCapture(1), 0);
    QCOMPARE(device.MCapture(2), -EINVAL); // no such buffer
    QCOMPARE(device.MCapture(-1), -EINVAL);
}

void TestVideoDevice::destructorTurnsLightOff()
{
    CVideoStandIn::Config config;
    config.frameIntervalMs = 0;
    auto io = standIn(config);
    {
        ProbeDevice device(io);
        device.ReadCameraSettings();
        QCOMPARE(device.Open(2), 0);
        QVERIFY(device.SetSize(1280, 1024));
        device.setInspectionMode();
        QCOMPARE(device.MSync(), 0);
        QCOMPARE(int(io->sentPictures().last().hue), 65535);
    }
    const video_picture last = io->sentPictures().last();
    QCOMPARE(int(last.hue), 0);
    QCOMPARE(int(last.brightness), 10);
    QCOMPARE(io->openDescriptors(), 0);
}

// ---------------------------------------------------------------- camera settings

void TestVideoDevice::settingsDefaults()
{
    TestWorkDir wd;
    App::resetKovraSettings();
    ProbeDevice device(standIn());
    // Not the defaults before reading, so that reading is what sets them.
    device.AnalogImage = false;
    device.Geometry = true;
    device.XCalibration = 9;
    device.linearCompensationX = 0;
    device.sensorSets[1].Brightness = 99;
    device.sensorSets[1].factor = 3;
    device.setCameraId(0);
    QCOMPARE(device.getCameraId(), 0);
    QCOMPARE(device.linearCompensationX, 1.0f);
    QCOMPARE(device.linearCompensationZ, 1.0f);
    QCOMPARE(device.AnalogImage, true);
    QCOMPARE(device.Geometry, false);
    QCOMPARE(device.PointStep, 3);
    QCOMPARE(device.MSE, 60);
    QCOMPARE(device.MinLineLenght, 40);
    QCOMPARE(device.MSEC, 50);
    QCOMPARE(device.MinCircleLenght, 20);
    QCOMPARE(device.XCalibration, 0.0f);
    QCOMPARE(device.ZCalibration, 0.0f);
    QCOMPARE(int(device.WhiteLevel), 230);
    QCOMPARE(int(device.BlackLevel), 25);
    for (int i = 0; i < 2; ++i) {
        const CVideoDevice::SensorSet &set = device.sensorSets[i];
        QCOMPARE(set.Brightness, 10);
        QCOMPARE(set.Contrast, 3);
        QCOMPARE(set.BiasB + set.BiasR + set.BiasGB + set.BiasGR, 0);
        QCOMPARE(set.hue, i == 0 ? 0 : 65535);
        QCOMPARE(set.factor, i == 0 ? 1.0f : 0.5f);
    }
    QVERIFY(!device.dirty());
    QVERIFY(!QFile::exists("T8A_M.cfg"));
    App::resetKovraSettings();
}

void TestVideoDevice::settingsCameraOne()
{
    TestWorkDir wd;
    QVERIFY(wd.writeFile("T8A_M.cfg",
                         "[System]\nlinearCompensationX=1.5\n"
                         "[camera]\nXCalibration=0.009\nGeometry=false\nMSE=61\n"
                         "[camera1]\nXCalibration=0.012\nZCalibration=0.011\nGeometry=true\nMSE=120\nWhiteLevel=200\n"
                         "[sensorMeasure]\nBrightness=20\n[sensorMeasure1]\nBrightness=30\nBiasGR=4\n"
                         "[sensorInspection]\nContrast=8\n[sensorInspection1]\nContrast=9\n"));
    App::resetKovraSettings();
    ProbeDevice device(standIn());

    device.setCameraId(1);
    QCOMPARE(device.getCameraId(), 1);
    QCOMPARE(device.XCalibration, 0.012f);
    QCOMPARE(device.ZCalibration, 0.011f);
    QCOMPARE(device.Geometry, true);
    QCOMPARE(device.MSE, 120);
    QCOMPARE(int(device.WhiteLevel), 200);
    QCOMPARE(device.linearCompensationX, 1.5f);
    QCOMPARE(device.sensorSets[0].Brightness, 30);
    QCOMPARE(device.sensorSets[0].BiasGR, 4);
    QCOMPARE(device.sensorSets[1].Contrast, 9);

    device.setCameraId(0);
    QCOMPARE(device.XCalibration, 0.009f);
    QCOMPARE(device.ZCalibration, 0.0f);
    QCOMPARE(device.Geometry, false);
    QCOMPARE(device.MSE, 61);
    QCOMPARE(int(device.WhiteLevel), 230);
    QCOMPARE(device.linearCompensationX, 1.5f);
    QCOMPARE(device.sensorSets[0].Brightness, 20);
    QCOMPARE(device.sensorSets[0].BiasGR, 0);
    QCOMPARE(device.sensorSets[1].Contrast, 8);
    App::resetKovraSettings();
}

void TestVideoDevice::compensationNotANumber_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("nan") << QByteArray("nan");
    QTest::newRow("inf") << QByteArray("inf");
    QTest::newRow("-inf") << QByteArray("-inf");
}

void TestVideoDevice::compensationNotANumber()
{
    QFETCH(QByteArray, value);
    TestWorkDir wd;
    QVERIFY(wd.writeFile("T8A_M.cfg", "[System]\nlinearCompensationX=" + value + "\nlinearCompensationZ=" + value
                                          + "\n"));
    App::resetKovraSettings();
    ProbeDevice device(standIn());
    device.setCameraId(0);
    QCOMPARE(device.linearCompensationX, 1.0f);
    QCOMPARE(device.linearCompensationZ, 1.0f);
    App::resetKovraSettings();
}

void TestVideoDevice::pointStepClamped_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("step");
    QTest::newRow("zero gives the default") << "0" << 3;
    QTest::newRow("256") << "256" << 255;
    QTest::newRow("huge") << "100000" << 255;
    QTest::newRow("negative") << "-4" << 1;
    QTest::newRow("one") << "1" << 1;
    QTest::newRow("255") << "255" << 255;
    QTest::newRow("seven") << "7" << 7;
    QTest::newRow("not a number") << "abc" << 3;
}

void TestVideoDevice::pointStepClamped()
{
    QFETCH(QString, value);
    QFETCH(int, step);
    TestWorkDir wd;
    QVERIFY(wd.writeFile("T8A_M.cfg", "[camera]\nPointStep=" + value.toUtf8() + "\n"));
    App::resetKovraSettings();
    ProbeDevice device(standIn());
    device.setCameraId(0);
    QCOMPARE(device.PointStep, step);
    App::resetKovraSettings();
}

// ---------------------------------------------------------------- capture

void TestVideoDevice::framesInOrder()
{
    TestWorkDir wd;
    QDir().mkpath("frames");
    // Centre greys by name order: f1 -> 11, f2 -> 22, f3 -> 33; written shuffled.
    QVERIFY(flatPicture(64, 48, 33).save("frames/f3.png"));
    QVERIFY(flatPicture(64, 48, 11).save("frames/f1.png"));
    QVERIFY(flatPicture(2000, 1200, 22).save("frames/f2.png"));

    CVideoStandIn::Config config;
    config.frameIntervalMs = 1;
    auto io = standIn(config, std::make_shared<CPngFolderSource>("frames"));
    ProbeDevice device(io);
    QCOMPARE(device.Open(2), 0);
    QVERIFY(device.SetSize(1280, 1024));
    QSignalSpy notify(&device, &CVideoDevice::Notify);
    device.StartCapture();
    QVERIFY(device.isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(device.centres().size() >= 7, 5000);
    device.StopCapture();
    QVERIFY(!device.isRunning());

    const QVector<int> centres = device.centres();
    for (int i = 0; i < centres.size(); ++i)
        QCOMPARE(centres.at(i), 11 * (i % 3 + 1));
    QTRY_COMPARE(notify.count(), centres.size());
    QVERIFY(device.fps > 0);
    // The sync of the stop completed one more frame than was processed.
    QCOMPARE(io->framesDelivered(), centres.size() + 1);
    // The panel's image of the last processed frame.
    QCOMPARE(int(device.GetRGB(1).constScanLine(512)[640]), centres.last());
}

void TestVideoDevice::startOnRunningCaptureDoesNothing()
{
    auto source = std::make_shared<GateSource>();
    CVideoStandIn::Config config;
    config.frameIntervalMs = 0;
    auto io = standIn(config, source);
    ProbeDevice device(io);
    QCOMPARE(device.Open(2), 0);
    QVERIFY(device.SetSize(1280, 1024));
    device.StartCapture();
    // The thread now waits inside the driver for its first frame.
    QVERIFY(source->entered.tryAcquire(1, 5000));
    const int queued = io->capturesQueued();
    device.StartCapture();
    QCOMPARE(io->capturesQueued(), queued);
    QVERIFY(device.isRunning());
    source->gate.release();
    QTRY_VERIFY_WITH_TIMEOUT(device.centres().size() >= 2, 5000);
    device.StopCapture();
    QVERIFY(!device.isRunning());
}

void TestVideoDevice::startStopCycles()
{
    CVideoStandIn::Config config;
    config.frameIntervalMs = 0;
    auto source = std::make_shared<ImageListFrameSource>(QList<QImage>{flatPicture(10, 10, 1), flatPicture(10, 10, 2)});
    auto io = standIn(config, source);
    ProbeDevice device(io);
    QCOMPARE(device.Open(2), 0);
    QVERIFY(device.SetSize(1280, 1024));
    // The bounds are of this machine as it runs now: a frame's period (its
    // work and the thread's pause) measured first.
    QElapsedTimer reference;
    reference.start();
    device.StartCapture();
    QTRY_VERIFY_WITH_TIMEOUT(device.centres().size() >= 3, 5000);
    const qint64 periodMs = qMax<qint64>(1, reference.elapsed() / 2);
    device.StopCapture();
    QElapsedTimer all;
    all.start();
    for (int cycle = 0; cycle < 200; ++cycle) {
        QElapsedTimer one;
        one.start();
        device.StartCapture();
        QVERIFY(device.isRunning());
        if (cycle % 2)
            QThread::usleep(200);
        device.StopCapture();
        QVERIFY(!device.isRunning());
        // The mutex is free again: the panel can fetch its image.
        QVERIFY(!device.GetRGB(1).isNull());
        // A cycle takes a frame's work at most, the stop waking the thread.
        QVERIFY2(one.elapsed() < 10 * periodMs,
                 qPrintable(QString("cycle %1 took %2 ms, a frame %3 ms").arg(cycle).arg(one.elapsed()).arg(periodMs)));
    }
    QVERIFY2(all.elapsed() < 200 * periodMs,
             qPrintable(QString("200 cycles took %1 ms, a frame %2 ms").arg(all.elapsed()).arg(periodMs)));
    // Still capturing after all that.
    const int before = device.centres().size();
    device.StartCapture();
    QTRY_VERIFY_WITH_TIMEOUT(device.centres().size() >= before + 3, 5000);
    device.StopCapture();
}

// ---------------------------------------------------------------- demo frames

void TestVideoDevice::demoFrames_data()
{
    QTest::addColumn<QString>("scene");
    // Frame pixels that lie inside the still tool's shadow and in the light.
    QTest::addColumn<QList<QPoint>>("dark");
    QTest::addColumn<QList<QPoint>>("light");
    // Chamfer of 0.8 mm cuts the corner at the centre; a radius of 0.8 mm
    // rounds it; the tools come from below, tips up.
    QTest::newRow("chamfer") << "chamfer"
                             << QList<QPoint>{{700, 573}, {760, 533}, {660, 603}}
                             << QList<QPoint>{{640, 511}, {660, 523}, {600, 723}, {900, 463}};
    QTest::newRow("radius") << "radius"
                            << QList<QPoint>{{700, 573}, {760, 533}, {690, 553}}
                            << QList<QPoint>{{640, 511}, {660, 523}, {600, 723}, {900, 463}};
    QTest::newRow("drill") << "drill"
                           << QList<QPoint>{{640, 511}, {450, 923}, {830, 723}, {640, 458}}
                           << QList<QPoint>{{640, 443}, {430, 723}, {850, 723}, {450, 503}};
}

void TestVideoDevice::demoFrames()
{
    QFETCH(QString, scene);
    QFETCH(QList<QPoint>, dark);
    QFETCH(QList<QPoint>, light);

    const QString committed = QString::fromLocal8Bit(qgetenv("T8A_SOURCE_DIR")) + "/demo/frames";
    // The tool runs once for all rows.
    static QTemporaryDir out;
    static bool ran = false;
    const QString madeDir = out.filePath("made");
    if (!ran) {
        const QString program = TestWorkDir::builtProgram("make-demo-frames");
        QVERIFY2(!program.isEmpty(), "make-demo-frames not built");
        QProcess tool;
        tool.start(program, {madeDir});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        ran = true;
    }

    // One folder per tool; the committed frames are the ones the tool makes.
    QCOMPARE(QDir(madeDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
             QStringList({"chamfer", "drill", "radius"}));
    const QString made = madeDir + "/" + scene;
    const QStringList frames = QDir(made).entryList({"*.png"}, QDir::Files, QDir::Name);
    // Few enough for the stand-in to decode each frame once.
    QCOMPARE(frames.size(), 6);
    QCOMPARE(QDir(committed + "/" + scene).entryList({"*.png"}, QDir::Files, QDir::Name), frames);

    // The tool stands still: its shadow covers the same pixels in every frame.
    for (const QString &name : frames) {
        const QImage img(made + "/" + name);
        QCOMPARE(img.format(), QImage::Format_Grayscale8);
        QCOMPARE(img.size(), QSize(1280, 1024));
        // The edges are anti-aliased drawing, whose blending may round a grey
        // level otherwise on another CPU; the flat light and shadow are exact.
        const QImage kept(committed + "/" + scene + "/" + name);
        QCOMPARE(kept.format(), img.format());
        QCOMPARE(kept.size(), img.size());
        int worst = 0;
        QPoint flatDiffers(-1, -1);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const int d = std::abs(kept.constScanLine(y)[x] - img.constScanLine(y)[x]);
                worst = std::max(worst, d);
                if (d && flatDiffers.x() < 0 && flatAround(img, x, y))
                    flatDiffers = QPoint(x, y);
            }
        QVERIFY2(worst <= 1, qPrintable(QString("%1 differs by %2 grey levels").arg(name).arg(worst)));
        QVERIFY2(flatDiffers.x() < 0, qPrintable(QString("%1 differs at (%2, %3), away from the edges")
                                                      .arg(name).arg(flatDiffers.x()).arg(flatDiffers.y())));
        for (const QPoint &p : dark)
            QVERIFY2(qGray(img.pixel(p)) < 40, qPrintable(QString("%1 (%2, %3)").arg(name).arg(p.x()).arg(p.y())));
        for (const QPoint &p : light)
            QVERIFY2(qGray(img.pixel(p)) > 220, qPrintable(QString("%1 (%2, %3)").arg(name).arg(p.x()).arg(p.y())));
    }
}

QTEST_GUILESS_MAIN(TestVideoDevice)
#include "tst_videodevice.moc"
