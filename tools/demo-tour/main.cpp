// Walks through the demo as the README's walk-through does and saves a
// screenshot of each stop: start screen, the configuration dialog opened with
// the password, machine list, a new machine's
// reference being measured, a tooling table with a tool out of tolerance, the
// camera with an angle found, the label panel filled, the DNC panel with its
// send button and the calibration wizard's last step (the tool moved into each
// region with axb-sim --move), the table imported from csv/tools.csv, the
// post-processor preview of each machine with a format, and the PDF report
// open in the desktop's viewer (the whole screen: the viewer is a program of
// its own). Run it in a demo working directory (scripts/demo-screenshots.sh
// prepares one):
//
//   demo-tour <screenshot folder> [ms between steps, default 1500]
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QGraphicsOpacityEffect>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>

#include "app/mainwindow.h"
#include "axis/cAxisInterface.h"
#include "camera/VideoCollector.h"
#include "camera/VideoDevice.h"
#include "dnc/cDnc.h"
#include "exchange/postpro.h"
#include "machines/cconfiguration.h"
#include "machines/cmachine.h"
#include "machines/cmachinelist.h"
#include "widgets/QMessageBoxKovra.h"
#include "tooling/csetlist.h"
#include "tooling/ctoolset.h"

namespace {

QAbstractButton *button(QWidget *in, const char *name)
{
    QAbstractButton *b = in ? in->findChild<QAbstractButton *>(QLatin1String(name)) : nullptr;
    if (!b)
        std::fprintf(stderr, "demo-tour: no button %s\n", name);
    return b;
}

// Presses that an operator could not make: a disabled button or one hidden
// under another panel. The tour then no longer shows what the operator sees.
int unreachable = 0;
// Stops that did not come out as the README says (a wizard that did not end).
int failedStops = 0;

using Step = std::function<void()>;
using Shot = std::function<void(const char *, const QPixmap &)>;

// Presses the button as the operator's finger does: only when it is enabled
// and on top at its place in the window.
void click(QWidget *in, const char *name)
{
    QAbstractButton *b = button(in, name);
    if (!b)
        return;
    QWidget *top = b->window();
    QWidget *hit = top->childAt(b->mapTo(top, b->rect().center()));
    if (!b->isEnabled() || (hit != b && !b->isAncestorOf(hit))) {
        std::fprintf(stderr, "demo-tour: button %s cannot be pressed here\n", name);
        ++unreachable;
        return;
    }
    b->click();
}

void type(QWidget *in, const char *name, const QString &text)
{
    if (QLineEdit *e = in ? in->findChild<QLineEdit *>(QLatin1String(name)) : nullptr) {
        e->setText(text);
        emit e->editingFinished();
    }
}

// Clicks the first row of an item view that shows this text, as the
// operator's finger does.
void clickRow(QWidget *in, const char *view, const QString &text)
{
    auto *v = in ? in->findChild<QAbstractItemView *>(QLatin1String(view)) : nullptr;
    if (!v || !v->model())
        return;
    QModelIndex index;
    for (int r = 0; r < v->model()->rowCount() && !index.isValid(); ++r)
        for (int c = 0; c < v->model()->columnCount() && !index.isValid(); ++c)
            if (v->model()->index(r, c).data().toString() == text)
                index = v->model()->index(r, c);
    if (!index.isValid()) {
        std::fprintf(stderr, "demo-tour: no row %s\n", qPrintable(text));
        return;
    }
    v->setCurrentIndex(index);
    QMetaObject::invokeMethod(v, "clicked", Q_ARG(QModelIndex, index));
}

// Lets the program run for ms milliseconds (panels slide, frames come in).
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Moves an axis of the board simulator as the README's walk-through does
// from another terminal.
bool moveAxis(const char *axis, double mm)
{
    const QString sim = QCoreApplication::applicationDirPath() + QStringLiteral("/axb-sim");
    const int code = QProcess::execute(sim, {QStringLiteral("--move"), QLatin1String(axis), QString::number(mm)});
    if (code != 0)
        std::fprintf(stderr, "demo-tour: axb-sim --move %s %g failed\n", axis, mm);
    return code == 0;
}

// The window with the box drawn over it where the operator sees it: centred
// on the camera view, 128 pixels lower (as the wizard places its boxes).
QPixmap withBox(QWidget &window, QMessageBox::Icon icon, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons)
{
    QPixmap shot = window.grab();
    QMessageBox box(icon, title, text, buttons, &window);
    box.ensurePolished();
    box.adjustSize();
    const QSize size = box.size();
    QPainter painter(&shot);
    box.render(&painter, QPoint((639 - size.width()) / 2, (639 - size.height()) / 2 + 128));
    return shot;
}

// The DNC panel of LATHE 1 from the label panel, with its send button, and
// the send.
QVector<Step> dncStops(MainWindow &window, const Shot &shot, const QMessageBoxKovra::Handler &tourBoxes)
{
    return {
        [&window] { click(&window, "tbDnc"); },
        [&window, shot, tourBoxes] {
            shot("07-dnc-panel.png", window.grab());
            // The layout's defaults, confirmed: values the server takes.
            QMessageBoxKovra::setHandler([](const QMessageBoxKovra::Box &box) {
                std::fprintf(stderr, "demo-tour: box \"%s\"\n", qPrintable(box.text));
                return box.buttons & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok;
            });
            click(window.findChild<cDnc *>(), "pbDefault");
            QMessageBoxKovra::setHandler(tourBoxes);
        },
        // Sent and acknowledged, the panel closes and an OK shows over the
        // camera view for a moment.
        [&window, shot] {
            click(window.findChild<cDnc *>(), "pbWrite");
            // The OK fades out with its opacity effect.
            bool shown = false;
            for (int waited = 0; !shown && waited < 6000; waited += 50) {
                runFor(50);
                shown = window.findChild<QGraphicsOpacityEffect *>() != nullptr;
            }
            runFor(100);
            shot("07b-dnc-acknowledged.png", window.grab());
            if (!shown) {
                std::fprintf(stderr, "demo-tour: the send was not acknowledged\n");
                ++failedStops;
            }
        },
    };
}

// The camera's frames as the tour sees them: counted when measured (in the
// capture thread) and when the program takes them in. The stand-in camera's
// picture follows the axis position the program holds when it takes a frame
// in, and that connection comes before these.
struct CameraFrames
{
    explicit CameraFrames(CVideoDevice *camera)
    {
        QObject::connect(camera, &CVideoDevice::Notify, &context, [this] { ++taken; });
        QObject::connect(
            camera, &CVideoDevice::Notify, &context, [n = measured] { n->ref(); }, Qt::DirectConnection);
    }
    int measuredNow() const { return measured->loadAcquire(); }

