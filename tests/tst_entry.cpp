#include <QDir>
#include <QProcess>
#include <QtTest>

#include <QImage>
#include <QSettings>

#include "support/FakeAxbBoard.h"
#include "support/TestWorkDir.h"

class TestEntry : public QObject
{
    Q_OBJECT
private slots:
    void versionQuery_data();
    void versionQuery();
    void normalStart();

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

QTEST_GUILESS_MAIN(TestEntry)
#include "tst_entry.moc"
