#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QCoreApplication>
#include <QtTest>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "app/InstanceLock.h"
#include "app/TouchScreen.h"
#include "support/LockHolder.h"
#include "support/TestWorkDir.h"

// The single-instance lock between processes, and the touch-screen check.
class TestInstanceLock : public QObject
{
    Q_OBJECT
private slots:
    void otherProcessHoldsLock();
    void lockOfVanishedProcessIsTakenOver();
    void oldLockOfRunningProcessStillHolds();
    void damagedLockFileIsTakenOver_data();
    void damagedLockFileIsTakenOver();
    void releasedOnDestruction();
    void unwritableFolder();
    void demoScriptFindsTheProgram_data();
    void demoScriptFindsTheProgram();
    void touchPointers_data();
    void touchPointers();

private:
    // Starts this test program as a second process that takes the lock in
    // the given folder and keeps it until its standard input closes.
    bool startHolder(QProcess &p, const QString &folder);
};

bool TestInstanceLock::startHolder(QProcess &p, const QString &folder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("T8A_HOLD_LOCK_IN"), folder);
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), QStringList());
    if (!p.waitForStarted(5000))
        return false;
    if (!p.waitForReadyRead(5000))
        return false;
    return p.readLine().trimmed() == "locked";
}

void TestInstanceLock::otherProcessHoldsLock()
{
    TestWorkDir wd;
    QProcess holder;
    QVERIFY(startHolder(holder, wd.path()));

    InstanceLock second;
    QCOMPARE(second.acquire(), InstanceLock::HeldByOther);
    QVERIFY(!second.isHeld());

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    // Once the first copy has ended a new start succeeds.
    QCOMPARE(second.acquire(), InstanceLock::Acquired);
}

void TestInstanceLock::lockOfVanishedProcessIsTakenOver()
{
    TestWorkDir wd;
    QProcess holder;
    QVERIFY(startHolder(holder, wd.path()));
    holder.kill(); // a crash: the lock file stays behind
    QVERIFY(holder.waitForFinished(5000));
    QVERIFY(QFile::exists(wd.filePath("T8A_M.lock")));

    InstanceLock next;
    QCOMPARE(next.acquire(), InstanceLock::Acquired);
}

void TestInstanceLock::oldLockOfRunningProcessStillHolds()
{
    TestWorkDir wd;
    QProcess holder;
    QVERIFY(startHolder(holder, wd.path()));
    // The program runs for days: the age of its lock must not free it.
    QFile lockFile(wd.filePath("T8A_M.lock"));
    QVERIFY(lockFile.open(QIODevice::ReadWrite));
    QVERIFY(lockFile.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime));
    lockFile.close();

    InstanceLock second;
    QCOMPARE(second.acquire(), InstanceLock::HeldByOther);
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
}

void TestInstanceLock::damagedLockFileIsTakenOver_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no process id") << QByteArray("garbage\n");
}

void TestInstanceLock::damagedLockFileIsTakenOver()
{
    QFETCH(QByteArray, content);
    TestWorkDir wd;
    QVERIFY(wd.writeFile("T8A_M.lock", content));
    InstanceLock lock;
    QCOMPARE(lock.acquire(), InstanceLock::Acquired);
}

void TestInstanceLock::releasedOnDestruction()
{
    TestWorkDir wd;
    {
        InstanceLock first;
        QCOMPARE(first.acquire(), InstanceLock::Acquired);
        QCOMPARE(first.acquire(), InstanceLock::Acquired);
        QVERIFY(QFile::exists(wd.filePath("T8A_M.lock")));
    }
    QVERIFY(!QFile::exists(wd.filePath("T8A_M.lock")));
}

