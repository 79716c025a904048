#include <QDir>
#include <QProcess>
#include <QtTest>

#include <QImage>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <QFileDialog>
#include <QSignalSpy>

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "axis/cAxisInterface.h"
#include "axis/measureserver.h"
#include "rfid/cballuff.h"
#include "shared/SharedStruct.h"
#include "tooling/ToolTolerance.h"
#include "tooling/csetlist.h"

#include "support/AxbLinkFixture.h"
#include "support/FakeAxbBoard.h"
#include "support/FakeBalluffHead.h"
#include "support/MessageBoxRecorder.h"
#include "support/PtyPeer.h"
#include "support/TestWorkDir.h"

class TestEntry : public QObject
{
    Q_OBJECT
private slots:
    void versionQuery_data();
    void versionQuery();
    void normalStart();
    void secondCopyHoldsNoPort();
    void demoWorkingDirectory_data();
    void demoWorkingDirectory();
    void demoTagMeasures_data();
    void demoTagMeasures();

private:
    // A working directory the program can start in without hardware: the
    // board on a pseudo-terminal, the stand-in camera on one picture.
    static void prepare(const TestWorkDir &wd, const FakeAxbBoard &board);
};

void TestEntry::prepare(const TestWorkDir &wd, const FakeAxbBoard &board)
{
    QImage frame(64, 64, QImage::Format_Grayscale8);
    frame.fill(128);
    QDir().mkpath(wd.filePath("frames"));
    frame.save(wd.filePath("frames/a.png"));
    QSettings s(wd.filePath("T8A_M.cfg"), QSettings::IniFormat);
    s.setValue("/TTY/AxbPort", board.slavePath());
    s.setValue("/camera/StandIn", wd.filePath("frames"));
    s.setValue("/camera/XCalibration", 0.01);
    s.setValue("/camera/ZCalibration", 0.01);
}

void TestEntry::versionQuery_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("answers");
    QTest::newRow("long") << QStringList{"--version"} << true;
    QTest::newRow("short") << QStringList{"-v"} << true;
    QTest::newRow("upper case") << QStringList{"-V"} << false;
    QTest::newRow("two arguments") << QStringList{"-v", "x"} << false;
    QTest::newRow("prefix") << QStringList{"--versions"} << false;
}

