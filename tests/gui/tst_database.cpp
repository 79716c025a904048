#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include "shared/App.h"
#include "shared/FatalExit.h"
#include "shared/SharedStruct.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestWorkDir.h"

namespace {
const char kLegacyMachine[] =
    "CREATE TABLE machine (idMachine INTEGER PRIMARY KEY, name VARCHAR(50), Xref INTEGER, Zref INTEGER, "
    "sysXref INTEGER, sysZref INTEGER, isRadius BOOL, IsMM BOOL, swapXZ BOOL, reverseX BOOL, reverseZ BOOL, "
    "linkToMasterX BOOL, linkToMasterZ BOOL, idMasterX INTEGER, idMasterZ INTEGER, smartX INTEGER, smartZ INTEGER, "
    "calibrationDate DATE, PostPro VARCHAR(50), Balluff VARCHAR(50)";
const QStringList kLegacyColumns = {"idMachine", "name", "Xref", "Zref", "sysXref", "sysZref", "isRadius", "IsMM",
                                    "swapXZ", "reverseX", "reverseZ", "linkToMasterX", "linkToMasterZ", "idMasterX",
                                    "idMasterZ", "smartX", "smartZ", "calibrationDate", "PostPro", "Balluff"};
const char kNfc[] = "CREATE TABLE 'NFC_Spindle' ( `SerialNumber` CHAR NOT NULL UNIQUE, `Type` CHAR NOT NULL, "
                    "`SysCRef` INTEGER NOT NULL DEFAULT (0) )";

void closeDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

// Runs statements on a file through a connection of its own.
bool prepareFile(const QString &file, const QStringList &statements)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "setup");
        db.setDatabaseName(file);
        ok = db.open();
        for (const QString &st : statements) {
            QSqlQuery q(db);
            if (!q.exec(st)) {
                qWarning() << st << q.lastError().text();
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("setup");
    return ok;
}

int schemaVersion()
{
    QSqlQuery q;
    if (!q.exec("PRAGMA schema_version") || !q.next())
        return -1;
    return q.value(0).toInt();
}

QStringList columns(const QString &table, QStringList *types = nullptr, int *pkColumn = nullptr)
{
    QStringList names;
    QSqlQuery q;
    q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (q.next()) {
        names << q.value("name").toString();
        if (types)
            *types << q.value("type").toString();
        if (pkColumn && q.value("pk").toInt() == 1)
            *pkColumn = names.size() - 1;
    }
    return names;
}

QStringList tables()
{
    QStringList names;
    QSqlQuery q;
    q.exec("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY name");
    while (q.next())
        names << q.value(0).toString();
    return names;
}

void setDatabaseName(const QString &name)
{
    App::resetKovraSettings();
    App::kovraSettings().setValue("/Database/Name", name);
    App::kovraSettings().sync();
}
}

class TestDatabase : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void upgrade_data();
    void upgrade();
    void dncTable();
    void newInstallation_data();
    void newInstallation();
    void idsNeverReused_data();
    void idsNeverReused();
    void schemaStatements();
    void databaseNameFromSettings();
    void cannotOpen_data();
    void cannotOpen();
};

void TestDatabase::init()
{
    App::resetKovraSettings();
}

void TestDatabase::cleanup()
{
    closeDatabase();
    setFatalExitHook({});
    App::resetKovraSettings();
}

void TestDatabase::upgrade_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("machineColumns");
    QTest::addColumn<int>("schemaChanges");

    const QString legacy = QString::fromLatin1(kLegacyMachine) + ")";
    // The post-processor output's folder, added first.
    const QStringList folder = {"networkPath"};
    const QStringList four = {"spindleType", "dncSocket", "dncFormat", "toolId"};
    // References and smart offsets in tenths of a micrometre, added last.
    const QStringList tenths = {"XrefTenths", "ZrefTenths", "smartXTenths", "smartZTenths"};
    QTest::newRow("legacy machine")
        << QStringList{legacy} << kLegacyColumns + folder + four + tenths << 1 + 4 + 4 + 2;
    // The tools get their nominal values and tolerances too.
    QTest::newRow("legacy with tooling tables")
        << QStringList{legacy, "CREATE TABLE toolingTables (idTable INTEGER PRIMARY KEY, idMachine INTEGER, name)",
                       "CREATE TABLE tools (idTool INTEGER PRIMARY KEY, idTable, t, x, z, code, angle, cr)"}
        << kLegacyColumns + folder + four + tenths << 1 + 4 + 4 + 6 + 2 + 1;
    QTest::newRow("dncSocket without toolId")
        << QStringList{QString::fromLatin1(kLegacyMachine) + ", spindleType CHAR, dncSocket CHAR, dncFormat CHAR)"}
        << kLegacyColumns + QStringList{"spindleType", "dncSocket", "dncFormat", "networkPath", "toolId"} + tenths
        << 2 + 4 + 2;
    QTest::newRow("spindleType missing only")
        << QStringList{QString::fromLatin1(kLegacyMachine) + ", networkPath VARCHAR(100), dncSocket CHAR, dncFormat CHAR, "
                                                              "toolId BOOL)"}
        << kLegacyColumns + QStringList{"networkPath", "dncSocket", "dncFormat", "toolId", "spindleType"} + tenths
        << 1 + 4 + 2;
    const QString complete =
        QString::fromLatin1(kLegacyMachine) + ", networkPath VARCHAR(100), spindleType CHAR, dncSocket CHAR, "
                                              "dncFormat CHAR, toolId BOOL, XrefTenths INTEGER, ZrefTenths INTEGER, "
                                              "smartXTenths INTEGER, smartZTenths INTEGER)";
    const QStringList completeColumns = kLegacyColumns + folder + four + tenths;
    QTest::newRow("dnc without NFC_Spindle")
        << QStringList{complete, "CREATE TABLE dnc (idTool INTEGER PRIMARY KEY NOT NULL)"} << completeColumns << 1;
    QTest::newRow("NFC_Spindle without dnc") << QStringList{complete, kNfc} << completeColumns << 1;
    QTest::newRow("both present")
        << QStringList{complete, "CREATE TABLE dnc (idTool INTEGER PRIMARY KEY NOT NULL)", kNfc} << completeColumns
        << 0;
    // Without machine the upgrades of machine fail and are passed over; the
    // file is not taken for a new installation since it holds a table.
    QTest::newRow("no machine table") << QStringList{"CREATE TABLE other (a)"} << QStringList() << 2;
}

