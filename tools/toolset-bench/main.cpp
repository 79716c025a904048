// Times the tooling-table editor on a large table: opening a table of 2000
// tools, and storing one tool (the store step: UPDATE with its commit, then
// both lists read again), on a database file in a temporary folder.
//
//   toolset-bench [tools] [repetitions]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "tooling/ctoolset.h"

namespace {

struct Figures
{
    double median, max;
};

Figures figures(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int tools = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    App::resetKovraSettings();
    if (!openDatabase())
        return 1;

    int idTable = 0;
    {
        QSqlDatabase db = QSqlDatabase::database();
        db.transaction();
        QSqlQuery q;
        q.exec("INSERT INTO machine (name) VALUES ('BENCH')");
        const int machine = q.lastInsertId().toInt();
        q.prepare("INSERT INTO toolingTables (idMachine,name) VALUES (:m,'LARGE')");
        q.bindValue(":m", machine);
        q.exec();
        idTable = q.lastInsertId().toInt();
        q.prepare("INSERT INTO tools (idTable,t,x,z,code,angle,cr,Xth,Zth,XtolPlus,XtolMinus,ZtolPlus,ZtolMinus) "
                  "VALUES (:tab,:t,:x,:z,:code,45,0.4,0,0,0.02,0.02,0.02,0.02)");
        for (int t = 1; t <= tools; ++t) {
            q.bindValue(":tab", idTable);
            q.bindValue(":t", t);
            q.bindValue(":x", 10 + t * 0.001);
            q.bindValue(":z", 100 - t * 0.01);
            q.bindValue(":code", QString("CODE-%1").arg(t, 6, 10, QLatin1Char('0')));
            q.exec();
        }
        db.commit();
    }

    QWidget parent;
    parent.resize(400, 520);
    cToolset editor(nullptr, nullptr, &parent);
    parent.show();
    app.processEvents();

    std::vector<double> open, store;
    QElapsedTimer timer;
    for (int i = 0; i < reps; ++i) {
        timer.start();
        editor.setCurrentTable(idTable, "BENCH", "LARGE");
        open.push_back(timer.nsecsElapsed() / 1e6);
        app.processEvents();
    }
    QLineEdit *x = editor.findChild<QLineEdit *>("leX");
    for (int i = 0; i < reps; ++i) {
        x->setText(QString::number(20 + i * 0.001, 'f', 3));
        timer.start();
        emit x->editingFinished();
        store.push_back(timer.nsecsElapsed() / 1e6);
        app.processEvents();
    }
    const Figures o = figures(open), s = figures(store);
    std::printf("tools %d, repetitions %d\n", tools, reps);
    std::printf("open table:  median %.1f ms, max %.1f ms (goal <= 300 ms)\n", o.median, o.max);
    std::printf("store tool:  median %.1f ms, max %.1f ms (goal <= 20 ms, commit included)\n", s.median, s.max);
    return 0;
}
