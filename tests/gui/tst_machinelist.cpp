#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "machines/cmachinelist.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "support/MachinePanelHost.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"
#include "support/ToolingDb.h"

namespace {

QPushButton *button(QWidget *panel, const char *name)
{
    return child<QPushButton>(panel, name);
}

QStringList listed(cMachineList &list)
{
    QListView *view = child<QListView>(&list, "lstMachine");
    QAbstractItemModel *m = view->model();
    QStringList names;
    for (int r = 0; r < m->rowCount(); ++r)
        names << m->index(r, view->modelColumn()).data().toString();
    return names;
}

int count(const QString &sql)
{
    return MachineDb::value(sql).toInt();
}

} // namespace

class TestMachineList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listing_data();
    void listing();
    void selection_data();
    void selection();
    void relays();
    void masterRefused_data();
    void masterRefused();
    void confirmation_data();
    void confirmation();
    void deletion_data();
    void deletion();
    void deletionIsAllOrNothing_data();
    void deletionIsAllOrNothing();
    void screenshot();

private:
    std::unique_ptr<MachineDbScope> m_db;
    MachinePanelHost *m_host = nullptr;
    cMachineList *m_list = nullptr;
};

void TestMachineList::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestMachineList::init()
{
    m_db = std::make_unique<MachineDbScope>();
    QVERIFY(m_db->isOpen());
    m_host = new MachinePanelHost;
    m_list = new cMachineList(m_host);
}

void TestMachineList::cleanup()
{
    delete m_host;
    m_host = nullptr;
    m_list = nullptr;
    m_db.reset();
}

void TestMachineList::listing_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("superUser");
    QTest::addColumn<QStringList>("expected");

    const QStringList some{"LATHE 2", "*FACTORY ZERO*", "MILL", "LATHE 10"};
    QTest::newRow("operator: no factory zero, by name") << some << false << QStringList{"LATHE 10", "LATHE 2", "MILL"};
    QTest::newRow("service user: factory zero in name order")
        << some << true << QStringList{"*FACTORY ZERO*", "LATHE 10", "LATHE 2", "MILL"};
    QTest::newRow("empty table") << QStringList() << false << QStringList();
    QTest::newRow("only factory zero, operator") << QStringList{"*FACTORY ZERO*"} << false << QStringList();
}

void TestMachineList::listing()
{
    QFETCH(QStringList, names);
    QFETCH(bool, superUser);
    QFETCH(QStringList, expected);
    for (const QString &n : names)
        QVERIFY(MachineDb::addMachine({{"name", n}}) > 0);
    isSuperUser = superUser;
    m_list->setCurrentMachine(QString());
    QCOMPARE(listed(*m_list), expected);
    QCOMPARE(button(m_list, "tbEdit")->isEnabled(), !expected.isEmpty());
    QCOMPARE(button(m_list, "tbDelete")->isEnabled(), !expected.isEmpty());
    QCOMPARE(m_list->getSelectedMachineName(), expected.value(0));
}

void TestMachineList::selection_data()
{
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<QString>("selected");

    QTest::newRow("exact name") << "MILL" << "MILL";
    QTest::newRow("exact name that others begin with") << "LATHE" << "LATHE";
    QTest::newRow("longer name") << "LATHE 2" << "LATHE 2";
    QTest::newRow("beginning, any case") << "mil" << "MILL";
    QTest::newRow("empty: first row") << "" << "BORER";
    QTest::newRow("unknown: first row") << "GRINDER" << "BORER";
    QTest::newRow("hidden factory zero: first row") << "*FACTORY ZERO*" << "BORER";
}

void TestMachineList::selection()
{
    QFETCH(QString, wanted);
    QFETCH(QString, selected);
    for (const char *n : {"MILL", "LATHE 2", "LATHE", "BORER", "*FACTORY ZERO*"})
        QVERIFY(MachineDb::addMachine({{"name", QString::fromLatin1(n)}}) > 0);
    m_list->setCurrentMachine(wanted);
    QCOMPARE(m_list->getSelectedMachineName(), selected);
}

void TestMachineList::relays()
{
    QSignalSpy news(m_list, &cMachineList::sigNew);
    QSignalSpy edits(m_list, &cMachineList::sigEdit);
    QSignalSpy hides(m_list, &cMachineList::sigHideList);
    button(m_list, "tbNew")->click();
    QCOMPARE(news.count(), 1);
    QCOMPARE(edits.count(), 0);
    button(m_list, "tbEdit")->click();
    QCOMPARE(edits.count(), 1);
    QCOMPARE(hides.count(), 0);
    button(m_list, "tbHide")->click();
    QCOMPARE(hides.count(), 1);
    QCOMPARE(news.count(), 1);
}

