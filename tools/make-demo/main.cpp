// Prepares a demo working directory for the operator program:
//
//   make-demo <folder> <AXB port> <demo seed folder>
//             [--dnc-socket <host:port>] [--scanner <port>] [--rfid-head <port>]
//
// The seed folder is the sources' demo/: each of its folders but frames/ is
// copied into the working directory's folder of that name (DNC layouts, post-
// processor formats, the tag layout, the CSV samples), the CSV import
// description csv/csv-import.cfg into the working directory itself unless the
// operator put one there.
//
// The settings file gets the simulator's port, the stand-in camera frames
// (frames/radius of the seed folder) and a camera calibration in range and the
// coarse zero search; the database is created from the schema and, while it
// holds no machine yet, filled with a few sample machines and tooling tables;
// two of them get the DNC layouts, and a lathe whose tools are identified by
// DataMatrix code is added. With --dnc-socket the DNC machines talk to that
// server (cnc-sim), with --scanner the DataMatrix scanner is that port
// (dm-sim). Existing entries the operator made, and a camera folder the
// operator chose, are kept.
//
// The post-processor is offered: each sample machine gets the sample format
// that fits its unit and X mode and the folder's export/ as its export folder,
// and the first table of each such machine is written there through its
// format, as the post-processor panel writes it.
//
// With --rfid-head, the RFID option is switched on, the tag layout
// balluff/tool.ini gets the port as its Com, a machine "LATHE 5 RFID" uses it,
// and the simulated tag (rfid-tag.bin) starts with the layout's defaults.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include <cstdio>
#include <cstring>

#include "exchange/ToolRecords.h"
#include "exchange/ctarnengine.h"
#include "rfid/BalluffCodec.h"
#include "rfid/BalluffLayout.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"

