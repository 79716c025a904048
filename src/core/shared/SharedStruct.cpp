#include "SharedStruct.h"

#include "App.h"
#include "CheckedStore.h"
#include "FatalExit.h"
#include "QExtQuery.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QThread>
#include <QUrl>
#include <QVariant>

#include <algorithm>

s_MachineSettings MachineSettings;
s_machine CurrentMachine;
bool isSuperUser = false;
bool isSuperConfigUser = false;
int geometryActive = geometryNone;
bool enableToolingup = false;

namespace {
const char kDefaultVendor[] = "Kovra";
const char kDefaultPassword[] = "tavo";
const char kServiceCode[] = "640517";
const char kConfigurationCode[] = "27064195";
// Longest measure wait the idle time may ask for.
const int kMaxIdleClickMs = 60000;

QString trimmedOrVendor(const QString &text)
{
    const QString t = text.trimmed();
    return t.isEmpty() ? QString::fromLatin1(kDefaultVendor) : t;
}
}

// Settings file ---------------------------------------------------------------

void loadMachineSettings(s_MachineSettings &ms)
{
    QSettings &s = App::kovraSettings();
    ms.type = s.value("/Machine/type", 0).toInt();
    ms.hasIndex = s.value("/Machine/hasIndex", true).toBool();
    // The same default as the record and the user check, so saving the
    // configuration of a file without the key keeps the working password.
    ms.Password = s.value("/Machine/Password", QString::fromLatin1(kDefaultPassword)).toString();
    ms.Language = s.value("/Machine/Language", QStringLiteral("English")).toString();
    ms.isMM = s.value("/Machine/isMM", true).toBool();
    ms.isRadius = s.value("/Machine/isRadius", true).toBool();
    ms.hasCAxis = s.value("/Machine/hasCAxis", false).toBool();
    ms.pulseRevC = s.value("/Machine/pulseRevC", QStringLiteral("1000")).toInt();
    ms.coarseZeroSearch = s.value("/Machine/coarseZeroSearch", false).toBool();
    ms.disableAnimation = s.value("/Machine/disableAnimation", false).toBool();
    // Milliseconds in the file, microseconds in the record. Bounded so the
    // product fits and a negative value cannot lift the limit of the wait.
    const qlonglong idleMs = s.value("/Machine/idleClick", 0).toLongLong();
    ms.idleClick = int(std::clamp<qlonglong>(idleMs, 0, kMaxIdleClickMs)) * 1000;
    ms.isPivra = s.value("/Machine/isPivra", false).toBool();
    ms.ClearLabelMode = s.value("/Machine/ClearLabelMode", 2).toInt();
    ms.ppEnabled = s.value("/Machine/ppEnabled", false).toBool();
    ms.ppFormatLocked = s.value("/Machine/ppFormatLocked", false).toBool();
    ms.ppDirLocked = s.value("/Machine/ppDirLocked", false).toBool();
    ms.balluffEnabled = s.value("/Machine/balluffEnabled", false).toBool();
    ms.angularHead = s.value("/Machine/angularHead", false).toBool();
    ms.automaticSpindle = s.value("/Machine/automaticSpindle", false).toBool();
    ms.disableRunout = s.value("/Machine/disableRunout", false).toBool();
    ms.hasNfc = s.value("/Machine/hasNfc", false).toBool();
    ms.custom = trimmedOrVendor(s.value("/Machine/custom", QString::fromLatin1(kDefaultVendor)).toString());
    ms.logoPrint = s.value("/Machine/logoPrint", QString::fromLatin1(kDefaultVendor)).toString();
    ms.vendorName = trimmedOrVendor(s.value("/Machine/vendorName", QString::fromLatin1(kDefaultVendor)).toString());
    ms.logoName = s.value("/Machine/logoName", QString()).toString().trimmed();

    ms.mmDecimals = quint8(s.value("/Machine/mmDecimals", 3).toInt());
    if (ms.mmDecimals < 1 || ms.mmDecimals > 3)
        ms.mmDecimals = 3;
    ms.inchDecimals = quint8(s.value("/Machine/inchDecimals", 4).toInt());
    if (ms.inchDecimals < 1 || ms.inchDecimals > 5)
        ms.inchDecimals = 4;

    ms.AbsRefX = int(s.value("/System/AbsRefX", 0).toDouble());
    ms.AbsSysRefX = int(s.value("/System/AbsSysRefX", 0).toDouble());
    ms.AbsRefZ = int(s.value("/System/AbsRefZ", 0).toDouble());
    ms.AbsSysRefZ = int(s.value("/System/AbsSysRefZ", 0).toDouble());
}

