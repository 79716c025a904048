// Times the tooling-table operations that work on a whole table, on a
// database file in a temporary folder: copying a table of 2000 tools to
// another machine (one transaction), writing its PDF report, and importing
// a 10,000-row CSV file through the list (read, statements, inserts in one
// transaction).
//
//   tooling-bench [tools] [repetitions] [csv rows]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "tooling/TableCopy.h"
#include "tooling/ToolTableReport.h"
#include "tooling/csetlist.h"

namespace {

void report(const char *what, const std::function<bool()> &step, int reps)
{
    std::vector<double> ms;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer t;
        t.start();
        if (!step()) {
            std::printf("%s: failed\n", what);
            return;
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-40s median %8.1f ms  max %8.1f ms  (%d runs)\n", what, ms[ms.size() / 2], ms.back(), reps);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(tooling);
    Q_INIT_RESOURCE(mainwin);
    const int tools = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    App::resetKovraSettings();
    if (!openDatabase())
        return 1;

    int idTable = 0, source = 0, target = 0;
    {
        QSqlDatabase db = QSqlDatabase::database();
        db.transaction();
        QSqlQuery q;
        q.exec("INSERT INTO machine (name, Xref, sysXref) VALUES ('SOURCE', 50000, 1000000)");
        source = q.lastInsertId().toInt();
        q.exec("INSERT INTO machine (name, Xref, sysXref) VALUES ('TARGET', 40000, 1200000)");
        target = q.lastInsertId().toInt();
        q.prepare("INSERT INTO toolingTables (idMachine,name) VALUES (:m,'LARGE')");
        q.bindValue(":m", source);
        q.exec();
        idTable = q.lastInsertId().toInt();
        q.prepare("INSERT INTO tools (idTable,t,x,z,code,angle,cr,Xth,XtolPlus,XtolMinus) "
                  "VALUES (:tab,:t,:x,:z,:code,35,0.4,:x,0.05,0.05)");
        for (int t = 1; t <= tools; ++t) {
            q.bindValue(":tab", idTable);
            q.bindValue(":t", t);
            q.bindValue(":x", 10.0 + t * 0.001);
            q.bindValue(":z", 100.0 - t * 0.001);
            q.bindValue(":code", QStringLiteral("CNMG 1204 %1").arg(t));
            q.exec();
        }
        db.commit();
    }
    const s_machine from = getMachineData(source);
    const s_machine to = getMachineData(target);
    CurrentMachine = from;
    std::printf("table of %d tools\n", tools);

    report("copy to another machine (transaction)", [&] {
        QString error;
        return TableCopy::copy(idTable, from, to, TableCopy::freeName(to.idMachine, "LARGE"), false, &error) > 0;
    }, reps);
    report("PDF report", [&] {
        ToolTableReport::prepareFolder();
        return !ToolTableReport::write(ToolTableReport::reportPath("LARGE"), idTable, from.name, "LARGE", 3).isEmpty();
    }, reps);

    const int csvRows = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10000;
    QFile cfg("csv-import.cfg");
    cfg.open(QIODevice::WriteOnly);
    cfg.write("[Settings]\nDataStartLine=2\n[Data]\nField0=tools|t|number\nField1=tools|code|string\n"
              "Field2=tools|x|number\nField3=tools|z|number\nField4=tools|angle|number\nField5=tools|cr|number|1|0.5\n");
    cfg.close();
    QFile csv("big.csv");
    csv.open(QIODevice::WriteOnly);
    csv.write("T;CODE;X;Z;ANGLE;R\r\n");
    for (int t = 1; t <= csvRows; ++t)
        csv.write(QStringLiteral("%1;CNMG 1204 %1;%2;%3;95;0.8\r\n").arg(t).arg(10 + t * 0.001, 0, 'f', 3).arg(100 - t * 0.001, 0, 'f', 3).toLatin1());
    csv.close();
    QWidget host;
    cSetList *list = new cSetList(&host);
    list->selectToolset(source, true);
    cSetList::setFileDialogHook([](QFileDialog &) { return QStringLiteral("big.csv"); });
    int run = 0;
    std::printf("CSV file of %d rows\n", csvRows);
    report("CSV import (read, statements, inserts)", [&] {
        list->slotCsvImport();
        list->importToolset(QStringLiteral("IMPORT %1").arg(++run));
        QSqlQuery q(QStringLiteral("SELECT COUNT(*) FROM tools t JOIN toolingTables n ON n.idTable=t.idTable "
                                   "WHERE n.name='IMPORT %1'").arg(run));
        return q.next() && q.value(0).toInt() == csvRows;
    }, reps);
    return 0;
}
