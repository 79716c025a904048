#include <QAtomicInt>
#include <QMutex>
#include <QPainter>
#include <QtTest>

#include "camera/FrameSource.h"
#include "camera/VideoDevice.h"
#include "camera/VideoStandIn.h"

#include <memory>

namespace {
// Frames whose measuring window is filled with the frame's number (1..250,
// cycling) and whose border outside the window is 0.
class StampSource : public CFrameSource
{
public:
    void nextFrame(uchar* dst, int width, int height) override
    {
        const int stamp = ++served % 250 + 1;
        memset(dst, 0, size_t(width) * size_t(height));
        for (int y = 192; y < 192 + 640 && y < height; ++y)
            memset(dst + size_t(y) * size_t(width) + 320, stamp, size_t(qMin(640, width - 320)));
    }
    QAtomicInt served;
};

// Records the number of the frame being measured.
class StampDevice : public CVideoDevice
{
public:
    explicit StampDevice(std::shared_ptr<CVideoIo> io) : CVideoDevice("/dev/video0", nullptr, io) {}
    QAtomicInt lastProcessed;

protected:
    void processFrame(const uchar* frame, int width, int height) override
    {
        CVideoDevice::processFrame(frame, width, height);
        lastProcessed = windowPixel(0, 0);
    }
};
}

class TestFrameWindow : public QObject
{
    Q_OBJECT
private slots:
    void copyIsTheProcessedFrame();
    void nullBeforeFirstFrame();
    void greyWithoutStreamPalette();
};

void TestFrameWindow::copyIsTheProcessedFrame()
{
    CVideoStandIn::Config config;
    config.frameIntervalMs = 0;
    auto source = std::make_shared<StampSource>();
    auto io = std::make_shared<CVideoStandIn>(source, config);
    StampDevice device(io);
    QCOMPARE(device.Open(2), 0);
    QVERIFY(device.SetSize(1280, 1024));

    // Checked in the capture thread at the moment the frame is announced.
    QMutex lock;
    int checked = 0;
    QStringList faults;
    connect(&device, &CVideoDevice::Notify, &device, [&]() {
        const QImage shown = device.GetWindowCopy();
        const int stamp = device.lastProcessed;
        QString fault;
        if (shown.size() != QSize(640, 640) || shown.format() != QImage::Format_Indexed8) {
            fault = "wrong picture";
        } else {
            for (int y = 0; y < 640 && fault.isEmpty(); y += 7)
                for (int x = 0; x < 640; x += 7)
                    if (shown.pixelIndex(x, y) != stamp || shown.pixelIndex(639 - x / 7, 639) != stamp) {
                        fault = QString("frame %1 shows %2 at %3,%4").arg(stamp).arg(shown.pixelIndex(x, y)).arg(x).arg(y);
                        break;
                    }
        }
        QMutexLocker l(&lock);
        ++checked;
        if (!fault.isEmpty())
            faults << fault;
    }, Qt::DirectConnection);

    device.StartCapture();
    QTRY_VERIFY_WITH_TIMEOUT((QMutexLocker(&lock), checked >= 8), 5000);
    device.StopCapture();
    QMutexLocker l(&lock);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
}

void TestFrameWindow::nullBeforeFirstFrame()
{
    CVideoStandIn::Config config;
    auto io = std::make_shared<CVideoStandIn>(std::make_shared<StampSource>(), config);
    StampDevice device(io);
    QVERIFY(device.GetWindowCopy().isNull());
    QCOMPARE(device.Open(2), 0);
    QVERIFY(device.SetSize(1280, 1024));
    QVERIFY(device.GetWindowCopy().isNull());
}

void TestFrameWindow::greyWithoutStreamPalette()
{
    CVideoStandIn::Config config;
    config.frameIntervalMs = 0;
    auto io = std::make_shared<CVideoStandIn>(std::make_shared<StampSource>(), config);
    StampDevice device(io);
    QCOMPARE(device.Open(2), 0);
    QVERIFY(device.SetSize(1280, 1024));
    // No stream palette was ever set: the view still gets a drawable picture.
    device.StartCapture();
    QTRY_VERIFY_WITH_TIMEOUT(!device.GetWindowCopy().isNull(), 5000);
    device.StopCapture();
    const QImage shown = device.GetWindowCopy();
    QCOMPARE(shown.colorCount(), 256);
    const int index = shown.pixelIndex(10, 10);
    QCOMPARE(shown.pixel(10, 10), qRgb(index, index, index));
    QImage target(640, 640, QImage::Format_RGB32);
    QPainter painter(&target);
    painter.drawImage(0, 0, shown);
    painter.end();
    QCOMPARE(target.pixel(10, 10), qRgb(index, index, index));
}

QTEST_MAIN(TestFrameWindow)
#include "tst_framewindow.moc"