QString GetTranslationFileName()
{
    const QString language = App::kovraSettings().value("/Machine/Language", QStringLiteral("*")).toString();
    const QStringList parts = language.split(QLatin1Char('|'));
    return parts.size() == 2 ? parts.at(1) : QStringLiteral("none");
}

// Machines ------------------------------------------------------------------

namespace {
// A length of a machine row in tenths of a micrometre: the tenths column when
// it holds the micrometre column's value (an older program that stored the
// micrometres alone leaves it behind), the micrometres otherwise.
qint64 storedTenths(const QSqlQuery &row, const char *column)
{
    const QString name = QString::fromLatin1(column);
    const qint64 micrometres = row.value(name).toInt();
    const int at = row.record().indexOf(name + QStringLiteral("Tenths"));
    const QVariant tenths = at >= 0 ? row.value(at) : QVariant();
    bool ok = false;
    const qint64 t = tenths.toLongLong(&ok);
    return !tenths.isNull() && ok && nearestMicrometres(t) == micrometres ? t : micrometres * 10;
}

// Reference of one axis: the machine's own, or the master's plus the smart
// offset (one level: the master's own link is not followed).
void resolveAxis(const QSqlQuery &own, bool linked, const char *refCol, const char *sysCol, const char *masterCol,
                 const char *smartCol, RefLength &ref, int &sysRef, int &idMaster, RefLength &smart)
{
    if (!linked) {
        ref.tenths = storedTenths(own, refCol);
        sysRef = own.value(sysCol).toInt();
        idMaster = -1;
        return;
    }
    idMaster = own.value(masterCol).toInt();
    QExtQuery master;
    master.prepare(QStringLiteral("SELECT * FROM machine WHERE idMachine=:idMachine"));
    master.bindValue(QStringLiteral(":idMachine"), idMaster);
    master.exec();
    master.next();
    smart.tenths = storedTenths(own, smartCol);
    ref.tenths = storedTenths(master, refCol) + smart.tenths;
    sysRef = master.value(sysCol).toInt();
}
}

s_machine getMachineData(int idMachine)
{
    s_machine m;
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT * FROM machine WHERE idMachine=:idMachine"));
    q.bindValue(QStringLiteral(":idMachine"), idMachine);
    q.exec();
    q.next();

    m.idMachine = q.value("idMachine").toInt();
    m.name = q.value("name").toString();
    m.calibrationDate = q.value("calibrationDate").toDate();
    m.linkToMasterX = q.value("linkToMasterX").toBool();
    resolveAxis(q, m.linkToMasterX, "Xref", "sysXref", "idMasterX", "smartX", m.Xref, m.sysXref, m.idMasterX,
                m.smartX);
    m.linkToMasterZ = q.value("linkToMasterZ").toBool();
    resolveAxis(q, m.linkToMasterZ, "Zref", "sysZref", "idMasterZ", "smartZ", m.Zref, m.sysZref, m.idMasterZ,
                m.smartZ);

    m.Balluff = q.value("Balluff").toString().trimmed();
    m.PostPro = q.value("PostPro").toString().trimmed();
    m.networkPath = q.value("networkPath").toString().trimmed();
    if (m.networkPath.isEmpty())
        m.networkPath = QStringLiteral("/home/kovra/shared");
    m.dncSocket = q.value("dncSocket").toString().trimmed();
    m.dncFormat = q.value("dncFormat").toString().trimmed();
    m.toolId = q.value("toolId").toBool();

    m.swapXZ = q.value("swapXZ").toBool();
    m.IsMM = q.value("IsMM").toBool();
    m.reverseX = q.value("reverseX").toBool();
    m.reverseZ = q.value("reverseZ").toBool();
    m.isRadius = q.value("isRadius").toBool();
    m.isRadiusStored = m.isRadius;
    m.spindleType = q.value("spindleType").toString().trimmed();
    return m;
}

int countSlaveMachines(int idMachine, eAxis axis)
{
    QExtQuery q;
    switch (axis) {
    case axisX:
        q.prepare(QStringLiteral("SELECT COUNT(*) as numSlaves FROM machine WHERE idMasterX=:id1"));
        break;
    case axisZ:
        q.prepare(QStringLiteral("SELECT COUNT(*) as numSlaves FROM machine WHERE idMasterZ=:id1"));
        break;
    case axisXZ:
        q.prepare(QStringLiteral("SELECT COUNT(*) as numSlaves FROM machine WHERE idMasterX=:id1 OR idMasterZ=:id2"));
        q.bindValue(QStringLiteral(":id2"), idMachine);
        break;
    default:
        return 0;
    }
    q.bindValue(QStringLiteral(":id1"), idMachine);
    if (!q.exec() || !q.next())
        return 0;
    return q.value("numSlaves").toInt();
}