namespace {

// A tool as a presetter keeps it: measured X and Z, the insert's angle and
// corner radius where it has them (nullptr: none), nominal values and
// tolerances (0: none).
struct SampleTool
{
    int t;
    double x, z;
    const char *code;
    const char *angle, *cr;
    double xth, zth, xtolPlus, xtolMinus, ztolPlus, ztolMinus;
};

struct SampleTable
{
    const char *name;
    QVector<SampleTool> tools;
};

// References chosen so that the simulator's default counts (X 26000,
// Z 98000) read like a tool on that machine.
struct SampleMachine
{
    const char *name;
    bool isMM, isRadius;
    int xref, zref, sysXref, sysZref;
    QVector<SampleTable> tables;
};

bool insertSamples()
{
    QSqlQuery count;
    if (!count.exec(QStringLiteral("SELECT COUNT(*) FROM machine")) || !count.next())
        return false;
    if (count.value(0).toInt() > 0)
        return true;

    // Lathes in diameter; centre tools (drills, taps) at X 0. T3 of TURRET A
    // lies outside its X tolerance.
    const QVector<SampleMachine> machines = {
        {"LATHE 1", true, false, 10000, 100000, 233500, 999000,
         {{"TURRET A",
           {{1, 52.412, 98.115, "CNMG 120408 ROUGH", "95", "0.8", 52.4, 98.1, 0.02, 0.02, 0.05, 0.05},
            {2, 48.006, 101.230, "DNMG 150404 FINISH", "93", "0.4", 48.0, 101.2, 0.01, 0.01, 0.05, 0.05},
            {3, 45.118, 96.842, "VBMT 160404 COPY", "117.5", "0.4", 45.0, 96.8, 0.05, 0.05, 0.05, 0.05},
            {4, 0.004, 142.366, "DRILL 12 HSS", "118", nullptr, 0.0, 142.3, 0.02, 0.02, 0.1, 0.1},
            {5, -0.006, 131.902, "TAP M8", nullptr, nullptr, 0.0, 131.9, 0.02, 0.02, 0.1, 0.1}}},
          {"TURRET B",
           {{1, 60.250, 105.410, "GROOVE 3 MM", "90", "0.2", 60.2, 105.4, 0.1, 0.1, 0.05, 0.05},
            {2, 40.104, 99.716, "THREAD 16ER 1.5", "60", nullptr, 0, 0, 0, 0, 0, 0},
            {3, 15.832, 118.055, "BORING BAR S16", "93", "0.4", 0, 0, 0, 0, 0, 0}}}}},
        {"LATHE 2 INCH", false, false, 12700, 101600, 234600, 980000,
         {{"BAR WORK",
           {{1, 1.0012, 3.9987, "TPG 322", "90", "0.0313", 1.0, 4.0, 0.002, 0.002, 0.004, 0.004},
            {2, 0.0001, 5.2540, "DRILL 1/2", "118", nullptr, 0, 0, 0, 0, 0, 0}}}}},
        {"MILL 3", true, false, 8000, 140000, 260000, 985000,
         {{"SPINDLE",
           {{10, 16.002, 139.512, "END MILL 16", nullptr, "0.5", 16.0, 139.5, 0.0, 0.02, 0.05, 0.05},
            {11, 50.010, 120.305, "FACE MILL 50", "45", "0.8", 0, 0, 0, 0, 0, 0},
            {12, 8.500, 148.770, "DRILL 8.5", "118", nullptr, 8.5, 148.8, 0.01, 0.01, 0.1, 0.1}}}}},
    };

    QSqlDatabase db = QSqlDatabase::database();
    db.transaction();
    for (const SampleMachine &m : machines) {
        QSqlQuery q;
        q.prepare(QStringLiteral("INSERT INTO machine (name, Xref, Zref, sysXref, sysZref, isRadius, IsMM, "
                                 "calibrationDate) VALUES (:name, :xref, :zref, :sysxref, :syszref, :radius, :mm, "
                                 ":date)"));
        q.bindValue(QStringLiteral(":name"), QString::fromLatin1(m.name));
        q.bindValue(QStringLiteral(":xref"), m.xref);
        q.bindValue(QStringLiteral(":zref"), m.zref);
        q.bindValue(QStringLiteral(":sysxref"), m.sysXref);
        q.bindValue(QStringLiteral(":syszref"), m.sysZref);
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
                qtool.prepare(QStringLiteral(
                        "INSERT INTO tools (idTable, t, x, z, code, angle, cr, Xth, Zth, XtolPlus, XtolMinus, "
                        "ZtolPlus, ZtolMinus) VALUES (:table, :t, :x, :z, :code, :angle, :cr, :xth, :zth, "
                        ":xtp, :xtm, :ztp, :ztm)"));
                qtool.bindValue(QStringLiteral(":table"), idTable);
                qtool.bindValue(QStringLiteral(":t"), tool.t);
                qtool.bindValue(QStringLiteral(":x"), tool.x);
                qtool.bindValue(QStringLiteral(":z"), tool.z);
                qtool.bindValue(QStringLiteral(":code"), QString::fromLatin1(tool.code));
                // Empty angle and radius are kept as empty text, as the editor stores them.
                qtool.bindValue(QStringLiteral(":angle"), tool.angle ? QVariant(QString::fromLatin1(tool.angle).toDouble()) : QVariant(QString()));
                qtool.bindValue(QStringLiteral(":cr"), tool.cr ? QVariant(QString::fromLatin1(tool.cr).toDouble()) : QVariant(QString()));
                qtool.bindValue(QStringLiteral(":xth"), tool.xth);
                qtool.bindValue(QStringLiteral(":zth"), tool.zth);
                qtool.bindValue(QStringLiteral(":xtp"), tool.xtolPlus);
                qtool.bindValue(QStringLiteral(":xtm"), tool.xtolMinus);
                qtool.bindValue(QStringLiteral(":ztp"), tool.ztolPlus);
                qtool.bindValue(QStringLiteral(":ztm"), tool.ztolMinus);
                if (!qtool.exec()) {
                    db.rollback();
                    return false;
                }
            }
        }
    }
    return db.commit();
}

