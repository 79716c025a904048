// Prepares a demo working directory for the operator program:
//
//   make-demo <folder> <AXB port> <camera frames folder>
//
// The settings file gets the simulator's port, the stand-in camera frames and
// a camera calibration in range; the database is created from the schema and,
// while it holds no machine yet, filled with a few sample machines and
// tooling tables; two of them get the DNC layouts of demo/dnc (copied into
// the folder's dnc/ by the demo script). Existing entries the operator made
// are kept.
#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>

#include "shared/App.h"
#include "shared/SharedStruct.h"

namespace {

struct SampleTool
{
    int t;
    double x, z;
    const char *code;
};

struct SampleTable
{
    const char *name;
    QVector<SampleTool> tools;
};

struct SampleMachine
{
    const char *name;
    bool isMM, isRadius;
    int xref, zref;
    QVector<SampleTable> tables;
};

bool insertSamples()
{
    QSqlQuery count;
    if (!count.exec(QStringLiteral("SELECT COUNT(*) FROM machine")) || !count.next())
        return false;
    if (count.value(0).toInt() > 0)
        return true;

    const QVector<SampleMachine> machines = {
        {"LATHE 1", true, true, 50000, 120000,
         {{"TURRET A", {{1, 25.125, 110.402, "CNMG 1204"}, {2, 24.980, 98.115, "DNMG 1504"}, {3, 12.5, 75.0, "DRILL 12"}}},
          {"TURRET B", {{1, 30.0, 100.0, "VBMT 1604"}, {4, 8.0, 60.25, "TAP M8"}}}}},
        {"LATHE 2 INCH", false, false, 25400, 101600, {{"BAR WORK", {{1, 1.0, 4.0, "TPG 322"}}}}},
        {"MILL 3", true, true, 0, 150000, {{"SPINDLE", {{10, 16.0, 140.5, "END MILL 16"}}}}},
    };

    QSqlDatabase db = QSqlDatabase::database();
    db.transaction();
    for (const SampleMachine &m : machines) {
        QSqlQuery q;
        q.prepare(QStringLiteral("INSERT INTO machine (name, Xref, Zref, sysXref, sysZref, isRadius, IsMM, "
                                 "calibrationDate) VALUES (:name, :xref, :zref, 0, 0, :radius, :mm, :date)"));
        q.bindValue(QStringLiteral(":name"), QString::fromLatin1(m.name));
        q.bindValue(QStringLiteral(":xref"), m.xref);
        q.bindValue(QStringLiteral(":zref"), m.zref);
        q.bindValue(QStringLiteral(":radius"), m.isRadius ? 1 : 0);
        q.bindValue(QStringLiteral(":mm"), m.isMM ? 1 : 0);
        q.bindValue(QStringLiteral(":date"), QDate::currentDate());
        if (!q.exec()) {
            db.rollback();
            return false;
        }
        const int idMachine = q.lastInsertId().toInt();
        for (const SampleTable &t : m.tables) {
            QSqlQuery qt;
            qt.prepare(QStringLiteral("INSERT INTO toolingTables (idMachine, name) VALUES (:id, :name)"));
            qt.bindValue(QStringLiteral(":id"), idMachine);
            qt.bindValue(QStringLiteral(":name"), QString::fromLatin1(t.name));
            if (!qt.exec()) {
                db.rollback();
                return false;
            }
            const int idTable = qt.lastInsertId().toInt();
            for (const SampleTool &tool : t.tools) {
                QSqlQuery qtool;
                qtool.prepare(QStringLiteral("INSERT INTO tools (idTable, t, x, z, code) VALUES (:table, :t, :x, :z, :code)"));
                qtool.bindValue(QStringLiteral(":table"), idTable);
                qtool.bindValue(QStringLiteral(":t"), tool.t);
                qtool.bindValue(QStringLiteral(":x"), tool.x);
                qtool.bindValue(QStringLiteral(":z"), tool.z);
                qtool.bindValue(QStringLiteral(":code"), QString::fromLatin1(tool.code));
                if (!qtool.exec()) {
                    db.rollback();
                    return false;
                }
            }
        }
    }
    return db.commit();
}

// The demo lathes exchange tool data through the DNC panel: one with the
// JSON layout, one with the plain-text one. A layout the operator chose is kept.
bool setDncLayouts()
{
    const struct { const char *machine, *layout; } layouts[] = {
        {"LATHE 1", "turret.dnc"},
        {"MILL 3", "okuma.dnc"},
    };
    for (const auto &l : layouts) {
        QSqlQuery q;
        q.prepare(QStringLiteral("UPDATE machine SET dncFormat=:layout WHERE name=:name "
                                 "AND (dncFormat IS NULL OR dncFormat='')"));
        q.bindValue(QStringLiteral(":layout"), QString::fromLatin1(l.layout));
        q.bindValue(QStringLiteral(":name"), QString::fromLatin1(l.machine));
        if (!q.exec())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: make-demo <folder> <AXB port> <camera frames folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString frames = QDir(QString::fromLocal8Bit(argv[3])).absolutePath();
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
        std::fprintf(stderr, "make-demo: cannot use %s\n", argv[1]);
        return 1;
    }
    for (const char *sub : {"language", "custom/res", "postpro", "dnc", "balluff", "report"})
        QDir().mkpath(QString::fromLatin1(sub));

    QSettings &s = App::kovraSettings();
    s.setValue(QStringLiteral("/TTY/AxbPort"), QString::fromLocal8Bit(argv[2]));
    s.setValue(QStringLiteral("/camera/StandIn"), frames);
    if (!s.contains(QStringLiteral("/camera/XCalibration")))
        s.setValue(QStringLiteral("/camera/XCalibration"), 0.01);
    if (!s.contains(QStringLiteral("/camera/ZCalibration")))
        s.setValue(QStringLiteral("/camera/ZCalibration"), 0.01);
    s.sync();

    if (!openDatabase())
        return 1;
    if (!insertSamples()) {
        std::fprintf(stderr, "make-demo: cannot write the sample machines\n");
        return 1;
    }
    if (!setDncLayouts()) {
        std::fprintf(stderr, "make-demo: cannot set the DNC layouts\n");
        return 1;
    }
    std::printf("demo working directory ready: %s\n", qPrintable(QDir::currentPath()));
    return 0;
}