int getCurrentTableType()
{
    if (!CurrentMachine.dncFormat.isEmpty())
        return CurrentMachine.toolId ? tableDncDataMatrix : tableDnc;
    if (MachineSettings.balluffEnabled && !CurrentMachine.Balluff.isEmpty())
        return tableRfid;
    return tablePlain;
}

bool isValidSpindle()
{
    return true;
}

bool isSpindleWithSpId(const QString &description)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT Size FROM T_AttackType WHERE Description=:description"));
    q.bindValue(QStringLiteral(":description"), description);
    q.exec();
    q.next();
    return q.value("Size").toInt() != 0 && MachineSettings.hasNfc;
}

void setSpindleWithSpId(const QString &description)
{
    if (isSpindleWithSpId(description))
        return;
    QExtQuery q;
    q.prepare(QStringLiteral("UPDATE T_AttackType SET Size=1 WHERE Description=:description"));
    q.bindValue(QStringLiteral(":description"), description);
    q.exec();
}

// Units and formatting --------------------------------------------------------

float XVal(float value)
{
    if (!CurrentMachine.isRadius)
        value *= 2;
    if (!CurrentMachine.IsMM)
        value /= 25.4f;
    return value;
}

float ZVal(float value)
{
    if (!CurrentMachine.IsMM)
        value /= 25.4f;
    return value;
}

QString MPrn(float value, bool isMM)
{
    return MPrnExact(value, isMM);
}

QString MPrnExact(double value, bool isMM)
{
    return QString::number(value, 'f', isMM ? MachineSettings.mmDecimals : MachineSettings.inchDecimals);
}

QString APrn(float value)
{
    return QString::number(value, 'f', 2);
}

// Shared small functions ------------------------------------------------------

bool getManualUrl(QUrl &url, const QString &appFolder)
{
    QString model;
    if (MachineSettings.isPivra)
        model = QStringLiteral("T80D");
    else if (MachineSettings.type == 3)
        model = QStringLiteral("T5K");
    else if (MachineSettings.type == 0)
        model = QStringLiteral("merla");
    else
        model = QStringLiteral("corvo");

    const QString english = model + QStringLiteral("_us.pdf");
    const int underscore = MachineSettings.Language.indexOf(QLatin1Char('_'));
    QString fileName = underscore >= 0 ? model + MachineSettings.Language.mid(underscore, 3) + QStringLiteral(".pdf")
                                       : english;
    QString path = QStringLiteral("%1/doc/%2").arg(appFolder, fileName);
    if (!QFileInfo::exists(path)) {
        path = QStringLiteral("%1/doc/%2").arg(appFolder, english);
        if (!QFileInfo::exists(path))
            return false;
    }
    url = QUrl(QStringLiteral("file://%1").arg(path));
    return true;
}

bool getManualUrl(QUrl &url)
{
    return getManualUrl(url, QCoreApplication::applicationDirPath());
}

// User check ----------------------------------------------------------------

bool checkUser(const QString &password)
{
    const QString stored =
        App::kovraSettings().value("/Machine/Password", QString::fromLatin1(kDefaultPassword)).toString().toUpper();
    const QString typed = password.toUpper();
    if (!typed.isEmpty()
        && (typed == stored || typed == QLatin1String(kServiceCode) || typed == QLatin1String(kConfigurationCode))) {
        isSuperUser = typed == QLatin1String(kServiceCode);
        isSuperConfigUser = typed == QLatin1String(kConfigurationCode);
        return true;
    }
    isSuperUser = false;
    return false;
}

// Database ------------------------------------------------------------------

namespace {
QString tableDefinition(const QString &table)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE type='table' AND name=:name"));
    q.bindValue(QStringLiteral(":name"), table);
    if (q.exec() && q.next())
        return q.value(0).toString();
    return QString();
}

void run(const QString &statement)
{
    QExtQuery q;
    q.exec(statement);
}

