// Measures the camera's per-frame measuring on synthetic frames: the time of a
// typical tool frame and of the largest frame the limits allow, the rate of the
// capture loop on the stand-in camera, the sub-pixel accuracy of the
// extreme points on exact area-coverage edges, and the corner radius and
// angle read on corners of known geometry. Run it from a Release build.
//
//   vision-bench [frames] [edges] [capture ms]
//
// frames: typical frames timed (default 2000; a tenth of it for the largest
// frame); edges: edge positions per kind across one pixel (default 50);
// capture ms: time each capture loop is counted (default 3000).
#include "app/MeasureCommands.h"
#include "camera/EdgeSearch.h"
#include "camera/VideoDevice.h"
#include "camera/VideoStandIn.h"
#include "support/ImageListFrameSource.h"
#include "support/SyntheticScene.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct Timing
{
    double median = 0, worst = 0, medianSearch = 0;
};

Timing timeFrames(CEdgeSearch &search, const QByteArray &frame, int runs)
{
    // Lines and circles are searched on every second frame: the slower of
    // the two alternating halves is the searching one.
    std::vector<double> all, half[2];
    QElapsedTimer t;
    const auto *data = reinterpret_cast<const uchar *>(frame.constData());
    for (int i = 0; i < runs; ++i) {
        t.start();
        search.processFrame(data, 1280, 1024);
        const double ms = t.nsecsElapsed() / 1e6;
        all.push_back(ms);
        half[i % 2].push_back(ms);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    Timing r;
    r.median = median(all);
    r.worst = *std::max_element(all.begin(), all.end());
    r.medianSearch = std::max(median(half[0]), median(half[1]));
    return r;
}

SyntheticScene toolScene()
{
    // A turning tool seen from above: shank from below, a pointed insert with
    // a rounded nose.
    SyntheticScene s;
    s.addPolygon(QPolygonF({QPointF(110, 720), QPointF(110, 360), QPointF(300, 190), QPointF(345, 220),
                            QPointF(520, 380), QPointF(520, 720)}));
    s.addDisc(QPointF(318, 212), 22);
    return s;
}

SyntheticScene worstScene()
{
    // 19 bars of 526 contour points each: 9994 points in 19 contours.
    SyntheticScene s;
    for (int k = 0; k < 19; ++k)
        s.addRect(20 + 32 * k, 377, 24 + 32 * k, 700);
    return s;
}

// The search with the circle and lines of its last frame.
class CornerReader : public CEdgeSearch
{
public:
    int radius = 0;
    QVector<sLineParam> lines;

protected:
    void foundCircle(QPoint, int r) override { radius = r; }
    void foundLines(const QVector<sLineParam> &found) override { lines = found; }
};

// A turning tool's corner drawn as the demo frames are (lit background 240,
// shadow 22, area coverage softened by a 3 x 3 box): the top edge falls
// `topDegrees` to the right, the side edge leaves it at `cornerDegrees`, and
// the tip is rounded by `radius` pixels. The middle of the arc lies on the
// image centre, so that even the largest arc leaves straight edge on both
// sides within the window.
void printCornerReading(double radius, double topDegrees, double cornerDegrees)
{
    const double top = topDegrees * M_PI / 180, side = (topDegrees + cornerDegrees) * M_PI / 180;
    const QPointF first(std::cos(top), std::sin(top)), second(std::cos(side), std::sin(side));
    const QPointF bisector = (first + second) / std::hypot((first + second).x(), (first + second).y());
    const double tipToArc = radius / std::sin(cornerDegrees * M_PI / 360) - radius;
    SyntheticScene s;
    s.setBackground(240);
    s.setForeground(22);
    s.setBlur(3);
    s.addRoundedCorner(QPointF(320, 320) - bisector * tipToArc, first, second, radius);
    const QByteArray frame = s.render();

    CornerReader reader;
    reader.XCalibration = reader.ZCalibration = 0.01f;
    reader.Geometry = true;
    // Lines and circles are searched on every second frame.
    for (int i = 0; i < 2; ++i)
        reader.processFrame(reinterpret_cast<const uchar *>(frame.constData()), 1280, 1024);
    float circle = 0;
    for (int k = 0; k < reader.entityCount; ++k)
        if (reader.entities[k].type == 1) {
            circle = reader.entities[k].radius;
            break;
        }
    const QString angle = reader.lines.size() == 2 && !reader.lines[1].isReference
        ? MeasureCommands::foundLinesAngle(reader.lines, false, false) : QStringLiteral("none");
    std::printf("  radius %.2f mm, corner %4.1f deg: circle %7.2f px, RADIUS %.3f mm, ANGLE %s\n",
                radius / 100, cornerDegrees, double(circle), reader.radius * 0.01, qPrintable(angle));
}

double captureRate(const QByteArray &cardName, const QImage &picture, int ms)
{
    CVideoStandIn::Config config;
    config.node = "/stand-in/video0";
    config.cardName = cardName;
    config.frameIntervalMs = 0;
    auto io = std::make_shared<CVideoStandIn>(std::make_shared<ImageListFrameSource>(QList<QImage>{picture}), config);
    CVideoDevice dev(config.node, nullptr, io);
    dev.Open(2);
    dev.SetSize(1280, 1024);
    dev.XCalibration = dev.ZCalibration = 0.01f;
    dev.Geometry = true;
    QAtomicInt frames;
    QObject::connect(&dev, &CVideoDevice::Notify, &dev, [&]() { frames.fetchAndAddRelaxed(1); }, Qt::DirectConnection);
    dev.StartCapture();
    QThread::msleep(300);      // settle
    const int start = frames.loadRelaxed();
    QElapsedTimer t;
    t.start();
    QThread::msleep(ulong(ms));
    const int n = frames.loadRelaxed() - start;
    const double rate = n / (t.nsecsElapsed() / 1e9);
    dev.StopCapture();
    return rate;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(2, std::atoi(argv[1])) : 2000;
    const int edges = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 100) : 50;
    const int captureMs = argc > 3 ? std::max(100, std::atoi(argv[3])) : 3000;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());     // settings of a fresh working directory

    auto search = std::make_unique<CEdgeSearch>();
    search->XCalibration = search->ZCalibration = 0.01f;
    search->Geometry = true;

    const QByteArray tool = toolScene().render();
    search->processFrame(reinterpret_cast<const uchar *>(tool.constData()), 1280, 1024);
    const int toolPoints = search->pointCount;
    const Timing typical = timeFrames(*search, tool, frames);
    std::printf("typical frame: %d contour(s), %d points\n", search->profileCount, toolPoints);
    std::printf("  median %.3f ms, search frames median %.3f ms, worst %.3f ms (goal: median <= 1 ms)\n",
                typical.median, typical.medianSearch, typical.worst);

    const QByteArray worst = worstScene().render();
    for (int step : {3, 1}) {
        search->PointStep = step;
        search->processFrame(reinterpret_cast<const uchar *>(worst.constData()), 1280, 1024);
        const int contours = search->profileCount, points = search->pointCount;
        const Timing w = timeFrames(*search, worst, std::max(2, frames / 10));
        std::printf("largest frame, point step %d: %d contours, %d points\n", step, contours, points);
        std::printf("  median %.3f ms, worst %.3f ms (goal: <= 40 ms)\n", w.median, w.worst);
    }
    search->PointStep = 3;

    // Sub-pixel accuracy: edges at every hundredth of a pixel, each kind.
    double maxErr = 0, sumErr = 0;
    int n = 0;
    for (int kind = 0; kind < 4; ++kind)
        for (int i = 0; i < edges; ++i) {
            const double e = 250 + double(i) / edges;
            SyntheticScene s;
            const QPointF dark[4] = {QPointF(1, 0), QPointF(-1, 0), QPointF(0, 1), QPointF(0, -1)};
            s.addHalfPlane(kind < 2 ? QPointF(e, 0) : QPointF(0, e), dark[kind]);
            const QByteArray f = s.render();
            search->processFrame(reinterpret_cast<const uchar *>(f.constData()), 1280, 1024);
            double reading = 0;
            switch (kind) {
            case 0: reading = search->getPointMinX(false).x + search->getMinXsub(); break;
            case 1: reading = search->getPointMaxX(false).x + search->getMaxXsub() + 1; break;
            case 2: reading = search->getPointMinY(false).y + search->getMinYsub(); break;
            default: reading = search->getPointMaxY(false).y + search->getMaxYsub() + 1; break;
            }
            const double err = std::fabs(reading - e);
            maxErr = std::max(maxErr, err);
            sumErr += err;
            ++n;
        }
    std::printf("sub-pixel accuracy over %d edges (4 kinds, steps of %.2f px): max %.3f px, mean %.3f px (goal: <= 0.1 px)\n",
                n, 1.0 / edges, maxErr, sumErr / n);

    std::printf("corners of known radius and angle at 0.01 mm a pixel (first circle, angle of two found lines):\n");
    for (double radius : {40.0, 80.0, 120.0, 200.0}) {
        printCornerReading(radius, 3, 82);
        printCornerReading(radius, 0, 90);
        printCornerReading(radius, 10, 60);
    }

    const QImage picture = toolScene().renderImage();
    std::printf("capture loop on the stand-in without delay: %.1f frames/s (50 ms pause, goal about 20)\n",
                captureRate("T8A camera stand-in", picture, captureMs));
    std::printf("capture loop, camera with the short pause: %.1f frames/s (30 ms pause, goal about 33)\n",
                captureRate("Camchip MT9M001", picture, captureMs));
    return 0;
}
