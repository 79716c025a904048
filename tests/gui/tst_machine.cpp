#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QtTest>

#include "machines/MachineRows.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "widgets/SharedWidgets.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestWorkDir.h"

using Rows = QList<QVariantMap>;
Q_DECLARE_METATYPE(Rows)

namespace {
QVariant field(const s_machine &m, const QString &name)
{
    const QHash<QString, QVariant> f = {
        {"idMachine", m.idMachine},
        {"name", m.name},
        {"Xref", m.Xref.micrometres()},
        {"Zref", m.Zref.micrometres()},
        {"sysXref", m.sysXref},
        {"sysZref", m.sysZref},
        {"isRadius", m.isRadius},
        {"isRadiusStored", m.isRadiusStored},
        {"swapXZ", m.swapXZ},
        {"IsMM", m.IsMM},
        {"reverseX", m.reverseX},
        {"reverseZ", m.reverseZ},
        {"linkToMasterX", m.linkToMasterX},
        {"linkToMasterZ", m.linkToMasterZ},
        {"idMasterX", m.idMasterX},
        {"idMasterZ", m.idMasterZ},
        {"smartX", m.smartX.micrometres()},
        {"smartZ", m.smartZ.micrometres()},
        {"xLock", m.xLock},
        {"zLock", m.zLock},
        {"xIncr", m.xIncr},
        {"zIncr", m.zIncr},
        {"cIncr", m.cIncr},
        {"xIncrZero", m.xIncrZero},
        {"zIncrZero", m.zIncrZero},
        {"cIncrOffset", double(m.cIncrOffset)},
        {"calibrationDate", m.calibrationDate},
        {"PostPro", m.PostPro},
        {"networkPath", m.networkPath},
        {"Balluff", m.Balluff},
        {"dncSocket", m.dncSocket},
        {"dncFormat", m.dncFormat},
        {"toolId", m.toolId},
        {"spindleType", m.spindleType},
    };
    Q_ASSERT(f.contains(name));
    return f.value(name);
}

void insertMachines(const Rows &rows)
{
    for (const QVariantMap &row : rows) {
        QStringList cols;
        QStringList marks;
        for (auto it = row.cbegin(); it != row.cend(); ++it) {
            cols << it.key();
            marks << ":" + it.key();
        }
        QSqlQuery q;
        QVERIFY(q.prepare(QStringLiteral("INSERT INTO machine (%1) VALUES (%2)").arg(cols.join(','), marks.join(','))));
        for (auto it = row.cbegin(); it != row.cend(); ++it)
            q.bindValue(":" + it.key(), it.value());
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    }
}

void closeDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

QVariantMap row(std::initializer_list<std::pair<const QString, QVariant>> values)
{
    return QVariantMap(values);
}
}

class TestMachine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void initialValues();
    void machineData_data();
    void machineData();
    void countSlaves_data();
    void countSlaves();
    void tableType_data();
    void tableType();
    void spindleDescriptionsAreBound();
    void populate_data();
    void populate();
    void manualUrl_data();
    void manualUrl();
    void validateUser_data();
    void validateUser();
    void freezeWait_data();
    void freezeWait();

private:
    TestWorkDir *m_wd = nullptr;
};

void TestMachine::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestMachine::init()
{
    m_wd = new TestWorkDir;
    App::resetKovraSettings();
    QVERIFY(openDatabase());
}

void TestMachine::cleanup()
{
    closeDatabase();
    App::resetKovraSettings();
    delete m_wd;
    m_wd = nullptr;
    MachineSettings = s_MachineSettings();
    CurrentMachine = s_machine();
    isSuperUser = isSuperConfigUser = false;
}

void TestMachine::initialValues()
{
    const s_machine m;
    QCOMPARE(m.idMachine, -2);
    QCOMPARE(m.idMasterX, -1);
    QCOMPARE(m.idMasterZ, -1);
    QCOMPARE(m.isRadius, true);
    QCOMPARE(m.isRadiusStored, true);
    QCOMPARE(m.IsMM, true);
    QCOMPARE(m.calibrationDate, QDate(2000, 1, 1));
    QCOMPARE(m.networkPath, QString());
    QCOMPARE(CurrentMachine.idMachine, -2);
}