QString dncTableStatement()
{
    QStringList cols;
    cols << QStringLiteral("`idTool` INTEGER PRIMARY KEY NOT NULL");
    for (int i = 0; i < 100; ++i)
        cols << QStringLiteral("`dncNum%1` FLOAT NULL").arg(i);
    for (int i = 0; i < 21; ++i)
        cols << QStringLiteral("`dncAlpha%1` VARCHAR(20) NULL").arg(i);
    return QStringLiteral("CREATE TABLE 'dnc' ( %1 )").arg(cols.join(QStringLiteral(", ")));
}

bool hasAnyTable()
{
    QExtQuery q;
    return q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")) && q.next();
}
}

bool tableExists(const QString &table)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' and name=:name"));
    q.bindValue(QStringLiteral(":name"), table);
    return q.exec() && q.next() && q.value("name").toString() == table;
}

QStringList newInstallationStatements()
{
    Q_INIT_RESOURCE(schema);
    QFile f(QStringLiteral(":/schema/schema.sql"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList statements;
    QString current;
    // One statement ends at a ";" closing a line; "--" lines are comments.
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1String("--")))
            continue;
        current += line + QLatin1Char('\n');
        if (t.endsWith(QLatin1Char(';'))) {
            current = current.trimmed();
            current.chop(1);
            statements << current;
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

void upgradeDatabase()
{
    QString machine = tableDefinition(QStringLiteral("machine"));
    // The post-processor output's folder.
    if (!machine.contains(QLatin1String("networkPath")))
        run(QStringLiteral("ALTER TABLE machine ADD COLUMN networkPath VARCHAR(100)"));
    if (!machine.contains(QLatin1String("spindleType")))
        run(QStringLiteral("ALTER TABLE machine ADD COLUMN spindleType CHAR DEFAULT ''"));

    machine = tableDefinition(QStringLiteral("machine"));
    if (!machine.contains(QLatin1String("dncSocket"))) {
        run(QStringLiteral("ALTER TABLE main.machine ADD COLUMN \"dncSocket\" CHAR"));
        run(QStringLiteral("ALTER TABLE main.machine ADD COLUMN \"dncFormat\" CHAR"));
    }
    if (!machine.contains(QLatin1String("toolId")))
        run(QStringLiteral("ALTER TABLE main.machine ADD COLUMN \"toolId\" BOOL NOT NULL  DEFAULT false"));
    // References and smart offsets in tenths of a micrometre beside the
    // micrometre columns, which older programs go on reading.
    for (const char *column : {"XrefTenths", "ZrefTenths", "smartXTenths", "smartZTenths"})
        if (!machine.contains(QLatin1String(column)))
            run(QStringLiteral("ALTER TABLE main.machine ADD COLUMN \"%1\" INTEGER").arg(QLatin1String(column)));

    if (!tableExists(QStringLiteral("dnc")))
        run(dncTableStatement());
    if (!tableExists(QStringLiteral("NFC_Spindle")))
        run(QStringLiteral("CREATE TABLE 'NFC_Spindle' ( `SerialNumber` CHAR NOT NULL UNIQUE, `Type` CHAR NOT NULL, "
                           "`SysCRef` INTEGER NOT NULL DEFAULT (0) )"));
    // A tool's nominal values and tolerances.
    const QString tools = tableDefinition(QStringLiteral("tools"));
    for (const char *column : {"Xth", "XtolPlus", "XtolMinus", "Zth", "ZtolPlus", "ZtolMinus"})
        if (!tools.isEmpty() && !tools.contains(QLatin1String(column)))
            run(QStringLiteral("ALTER TABLE tools ADD COLUMN '%1' FLOAT DEFAULT 0").arg(QLatin1String(column)));
    // A table's tools are found, replaced and sent by their table.
    if (tableExists(QStringLiteral("tools")))
        run(QStringLiteral("CREATE INDEX IF NOT EXISTS toolsByTable ON tools(idTable)"));
}

bool openDatabase()
{
    const QString name = App::kovraSettings().value("/Database/Name", QStringLiteral("./T8A_M.sqlite")).toString();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(name);
    // SQLite opens a folder without complaint and fails only at the first
    // statement, so a folder is refused here.
    if (QFileInfo(name).isDir() || !db.open() || !QExtQuery().exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        db.close();
        fatalExit(nullptr, QCoreApplication::translate("SharedStruct", "Database error"),
                  QCoreApplication::translate("SharedStruct", "Unable to open database!"));
        return false;
    }

    if (!hasAnyTable()) {
        // A new installation: give it the tables the program relies on, all
        // or none (a refused statement stops the rest).
        CheckedStore store;
        store.begin();
        for (const QString &st : newInstallationStatements())
            store.run(st);
        store.commit();
    }
    upgradeDatabase();
    return true;
}
