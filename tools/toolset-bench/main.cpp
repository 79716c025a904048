// Times the tooling-table editor on a small and a large table in one run:
// opening the table, storing one tool (the store step: UPDATE with its
// commit, then both lists read again) and, for comparison, a plain re-read of
// the table's rows into a list model; on a database file in a temporary
// folder. A store should grow with the table no faster than twice a re-read.
//
//   toolset-bench [tools of the large table] [repetitions]
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
#include <memory>
#include <vector>

#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "tooling/QExtSqlQueryModel.h"
#include "tooling/ctoolset.h"

namespace {

double median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

double maximum(const std::vector<double> &ms)
{
    return *std::max_element(ms.begin(), ms.end());
}

int makeTable(int machine, int tools)
{
    QSqlDatabase db = QSqlDatabase::database();
    db.transaction();
    QSqlQuery q;
    q.prepare("INSERT INTO toolingTables (idMachine,name) VALUES (:m,:name)");
    q.bindValue(":m", machine);
    q.bindValue(":name", QString("TABLE %1").arg(tools));
    q.exec();
    const int idTable = q.lastInsertId().toInt();
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
    return idTable;
}

struct Table
{
    int tools = 0;
    int id = 0;
    std::unique_ptr<QWidget> parent;
    cToolset *editor = nullptr;
    std::vector<double> open, store, reread;
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int large = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    App::resetKovraSettings();
    if (!openDatabase())
        return 1;
    QSqlQuery q;
    q.exec("INSERT INTO machine (name) VALUES ('BENCH')");
    const int machine = q.lastInsertId().toInt();

    Table tables[2];
    tables[0].tools = std::min(20, large);
    tables[1].tools = large;
    for (Table &t : tables) {
        t.id = makeTable(machine, t.tools);
        t.parent = std::make_unique<QWidget>();
        t.parent->resize(400, 520);
        t.editor = new cToolset(nullptr, nullptr, t.parent.get());
        t.parent->show();
    }
    app.processEvents();

    // The sizes alternate, so that a slower spell of the machine falls on both.
    QElapsedTimer timer;
    for (int i = 0; i < reps; ++i) {
        for (Table &t : tables) {
            timer.start();
            t.editor->setCurrentTable(t.id, "BENCH", "TABLE");
            t.open.push_back(timer.nsecsElapsed() / 1e6);
            app.processEvents();
        }
    }
    for (int i = 0; i < reps; ++i) {
        for (Table &t : tables) {
            QLineEdit *x = t.editor->findChild<QLineEdit *>("leX");
            x->setText(QString::number(20 + i * 0.001, 'f', 3));
            timer.start();
            emit x->editingFinished();
            t.store.push_back(timer.nsecsElapsed() / 1e6);
            app.processEvents();

            QExtSqlQueryModel list;
            QSqlQuery rows;
            rows.prepare("SELECT * from tools where idTable=:idTable ORDER BY t, idTool");
            rows.bindValue(":idTable", t.id);
            timer.start();
            rows.exec();
            list.setQuery(rows);
            while (list.canFetchMore())
                list.fetchMore();
            t.reread.push_back(timer.nsecsElapsed() / 1e6);
        }
    }

    const Table &s = tables[0], &l = tables[1];
    std::printf("tools %d and %d, repetitions %d (medians; max in brackets)\n", s.tools, l.tools, reps);
    std::printf("open table:   %7.2f ms  %7.2f ms (%.1f)  (goal <= 300 ms)\n", median(s.open), median(l.open),
                maximum(l.open));
    std::printf("store tool:   %7.2f ms  %7.2f ms (%.1f)  (goal <= 20 ms, commit included)\n", median(s.store),
                median(l.store), maximum(l.store));
    std::printf("re-read rows: %7.2f ms  %7.2f ms (%.1f)\n", median(s.reread), median(l.reread), maximum(l.reread));
    const double storeGrowth = median(l.store) - median(s.store);
    const double rereadGrowth = median(l.reread) - median(s.reread);
    std::printf("growth %d->%d: store %+.2f ms, re-read %+.2f ms, ratio %.2f (goal <= 2)\n", s.tools, l.tools,
                storeGrowth, rereadGrowth, rereadGrowth > 0 ? storeGrowth / rereadGrowth : 0.0);
    return 0;
}
