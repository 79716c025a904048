// Walks through the demo as the README's walk-through does and saves a
// screenshot of each stop: start screen, the configuration dialog opened with
// the password, machine list, a new machine's
// reference being measured, a tooling table with a tool out of tolerance, the
// camera with an angle found and the label panel filled, the table imported
// from csv/tools.csv, the post-processor preview of each machine with a
// format, and the PDF report open in the desktop's viewer (the whole screen:
// the viewer is a program of its own). Run it in a demo working directory
// (scripts/demo-screenshots.sh prepares one):
//
//   demo-tour <screenshot folder>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <utility>

#include "app/mainwindow.h"
#include "machines/cconfiguration.h"
#include "machines/cmachine.h"
#include "machines/cmachinelist.h"
#include "exchange/postpro.h"
#include "shared/QMessageBoxKovra.h"
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

using Steps = QVector<std::function<void()>>;
using Shot = std::function<void(const char *)>;

// A step that chooses the machine and opens its tooling-table list.
std::function<void()> openTables(QWidget *window, const QString &machine)
{
    return [=] {
        chooseMachine(window, machine);
        click(window, "tbSetList");
    };
}

// The README's CSV import on LATHE 1: the list's CSV button, csv/tools.csv
// picked in the file dialog, the offered name confirmed; the imported table
// opens in the editor.
Steps csvImportSteps(QWidget *window, const Shot &shot)
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
            shot("07-csv-import-done.png");
            click(window->findChild<cToolset *>(), "tbExitTool");
        },
        [=] { click(window->findChild<cSetList *>(), "tbHide"); },
    };
}

// The post-processor preview of the first table of each machine that has a
// format (millimetre, inch, every turret position).
Steps postProcessorSteps(QWidget *window, const Shot &shot)
{
    Steps steps;
    const struct { const char *machine, *table, *file; } machines[] = {
        {"LATHE 1", "TURRET A", "08-postpro-lathe-1.png"},
        {"LATHE 2 INCH", "BAR WORK", "08-postpro-lathe-2-inch.png"},
        {"MILL 3", "SPINDLE", "08-postpro-mill-3.png"},
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
            const QString file = out.filePath(QStringLiteral("09-report-in-viewer.png"));
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
    if (argc != 2) {
        std::fprintf(stderr, "usage: demo-tour <screenshot folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    // Boxes are named on the terminal and answered with the answer a step
    // asked for, else with their default.
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    QMessageBoxKovra::setHandler([&answer](const QMessageBoxKovra::Box &box) {
        std::fprintf(stderr, "demo-tour: box \"%s\"\n", qPrintable(box.text));
        const QMessageBox::StandardButton given = std::exchange(answer, QMessageBox::NoButton);
        if (given != QMessageBox::NoButton)
            return given;
        return box.defaultButton != QMessageBox::NoButton ? box.defaultButton : QMessageBox::Ok;
    });

    MainWindow window;
    window.showFullScreen();
    auto shot = [&](const char *name) {
        const QString file = out.filePath(QLatin1String(name));
        window.grab().save(file);
        std::printf("%s\n", qPrintable(file));
    };
    auto find = [&](auto *typed) { return window.findChild<std::remove_pointer_t<decltype(typed)> *>(); };

    Steps steps = {
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
    steps << csvImportSteps(&window, shot);
    steps << postProcessorSteps(&window, shot);
    steps << reportViewerSteps(&window, out);
    int next = 0;
    QTimer timer;
    // Time for the panels to slide in and the camera to settle.
    timer.setInterval(1500);
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
    return code != 0 ? code : (unreachable > 0 ? 1 : 0);
}