void TestMachine::machineData_data()
{
    QTest::addColumn<Rows>("machines");
    QTest::addColumn<int>("id");
    QTest::addColumn<QVariantMap>("expected");

    const QVariantMap master = row({{"idMachine", 3}, {"name", "master"}, {"Xref", 50000}, {"sysXref", 123456},
                                    {"Zref", 70000}, {"sysZref", 654321}});

    QTest::newRow("unlinked ignores master columns")
        << Rows{master, row({{"idMachine", 4}, {"name", "own"}, {"Xref", 1000}, {"sysXref", 5000}, {"Zref", 2000},
                             {"sysZref", 6000}, {"idMasterX", 3}, {"smartX", 99}, {"idMasterZ", 3}, {"smartZ", 77},
                             {"linkToMasterX", 0}, {"linkToMasterZ", "false"}})}
        << 4
        << row({{"Xref", 1000}, {"sysXref", 5000}, {"idMasterX", -1}, {"smartX", 0}, {"Zref", 2000}, {"sysZref", 6000},
                {"idMasterZ", -1}, {"smartZ", 0}, {"linkToMasterX", false}, {"linkToMasterZ", false}});
    QTest::newRow("X linked, smart offset added")
        << Rows{master, row({{"idMachine", 4}, {"Xref", 1}, {"sysXref", 2}, {"Zref", 2000}, {"sysZref", 6000},
                             {"linkToMasterX", 1}, {"idMasterX", 3}, {"smartX", 250}})}
        << 4
        << row({{"Xref", 50250}, {"sysXref", 123456}, {"idMasterX", 3}, {"smartX", 250}, {"Zref", 2000},
                {"sysZref", 6000}, {"idMasterZ", -1}, {"linkToMasterX", true}});
    QTest::newRow("Z linked as text true, negative offset")
        << Rows{master, row({{"idMachine", 4}, {"Xref", 11}, {"sysXref", 12}, {"linkToMasterZ", "true"},
                             {"idMasterZ", 3}, {"smartZ", -300}})}
        << 4
        << row({{"Xref", 11}, {"sysXref", 12}, {"idMasterX", -1}, {"Zref", 69700}, {"sysZref", 654321},
                {"idMasterZ", 3}, {"smartZ", -300}, {"linkToMasterZ", true}});
    QTest::newRow("master's own link not followed")
        << Rows{master,
                row({{"idMachine", 5}, {"Xref", 8000}, {"sysXref", 9000}, {"linkToMasterX", 1}, {"idMasterX", 3},
                     {"smartX", 5}}),
                row({{"idMachine", 6}, {"linkToMasterX", 1}, {"idMasterX", 5}, {"smartX", 10}})}
        << 6 << row({{"Xref", 8010}, {"sysXref", 9000}, {"idMasterX", 5}});
    QTest::newRow("missing master")
        << Rows{row({{"idMachine", 4}, {"Xref", 1}, {"sysXref", 2}, {"linkToMasterX", 1}, {"idMasterX", 42},
                     {"smartX", 250}, {"linkToMasterZ", 1}, {"idMasterZ", 43}, {"smartZ", -7}})}
        << 4
        << row({{"Xref", 250}, {"sysXref", 0}, {"idMasterX", 42}, {"Zref", -7}, {"sysZref", 0}, {"idMasterZ", 43}});
    QTest::newRow("texts trimmed, flags, date")
        << Rows{row({{"idMachine", 7}, {"name", " Lathe 1 "}, {"PostPro", " fanuc.pp "}, {"Balluff", " tag.ini "},
                     {"dncSocket", " 10.0.0.2:5000 "}, {"dncFormat", " m.dnc "}, {"spindleType", " HSK63 "},
                     {"networkPath", " /srv/out "}, {"toolId", "true"}, {"swapXZ", 1}, {"IsMM", "false"},
                     {"reverseX", "true"}, {"reverseZ", 1}, {"isRadius", 0}, {"calibrationDate", "2024-05-17"}})}
        << 7
        << row({{"idMachine", 7}, {"name", " Lathe 1 "}, {"PostPro", "fanuc.pp"}, {"Balluff", "tag.ini"},
                {"dncSocket", "10.0.0.2:5000"}, {"dncFormat", "m.dnc"}, {"spindleType", "HSK63"},
                {"networkPath", "/srv/out"}, {"toolId", true}, {"swapXZ", true}, {"IsMM", false},
                {"reverseX", true}, {"reverseZ", true}, {"isRadius", false}, {"isRadiusStored", false},
                {"calibrationDate", QDate(2024, 5, 17)}});
    QTest::newRow("empty export folder")
        << Rows{row({{"idMachine", 7}, {"networkPath", "   "}})} << 7
        << row({{"networkPath", "/home/kovra/shared"}, {"IsMM", true}, {"isRadius", true}});
    QTest::newRow("run-time fields never loaded")
        << Rows{row({{"idMachine", 7}})} << 7
        << row({{"xLock", false}, {"zLock", false}, {"xIncr", false}, {"zIncr", false}, {"cIncr", false},
                {"xIncrZero", 0}, {"zIncrZero", 0}, {"cIncrOffset", 0.0}});
    QTest::newRow("no such machine")
        << Rows{master} << 99
        << row({{"idMachine", 0}, {"name", QString()}, {"Xref", 0}, {"idMasterX", -1}, {"idMasterZ", -1},
                {"IsMM", false}, {"isRadius", false}, {"networkPath", "/home/kovra/shared"},
                {"calibrationDate", QDate()}});
}