void TestInstanceLock::unwritableFolder()
{
    if (::geteuid() == 0)
        QSKIP("the super user writes into any folder");
    TestWorkDir wd;
    QVERIFY(QFile::setPermissions(wd.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    InstanceLock lock;
    QCOMPARE(lock.acquire(), InstanceLock::Unavailable);
    QFile::setPermissions(wd.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestInstanceLock::demoScriptFindsTheProgram_data()
{
    QTest::addColumn<QString>("lock");
    QTest::addColumn<bool>("inExecution");
    QTest::newRow("a running copy") << "running" << true;
    QTest::newRow("left by a crashed copy") << "crashed" << false;
    QTest::newRow("no process id") << "garbage\n" << false;
    QTest::newRow("process id now of another program") << "own id" << false;
    QTest::newRow("no lock") << "" << false;
}

// The demo script refuses a second start before it starts or writes anything,
// so it must find the running program as the program's own start would.
void TestInstanceLock::demoScriptFindsTheProgram()
{
    QFETCH(QString, lock);
    QFETCH(bool, inExecution);
    TestWorkDir wd;
    QProcess holder;
    if (lock == "running" || lock == "crashed") {
        QVERIFY(startHolder(holder, wd.path()));
        if (lock == "crashed") {
            holder.kill();
            QVERIFY(holder.waitForFinished(5000));
        }
    } else if (lock == "own id") {
        QVERIFY(wd.writeFile("T8A_M.lock", QByteArray::number(QCoreApplication::applicationPid()) + "\nT8A_M\n"
                                               + QSysInfo::machineHostName().toUtf8() + "\n"));
    } else if (!lock.isEmpty()) {
        QVERIFY(wd.writeFile("T8A_M.lock", lock.toUtf8()));
    }

    QProcess script;
    script.start("sh", {"-c", ". \"$0/scripts/demo-workdir.sh\" && demo_in_execution \"$1\"",
                        QString::fromLocal8Bit(qgetenv("T8A_SOURCE_DIR")), wd.path()});
    QVERIFY(script.waitForFinished(10000));
    QCOMPARE(script.readAllStandardError(), QByteArray());
    QCOMPARE(script.exitCode() == 0, inExecution);
    InstanceLock second;
    QCOMPARE(second.acquire() == InstanceLock::HeldByOther, inExecution);

    holder.closeWriteChannel();
    holder.waitForFinished(5000);
}

void TestInstanceLock::touchPointers_data()
{
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<bool>("onlyTouch");
    QTest::newRow("no folder") << QStringList{"-"} << true;
    QTest::newRow("no mouse") << QStringList{"usb-Keys-event-kbd"} << true;
    QTest::newRow("touch only") << QStringList{"usb-Ev_TouchController-event-mouse"} << true;
    QTest::newRow("ordinary mouse")
        << QStringList{"usb-Ev_TouchController-event-mouse", "usb-Logi_Optical-event-mouse"} << false;
    QTest::newRow("letter case counts") << QStringList{"usb-touchcontroller-event-mouse"} << false;
    QTest::newRow("name must end in -mouse") << QStringList{"usb-Logi_Optical-mouse-event"} << true;
}

void TestInstanceLock::touchPointers()
{
    QFETCH(QStringList, devices);
    QFETCH(bool, onlyTouch);
    TestWorkDir wd;
    QString folder = wd.filePath("by-id");
    if (devices == QStringList{"-"}) {
        folder = wd.filePath("missing");
    } else {
        QVERIFY(QDir().mkpath(folder));
        // Device entries are special files; named pipes stand in for them.
        for (const QString &d : devices)
            QCOMPARE(::mkfifo(QFile::encodeName(folder + "/" + d).constData(), 0600), 0);
        // A plain file is no device entry and never counts.
        QVERIFY(wd.writeFile("by-id/plain-file-mouse", "x"));
    }
    QCOMPARE(onlyTouchPointers(folder), onlyTouch);
}

int main(int argc, char *argv[])
{
    const int held = holdLockWhenAsked(argc, argv);
    if (held >= 0)
        return held;
    QCoreApplication app(argc, argv);
    TestInstanceLock t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_instancelock.moc"
