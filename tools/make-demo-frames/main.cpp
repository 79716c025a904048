// Writes the demo camera frames: backlit silhouettes of a turning tool's tip
// with a chamfer, one with a 0.8 mm corner radius and a drill point, each
// coming from below with its tip up, as the program measures a tool on its
// left and top edges (and the calibration wizard needs both), one
// sub-folder per tool ("chamfer", "radius", "drill"). Each tool stands still
// under the camera; only the lighting flickers by a grey level from frame to
// frame, as on a turning spindle. 8-bit grey 1280 x 1024 PNG files whose name
// order is the playing order.
//
//   make-demo-frames [folder]      (default: demo/frames)

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <QVector>

#include <cmath>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;
// Optical centre of the frame; 0.01 mm per pixel, so 100 px = 1 mm.
constexpr double kCx = 640;
constexpr double kCy = 512;
constexpr int kBackground = 240; // lit background
constexpr int kTool = 22;        // the tool's shadow
constexpr int kFrames = 6;
// Lighting of each frame, around kBackground.
constexpr int kFlicker[kFrames] = {0, 1, 1, 0, -1, -1};

double radians(double degrees)
{
    return degrees * M_PI / 180.0;
}

// Turning tool, tip towards the upper left of the centre: a top edge falling
// 3 degrees to the right and a side edge leaning 5 degrees, meeting in the
// cutting corner at the centre. `chamfer` cuts the corner at 45 degrees,
// `radius` rounds it instead.
QPainterPath turningTool(double chamfer, double radius)
{
    const double far = 2000;
    const QPointF corner(kCx, kCy);
    const QPointF alongTop(std::cos(radians(3)), std::sin(radians(3)));
    const QPointF alongSide(std::sin(radians(5)), std::cos(radians(5)));

    QPainterPath path;
    if (radius > 0) {
        // A true circular arc tangent to both edges.
        const double theta = std::acos(QPointF::dotProduct(alongTop, alongSide));
        const double tangent = radius / std::tan(theta / 2);
        const QPointF bisector = (alongTop + alongSide) / std::hypot((alongTop + alongSide).x(), (alongTop + alongSide).y());
        const QPointF centre = corner + bisector * (radius / std::sin(theta / 2));
        const QPointF onSide = corner + alongSide * tangent;
        const QPointF onTop = corner + alongTop * tangent;
        const double a1 = std::atan2(onSide.y() - centre.y(), onSide.x() - centre.x());
        double a2 = std::atan2(onTop.y() - centre.y(), onTop.x() - centre.x());
        if (a2 - a1 > M_PI)
            a2 -= 2 * M_PI;
        else if (a1 - a2 > M_PI)
            a2 += 2 * M_PI;
        path.moveTo(corner + alongSide * far);
        path.lineTo(onSide);
        const int steps = 90;
        for (int i = 1; i <= steps; ++i) {
            const double a = a1 + (a2 - a1) * i / steps;
            path.lineTo(centre + QPointF(std::cos(a), std::sin(a)) * radius);
        }
        path.lineTo(corner + alongTop * far);
    } else {
        path.moveTo(corner + alongSide * far);
        path.lineTo(corner + alongSide * chamfer);
        path.lineTo(corner + alongTop * chamfer);
        path.lineTo(corner + alongTop * far);
    }
    path.lineTo(corner + alongTop * far + alongSide * far);
    path.closeSubpath();
    return path;
}

// Drill of 4 mm with a 118 degree point, axis vertical, tip above the centre.
QPainterPath drill()
{
    const double r = 200;
    const QPointF tip(kCx, kCy - 60);
    const double coneHeight = r / std::tan(radians(118.0 / 2.0));
    QPainterPath path;
    path.moveTo(kCx - r, kHeight + 400);
    path.lineTo(kCx - r, tip.y() + coneHeight);
    path.lineTo(tip);
    path.lineTo(kCx + r, tip.y() + coneHeight);
    path.lineTo(kCx + r, kHeight + 400);
    path.closeSubpath();
    return path;
}

// One frame: the silhouette, drawn with area coverage so edges fall between
// pixels, then softened a little as the lens does.
QImage render(const QPainterPath &shape, int background)
{
    QImage canvas(kWidth, kHeight, QImage::Format_RGB32);
    canvas.fill(qRgb(background, background, background));
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kTool, kTool, kTool));
    p.drawPath(shape);
    p.end();

    // A 3 x 3 box filter, done as two passes of three.
    const QImage grey = canvas.convertToFormat(QImage::Format_Grayscale8);
    QVector<int> rowSums(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        const uchar *row = grey.constScanLine(y);
        int *sums = rowSums.data() + y * kWidth;
        for (int x = 0; x < kWidth; ++x)
            sums[x] = row[x > 0 ? x - 1 : 0] + row[x] + row[x < kWidth - 1 ? x + 1 : x];
    }
    QImage soft(grey.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < kHeight; ++y) {
        const int *above = rowSums.constData() + (y > 0 ? y - 1 : 0) * kWidth;
        const int *here = rowSums.constData() + y * kWidth;
        const int *below = rowSums.constData() + (y < kHeight - 1 ? y + 1 : y) * kWidth;
        uchar *out = soft.scanLine(y);
        for (int x = 0; x < kWidth; ++x)
            out[x] = uchar((above[x] + here[x] + below[x] + 4) / 9);
    }
    return soft;
}

struct Scene {
    const char *name;
    QPainterPath shape;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString folder = args.size() > 1 ? args.at(1) : QStringLiteral("demo/frames");
    QTextStream err(stderr);
    if (!QDir().mkpath(folder)) {
        err << "make-demo-frames: cannot make the folder " << folder << "\n";
        return 1;
    }

    const Scene scenes[] = {
        {"chamfer", turningTool(80, 0)},
        {"radius", turningTool(0, 80)},
        {"drill", drill()},
    };
    int written = 0;
    for (const Scene &scene : scenes) {
        const QDir dir(QDir(folder).filePath(QString::fromLatin1(scene.name)));
        if (!QDir().mkpath(dir.path())) {
            err << "make-demo-frames: cannot make the folder " << dir.path() << "\n";
            return 1;
        }
        for (int i = 0; i < kFrames; ++i) {
            const QString file = dir.filePath(QString("%1-%2.png").arg(scene.name).arg(i, 3, 10, QChar('0')));
            if (!render(scene.shape, kBackground + kFlicker[i]).save(file, "PNG")) {
                err << "make-demo-frames: cannot write " << file << "\n";
                return 1;
            }
            ++written;
        }
    }
    QTextStream(stdout) << written << " frames written to " << folder << "\n";
    return 0;
}