void TestDatabase::upgrade()
{
    QFETCH(QStringList, setup);
    QFETCH(QStringList, machineColumns);
    QFETCH(int, schemaChanges);
    TestWorkDir wd;
    QVERIFY(prepareFile(wd.filePath("T8A_M.sqlite"), setup));
    int before = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "probe");
        db.setDatabaseName(wd.filePath("T8A_M.sqlite"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("PRAGMA schema_version") && q.next());
        before = q.value(0).toInt();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase("probe");

    MessageBoxRecorder rec;
    QVERIFY(openDatabase());
    QCOMPARE(rec.boxes().size(), 0);
    QCOMPARE(columns("machine"), machineColumns);
    QCOMPARE(schemaVersion() - before, schemaChanges);
    QVERIFY(tables().contains("dnc"));
    QVERIFY(tables().contains("NFC_Spindle"));
    if (machineColumns.isEmpty())
        QVERIFY(!tables().contains("machine"));
    if (tables().contains("tools")) {
        for (const char *c : {"Xth", "XtolPlus", "XtolMinus", "Zth", "ZtolPlus", "ZtolMinus"})
            QVERIFY2(columns("tools").contains(QLatin1String(c)), c);
        QSqlQuery index;
        QVERIFY(index.exec("SELECT sql FROM sqlite_master WHERE type='index' AND tbl_name='tools'") && index.next());
        QVERIFY(index.value(0).toString().contains("(idTable)"));
    }

    // The next start finds nothing to do.
    const int after = schemaVersion();
    closeDatabase();
    QVERIFY(openDatabase());
    QCOMPARE(schemaVersion(), after);
    QCOMPARE(columns("machine"), machineColumns);
}

void TestDatabase::dncTable()
{
    TestWorkDir wd;
    QVERIFY(prepareFile(wd.filePath("T8A_M.sqlite"), {QString::fromLatin1(kLegacyMachine) + ")"}));
    QVERIFY(openDatabase());
    QStringList types;
    int pk = -1;
    const QStringList names = columns("dnc", &types, &pk);
    QCOMPARE(names.size(), 122);
    QStringList expected{"idTool"};
    QStringList expectedTypes{"INTEGER"};
    for (int i = 0; i < 100; ++i) {
        expected << QStringLiteral("dncNum%1").arg(i);
        expectedTypes << "FLOAT";
    }
    for (int i = 0; i < 21; ++i) {
        expected << QStringLiteral("dncAlpha%1").arg(i);
        expectedTypes << "VARCHAR(20)";
    }
    QCOMPARE(names, expected);
    QCOMPARE(types, expectedTypes);
    QCOMPARE(pk, 0);

    QStringList nfcTypes;
    QCOMPARE(columns("NFC_Spindle", &nfcTypes), (QStringList{"SerialNumber", "Type", "SysCRef"}));
    QSqlQuery q;
    QVERIFY(q.exec("INSERT INTO NFC_Spindle (SerialNumber, Type) VALUES ('a', 'HSK')"));
    QVERIFY2(!q.exec("INSERT INTO NFC_Spindle (SerialNumber, Type) VALUES ('a', 'SK')"), "serial numbers are unique");
    QVERIFY(q.exec("SELECT SysCRef FROM NFC_Spindle") && q.next());
    QCOMPARE(q.value(0).toInt(), 0);
}

void TestDatabase::newInstallation_data()
{
    QTest::addColumn<bool>("emptyFileFirst");
    QTest::newRow("no file") << false;
    QTest::newRow("empty file") << true;
}

