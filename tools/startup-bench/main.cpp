// Time from process start to the first camera frame painted in the main
// window, on a prepared working directory (see scripts/demo.sh):
//
//   startup-bench <working directory>
//
// It starts the window as the program does, then watches the screen where
// the camera panel lies until the live image shows there.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

#include "app/mainwindow.h"
#include "camera/VideoDevice.h"
#include "interface/CamPanel.h"

namespace {

// Seconds this process has run before main, from the kernel's process table.
double ageAtStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray s = stat.readAll();
    // Fields after the command name (which may hold blanks) start past the last ')'.
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return 0;
    const double started = fields.at(19).toDouble() / double(sysconf(_SC_CLK_TCK));
    const double now = uptime.readAll().split(' ').value(0).toDouble();
    return now > started ? now - started : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const double before = ageAtStart();
    QElapsedTimer clock;
    clock.start();
    if (argc != 2 || !QDir::setCurrent(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: startup-bench <working directory>\n");
        return 2;
    }

    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    MainWindow window;
    if (!window.isComplete())
        return 1;
    const double built = clock.elapsed() / 1000.0;
    window.showFullScreen();
    const double shown = clock.elapsed() / 1000.0;

    CCamPanel *panel = window.cameraPanel();
    double painted = -1;
    // The frame shows once the panel's centre is no longer the background.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!window.windowHandle() || !panel->isVisible())
            return;
        const QPoint origin = panel->mapTo(&window, QPoint(0, 0));
        const QImage img = window.windowHandle()->screen()->grabWindow(window.winId(), origin.x(), origin.y(), 640, 640).toImage();
        if (img.isNull())
            return;
        int differing = 0;
        for (int y = 200; y < 440; y += 40)
            for (int x = 200; x < 440; x += 40)
                differing += img.pixelColor(x, y) != QColor(60, 60, 60);
        if (differing >= 30) {
            painted = clock.elapsed() / 1000.0;
            app.quit();
        }
    });
    poll.start(5);
    QTimer::singleShot(10000, &app, &QApplication::quit);
    app.exec();

    std::printf("process age at main:     %.3f s\n", before);
    std::printf("window built:            %.3f s\n", before + built);
    std::printf("window shown:            %.3f s\n", before + shown);
    if (painted < 0) {
        std::printf("no camera frame painted within 10 s\n");
        return 1;
    }
    std::printf("first camera frame:      %.3f s after process start\n", before + painted);
    return 0;
}