void TestMachine::machineData()
{
    QFETCH(Rows, machines);
    QFETCH(int, id);
    QFETCH(QVariantMap, expected);
    insertMachines(machines);
    const s_machine m = getMachineData(id);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QVERIFY2(field(m, it.key()) == it.value(),
                 qPrintable(QStringLiteral("%1: %2 != %3")
                                .arg(it.key(), field(m, it.key()).toString(), it.value().toString())));
}

void TestMachine::countSlaves_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("expected");
    QTest::newRow("X of 5") << 5 << int(axisX) << 2;
    QTest::newRow("Z of 5") << 5 << int(axisZ) << 2;
    QTest::newRow("X or Z of 5 counts a row once") << 5 << int(axisXZ) << 3;
    QTest::newRow("X of 6") << 6 << int(axisX) << 0;
    QTest::newRow("Z of 6") << 6 << int(axisZ) << 1;
    QTest::newRow("nobody's master") << 9 << int(axisXZ) << 0;
    QTest::newRow("unknown axis") << 5 << 3 << 0;
}

void TestMachine::countSlaves()
{
    QFETCH(int, id);
    QFETCH(int, axis);
    QFETCH(int, expected);
    insertMachines({row({{"idMachine", 5}}), row({{"idMachine", 6}}),
                    row({{"idMachine", 10}, {"idMasterX", 5}, {"idMasterZ", 5}}),
                    row({{"idMachine", 11}, {"idMasterX", 5}, {"idMasterZ", 6}}),
                    row({{"idMachine", 12}, {"idMasterX", -1}, {"idMasterZ", 5}})});
    QCOMPARE(countSlaveMachines(id, eAxis(axis)), expected);
}

void TestMachine::tableType_data()
{
    QTest::addColumn<QString>("dncFormat");
    QTest::addColumn<bool>("toolId");
    QTest::addColumn<bool>("rfidEnabled");
    QTest::addColumn<QString>("balluff");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << "" << false << false << "" << 0;
    QTest::newRow("layout without RFID option") << "" << false << false << "tag.ini" << 0;
    QTest::newRow("RFID option without layout") << "" << false << true << "" << 0;
    QTest::newRow("RFID") << "" << true << true << "tag.ini" << 1;
    QTest::newRow("DNC") << "m.dnc" << false << true << "tag.ini" << 2;
    QTest::newRow("DNC with DataMatrix over RFID") << "m.dnc" << true << true << "tag.ini" << 3;
}

void TestMachine::tableType()
{
    QFETCH(QString, dncFormat);
    QFETCH(bool, toolId);
    QFETCH(bool, rfidEnabled);
    QFETCH(QString, balluff);
    QFETCH(int, expected);
    CurrentMachine.dncFormat = dncFormat;
    CurrentMachine.toolId = toolId;
    CurrentMachine.Balluff = balluff;
    MachineSettings.balluffEnabled = rfidEnabled;
    QCOMPARE(getCurrentTableType(), expected);
}

void TestMachine::spindleDescriptionsAreBound()
{
    QSqlQuery q;
    QVERIFY(q.exec("CREATE TABLE T_AttackType (Description TEXT, Size INTEGER)"));
    QVERIFY(q.exec("INSERT INTO T_AttackType VALUES ('HSK 63', 0), ('operator''s', 0), ('SK 40', 0)"));
    MachineSettings.hasNfc = true;
    QVERIFY(isValidSpindle());
    QVERIFY(!isSpindleWithSpId("operator's"));
    setSpindleWithSpId("operator's");
    QVERIFY(isSpindleWithSpId("operator's"));
    // A description is data, never part of the statement.
    setSpindleWithSpId("x' OR '1'='1");
    QVERIFY(!isSpindleWithSpId("HSK 63"));
    QVERIFY(!isSpindleWithSpId("SK 40"));
    QVERIFY(!isSpindleWithSpId("x' OR '1'='1"));
    MachineSettings.hasNfc = false;
    QVERIFY(!isSpindleWithSpId("operator's"));
}