void TestDatabase::newInstallation()
{
    QFETCH(bool, emptyFileFirst);
    TestWorkDir wd;
    if (emptyFileFirst)
        QVERIFY(wd.writeFile("T8A_M.sqlite", QByteArray()));
    MessageBoxRecorder rec;
    QVERIFY(openDatabase());
    QCOMPARE(rec.boxes().size(), 0);
    QVERIFY(QFile::exists(wd.filePath("T8A_M.sqlite")));
    QCOMPARE(tables(), (QStringList{"NFC_Spindle", "dnc", "machine", "toolingTables", "tools"}));

    QStringList machine = columns("machine");
    for (const char *c : {"idMachine", "name", "Xref", "Zref", "sysXref", "sysZref", "isRadius", "IsMM", "swapXZ",
                          "reverseX", "reverseZ", "linkToMasterX", "linkToMasterZ", "idMasterX", "idMasterZ", "smartX",
                          "smartZ", "calibrationDate", "PostPro", "networkPath", "Balluff", "dncSocket", "dncFormat",
                          "toolId", "spindleType"})
        QVERIFY2(machine.contains(QLatin1String(c)), c);
    QCOMPARE(machine.first(), QString("idMachine"));
    QCOMPARE(machine.at(1), QString("name"));
    QCOMPARE(machine.removeDuplicates(), 0);
    QCOMPARE(columns("toolingTables"), (QStringList{"idTable", "idMachine", "name"}));
    QCOMPARE(columns("tools"), (QStringList{"idTool", "idTable", "t", "x", "z", "code", "angle", "cr", "Xth", "Zth",
                                            "XtolPlus", "XtolMinus", "ZtolPlus", "ZtolMinus"}));

    // The schema already holds what the upgrade would add.
    const int version = schemaVersion();
    closeDatabase();
    QVERIFY(openDatabase());
    QCOMPARE(schemaVersion(), version);
}

void TestDatabase::idsNeverReused_data()
{
    QTest::addColumn<QString>("insert");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::newRow("machine") << "INSERT INTO machine (name) VALUES ('m')" << "machine" << "idMachine";
    QTest::newRow("toolingTables") << "INSERT INTO toolingTables (idMachine, name) VALUES (1, 't')"
                                   << "toolingTables" << "idTable";
    QTest::newRow("tools") << "INSERT INTO tools (idTable, t) VALUES (1, 4)" << "tools" << "idTool";
}

void TestDatabase::idsNeverReused()
{
    QFETCH(QString, insert);
    QFETCH(QString, table);
    QFETCH(QString, key);
    TestWorkDir wd;
    QVERIFY(openDatabase());
    QSqlQuery q;
    QVERIFY(q.exec(insert));
    QVERIFY(q.exec(insert));
    const int last = q.lastInsertId().toInt();
    QCOMPARE(last, 2);
    QVERIFY(q.exec(QStringLiteral("DELETE FROM %1 WHERE %2=%3").arg(table, key).arg(last)));
    QVERIFY(q.exec(insert));
    QCOMPARE(q.lastInsertId().toInt(), 3);
}

void TestDatabase::schemaStatements()
{
    const QStringList statements = newInstallationStatements();
    QCOMPARE(statements.size(), 3);
    for (const QString &st : statements) {
        QVERIFY2(st.startsWith("CREATE TABLE"), qPrintable(st));
        QVERIFY2(st.contains("INTEGER PRIMARY KEY AUTOINCREMENT"), qPrintable(st));
        QVERIFY2(!st.endsWith(';'), qPrintable(st));
    }
}

void TestDatabase::databaseNameFromSettings()
{
    TestWorkDir wd;
    QVERIFY(QDir(wd.path()).mkpath("data"));
    setDatabaseName("./data/shop.sqlite");
    QVERIFY(openDatabase());
    QVERIFY(QFile::exists(wd.filePath("data/shop.sqlite")));
    QVERIFY(!QFile::exists(wd.filePath("T8A_M.sqlite")));
    QVERIFY(tables().contains("machine"));
}

void TestDatabase::cannotOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("folder") << "./folder";
    QTest::newRow("missing folder") << "./nowhere/T8A_M.sqlite";
}

void TestDatabase::cannotOpen()
{
    QFETCH(QString, name);
    TestWorkDir wd;
    QVERIFY(QDir(wd.path()).mkpath("folder"));
    setDatabaseName(name);
    MessageBoxRecorder rec;
    QList<int> exits;
    setFatalExitHook([&](int code) { exits << code; });
    QVERIFY(!openDatabase());
    QCOMPARE(exits, QList<int>{0});
    QCOMPARE(rec.boxes().size(), 1);
    const QMessageBoxKovra::Box &b = rec.boxes().first();
    QCOMPARE(b.kind, QMessageBox::Critical);
    QCOMPARE(b.parent, static_cast<QWidget *>(nullptr));
    QCOMPARE(b.title, QString("Database error"));
    QCOMPARE(b.text, QString("Unable to open database!"));
    QCOMPARE(int(b.buttons), int(QMessageBox::Ok));
    QCOMPARE(b.defaultButton, QMessageBox::NoButton);
    QVERIFY(!QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen());
}

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