void TestMachineList::masterRefused_data()
{
    QTest::addColumn<QString>("slaveColumn");
    QTest::newRow("master on X") << "idMasterX";
    QTest::newRow("master on Z only") << "idMasterZ";
}

void TestMachineList::masterRefused()
{
    QFETCH(QString, slaveColumn);
    const int master = MachineDb::addMachine({{"name", "MASTER"}});
    QVERIFY(MachineDb::addMachine({{"name", "SLAVE"}, {slaveColumn, master},
                                   {slaveColumn == "idMasterX" ? "linkToMasterX" : "linkToMasterZ", 1}}) > 0);
    m_list->setCurrentMachine("MASTER");

    MessageBoxRecorder boxes;
    button(m_list, "tbDelete")->click();
    QCOMPARE(boxes.boxes().size(), 1);
    const QMessageBoxKovra::Box box = boxes.boxes().first();
    QCOMPARE(box.kind, QMessageBox::Critical);
    QCOMPARE(box.title, QString("Delete machine"));
    QCOMPARE(box.text, QString("Selected machine is master for other machines\nUnable to delete"));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(m_host->inputBoxes.isEmpty());

    // Even with the password the master stays.
    m_list->deleteMachine("tavo");
    QCOMPARE(count("SELECT COUNT(*) FROM machine"), 2);
}

void TestMachineList::confirmation_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asksPassword");
    QTest::newRow("default No") << int(QMessageBox::NoButton) << false;
    QTest::newRow("Yes") << int(QMessageBox::Yes) << true;
}

void TestMachineList::confirmation()
{
    QFETCH(int, answer);
    QFETCH(bool, asksPassword);
    QVERIFY(MachineDb::addMachine({{"name", "MILL"}}) > 0);
    m_list->setCurrentMachine("MILL");

    MessageBoxRecorder boxes;
    if (answer != QMessageBox::NoButton)
        boxes.answer(QMessageBox::StandardButton(answer));
    button(m_list, "tbDelete")->click();
    QCOMPARE(boxes.boxes().size(), 1);
    const QMessageBoxKovra::Box box = boxes.boxes().first();
    QCOMPARE(box.kind, QMessageBox::Question);
    QCOMPARE(box.title, QString("Delete machine"));
    QCOMPARE(box.text, QString("All tooling tables for selected machine will be deleted\nConfirm?"));
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.defaultButton, QMessageBox::No);

    QCOMPARE(m_host->inputBoxes.size(), asksPassword ? 1 : 0);
    if (asksPassword) {
        const MachinePanelHost::InputBox ib = m_host->inputBoxes.first();
        QCOMPARE(ib.label, QString("Insert password"));
        QCOMPARE(ib.text, QString());
        QCOMPARE(ib.type, int(ibDeleteMachine));
        QVERIFY(ib.hidden);
    }
    QCOMPARE(count("SELECT COUNT(*) FROM machine"), 1);
}

void TestMachineList::deletion_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("wrong password") << "nope" << false;
    QTest::newRow("empty password") << "" << false;
    QTest::newRow("configured password, any case") << "TAVO" << true;
    QTest::newRow("service code") << "640517" << true;
}