// A lathe whose tools carry DataMatrix codes (the codes cnc-sim knows).
bool addDataMatrixLathe()
{
    QSqlQuery q;
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM machine WHERE name='LATHE 4 DM'")) || !q.next())
        return false;
    if (q.value(0).toInt() > 0)
        return true;
    if (!q.exec(QStringLiteral("INSERT INTO machine (name, Xref, Zref, sysXref, sysZref, isRadius, IsMM, "
                               "dncFormat, toolId) VALUES ('LATHE 4 DM', 10000, 100000, 260000, 1025000, 1, 1, "
                               "'turret.dnc', 1)")))
        return false;
    const int idMachine = q.lastInsertId().toInt();
    if (!q.exec(QStringLiteral("INSERT INTO toolingTables (idMachine, name) VALUES (%1, 'DM TOOLS')").arg(idMachine)))
        return false;
    const int idTable = q.lastInsertId().toInt();
    return q.exec(QStringLiteral("INSERT INTO tools (idTable, t, x, z, code) VALUES (%1, 1, 20.0, 95.5, 'DM-0001')")
                      .arg(idTable))
           && q.exec(QStringLiteral("INSERT INTO tools (idTable, t, x, z, code) VALUES (%1, 2, 0.0, 80.0, 'DRILL 12')")
                         .arg(idTable));
}

bool setDncSocket(const QString &address)
{
    QSqlQuery q;
    q.prepare(QStringLiteral("UPDATE machine SET dncSocket=:address WHERE name IN ('LATHE 1', 'MILL 3', 'LATHE 4 DM')"));
    q.bindValue(QStringLiteral(":address"), address);
    return q.exec();
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

// Each sample machine writes through the sample format that fits it into
// export/: tool values are kept in the machine's unit and X mode, so a
// millimetre format serves the millimetre machines, the inch machine has one
// with four decimals, and a format that writes a diameter takes X as it is
// on these machines, which keep diameters. A format the operator chose is kept.
bool setPostProcessors()
{
    const struct { const char *machine, *format; } formats[] = {
        {"LATHE 1", "plain.pp"},
        {"LATHE 2 INCH", "masks.pp"},
        {"MILL 3", "positions.pp"},
    };
    for (const auto &f : formats) {
        QSqlQuery q;
        q.prepare(QStringLiteral("UPDATE machine SET PostPro=:format, networkPath=:folder WHERE name=:name "
                                 "AND (PostPro IS NULL OR PostPro='')"));
        q.bindValue(QStringLiteral(":format"), QString::fromLatin1(f.format));
        q.bindValue(QStringLiteral(":folder"), QDir(QStringLiteral("export")).absolutePath());
        q.bindValue(QStringLiteral(":name"), QString::fromLatin1(f.machine));
        if (!q.exec())
            return false;
    }
    return true;
}

// One tooling table written through a format into a folder, named as the
// post-processor panel names it (the table and the default ending).
bool writeSampleExport(int idTable, QString table, const QString &format, const QDir &folder, const QString &ending)
{
    QList<sRecUtensile> tools = readToolRecords(idTable);
    cTarnEngine engine;
    engine.setTableName(table);
    engine.setTabAttiva(&tools);
    QString text, error;
    if (!engine.setPostPro(format))
        error = QStringLiteral("cannot read postpro/") + format;
    else
        engine.GeneraFilePP(engine.getPostProFormat(), &text, &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "make-demo: sample export: %s\n", qPrintable(error));
        return false;
    }
    QFile out(folder.filePath(table + ending));
    if (!folder.mkpath(QStringLiteral(".")) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "make-demo: cannot write %s\n", qPrintable(out.fileName()));
        return false;
    }
    QTextStream stream(&out);
    stream << text;
    stream.flush();
    if (stream.status() != QTextStream::Ok || !out.flush()) {
        std::fprintf(stderr, "make-demo: cannot write %s\n", qPrintable(out.fileName()));
        return false;
    }
    std::printf("sample table written: %s\n", qPrintable(QFileInfo(out).absoluteFilePath()));
    return true;
}

// The first table of each machine with a format, written through that format
// into the machine's export folder.
bool writeSampleExports(const QString &ending)
{
    QSqlQuery q;
    if (!q.exec(QStringLiteral("SELECT t.idTable, t.name, m.PostPro, m.networkPath FROM toolingTables t "
                               "JOIN machine m ON m.idMachine = t.idMachine WHERE m.PostPro <> '' AND t.idTable = "
                               "(SELECT MIN(idTable) FROM toolingTables WHERE idMachine = m.idMachine) "
                               "ORDER BY t.idTable"))) {
        std::fprintf(stderr, "make-demo: cannot read the sample tables\n");
        return false;
    }
    while (q.next())
        if (!writeSampleExport(q.value(0).toInt(), q.value(1).toString(), q.value(2).toString(),
                               QDir(q.value(3).toString()), ending))
            return false;
    return true;
}