    std::shared_ptr<QAtomicInt> measured = std::make_shared<QAtomicInt>(0);
    int taken = 0;
    // Last, so that it goes first and no frame is counted into a member gone.
    QObject context;
};

// Lets the program run until `done` holds or `clock` has run 15 s.
void waitUntil(const QElapsedTimer &clock, const std::function<bool()> &done)
{
    while (!done() && !clock.hasExpired(15000))
        runFor(20);
}

// Waits until the edge that the prompt's OK reads (min X, or min Z) is found
// in two frames one after the other, both captured after the program took in
// the axis position it holds now: the frame under way by then may still show
// the picture from before.
void waitForEdge(CVideoDevice *camera, const CameraFrames &frames, bool x, const QElapsedTimer &clock)
{
    // The position and a frame come in as two events: a frame counted after
    // the position came may have been taken in before it.
    const int taken = frames.taken + 2;
    waitUntil(clock, [&] { return frames.taken >= taken; });
    const int fresh = frames.measuredNow() + 2;
    int last = -1;
    int valid = 0;
    waitUntil(clock, [&] {
        const int n = frames.measuredNow();
        if (n < fresh || n == last)
            return false;
        last = n;
        valid = (x ? camera->MinXValid() : camera->MinYValid()) ? valid + 1 : 0;
        return valid >= 2;
    });
}

// The configuration dialog's calibration wizard run to its end: before each
// prompt's Ok the tool is moved into the prompt's region with axb-sim --move,
// as the README's walk-through says, and the tour waits until the board has
// answered the move and the camera sees the edge there. A "No measure line
// detected" is answered with Retry (the README's answer), twice at most. The
// prompt of the last region and the closing box are saved with the screen.
QVector<Step> calibrationStops(MainWindow &window, const Shot &shot, QTimer &pace,
                               const QMessageBoxKovra::Handler &tourBoxes)
{
    auto wizard = [&window, shot, &pace, tourBoxes] {
        CVideoDevice *camera = CVideoCollector::Instance()->GetVideoDevice(0);
        const cAxisInterface *axis = window.axisLink();
        CameraFrames frames(camera);
        int retries = 0;
        bool again = false;
        // A stop's waits count from its move, Retries included: a stop that
        // fails still lets the tour end within its time.
        QElapsedTimer clock;
        QMessageBoxKovra::setHandler([&](const QMessageBoxKovra::Box &box) {
            if (box.text == QLatin1String("No measure line detected")) {
                if (retries < 2) {
                    ++retries;
                    again = true;
                    std::fprintf(stderr, "demo-tour: box \"%s\": Retry\n", qPrintable(box.text));
                    return QMessageBox::Retry;
                }
                std::fprintf(stderr, "demo-tour: box \"%s\" after %d retries: Cancel\n", qPrintable(box.text),
                             retries);
                ++failedStops;
                return QMessageBox::Cancel;
            }
            std::fprintf(stderr, "demo-tour: box \"%s\"\n", qPrintable(box.text));
            if (box.text.startsWith(QLatin1String("Probe "))) {
                const QString region = box.text.section(QLatin1Char(' '), 3, 3);
                const bool x = box.text.startsWith(QLatin1String("Probe X"));
                // Back after a Retry, the tool stands where it was moved.
                if (!std::exchange(again, false)) {
                    retries = 0;
                    clock.start();
                    // From the centre: 2.5 mm to the left, 5.2 mm over to the
                    // right, back to the middle and 2.5 mm up, 5.2 mm down.
                    const double dx = region == QLatin1String("LEFT")    ? -2.5
                                      : region == QLatin1String("RIGHT") ? 5.2
                                      : region == QLatin1String("TOP")   ? -2.7
                                                                         : 0.0;
                    const double dz = region == QLatin1String("TOP")      ? -2.5
                                      : region == QLatin1String("BOTTOM") ? 5.2
                                                                          : 0.0;
                    const QPointF before(axis->GetX_CameraRef(), axis->GetZ_CameraRef());
                    if ((dx != 0 && !moveAxis("X", dx)) || (dz != 0 && !moveAxis("Z", dz)))
                        return QMessageBox::Cancel;
                    // The board answered: a diameter readout shows twice the
                    // move, the board's drift is some micrometres.
                    waitUntil(clock, [&] {
                        return std::abs(axis->GetX_CameraRef() - before.x()) >= std::abs(dx) / 2
                            && std::abs(axis->GetZ_CameraRef() - before.y()) >= std::abs(dz) / 2;
                    });
                }
                waitForEdge(camera, frames, x, clock);
                if (region == QLatin1String("BOTTOM"))
                    shot("08-calibration-last-step.png",
                         withBox(window, QMessageBox::Question, box.title, box.text, box.buttons));
                return QMessageBox::Ok;
            }
            if (box.text == QLatin1String("Calibration updated")) {
                shot("09-calibration-updated.png",
                     withBox(window, QMessageBox::Information, box.title, box.text, box.buttons));
                return QMessageBox::Ok;
            }
            // Any other box (a calibration that failed, say) fails the stop.
            ++failedStops;
            return QMessageBox::Cancel;
        });
        // The wizard waits in its boxes: the tour waits with it.
        pace.stop();
        click(window.findChild<cConfiguration *>(), "pbCalibration");
        QMessageBoxKovra::setHandler(tourBoxes);
        pace.start();
    };
    return {
        // The angle panel would cover the bottom region.
        [&window] { click(&window, "tbExitGetAngle"); },
        [&window] { click(&window, "tbConfigure"); },
        [&window] {
            type(&window, "leInputBox", QStringLiteral("tavo"));
            click(&window, "tbOkInputBox");
        },
        wizard,
        [&window] { click(window.findChild<cConfiguration *>(), "tbCancel"); },
    };
}

// Chooses a machine in the main screen's list, as the operator does.
void chooseMachine(QWidget *window, const QString &name)
{
    auto *machines = window->findChild<QComboBox *>(QStringLiteral("cmbMachine"));
    if (!machines)
        return;
    const int i = machines->findText(name);
    if (i < 0)
        std::fprintf(stderr, "demo-tour: no machine %s\n", qPrintable(name));
    machines->setCurrentIndex(i);
    QMetaObject::invokeMethod(machines, "activated", Q_ARG(int, i));
}

using Steps = QVector<Step>;
// A screenshot of the main window.
using WindowShot = std::function<void(const char *)>;

// A step that chooses the machine and opens its tooling-table list.
Step openTables(QWidget *window, const QString &machine)
{
    return [=] {
        chooseMachine(window, machine);
        click(window, "tbSetList");
    };
}

// The README's CSV import on LATHE 1: the list's CSV button, csv/tools.csv
// picked in the file dialog, the offered name confirmed; the imported table
// opens in the editor.
Steps csvImportSteps(QWidget *window, const WindowShot &shot)
{
    return {
        openTables(window, QStringLiteral("LATHE 1")),
        [=] {
            // The dialog is modal: the operator's pick comes while it runs.
            QTimer::singleShot(1000, [] {
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                if (!dialog) {
                    std::fprintf(stderr, "demo-tour: no CSV file dialog\n");
                    ++unreachable;
                    return;
                }
                dialog->selectFile(QStringLiteral("tools.csv"));
                QMetaObject::invokeMethod(dialog, "accept");
            });
            click(window->findChild<cSetList *>(), "tbCsvIn");
        },
        // The step came late (the dialog held it): the name box slides in now.
        [] {},
        [=] { click(window, "tbOkInputBox"); },
        [=] {
            shot("10-csv-import-done.png");
            click(window->findChild<cToolset *>(), "tbExitTool");
        },
        [=] { click(window->findChild<cSetList *>(), "tbHide"); },
    };
}

// The post-processor preview of the first table of each machine that has a
// format (millimetre, inch, every turret position).
Steps postProcessorSteps(QWidget *window, const WindowShot &shot)
{
    Steps steps;
    const struct { const char *machine, *table, *file; } machines[] = {
        {"LATHE 1", "TURRET A", "11-postpro-lathe-1.png"},
        {"LATHE 2 INCH", "BAR WORK", "11-postpro-lathe-2-inch.png"},
        {"MILL 3", "SPINDLE", "11-postpro-mill-3.png"},
    };
    for (const auto &m : machines) {
        steps << openTables(window, QLatin1String(m.machine));
        steps << [=] {
            cSetList *tables = window->findChild<cSetList *>();
            clickRow(tables, "twToolset", QLatin1String(m.table));
            click(tables, "tbPostPro");
        };
        steps << [=] {
            shot(m.file);
            click(window->findChild<postPro *>(), "pbExit");
        };
        steps << [=] { click(window->findChild<cSetList *>(), "tbHide"); };
    }
    return steps;
}

// TURRET A's report ("print list" in the editor) open in the PDF viewer.
Steps reportViewerSteps(QWidget *window, const QDir &out)
{
    return {
        openTables(window, QStringLiteral("LATHE 1")),
        [=] {
            cSetList *tables = window->findChild<cSetList *>();
            clickRow(tables, "twToolset", QStringLiteral("TURRET A"));
            click(tables, "tbEdit");
        },
        [=] { click(window->findChild<cToolset *>(), "tbListPrint"); },
        // Time for the viewer to start and draw the page.
        [] {},
        [] {},
        [=] {
            const QString file = out.filePath(QStringLiteral("12-report-in-viewer.png"));
            QGuiApplication::primaryScreen()->grabWindow(0).save(file);
            std::printf("%s\n", qPrintable(file));
            click(window->findChild<cToolset *>(), "tbExitTool");
        },
        [=] { click(window->findChild<cSetList *>(), "tbHide"); },
    };
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const int pace = argc == 3 ? QString::fromLocal8Bit(argv[2]).toInt() : 1500;
    if ((argc != 2 && argc != 3) || pace < 600) {
        std::fprintf(stderr, "usage: demo-tour <screenshot folder> [ms between steps, at least 600]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    // Boxes are named on the terminal and answered with the answer a step
    // asked for, else with their default.
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    const QMessageBoxKovra::Handler tourBoxes = [&answer](const QMessageBoxKovra::Box &box) {
        std::fprintf(stderr, "demo-tour: box \"%s\"\n", qPrintable(box.text));
        const QMessageBox::StandardButton given = std::exchange(answer, QMessageBox::NoButton);
        if (given != QMessageBox::NoButton)
            return given;
        return box.defaultButton != QMessageBox::NoButton ? box.defaultButton : QMessageBox::Ok;
    };
    QMessageBoxKovra::setHandler(tourBoxes);

    MainWindow window;
    window.showFullScreen();
    const Shot save = [&out](const char *name, const QPixmap &picture) {
        const QString file = out.filePath(QLatin1String(name));
        picture.save(file);
        std::printf("%s\n", qPrintable(file));
    };
    auto shot = [&](const char *name) { save(name, window.grab()); };
    auto find = [&](auto *typed) { return window.findChild<std::remove_pointer_t<decltype(typed)> *>(); };

    QVector<Step> steps = {
        [&] { shot("01-start.png"); click(&window, "tbConfigure"); },
        [&] {
            type(&window, "leInputBox", QStringLiteral("tavo"));
            click(&window, "tbOkInputBox");
        },
        [&] { shot("01b-configuration.png"); click(find((cConfiguration *)nullptr), "tbCancel"); },
        [&] {
            chooseMachine(&window, QStringLiteral("LATHE 1"));
            click(&window, "tbMachineList");
        },
        [&] { shot("02-machine-list.png"); click(find((cMachineList *)nullptr), "tbNew"); },
        // A new machine asks for the configuration password.
        [&] {
            type(&window, "leInputBox", QStringLiteral("tavo"));
            click(&window, "tbOkInputBox");
        },
        [&] {
            cMachine *editor = find((cMachine *)nullptr);
            type(editor, "leName", QStringLiteral("LATHE 4"));
            click(editor, "pbMeasureX");
        },
        [&] { type(&window, "leGauge", QStringLiteral("25.000")); },
        [&] {
            shot("03-new-machine-reference.png");
            click(&window, "tbExitGetReference");
            // The new machine is not kept: the editor asks before it drops
            // the typed data, and the operator confirms.
            answer = QMessageBox::Yes;
            click(find((cMachine *)nullptr), "tbExitMachine");
        },
        [&] { click(find((cMachineList *)nullptr), "tbHide"); },
        [&] { click(&window, "tbSetList"); },
        [&] {
            cSetList *tables = find((cSetList *)nullptr);
            clickRow(tables, "twToolset", QStringLiteral("TURRET A"));
            click(tables, "tbEdit");
        },
        // T3, the tool outside its X tolerance.
        [&] { clickRow(find((cToolset *)nullptr), "twTools", QStringLiteral("VBMT 160404 COPY")); },
        [&] { shot("04-table-tolerance.png"); click(find((cToolset *)nullptr), "tbExitTool"); },
        [&] { click(find((cSetList *)nullptr), "tbHide"); },
        // The label panel takes the live X and Z ...
        [&] {
            type(&window, "leLabelT", QStringLiteral("3"));
            type(&window, "leLabelCode", QStringLiteral("VBMT 160404 COPY"));
            click(&window, "tbSaveX");
            click(&window, "tbSaveZ");
        },
        [&] { click(&window, "tbCamera"); },
        [&] { click(&window, "tbCamAngle"); },
        [&] {},
        // ... and the angle the camera found.
        [&] { shot("05-camera-angle.png"); click(&window, "tbLabelAngle"); },
        [&] { shot("06-label-panel.png"); },
    };
    QTimer timer;
    steps += dncStops(window, save, tourBoxes);
    steps += calibrationStops(window, save, timer, tourBoxes);
    steps << csvImportSteps(&window, shot);
    steps << postProcessorSteps(&window, shot);
    steps << reportViewerSteps(&window, out);
    int next = 0;
    // Time for the panels to slide in (500 ms) and the camera to settle.
    timer.setInterval(pace);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (next < steps.size()) {
            steps[next++]();
        } else {
            timer.stop();
            QMessageBoxKovra::setHandler([](const QMessageBoxKovra::Box &) { return QMessageBox::Yes; });
            window.close();
            app.quit();
        }
    });
    QTimer::singleShot(3000, &timer, [&timer] { timer.start(); });
    const int code = app.exec();
    return code != 0 ? code : (unreachable > 0 || failedStops > 0 ? 1 : 0);
}
