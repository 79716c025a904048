#include <QDir>
#include <QProcess>
#include <QtTest>

#include "support/TestWorkDir.h"

class TestEntry : public QObject
{
    Q_OBJECT
private slots:
    void versionQuery_data();
    void versionQuery();
};

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

QTEST_GUILESS_MAIN(TestEntry)
#include "tst_entry.moc"