void TestEntry::versionQuery()
{
    QFETCH(QStringList, args);
    QFETCH(bool, answers);
    TestWorkDir wd;
    const QString program = TestWorkDir::builtProgram("T8A_M");
    QVERIFY2(!program.isEmpty(), "T8A_M not built");

    if (!answers) {
        // The normal start needs the whole system; only check the line is absent
        // when the program is stopped quickly.
        FakeAxbBoard board;
        prepare(wd, board);
        QProcess p;
        p.setWorkingDirectory(wd.path());
        p.start(program, args);
        QVERIFY(p.waitForStarted(5000));
        p.waitForFinished(1500);
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
        QVERIFY(!p.readAllStandardOutput().contains("current version"));
        return;
    }

    QProcess p;
    p.setWorkingDirectory(wd.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(program, args);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardOutput(), QByteArray("current version 3.0\n"));
    QVERIFY(QDir(wd.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

void TestEntry::normalStart()
{
    TestWorkDir wd;
    FakeAxbBoard board;
    QVERIFY(board.isOpen());
    prepare(wd, board);
    QProcess p;
    p.setWorkingDirectory(wd.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(TestWorkDir::builtProgram("T8A_M"), QStringList());
    QVERIFY(p.waitForStarted(5000));
    // The window is built: its first axis update resets the board.
    QTRY_VERIFY_WITH_TIMEOUT(board.countFrames("R") == 1, 10000);
    QCOMPARE(p.state(), QProcess::Running);
    QVERIFY(QFile::exists(wd.filePath("T8A_M.lock")));
    QVERIFY(QFile::exists(wd.filePath("T8A_M.sqlite")));
    QCOMPARE(QSettings(wd.filePath("T8A_M.cfg"), QSettings::IniFormat).value("/Software/Version").toString(),
             QStringLiteral("3.0"));
    p.kill();
    QVERIFY(p.waitForFinished(5000));
}

// Two copies started from two folders against one board and one DNC line:
// the second holds neither device, so no line is split between two readers.
void TestEntry::secondCopyHoldsNoPort()
{
    FakeAxbBoard board;
    PtyPeer dnc;
    QProcess copies[2];
    TestWorkDir folders[2];
    for (int i = 0; i < 2; ++i) {
        prepare(folders[i], board);
        QSettings(folders[i].filePath("T8A_M.cfg"), QSettings::IniFormat).setValue("/TTY/DncPort", dnc.slavePath());
        copies[i].setWorkingDirectory(folders[i].path());
        copies[i].start(TestWorkDir::builtProgram("T8A_M"), QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(board.countFrames("R") == 1, 10000); // the first copy's window is built
    }
    // The second copy names the devices it left to the first.
    QByteArray said;
    const QString busy = QStringLiteral("TTY port %1 used by another program");
    QTRY_VERIFY_WITH_TIMEOUT((said += copies[1].readAllStandardError()).contains(busy.arg(dnc.slavePath()).toUtf8()), 10000);
    QVERIFY(said.contains(busy.arg(board.slavePath()).toUtf8()));
    for (int i = 0; i < 2; ++i) {
        const QString fds = QStringLiteral("/proc/%1/fd/").arg(copies[i].processId());
        QStringList open;
        for (const QString &fd : QDir(fds).entryList(QDir::System))
            open << QFile::symLinkTarget(fds + fd);
        QCOMPARE(open.contains(board.slavePath()) && open.contains(dnc.slavePath()), i == 0);
        QCOMPARE(open.contains(board.slavePath()) || open.contains(dnc.slavePath()), i == 0);
        copies[i].kill();
        QVERIFY(copies[i].waitForFinished(5000));
    }
}

void TestEntry::demoWorkingDirectory_data()
{
    // What the settings held before make-demo ran ("" for nothing), and the
    // camera folder and coarse zero search expected after it.
    QTest::addColumn<QString>("standInBefore");
    QTest::addColumn<QVariant>("coarseBefore");
    QTest::addColumn<QString>("standInAfter");
    QTest::addColumn<bool>("coarseAfter");
    QTest::newRow("fresh") << "" << QVariant() << "radius" << true;
    QTest::newRow("operator chose another tool") << "chamfer" << QVariant() << "chamfer" << true;
    QTest::newRow("folder without pictures") << "empty" << QVariant() << "radius" << true;
    QTest::newRow("coarse zero search turned off") << "" << QVariant(false) << "radius" << false;
}

void TestEntry::demoWorkingDirectory()
{
    QFETCH(QString, standInBefore);
    QFETCH(QVariant, coarseBefore);
    QFETCH(QString, standInAfter);
    QFETCH(bool, coarseAfter);
    TestWorkDir wd;
    const QString program = TestWorkDir::builtProgram("make-demo");
    QVERIFY2(!program.isEmpty(), "make-demo not built");
    const QString seeds = QString::fromLocal8Bit(qgetenv("T8A_SOURCE_DIR")) + "/demo";
    const QString frames = seeds + "/frames/";
    QDir().mkpath(wd.filePath("demo/empty"));
    const auto folder = [&](const QString &name) {
        return name == "empty" ? wd.filePath("demo/empty") : frames + name;
    };
    {
        QSettings s(wd.filePath("demo/T8A_M.cfg"), QSettings::IniFormat);
        if (!standInBefore.isEmpty())
            s.setValue("/camera/StandIn", folder(standInBefore));
        if (coarseBefore.isValid())
            s.setValue("/Machine/coarseZeroSearch", coarseBefore);
    }
    // A second run (the demo started again) adds no second set of samples.
    const auto machines = [&]() {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "demo");
        db.setDatabaseName(wd.filePath("demo/T8A_M.sqlite"));
        QSqlQuery q(db);
        const int n = db.open() && q.exec("SELECT COUNT(*) FROM machine") && q.next() ? q.value(0).toInt() : -1;
        q.finish();
        db.close();
        return n;
    };
    QList<int> counts;
    for (int run = 0; run < 2; ++run) {
        QProcess tool;
        tool.start(program, {wd.filePath("demo"), "/dev/null", seeds});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        counts << machines();
        QSqlDatabase::removeDatabase("demo");
    }
    QVERIFY(counts.first() > 0);
    QCOMPARE(counts.last(), counts.first());
    QSettings s(wd.filePath("demo/T8A_M.cfg"), QSettings::IniFormat);
    QCOMPARE(s.value("/camera/StandIn").toString(), folder(standInAfter));
    QCOMPARE(s.value("/Machine/coarseZeroSearch").toBool(), coarseAfter);

    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "demo");
        db.setDatabaseName(wd.filePath("demo/T8A_M.sqlite"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        // The table that shows the tolerance colouring: some tools inside, one outside.
        QVERIFY(q.exec("SELECT t, x, Xth, XtolPlus, XtolMinus, z, Zth, ZtolPlus, ZtolMinus FROM tools JOIN "
                       "toolingTables USING (idTable) WHERE toolingTables.name = 'TURRET A' ORDER BY t"));
        QList<int> outside;
        int rows = 0;
        while (q.next()) {
            ++rows;
            const auto out = [&](int c) {
                return isOutOfTolerance(q.value(c).toDouble(), q.value(c + 1).toDouble(), q.value(c + 2).toDouble(),
                                        q.value(c + 3).toDouble(), 3);
            };
            if (out(1) || out(5))
                outside << q.value(0).toInt();
        }
        QVERIFY(rows > 2);
        QCOMPARE(outside, QList<int>{3});

        // The tables written at preparation carry every value their format
        // writes as the machine keeps it: a diameter stays the diameter, inch
        // values keep their 4 decimals.
        QVERIFY(q.exec("SELECT m.IsMM, m.PostPro, n.name, x, z, cr FROM tools JOIN toolingTables n USING (idTable) "
                       "JOIN machine m USING (idMachine) WHERE m.PostPro <> '' AND n.idTable = "
                       "(SELECT MIN(idTable) FROM toolingTables WHERE idMachine = m.idMachine)"));
        QSet<QString> written;
        while (q.next()) {
            const QString file = "demo/export/" + q.value(2).toString() + ".tab";
            const QString text = QString::fromLatin1(TestWorkDir::readFile(wd.filePath(file)));
            const bool radiusWritten = TestWorkDir::readFile(wd.filePath("demo/postpro/" + q.value(1).toString()))
                                           .contains("@I");
            written << file;
            for (int c : {3, 4, 5}) {
                if (c == 5 && (!radiusWritten || q.value(c).toString().isEmpty()))
                    continue;
                const QString value = QString::number(q.value(c).toDouble(), 'f', q.value(0).toBool() ? 3 : 4);
                QVERIFY2(text.contains(value) || text.contains(QString(value).replace('.', ',')),
                         qPrintable(file + ": no " + value + " in\n" + text));
            }
        }
        QCOMPARE(written.size(), 3);
    }
    QSqlDatabase::removeDatabase("demo");

    // The CSV import as the README shows it: the list's CSV button offers the
    // demo's csv/ folder, and csv/tools.csv becomes a table of its five tools.
    for (const char *sample : {"csv-import.cfg", "csv/tools.csv", "csv/nedschroef.txt", "csv/nedschroef.cfg"})
        QVERIFY2(QFile::exists(wd.filePath("demo/") + sample), sample);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE");
        db.setDatabaseName(wd.filePath("demo/T8A_M.sqlite"));
        QVERIFY(db.open());
        QVERIFY(QDir::setCurrent(wd.filePath("demo")));
        QSqlQuery lathe(db);
        QVERIFY(lathe.exec("SELECT idMachine FROM machine WHERE name = 'LATHE 1'") && lathe.next());
        MessageBoxRecorder boxes;
        cSetList list;
        list.selectToolset(lathe.value(0).toInt(), true);
        QString offered;
        cSetList::setFileDialogHook([&](QFileDialog &d) {
            offered = d.directory().absolutePath();
            return d.directory().absoluteFilePath("tools.csv");
        });
        QSignalSpy asked(&list, &cSetList::sigNewToolset);
        list.slotCsvImport();
        cSetList::setFileDialogHook({});
        QCOMPARE(offered, wd.filePath("demo/csv"));
        QCOMPARE(asked.size(), 1);
        list.importToolset(asked.first().at(1).toString());
        QDir::setCurrent(wd.path());
        QCOMPARE(boxes.boxes().size(), 0);
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT COUNT(*) FROM tools JOIN toolingTables USING (idTable) WHERE name = 'tools'"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 5);
        db.close();
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

void TestEntry::demoTagMeasures_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("X") << "Radius X";
    QTest::newRow("Z") << "Length Z";
}

// The RFID machine of the demo reads the board simulator's start counts as a
// tool whose X and Z the tag editor's measure buttons take within the demo
// layout's bounds, so the tag can be written.
void TestEntry::demoTagMeasures()
{
    QFETCH(QString, field);
    const QString program = TestWorkDir::builtProgram("make-demo");
    QVERIFY2(!program.isEmpty(), "make-demo not built");
    AxbLinkFixture::Options o;
    o.autoAnswer = true;
    AxbLinkFixture f(o);
    f.board.setCounts(26000, 98000); // axb-sim's start
    FakeBalluffHead head;
    const QString demo = f.workDir.filePath("demo");
    QProcess tool;
    tool.start(program, {demo, "/dev/null", QString::fromLocal8Bit(qgetenv("T8A_SOURCE_DIR")) + "/demo",
                         "--rfid-head", head.slavePath()});
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 0);

    QVERIFY(QDir::setCurrent(demo));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE");
        db.setDatabaseName("T8A_M.sqlite");
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT idMachine FROM machine WHERE name = 'LATHE 5 RFID'") && q.next());
        CurrentMachine = getMachineData(q.value(0).toInt());
    }
    MachineSettings.mmDecimals = 3;
    MachineSettings.idleClick = 0; // no camera frames to wait for
    cAxisInterface *link = f.start();
    QTRY_COMPARE_WITH_TIMEOUT(link->getScaleX(), 260000, 15000);

    MessageBoxRecorder boxes;
    QWidget host;
    MeasureServer measure(link, nullptr, nullptr, nullptr);
    {
        cBalluffUI editor(&host, &measure);
        QVERIFY(editor.init());
        int row = 0;
        while (row < editor.fieldList().size() && editor.fieldList().at(row).Label != field)
            ++row;
        QVERIFY(row < editor.fieldList().size());
        // The tag as the demo starts it: the layout's defaults.
        boxes.answer(QMessageBox::Yes);
        editor.form()->pbDefault->click();
        boxes.clear();
        auto *value = qobject_cast<QLineEdit *>(editor.editor(row));
        value->clear();
        qobject_cast<QPushButton *>(editor.table()->cellWidget(row, 2))->click();
        QCOMPARE(boxes.boxes().size(), 0);
        QVERIFY(!value->text().isEmpty());
        // What the write checks first.
        QString refused;
        QVERIFY2(editor.validateData(refused), qPrintable(value->text() + ": " + refused));
    }
    QDir::setCurrent(f.workDir.path());
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