const char kRfidMachine[] = "LATHE 5 RFID";
const char kRfidLayout[] = "tool.ini";

// The demo tag layout names the simulated head's terminal; the text is
// edited in place so the layout keeps its comments.
bool setRfidPort(const QString &port)
{
    QFile f(QStringLiteral("balluff/") + kRfidLayout);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromUtf8(f.readAll());
    f.close();
    text.replace(QRegularExpression(QStringLiteral("(?m)^Com=.*$")), QStringLiteral("Com=") + port);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(text.toUtf8()) >= 0;
}

bool addRfidMachine()
{
    QSqlQuery q;
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM machine WHERE name=:name"));
    q.bindValue(QStringLiteral(":name"), QString::fromLatin1(kRfidMachine));
    if (!q.exec() || !q.next())
        return false;
    if (q.value(0).toInt() > 0)
        return true;
    // LATHE 1's references: the simulator's counts read as a tool there, whose
    // X and Z the tag layout takes within its bounds.
    QSqlQuery add;
    add.prepare(QStringLiteral("INSERT INTO machine (name, Xref, Zref, sysXref, sysZref, isRadius, IsMM, Balluff, "
                               "calibrationDate) VALUES (:name, 10000, 100000, 233500, 999000, 0, 1, :layout, :date)"));
    add.bindValue(QStringLiteral(":name"), QString::fromLatin1(kRfidMachine));
    add.bindValue(QStringLiteral(":layout"), QString::fromLatin1(kRfidLayout));
    add.bindValue(QStringLiteral(":date"), QDate::currentDate());
    return add.exec();
}

// A tag that already holds a tool: the layout's defaults, encoded.
void writeDemoTag()
{
    if (QFile::exists(QStringLiteral("rfid-tag.bin")))
        return;
    BalluffLayout layout;
    if (!layout.read(QStringLiteral("balluff/") + kRfidLayout, nullptr))
        return;
    for (DatiCampo &f : layout.fields)
        f.value = f.DefaultValue;
    QByteArray image;
    QString error;
    if (!BalluffCodec(layout.BCDplus, layout.BCDminus, layout.BCDdot, layout.formatId)
             .encode(layout.fields, QByteArray(), &image, &error)) {
        std::fprintf(stderr, "make-demo: demo tag not written: %s\n", qPrintable(error));
        return;
    }
    image.append(QByteArray(qMax(0, layout.TagSize - image.size()), '\0'));
    QFile f(QStringLiteral("rfid-tag.bin"));
    if (f.open(QIODevice::WriteOnly))
        f.write(image);
}