// The machine lists the combos offer, filled from the machine rows.
void TestMachine::populate_data()
{
    QTest::addColumn<bool>("withFactoryZero");
    QTest::addColumn<QString>("change"); // of the machine rows before the list is read
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("ids");
    QTest::newRow("ordered") << true << "" << QStringList{"*FACTORY ZERO*", "Alpha", "Beta"} << QList<int>{3, 2, 1};
    QTest::newRow("without factory zero") << false << "" << QStringList{"Alpha", "Beta"} << QList<int>{2, 1};
    QTest::newRow("no rows") << true << "DELETE FROM machine" << QStringList() << QList<int>();
    QTest::newRow("failing statement") << false << "DROP TABLE machine" << QStringList() << QList<int>();
}

void TestMachine::populate()
{
    QFETCH(bool, withFactoryZero);
    QFETCH(QString, change);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, ids);
    insertMachines({row({{"idMachine", 1}, {"name", "Beta"}}), row({{"idMachine", 2}, {"name", "Alpha"}}),
                    row({{"idMachine", 3}, {"name", "*FACTORY ZERO*"}})});
    if (!change.isEmpty())
        QVERIFY(QSqlQuery().exec(change));
    QWidget top;
    QComboBox *combo = new QComboBox(&top);
    combo->addItem("stale", 77);
    top.show();
    combo->setVisible(texts.isEmpty());
    populateCombo(combo, MachineRows::names(withFactoryZero));
    QStringList gotTexts;
    QList<int> gotIds;
    for (int i = 0; i < combo->count(); ++i) {
        gotTexts << combo->itemText(i);
        gotIds << combo->itemData(i).toInt();
        QVERIFY(combo->itemIcon(i).isNull());
    }
    QCOMPARE(gotTexts, texts);
    QCOMPARE(gotIds, ids);
    QCOMPARE(combo->isVisible(), !texts.isEmpty());
}

void TestMachine::manualUrl_data()
{
    QTest::addColumn<bool>("pivra");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected"); // empty: no manual

    const QStringList all{"merla_us.pdf", "merla_it.pdf", "corvo_us.pdf", "T5K_us.pdf", "T80D_de.pdf",
                          "T80D_us.pdf"};
    QTest::newRow("language file") << false << 0 << "Italiano|t8a_it.qm" << all << "merla_it.pdf";
    QTest::newRow("fallback to English") << false << 1 << "Italiano|t8a_it.qm" << all << "corvo_us.pdf";
    QTest::newRow("no underscore") << false << 3 << "English" << all << "T5K_us.pdf";
    QTest::newRow("pivra over type") << true << 3 << "Deutsch|t8a_de.qm" << all << "T80D_de.pdf";
    QTest::newRow("other type is corvo") << false << 7 << "English" << all << "corvo_us.pdf";
    QTest::newRow("underscore in display name") << false << 0 << "my_it|x.qm" << all << "merla_it.pdf";
    QTest::newRow("nothing found") << false << 3 << "Italiano|t8a_it.qm" << QStringList{"merla_it.pdf"} << "";
    QTest::newRow("no doc folder") << false << 0 << "English" << QStringList() << "";
}

void TestMachine::manualUrl()
{
    QFETCH(bool, pivra);
    QFETCH(int, type);
    QFETCH(QString, language);
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    for (const QString &f : files)
        QVERIFY(m_wd->writeFile("app/doc/" + f, "%PDF"));
    MachineSettings.isPivra = pivra;
    MachineSettings.type = type;
    MachineSettings.Language = language;
    const QUrl untouched("file:///untouched");
    QUrl url = untouched;
    const bool found = getManualUrl(url, m_wd->filePath("app"));
    QCOMPARE(found, !expected.isEmpty());
    if (expected.isEmpty())
        QCOMPARE(url, untouched);
    else
        QCOMPARE(url.toString(), "file://" + m_wd->filePath("app/doc/" + expected));
}