void TestMachineList::deletion()
{
    QFETCH(QString, password);
    QFETCH(bool, deleted);
    const int gone = MachineDb::addMachine({{"name", "BORER"}});
    const int kept = MachineDb::addMachine({{"name", "MILL"}});
    QList<int> goneTools;
    QList<int> keptTools;
    for (int i = 0; i < 2; ++i) {
        const int goneTable = MachineDb::addTable(gone, QString("G%1").arg(i));
        const int keptTable = MachineDb::addTable(kept, QString("K%1").arg(i));
        for (int t = 1; t <= 3; ++t) {
            goneTools << MachineDb::addTool(goneTable, t);
            keptTools << MachineDb::addTool(keptTable, t);
        }
    }
    QVERIFY(!goneTools.contains(-1) && !keptTools.contains(-1));
    m_list->setCurrentMachine("BORER");

    MessageBoxRecorder boxes;
    m_list->deleteMachine(password);

    const QString goneId = QString::number(gone);
    QCOMPARE(count("SELECT COUNT(*) FROM machine WHERE idMachine=" + goneId), deleted ? 0 : 1);
    QCOMPARE(count("SELECT COUNT(*) FROM toolingTables WHERE idMachine=" + goneId), deleted ? 0 : 2);
    QStringList goneIds;
    for (int id : goneTools)
        goneIds << QString::number(id);
    QCOMPARE(count("SELECT COUNT(*) FROM tools WHERE idTool IN (" + goneIds.join(',') + ")"), deleted ? 0 : 6);
    QCOMPARE(count("SELECT COUNT(*) FROM dnc WHERE idTool IN (" + goneIds.join(',') + ")"), deleted ? 0 : 6);
    // The other machine keeps everything.
    QCOMPARE(count("SELECT COUNT(*) FROM machine"), deleted ? 1 : 2);
    QCOMPARE(count("SELECT COUNT(*) FROM toolingTables WHERE idMachine=" + QString::number(kept)), 2);
    QCOMPARE(count("SELECT COUNT(*) FROM tools"), deleted ? 6 : 12);
    QCOMPARE(count("SELECT COUNT(*) FROM dnc"), deleted ? 6 : 12);

    if (deleted) {
        QVERIFY(boxes.boxes().isEmpty());
        QCOMPARE(listed(*m_list), QStringList{"MILL"});
        QCOMPARE(m_list->getSelectedMachineName(), QString("MILL"));
        QCOMPARE(m_host->macComboCalls, QStringList{QString()});
    } else {
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes().first().text, QString("Invalid password"));
        QCOMPARE(m_list->getSelectedMachineName(), QString("BORER"));
        QVERIFY(m_host->macComboCalls.isEmpty());
    }

    if (deleted) {
        // The last machine leaves an empty list without edit and delete.
        m_list->deleteMachine(password);
        QCOMPARE(count("SELECT COUNT(*) FROM machine"), 0);
        QVERIFY(listed(*m_list).isEmpty());
        QVERIFY(!button(m_list, "tbEdit")->isEnabled());
        QVERIFY(!button(m_list, "tbDelete")->isEnabled());
        QCOMPARE(count("SELECT COUNT(*) FROM tools"), 0);
    }
}

// A deletion the database or the disk refuses takes nothing away and is said
// with the store's error.
void TestMachineList::deletionIsAllOrNothing_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("machine row kept by the database") << int(StorageFault::None);
    for (const StorageFault::Kind kind : StorageFault::kinds())
        if (kind != StorageFault::None)
            QTest::newRow(StorageFault::name(kind)) << int(kind);
}

void TestMachineList::deletionIsAllOrNothing()
{
    QFETCH(int, fault);
    const int id = MachineDb::addMachine({{"name", "MILL"}});
    const int table = MachineDb::addTable(id, "T");
    QVERIFY(MachineDb::addTool(table, 1) > 0);
    if (fault == StorageFault::None)
        QVERIFY(MachineDb::exec("CREATE TRIGGER keepMachine BEFORE DELETE ON machine BEGIN SELECT RAISE(ABORT, 'kept'); END"));
    m_list->setCurrentMachine("MILL");
    MessageBoxRecorder boxes;
    {
        RefusingDb disk(fault);
        QVERIFY(disk.holds());
        m_list->deleteMachine("tavo");
        QCOMPARE(listed(*m_list), QStringList{"MILL"});
    }
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY2(boxes.boxes().first().text.startsWith("Machine not deleted\n\n") && boxes.boxes().first().text.size() > 25,
             qPrintable(boxes.boxes().first().text));
    QCOMPARE(count("SELECT COUNT(*) FROM machine"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM toolingTables"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM tools"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM dnc"), 1);
    // No transaction was left open.
    QVERIFY(QSqlDatabase::database().transaction());
    QVERIFY(QSqlDatabase::database().rollback());
}

void TestMachineList::screenshot()
{
    for (const char *n : {"LATHE 1", "LATHE 2", "MILL DMG", "BORER", "GRINDER"})
        QVERIFY(MachineDb::addMachine({{"name", QString::fromLatin1(n)}}) > 0);
    m_list->setCurrentMachine("MILL");
    m_list->resize(375, 500);
    saveScreenshot(m_list, "machine_list");
    QCOMPARE(m_list->getSelectedMachineName(), QString("MILL DMG"));
}

QTEST_MAIN(TestMachineList)
#include "tst_machinelist.moc"