// The seed files: each folder of the seed folder but the camera frames into
// the working directory's folder of that name, replacing the copies of an
// earlier run (the RFID port is written into the tag layout afterwards). The
// CSV import description goes beside the database, where the tooling-table
// list reads it; one the operator put there (another description) is kept.
bool copySeeds(const QDir &seeds)
{
    const QString csvDescription = QStringLiteral("csv-import.cfg");
    const QStringList folders = seeds.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (folders.isEmpty()) {
        std::fprintf(stderr, "make-demo: no seed folders in %s\n", qPrintable(seeds.path()));
        return false;
    }
    for (const QString &sub : folders) {
        if (sub == QLatin1String("frames"))
            continue;
        const QDir from(seeds.filePath(sub));
        for (const QString &name : from.entryList(QDir::Files)) {
            const bool description = sub == QLatin1String("csv") && name == csvDescription;
            const QString target = description ? name : sub + QLatin1Char('/') + name;
            if (description && QFile::exists(target))
                continue;
            QDir().mkpath(sub);
            QFile::remove(target);
            if (!QFile::copy(from.filePath(name), target)) {
                std::fprintf(stderr, "make-demo: cannot copy %s\n", qPrintable(from.filePath(name)));
                return false;
            }
            // Sources checked out read-only stay editable in the demo.
            QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
        }
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QString dncSocket, scanner, rfidHead;
    for (int i = 4; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dnc-socket") == 0)
            dncSocket = QString::fromLocal8Bit(argv[i + 1]);
        else if (std::strcmp(argv[i], "--scanner") == 0)
            scanner = QString::fromLocal8Bit(argv[i + 1]);
        else if (std::strcmp(argv[i], "--rfid-head") == 0)
            rfidHead = QString::fromLocal8Bit(argv[i + 1]);
        else
            argc = 0;
    }
    if (argc < 4 || argc % 2) {
        std::fprintf(stderr, "usage: make-demo <folder> <AXB port> <demo seed folder> "
                             "[--dnc-socket <host:port>] [--scanner <port>] [--rfid-head <port>]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QDir seeds(QDir(QString::fromLocal8Bit(argv[3])).absolutePath());
    const QString frames = seeds.filePath(QStringLiteral("frames/radius"));
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
        std::fprintf(stderr, "make-demo: cannot use %s\n", argv[1]);
        return 1;
    }
    for (const char *sub : {"language", "custom/res", "postpro", "dnc", "balluff", "report", "export", "csv"})
        QDir().mkpath(QString::fromLatin1(sub));
    if (!copySeeds(seeds))
        return 1;

    QSettings &s = App::kovraSettings();
    s.setValue(QStringLiteral("/TTY/AxbPort"), QString::fromLocal8Bit(argv[2]));
    // The camera shows the tool the settings name; a folder without pictures
    // (or none) gets the one given here.
    const QString standIn = s.value(QStringLiteral("/camera/StandIn")).toString();
    if (standIn.isEmpty() || QDir(standIn).entryList({QStringLiteral("*.png")}, QDir::Files).isEmpty())
        s.setValue(QStringLiteral("/camera/StandIn"), frames);
    // No camera or simulator brings an edge to within 1 um of the image
    // centre, so a new machine's reference is taken without waiting for it.
    if (!s.contains(QStringLiteral("/Machine/coarseZeroSearch")))
        s.setValue(QStringLiteral("/Machine/coarseZeroSearch"), true);
    if (!scanner.isEmpty())
        s.setValue(QStringLiteral("/DataMatrix/Port"), scanner);
    if (!s.contains(QStringLiteral("/camera/XCalibration")))
        s.setValue(QStringLiteral("/camera/XCalibration"), 0.01);
    if (!s.contains(QStringLiteral("/camera/ZCalibration")))
        s.setValue(QStringLiteral("/camera/ZCalibration"), 0.01);
    // The tooling-table list offers the post-processor.
    if (!s.contains(QStringLiteral("/Machine/ppEnabled")))
        s.setValue(QStringLiteral("/Machine/ppEnabled"), true);
    // The panel names a written table as the demo writes it at preparation.
    if (!s.contains(QStringLiteral("/Machine/defaultExt")))
        s.setValue(QStringLiteral("/Machine/defaultExt"), QStringLiteral(".tab"));
    // The languages the configuration dialog offers (no translation files ship yet).
    if (!s.contains(QStringLiteral("/Translations/Tr0")))
        s.setValue(QStringLiteral("/Translations/Tr0"), QStringLiteral("English|none"));
    if (!s.contains(QStringLiteral("/Machine/Language")))
        s.setValue(QStringLiteral("/Machine/Language"), QStringLiteral("English|none"));
    s.sync();

    if (!openDatabase())
        return 1;
    if (!insertSamples()) {
        std::fprintf(stderr, "make-demo: cannot write the sample machines\n");
        return 1;
    }
    if (!setDncLayouts() || !addDataMatrixLathe() || (!dncSocket.isEmpty() && !setDncSocket(dncSocket))) {
        std::fprintf(stderr, "make-demo: cannot set the DNC layouts\n");
        return 1;
    }
    if (!setPostProcessors()) {
        std::fprintf(stderr, "make-demo: cannot set the post-processor formats\n");
        return 1;
    }
    if (!writeSampleExports(s.value(QStringLiteral("/Machine/defaultExt")).toString()))
        return 1;
    if (!rfidHead.isEmpty()) {
        if (!s.contains(QStringLiteral("/Machine/balluffEnabled")))
            s.setValue(QStringLiteral("/Machine/balluffEnabled"), true);
        s.sync();
        if (!setRfidPort(rfidHead) || !addRfidMachine()) {
            std::fprintf(stderr, "make-demo: cannot prepare the RFID demo\n");
            return 1;
        }
        writeDemoTag();
    }
    std::printf("demo working directory ready: %s\n", qPrintable(QDir::currentPath()));
    return 0;
}