void TestMachine::validateUser_data()
{
    QTest::addColumn<QVariant>("stored");     // invalid: key absent
    QTest::addColumn<bool>("superBefore");
    QTest::addColumn<bool>("configBefore");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("superAfter");
    QTest::addColumn<bool>("configAfter");

    QTest::newRow("default password") << QVariant() << false << false << "tavo" << true << false << false;
    QTest::newRow("default password, any case") << QVariant() << true << true << "TaVo" << true << false << false;
    QTest::newRow("old absent default refused") << QVariant() << false << false << "9274" << false << false << false;
    QTest::newRow("stored password") << QVariant("Secret") << false << false << "sECRET" << true << false << false;
    QTest::newRow("default no longer valid") << QVariant("Secret") << false << false << "tavo" << false << false
                                             << false;
    QTest::newRow("service code") << QVariant("Secret") << false << true << "640517" << true << true << false;
    QTest::newRow("configuration code") << QVariant() << true << false << "27064195" << true << false << true;
    QTest::newRow("wrong after configuration code") << QVariant() << true << true << "nope" << false << false << true;
    QTest::newRow("empty refused") << QVariant("") << true << false << "" << false << false << false;
    QTest::newRow("code prefix refused") << QVariant() << false << false << "64051" << false << false << false;
}

void TestMachine::validateUser()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, superBefore);
    QFETCH(bool, configBefore);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(bool, superAfter);
    QFETCH(bool, configAfter);
    if (stored.isValid()) {
        App::kovraSettings().setValue("/Machine/Password", stored);
        App::kovraSettings().sync();
    }
    isSuperUser = superBefore;
    isSuperConfigUser = configBefore;
    QWidget parent;
    MessageBoxRecorder rec;
    QCOMPARE(ValidateUser(&parent, typed), accepted);
    QCOMPARE(isSuperUser, superAfter);
    QCOMPARE(isSuperConfigUser, configAfter);
    if (accepted) {
        QCOMPARE(rec.boxes().size(), 0);
    } else {
        QCOMPARE(rec.boxes().size(), 1);
        const QMessageBoxKovra::Box &b = rec.boxes().first();
        QCOMPARE(b.kind, QMessageBox::Critical);
        QCOMPARE(b.parent, &parent);
        QCOMPARE(b.title, QString("ERROR"));
        QCOMPARE(b.text, QString("Invalid password"));
        QCOMPARE(int(b.buttons), int(QMessageBox::Ok));
    }
}

namespace {
// Plays the capture thread: counts still frames every 10 ms after a delay.
class StillFrames : public QThread
{
public:
    explicit StillFrames(int startMs)
        : m_startMs(startMs)
    {
    }
    void run() override
    {
        msleep(m_startMs);
        while (!isInterruptionRequested()) {
            MachineSettings.frameCounter.fetchAndAddOrdered(1);
            msleep(10);
        }
    }

private:
    int m_startMs;
};
}

void TestMachine::freezeWait_data()
{
    QTest::addColumn<int>("idleMs");
    QTest::addColumn<int>("stillFromMs"); // -1: the camera never settles
    QTest::addColumn<int>("atLeastMs");
    QTest::addColumn<int>("below"); // the wait must end before this
    QTest::newRow("no idle time: one sleep") << 0 << -1 << 95 << 1500;
    // A counter left high from before the wait does not end it.
    QTest::newRow("idle limit") << 300 << -1 << 395 << 2000;
    QTest::newRow("camera settles first") << 60000 << 0 << 95 << 5000;
}

void TestMachine::freezeWait()
{
    QFETCH(int, idleMs);
    QFETCH(int, stillFromMs);
    QFETCH(int, atLeastMs);
    QFETCH(int, below);
    MachineSettings.idleClick = idleMs * 1000;
    MachineSettings.frameCounter = 50;
    QWidget button;
    bool blockedDuring = false;
    StillFrames still(stillFromMs);
    if (stillFromMs >= 0)
        still.start();
    QTimer::singleShot(0, [&]() { blockedDuring = button.signalsBlocked(); });
    QElapsedTimer t;
    t.start();
    freezeMeasureButton(&button);
    const qint64 ms = t.elapsed();
    still.requestInterruption();
    still.wait();
    QVERIFY2(ms >= atLeastMs, qPrintable(QString::number(ms)));
    QVERIFY2(ms < below, qPrintable(QString::number(ms)));
    QVERIFY(blockedDuring);
    QVERIFY(!button.signalsBlocked());
}

QTEST_MAIN(TestMachine)
#include "tst_machine.moc"
