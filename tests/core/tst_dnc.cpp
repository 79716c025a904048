// Requests of a CNC or host computer on the serial DNC line, answered byte
// for byte, and the database and settings-file work behind them.
#include "tooling/DncData.h"
#include "axis/ManageSerialPort.h"
#include "axis/QextSerialPort.h"
#include "axis/cAxisInterface.h"
#include "tooling/DncSerialService.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "support/AxbLinkFixture.h"
#include "support/HoldProbe.h"
#include "support/MemoryProbe.h"
#include "support/PtyPeer.h"
#include "support/ScopedLocale.h"
#include "support/StderrCapture.h"
#include "support/StorageFault.h"
#include "support/TestWorkDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include <poll.h>
#include <unistd.h>


namespace {
const QByteArray ACK("\x06");
const QByteArray NAK("\x15");
const QByteArray EOT("\x04");

void closeDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

bool exec(const QString &sql)
{
    QSqlQuery q;
    if (!q.exec(sql))
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q.isActive();
}

// Machines LATHE1, *FACTORY ZERO*, MILL2; tables LATHE1/SET1 (two tools),
// LATHE1/SET2, MILL2/SET1 (one tool).
bool seed()
{
    return exec("INSERT INTO machine (name) VALUES ('LATHE1')") && exec("INSERT INTO machine (name) VALUES ('*FACTORY ZERO*')")
           && exec("INSERT INTO machine (name) VALUES ('MILL2')")
           && exec("INSERT INTO toolingTables (idMachine, name) VALUES (1, 'SET1')")
           && exec("INSERT INTO toolingTables (idMachine, name) VALUES (1, 'SET2')")
           && exec("INSERT INTO toolingTables (idMachine, name) VALUES (3, 'SET1')")
           && exec("INSERT INTO tools (idTable, t, x, z, angle, cr, code) VALUES (1, 1, 12.5, 100, 0, 0.4, 'T1')")
           && exec("INSERT INTO tools (idTable, t, x, z, angle, cr, code) VALUES (1, 2, 3, 4, 90, 0, 'T2')")
           && exec("INSERT INTO tools (idTable, t, x, z, code) VALUES (3, 7, 1, 1, 'M7')");
}

// Every table with its tools: "machine/table(id):t=code t=code".
QStringList tables()
{
    QStringList out;
    QSqlQuery q;
    q.exec("SELECT toolingTables.idTable, machine.name, toolingTables.name FROM toolingTables LEFT JOIN machine "
           "ON machine.idMachine=toolingTables.idMachine ORDER BY toolingTables.idTable");
    while (q.next()) {
        QString row = QString("%1/%2(%3):").arg(q.value(1).toString(), q.value(2).toString()).arg(q.value(0).toInt());
        QSqlQuery t;
        t.prepare("SELECT t, code, x FROM tools WHERE idTable=? ORDER BY idTool");
        t.addBindValue(q.value(0));
        t.exec();
        while (t.next())
            row += QString(" %1=%2").arg(t.value(0).toString(), t.value(1).toString());
        out << row;
    }
    return out;
}

// An axis link with its DNC line on a pseudo-terminal whose master side is
// the host; the label panel is open and the axes stand at X 12.5, Z 100 mm.
struct DncLink
{
    explicit DncLink(int trigger = 0, bool tableMeasure = false, const QVariantMap &settings = {})
    {
        for (auto it = settings.begin(); it != settings.end(); ++it)
            fixture.setting(it.key(), it.value());
        fixture.setting("/TTY/DncPort", host.slavePath());
        fixture.setting("/TTY/CharDnc", trigger);
        fixture.setting("/TTY/SendTableMeasure", tableMeasure);
        App::kovraSettings().sync();
        ok = host.isValid() && openDatabase() && seed();
        // A board that goes on answering: the service hands on only values it confirms.
        fixture.board.setCounts(12500, 100000);
        fixture.board.setReferenced(true);
        fixture.start();
        host.setResponder([](const QByteArray &) { return QByteArray(); });
        ok = ok && QTest::qWaitFor([this] { return fixture.link->linesUsed() > 0; }, 30000);
        CurrentMachine.name = "LATHE1";
        enableToolingup = true;
        const auto note = [this](const QString &what) { events << what; };
        DncSerialService *s = fixture.dnc.get();
        ok = ok && s;
        if (!s)
            return;
        QObject::connect(s, &DncSerialService::sigActivateMachine, [note](QString n) { note("activate:" + n); });
        QObject::connect(s, &DncSerialService::sigToolsetImported, [note](QString n) { note("imported:" + n); });
        QObject::connect(s, &DncSerialService::sigUpdateSettings, [note]() { note("settings"); });
        QObject::connect(s, &DncSerialService::sigDncSerialActive, [note]() { note("serialActive"); });
    }
    ~DncLink()
    {
        fixture.dnc.reset();
        fixture.link.reset();
        closeDatabase();
        enableToolingup = false;
    }

    // Sends the chunks (each read by the link before the next is sent) and
    // returns what the link answered: once `expected` bytes came (or 30 s
    // passed), and anything more that follows within twice the longest wait
    // for a byte of them. The host writes from a thread of its own: the line
    // is read only as fast as the program's thread takes what came.
    QByteArray ask(const QList<QByteArray> &chunks, const QByteArray &expected)
    {
        host.clearReceived();
        std::atomic<bool> sent{false};
        std::thread writer([&] {
            for (const QByteArray &c : chunks) {
                host.write(c, 30000);
                QElapsedTimer reading;
                reading.start();
                while (!host.allRead() && reading.elapsed() < 5000)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            sent = true;
        });
        // The writer ends by itself: a line that takes nothing ends its writes.
        (void)QTest::qWaitFor([&] { return sent.load(); }, 60000);
        writer.join();
        QSignalSpy came(&host, &PtyPeer::chunkReceived);
        QElapsedTimer sinceByte;
        sinceByte.start();
        qint64 longestGap = 0;
        const QDeadlineTimer deadline(30000);
        while (host.received().size() < expected.size() && !deadline.hasExpired()) {
            if (came.wait(int(qMax<qint64>(1, deadline.remainingTime()))))
                longestGap = qMax(longestGap, sinceByte.restart());
        }
        return collect(qMin<qint64>(qMax<qint64>(expected.isEmpty() ? 150 : 40, 2 * longestGap), 2000));
    }
    QByteArray ask(const QByteArray &request, const QByteArray &expected)
    {
        return ask(QList<QByteArray>{request}, expected);
    }
    QByteArray collect(qint64 quietMs)
    {
        int seen = -1;
        QElapsedTimer quiet;
        while (seen != host.received().size() || quiet.elapsed() < quietMs) {
            if (seen != host.received().size()) {
                seen = host.received().size();
                quiet.start();
            }
            QTest::qWait(5);
        }
        return host.received();
    }

    AxbLinkFixture fixture{AxbLinkFixture::Options{50, true}};
    PtyPeer host;
    QStringList events;
    bool ok = false;
};

using Chunks = QList<QByteArray>;

// The host on the line's master side in threads of its own, so that it goes
// on while the program's thread is held: one sends bytes as fast as the line
// takes them, the other reads once told to. Times are ManageSerialPort's.
class LineHost
{
public:
    explicit LineHost(int fd) : fd(fd) {}
    ~LineHost()
    {
        stop = true;
        if (writer.joinable())
            writer.join();
        if (reader.joinable())
            reader.join();
    }
    void send(const QByteArray &bytes)
    {
        writer = std::thread([this, bytes] {
            for (int at = 0; at < bytes.size() && !stop;) {
                const ssize_t n = ::write(fd, bytes.constData() + at, size_t(qMin(1024, bytes.size() - at)));
                if (n > 0) {
                    at += int(n);
                    sent = at;
                    continue;
                }
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 20);
            }
            sentMs = ManageSerialPort::monotonicMs();
        });
    }
    void read()
    {
        reader = std::thread([this] {
            char buf[65536];
            while (!stop) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0)
                    continue;
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n <= 0)
                    continue;
                const qint64 now = ManageSerialPort::monotonicMs();
                std::lock_guard<std::mutex> lock(mutex);
                if (eotMs < 0 && std::memchr(buf, EOT.at(0), size_t(n)))
                    eotMs = now;
                got.append(buf, int(n));
                size = got.size();
                lastMs = now;
            }
        });
    }
    QByteArray received() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return got;
    }
    bool allSent() const { return sentMs >= 0; }
    // Waits while the host sends and the program takes its bytes: false once
    // they have stood still a while (the line is not read), true once all
    // are sent.
    bool sendsOn()
    {
        qint64 seen = -1;
        QElapsedTimer still;
        still.start();
        while (!allSent()) {
            if (sent != seen) {
                seen = sent;
                still.restart();
            } else if (still.elapsed() > 300) {
                return false;
            }
            QTest::qWait(10);
        }
        return true;
    }
    // Waits until at least `bytes` came and then nothing more for a while.
    bool waitForReplies(int bytes)
    {
        if (!QTest::qWaitFor([&] { return size >= bytes; }, 120000))
            return false;
        qint64 seen = -1;
        QElapsedTimer quiet;
        while (seen != size || quiet.elapsed() < 150) {
            if (seen != size) {
                seen = size;
                quiet.start();
            }
            QTest::qWait(5);
        }
        return true;
    }

    std::atomic<qint64> sent{0};
    std::atomic<qint64> sentMs{-1};
    std::atomic<qint64> eotMs{-1};
    std::atomic<qint64> lastMs{-1};
    std::atomic<int> size{0};

private:
    int fd;
    std::atomic<bool> stop{false};
    std::thread writer;
    std::thread reader;
    mutable std::mutex mutex;
    QByteArray got;
};

}

class TestDnc : public QObject
{
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
    void positionLine_data();
    void positionLine();
    void timeout_data();
    void timeout();
    void busy_data();
    void busy();
    void import_data();
    void import();
    void roundTrip_data();
    void roundTrip();
    void listedNames_data();
    void listedNames();
    void listedAlike_data();
    void listedAlike();
    void oversizedRequest_data();
    void oversizedRequest();
    void tableInSteps();
    void requestsDuringTable_data();
    void requestsDuringTable();
    void backlogBehindTable_data();
    void backlogBehindTable();
    void tableChangedMidSend();
    void tableCopy_data();
    void tableCopy();
    void replaceLargeTable_data();
    void replaceLargeTable();
    void sendQueueBound_data();
    void sendQueueBound();
    void floodUnread_data();
    void floodUnread();
    void settingsBound_data();
    void settingsBound();
    void readSettings();
    void writeSettings();
    void refusedSettingsText_data();
    void refusedSettingsText();
    void refusedSettingsWrite_data();
    void refusedSettingsWrite();
    void settingsFileUnusable_data();
    void settingsFileUnusable();
    void badFormat_data();
    void badFormat();
};

void TestDnc::replies_data()
{
    QTest::addColumn<Chunks>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("events");
    const QStringList none;
    QTest::newRow("ping") << Chunks{"$?\r"} << ACK << none;
    QTest::newRow("ping in pieces") << Chunks{"$", "?", "\r"} << ACK << none;
    QTest::newRow("machines") << Chunks{"$D\r"} << QByteArray("@LATHE1@|@MILL2@|\x04") << none;
    QTest::newRow("tables") << Chunks{"$L\r"} << QByteArray("LATHE1/SET1\rLATHE1/SET2\rMILL2/SET1\r\x04") << none;
    QTest::newRow("tools") << Chunks{"$SLATHE1/SET1\r"} << QByteArray("1,12.5,100,0,0.4,T1, \n2,3,4,90,0,T2, \n\x04")
                           << none;
    QTest::newRow("tools of another machine") << Chunks{"$SMILL2/SET1\r"} << QByteArray("7,1,1,0,0,M7, \n\x04") << none;
    QTest::newRow("tools, empty table") << Chunks{"$SLATHE1/SET2\r"} << EOT << none;
    QTest::newRow("tools, no slash") << Chunks{"$SLATHE1\r"} << EOT << none;
    QTest::newRow("tools, two slashes") << Chunks{"$SLATHE1/SET1/\r"} << EOT << none;
    QTest::newRow("tools, unknown table") << Chunks{"$SMILL2/SET2\r"} << EOT << none;
    QTest::newRow("tools, quote in name") << Chunks{"$SLATHE1/SET1' OR '1'='1\r"} << EOT << none;
    QTest::newRow("machine known") << Chunks{"$MMILL2\r"} << ACK << QStringList{"activate:MILL2"};
    QTest::newRow("machine unknown") << Chunks{"$MLATHE9\r"} << NAK << none;
    QTest::newRow("machine, system row") << Chunks{"$M*FACTORY ZERO*\r"} << NAK << none;
    QTest::newRow("machine cut at a NUL") << Chunks{QByteArray("$MMILL2\0X\r", 10)} << NAK << none;
    QTest::newRow("position") << Chunks{"$X\r"} << QByteArray("X    12.500 Z   100.000 A A M R LATHE1\r")
                              << QStringList{"serialActive"};
    QTest::newRow("letter q") << Chunks{"$q\r"} << NAK << none;
    QTest::newRow("letter Q") << Chunks{"$Q\r"} << NAK << none;
    QTest::newRow("lower case x") << Chunks{"$x\r"} << NAK << none;
    QTest::newRow("hash") << Chunks{"#?\r"} << NAK << none;
    QTest::newRow("two requests in one chunk") << Chunks{"$?\r$?\r"} << ACK + ACK << none;
    QTest::newRow("ping, CR LF") << Chunks{"$?\r\n"} << ACK << none;
    QTest::newRow("two requests, CR LF, one chunk") << Chunks{"$?\r\n$D\r\n"} << ACK + "@LATHE1@|@MILL2@|\x04" << none;
    QTest::newRow("two requests, LF on its own") << Chunks{"$?\r", "\n", "$?\r", "\n"} << ACK + ACK << none;
}

void TestDnc::replies()
{
    QFETCH(Chunks, request);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, events);
    DncLink link;
    QVERIFY(link.ok);
    QCOMPARE(link.ask(request, reply), reply);
    QCOMPARE(link.events, events);
    // The request was taken whole: the next one is answered on its own.
    QCOMPARE(link.ask("$?\r", ACK), ACK);
}

void TestDnc::positionLine_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<int>("trigger");
    QTest::addColumn<bool>("tableMeasure");
    QTest::addColumn<bool>("mm");
    QTest::addColumn<bool>("radius");
    QTest::addColumn<bool>("xIncr");
    QTest::addColumn<Chunks>("request");
    QTest::addColumn<QByteArray>("reply");
    for (const QByteArray &locale : wireLocales()) {
        auto row = [&](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(QString("%1, %2").arg(name, locale))) << locale;
        };
        row("request, mm radius") << 0 << false << true << true << false << Chunks{"$X\r"}
            << QByteArray("X    12.500 Z   100.000 A A M R LATHE1\r");
        row("trigger, mm radius") << 2 << false << true << true << false << Chunks{"\x02"}
            << QByteArray("X    12.500 Z   100.000 A A M R  LATHE1\r");
        row("request, mm diameter") << 0 << false << true << false << false << Chunks{"$X\r"}
            << QByteArray("X    25.000 Z   100.000 A A M D LATHE1\r");
        row("trigger, mm diameter") << 2 << false << true << false << false << Chunks{"\x02"}
            << QByteArray("X    25.000 Z   100.000 A A M D  LATHE1\r");
        row("trigger, inch diameter") << 2 << false << false << false << false << Chunks{"\x02"}
            << QByteArray("X   0.98425 Z   3.93701 A A I D LATHE1\r");
        row("request, inch radius") << 0 << false << false << true << false << Chunks{"$X\r"}
            << QByteArray("X   0.49213 Z   3.93701 A A I R LATHE1\r");
        row("incremental X") << 0 << false << true << true << true << Chunks{"$X\r"}
            << QByteArray("X    12.500 Z   100.000 I A M R LATHE1\r");
        row("table measure sends zeros") << 0 << true << true << true << false << Chunks{"$X\r"}
            << QByteArray("X     0.000 Z     0.000 A A M R LATHE1\r");
        row("trigger inside a request") << 2 << false << true << true << false << Chunks{"$S", "LAT\x02HE"}
            << QByteArray("X    12.500 Z   100.000 A A M R  LATHE1\r");
        row("trigger before the end") << 2 << false << true << true << false << Chunks{"$?\x02\r"}
            << QByteArray("X    12.500 Z   100.000 A A M R  LATHE1\r");
        row("requests with a trigger set") << 5 << false << true << true << false << Chunks{"$?\r"} << ACK;
        row("other trigger byte") << 5 << false << true << true << false << Chunks{"\x05"}
            << QByteArray("X    12.500 Z   100.000 A A M R  LATHE1\r");
        // Whatever the chunks, requests complete before a trigger and after it are answered.
        const QByteArray around = ACK + "X    12.500 Z   100.000 A A M R  LATHE1\r" + ACK;
        row("requests around a trigger, one chunk") << 2 << false << true << true << false
            << Chunks{"$?\r$S\x02$?\r"} << around;
        row("requests around a trigger, byte by byte") << 2 << false << true << true << false
            << Chunks{"$", "?", "\r", "$", "S", "\x02", "$", "?", "\r"} << around;
    }
}

void TestDnc::positionLine()
{
    QFETCH(QByteArray, locale);
    USE_NUMERIC_LOCALE(locale);
    QFETCH(int, trigger);
    QFETCH(bool, tableMeasure);
    QFETCH(bool, mm);
    QFETCH(bool, radius);
    QFETCH(bool, xIncr);
    QFETCH(Chunks, request);
    QFETCH(QByteArray, reply);
    DncLink link(trigger, tableMeasure);
    QVERIFY(link.ok);
    CurrentMachine.IsMM = mm;
    CurrentMachine.isRadius = radius;
    if (xIncr)
        link.fixture.link->SetIncrementalX(true, 12.5f);
    // Machine coordinates follow the modes from the next board line on.
    link.fixture.feed("X12500 Z100000 I128 O0\r");
    QCOMPARE(link.ask(request, reply), reply);
    QCOMPARE(link.events, reply.startsWith("X") && trigger == 0 ? QStringList{"serialActive"} : QStringList());
}

void TestDnc::timeout_data()
{
    QTest::addColumn<int>("trigger");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("no end") << 0 << QByteArray("$?") << NAK;
    QTest::newRow("dollar and end only") << 0 << QByteArray("$\r") << NAK;
    QTest::newRow("no time-out with a trigger") << 2 << QByteArray("$?") << QByteArray();
}

void TestDnc::timeout()
{
    QFETCH(int, trigger);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    DncLink link(trigger);
    QVERIFY(link.ok);
    QElapsedTimer t;
    t.start();
    link.host.clearReceived();
    link.host.write(request);
    // Nothing before the second has passed: note when the first byte comes
    // (a busy machine only makes it later, never earlier). With a trigger
    // nothing comes within two and a half times the time-out.
    (void)QTest::qWaitFor([&] { return !link.host.received().isEmpty(); }, reply.isEmpty() ? 2500 : 30000);
    const qint64 arrival = t.elapsed();
    QCOMPARE(link.collect(100), reply);
    if (!reply.isEmpty())
        QVERIFY2(arrival >= 940, qPrintable(QString("answered after %1 ms").arg(arrival)));
    if (!reply.isEmpty()) {
        // The partial request is gone.
        QCOMPARE(link.ask("$?\r", ACK), ACK);
    }
}

void TestDnc::busy_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("position") << QByteArray("$X\r");
    QTest::newRow("ping") << QByteArray("$?\r");
    QTest::newRow("import") << QByteArray("$I@LATHE1@SET1@3,0,0,0,0,C3, \n@\r");
}

void TestDnc::busy()
{
    QFETCH(QByteArray, request);
    DncLink link;
    QVERIFY(link.ok);
    enableToolingup = false;
    const QStringList before = tables();
    QCOMPARE(link.ask(request, QByteArray("\x15" "7")), QByteArray("\x15" "7"));
    QVERIFY(link.events.isEmpty());
    QCOMPARE(tables(), before);
    enableToolingup = true;
    QCOMPARE(link.ask("$?\r", ACK), ACK);
}

void TestDnc::import_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("failWhen");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("events");
    const QStringList seeded{"LATHE1/SET1(1): 1=T1 2=T2", "LATHE1/SET2(2):", "MILL2/SET1(3): 7=M7"};
    const QStringList imported{"imported:*DEFAULT MACHINE*", "imported:LATHE1"};
    QTest::newRow("new table") << QByteArray("$I@LATHE1@NEW@5,1,2,3,4,C5, \n6,1,2,3,4,C6, \n@\r") << "" << ACK
                               << (QStringList(seeded) << "LATHE1/NEW(4): 5=C5 6=C6") << imported;
    QTest::newRow("replaces the table of that machine only")
        << QByteArray("$I@MILL2@SET1@9,0,0,0,0,C9, \n@\r") << "" << ACK
        << QStringList{"LATHE1/SET1(1): 1=T1 2=T2", "LATHE1/SET2(2):", "MILL2/SET1(3): 9=C9"}
        << QStringList{"imported:*DEFAULT MACHINE*", "imported:MILL2"};
    QTest::newRow("empty lines skipped, blank before the number")
        << QByteArray("$I@LATHE1@SET2@\n \n 4,0,0,0,0,C4,,\n\n@\r") << "" << ACK
        << QStringList{"LATHE1/SET1(1): 1=T1 2=T2", "LATHE1/SET2(2): 4=C4", "MILL2/SET1(3): 7=M7"} << imported;
    QTest::newRow("highest tool number") << QByteArray("$I@LATHE1@SET2@99999999,0,0,0,0,C, \n@\r") << "" << ACK
        << QStringList{"LATHE1/SET1(1): 1=T1 2=T2", "LATHE1/SET2(2): 99999999=C", "MILL2/SET1(3): 7=M7"} << imported;
    // A line the tooling editor would refuse, or one cut short, refuses the
    // whole request: no tool goes missing or gets another number unseen.
    for (const char *t : {"X", "0", "-3", "7.9", "100000000", "2147483648", "9223372036854775808", "nan", "1e308", ""})
        QTest::newRow(qPrintable(QString("tool number '%1'").arg(t)))
            << "$I@LATHE1@SET1@5,0,0,0,0,C5, \n" + QByteArray(t) + ",0,0,0,0,C, \n@\r" << "" << NAK << seeded
            << QStringList();
    // Nor is a number cut at a NUL byte taken as what stands before it.
    for (const QByteArray &t : {QByteArray("6\0x", 3), QByteArray("6\0", 2)})
        QTest::newRow(qPrintable("tool number '" + QString::fromLatin1(t.toHex()) + "' with a NUL byte"))
            << "$I@LATHE1@SET1@5,0,0,0,0,C5, \n" + t + ",0,0,0,0,C, \n@\r" << "" << NAK << seeded << QStringList();
    // The code's length and one tool per number, as the editor holds them.
    QTest::newRow("code of 40 characters") << "$I@LATHE1@SET2@1,0,0,0,0," + QByteArray(40, 'c') + ", \n@\r" << ""
        << ACK << QStringList{"LATHE1/SET1(1): 1=T1 2=T2", "LATHE1/SET2(2): 1=" + QString(40, 'c'), "MILL2/SET1(3): 7=M7"}
        << imported;
    QTest::newRow("code of 60 characters") << "$I@LATHE1@SET1@1,0,0,0,0," + QByteArray(60, 'c') + ", \n@\r" << ""
        << NAK << seeded << QStringList();
    // A NUL byte would cut the code where it is stored.
    QTest::newRow("code with a NUL byte") << QByteArray("$I@LATHE1@NULT@5,0,0,0,0,AB") + '\0' + "CD, \n@\r" << "" << NAK
                                          << seeded << QStringList();
    QTest::newRow("code ending in a NUL byte") << QByteArray("$I@LATHE1@SET1@5,0,0,0,0,C5, \n6,0,0,0,0,C") + '\0' + ", \n@\r"
                                               << "" << NAK << seeded << QStringList();
    QTest::newRow("code of 3 MB") << "$I@LATHE1@SET1@1,0,0,0,0," + QByteArray(3 << 20, 'c') + ", \n@\r" << ""
        << NAK << seeded << QStringList();
    QTest::newRow("tool number twice") << QByteArray("$I@LATHE1@SET1@5,0,0,0,0,A, \n6,0,0,0,0,B, \n5,0,0,0,0,C, \n@\r")
        << "" << NAK << seeded << QStringList();
    QByteArray many;
    for (int t = 1; t <= kMaxImportTools + 1; ++t)
        many += QByteArray::number(t) + ",0,0,0,0,C, \n";
    QTest::newRow("more tools than a request takes") << "$I@LATHE1@SET1@" + many + "@\r" << "" << NAK << seeded
                                                     << QStringList();
    QTest::newRow("six values") << QByteArray("$I@LATHE1@SET1@1,2,3,4,5,C6\n4,0,0,0,0,C4, \n@\r") << "" << NAK << seeded
                                << QStringList();
    QTest::newRow("last byte dropped cuts the row")
        << QByteArray("$I@LATHE1@SET2@3,0,0,0,0,C3, \n4,0,0,0,0,C4\r") << "" << NAK << seeded << QStringList();
    QTest::newRow("quote in names") << QByteArray("$I@LATHE1@it's@1,0,0,0,0,a'b, \n@\r") << "" << ACK
                                    << (QStringList(seeded) << "LATHE1/it's(4): 1=a'b") << imported;
    QTest::newRow("unknown machine") << QByteArray("$I@LATHE9@SET1@1,0,0,0,0,C1, \n@\r") << "" << NAK << seeded
                                     << QStringList();
    // Names are taken whole, by the name dialogs' rule, or refused.
    const QByteArray tool("@9,0,0,0,0,C9, \n@\r");
    QTest::newRow("table name cut at a NUL") << "$I@LATHE1@SET1" + QByteArray(1, '\0') + "OTHER" + tool << "" << NAK
                                             << seeded << QStringList();
    QTest::newRow("machine name cut at a NUL") << "$I@LATHE1" + QByteArray(1, '\0') + "X@SET1" + tool << "" << NAK
                                               << seeded << QStringList();
    QTest::newRow("empty table name") << "$I@LATHE1@" + tool << "" << NAK << seeded << QStringList();
    QTest::newRow("line feed in the table name") << "$I@LATHE1@NEW\nTAB" + tool << "" << NAK << seeded << QStringList();
    QTest::newRow("table name of 21 characters") << "$I@LATHE1@" + QByteArray(21, 'N') + tool << "" << NAK << seeded
                                                 << QStringList();
    QTest::newRow("table name of 20 characters") << "$I@LATHE1@" + QByteArray(20, 'N') + tool << "" << ACK
        << (QStringList(seeded) << "LATHE1/" + QString(20, 'N') + "(4): 9=C9") << imported;
    QTest::newRow("too few fields") << QByteArray("$I@LATHE1@SET1\r") << "" << NAK << seeded << QStringList();
    QTest::newRow("a tool insert fails: table kept as it was")
        << QByteArray("$I@LATHE1@SET1@9,0,0,0,0,C9, \n13,0,0,0,0,C13, \n@\r") << "NEW.t=13" << NAK << seeded
        << QStringList();
    QTest::newRow("a tool insert fails: no new table")
        << QByteArray("$I@LATHE1@NEW@9,0,0,0,0,C9, \n13,0,0,0,0,C13, \n@\r") << "NEW.t=13" << NAK << seeded
        << QStringList();
    QTest::newRow("the table insert fails") << QByteArray("$I@LATHE1@NEW@9,0,0,0,0,C9, \n@\r") << "NEW.name='NEW'"
                                            << NAK << seeded << QStringList();
}

void TestDnc::import()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, failWhen);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, after);
    QFETCH(QStringList, events);
    DncLink link;
    QVERIFY(link.ok);
    if (!failWhen.isEmpty()) {
        const QString table = failWhen.contains("name") ? "toolingTables" : "tools";
        QVERIFY(exec(QString("CREATE TRIGGER refuse BEFORE INSERT ON %1 WHEN %2 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                         .arg(table, failWhen)));
    }
    QCOMPARE(link.ask(request, reply), reply);
    QCOMPARE(tables(), after);
    QCOMPARE(link.events, events);
    // No transaction was left open.
    QVERIFY(exec("BEGIN") && exec("COMMIT"));
}

void TestDnc::roundTrip_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("plain") << "C1" << ACK;
    QTest::newRow("comma") << "A,B" << ACK;
    QTest::newRow("comma and blank") << "A, " << ACK;
    QTest::newRow("at sign") << "X@Y" << ACK;
    QTest::newRow("line feed") << "A\nB" << NAK;
    QTest::newRow("NUL byte") << QString("A") + QChar(0) + "B" << NAK;
    QTest::newRow("beyond 8 bits") << QString::fromUtf8("\u20ac1 \u03a9") << ACK;
}

// What $S sends of a table, $I takes back whole, or refuses: never ACK with
// a tool or a code lost.
void TestDnc::roundTrip()
{
    QFETCH(QString, code);
    QFETCH(QByteArray, reply);
    DncLink link;
    QVERIFY(link.ok);
    QSqlQuery q;
    q.prepare("UPDATE tools SET code=? WHERE idTable=1 AND t=1");
    q.addBindValue(code);
    QVERIFY(q.exec());
    const QStringList before = tables();
    const QByteArray rows = link.ask("$SLATHE1/SET1\r", QByteArray(1, 'x'));
    QVERIFY(rows.endsWith(EOT) && rows.contains("T2"));
    QCOMPARE(link.ask("$I@LATHE1@SET1@" + rows.chopped(1) + "@\r", reply), reply);
    QCOMPARE(tables(), before);
    QCOMPARE(link.events.size(), reply == ACK ? 2 : 0);
}

void TestDnc::listedNames_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("table");
    const QString seeded = QString::fromUtf8("DREH Ω/SET/1(4): 3=D3");
    QTest::newRow("machines") << QByteArray("$D\r") << QByteArray("@LATHE1@|@MILL2@|@DREH ?@|\x04") << QStringList()
                              << seeded;
    QTest::newRow("tables") << QByteArray("$L\r") << QByteArray("LATHE1/SET1\rLATHE1/SET2\rMILL2/SET1\rDREH ?/SET/1\r\x04")
                            << QStringList() << seeded;
    QTest::newRow("machine") << QByteArray("$MDREH ?\r") << ACK << QStringList{QString::fromUtf8("activate:DREH Ω")}
                             << seeded;
    QTest::newRow("tools") << QByteArray("$SDREH ?/SET/1\r") << QByteArray("3,0,0,0,0,D3, \n\x04") << QStringList()
                           << seeded;
    QTest::newRow("import") << QByteArray("$I@DREH ?@SET/1@5,0,0,0,0,C5, \n@\r") << ACK
                            << QStringList{"imported:*DEFAULT MACHINE*", QString::fromUtf8("imported:DREH Ω")}
                            << QString::fromUtf8("DREH Ω/SET/1(4): 5=C5");
}

// Every name $D and $L list can be asked for as listed, also one the line
// cannot carry and a table name with "/".
void TestDnc::listedNames()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, events);
    QFETCH(QString, table);
    DncLink link;
    QVERIFY(link.ok);
    QVERIFY(exec(QString::fromUtf8("INSERT INTO machine (name) VALUES ('DREH Ω')"))
            && exec("INSERT INTO toolingTables (idMachine, name) VALUES (4, 'SET/1')")
            && exec("INSERT INTO tools (idTable, t, code) VALUES (4, 3, 'D3')"));
    QCOMPARE(link.ask(request, reply), reply);
    QCOMPARE(link.events, events);
    QCOMPARE(tables().value(3), table);
}

void TestDnc::listedAlike_data()
{
    QTest::addColumn<QStringList>("extra"); // "machine|table" with tool 1, no table when empty
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("added");
    const QStringList both{"A|B/C", "A/B|C"};
    const QStringList one{"A|B/C", "A/B|"};
    const QByteArray tool("@9,0,0,0,0,C9, \n@\r");
    QTest::newRow("tools of two tables listed alike") << both << QByteArray("$SA/B/C\r") << EOT << "";
    QTest::newRow("tools of own text and 8-bit form") << QStringList{QString::fromUtf8("A\u03a9|T"), "A?|T"}
                                                      << QByteArray("$SA?/T\r") << EOT << "";
    QTest::newRow("tools of a name listed once") << one << QByteArray("$SA/B/C\r") << QByteArray("1,0,0,0,0,K, \n\x04")
                                                 << "";
    QTest::newRow("import listed as another table") << one << "$I@A/B@C" + tool << NAK << "";
    QTest::newRow("import listed once") << one << "$I@A/B@D" + tool << ACK << "A/B/D(5): 9=C9";
}

// $L lists "machine/table": a name listed for two tables fetches neither,
// and no import makes a second one.
void TestDnc::listedAlike()
{
    QFETCH(QStringList, extra);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(QString, added);
    DncLink link;
    QVERIFY(link.ok);
    for (const QString &e : extra) {
        QSqlQuery m;
        m.prepare("INSERT INTO machine (name) VALUES (?)");
        m.addBindValue(e.section('|', 0, 0));
        QVERIFY(m.exec());
        QSqlQuery t;
        t.prepare("INSERT INTO toolingTables (idMachine, name) VALUES (?, ?)");
        t.addBindValue(m.lastInsertId());
        t.addBindValue(e.section('|', 1));
        QVERIFY(e.endsWith('|') || (t.exec() && exec(QString("INSERT INTO tools (idTable, t, code) VALUES (%1, 1, 'K')")
                                                      .arg(t.lastInsertId().toInt()))));
    }
    QStringList after = tables();
    if (!added.isEmpty())
        after << added;
    QCOMPARE(link.ask(request, reply), reply);
    QCOMPARE(tables(), after);
    QCOMPARE(link.events.size(), added.isEmpty() ? 0 : 2);
}

void TestDnc::oversizedRequest_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("bytes without a line end") << QByteArray("x");
    QTest::newRow("settings file") << QByteArray("$N[Machine]\nisMM=false\n[Host]\nnote=");
    QTest::newRow("import") << QByteArray("$I@LATHE1@SET1@");
}

// A request larger than any real one is refused while it still comes, its
// bytes are dropped up to its line end, and the program's thread is never
// held for long.
void TestDnc::oversizedRequest()
{
    QFETCH(QByteArray, head);
    DncLink link;
    QVERIFY(link.ok);
    const QStringList before = tables();
    const QByteArray settings = TestWorkDir::readFile("T8A_M.cfg");
    HoldProbe probe;
    probe.start();
    link.host.clearReceived();
    QElapsedTimer sending;
    sending.start();
    std::atomic<qint64> sent{-1};
    // A host that sends at its own pace: the bytes take a while to cross
    // however fast the machine, so a hold of the scheduler's is no part of
    // what is compared.
    std::thread host([&] {
        const QByteArray bytes = head + QByteArray(kMaxDncRequest, 'k');
        const int pieces = 16;
        const int piece = (bytes.size() + pieces - 1) / pieces;
        for (int at = 0; at < bytes.size(); at += piece) {
            link.host.write(bytes.mid(at, piece), 30000);
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        sent = sending.elapsed();
    });
    QTRY_COMPARE_WITH_TIMEOUT(link.host.received(), NAK, 30000);
    // The refusal may come before the last bytes: the program's thread goes
    // on reading them while the host sends.
    QTRY_VERIFY_WITH_TIMEOUT(sent >= 0, 30000);
    host.join();
    // Taken whole at the end, the longest hold would be about all the time
    // the bytes took to cross.
    QVERIFY2(probe.longestMs() * 2 < sent, qPrintable(QString("held %1 ms of %2 ms").arg(probe.longestMs()).arg(sent)));
    // The rest of it up to its end goes unanswered; the next request is served.
    QCOMPARE(link.ask("kkk\r", QByteArray()), QByteArray());
    QCOMPARE(link.ask("$?\r", ACK), ACK);
    QVERIFY(link.events.isEmpty());
    QCOMPARE(tables(), before);
    QCOMPARE(TestWorkDir::readFile("T8A_M.cfg"), settings);
}

// The rows of a large table are read a step at a time: the program's thread
// has its turns while the reply is built, and the reply is whole and in order.
void TestDnc::tableInSteps()
{
    DncLink link;
    QVERIFY(link.ok);
    const int count = 40000;
    QVERIFY(exec(QString("WITH RECURSIVE n(t) AS (SELECT 1 UNION ALL SELECT t+1 FROM n WHERE t<%1) "
                         "INSERT INTO tools (idTable, t) SELECT 2, t FROM n").arg(count)));
    // How long reading all the rows takes here: built in one go, the longest
    // hold would be about that. A busy machine only lengthens what the probe
    // sees, so a hold that looks long is measured again (a table built in one
    // go holds that long every time).
    QByteArray rows;
    qint64 held = 0;
    qint64 readMs = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        QElapsedTimer reading;
        reading.start();
        {
            TableRows all(2);
            QByteArray out;
            while (all.setDataRows(1000, out) == 1000) {
            }
        }
        readMs = reading.elapsed();
        HoldProbe probe;
        probe.start();
        rows = link.ask("$SLATHE1/SET2\r", QByteArray(count * 8, 'x'));
        held = probe.longestMs();
        if (held * 2 < readMs)
            break;
    }
    QVERIFY2(held * 2 < readMs, qPrintable(QString("held %1 ms of %2 ms").arg(held).arg(readMs)));
    QVERIFY(rows.endsWith(EOT));
    const QList<QByteArray> lines = rows.chopped(1).split('\n');
    QCOMPARE(lines.size(), count + 1);
    QCOMPARE(lines.first(), QByteArray("1,0,0,0,0,, "));
    QCOMPARE(lines.at(count - 1), QByteArray::number(count) + ",0,0,0,0,, ");
}

namespace {
// A table of `count` tools in LATHE1/SET2, X the tool number.
bool bigTable(int count)
{
    return exec(QString("WITH RECURSIVE n(t) AS (SELECT 1 UNION ALL SELECT t+1 FROM n WHERE t<%1) "
                        "INSERT INTO tools (idTable, t, x) SELECT 2, t, t FROM n").arg(count));
}
}

// Requests that come while a large table is built wait, in order, and each
// gets its own reply after the table's EOT.
void TestDnc::requestsDuringTable_data()
{
    QTest::addColumn<Chunks>("requests");
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("import and machine")
        << Chunks{"$I@LATHE1@NEW@1,0,0,0,0,C, \n@\r", "$MMILL2\r"} << ACK + ACK
        << QStringList{"imported:*DEFAULT MACHINE*", "imported:LATHE1", "activate:MILL2"};
    QTest::newRow("refused and taken, paired") << Chunks{"$Q\r", "$?\r", "$MLATHE9\r", "$?\r"} << NAK + ACK + NAK + ACK
                                               << QStringList();
    Chunks polls;
    for (int i = 0; i < 60; ++i)
        polls << "$?\r";
    QTest::newRow("sixty polls") << polls << QByteArray(60, ACK.at(0)) << QStringList();
}

void TestDnc::requestsDuringTable()
{
    QFETCH(Chunks, requests);
    QFETCH(QByteArray, replies);
    QFETCH(QStringList, events);
    DncLink link;
    QVERIFY(link.ok);
    const int count = 60000;
    QVERIFY(bigTable(count));
    link.host.clearReceived();
    link.host.write("$SLATHE1/SET2\r");
    for (const QByteArray &r : requests)
        link.host.write(r);
    QTRY_VERIFY_WITH_TIMEOUT(link.host.received().size() >= count * 8 + replies.size(), 60000);
    const QByteArray got = link.collect(150);
    const int eot = got.indexOf(EOT);
    QVERIFY(eot > 0);
    QCOMPARE(got.left(eot).count('\n'), count);
    QCOMPARE(got.mid(eot + 1), replies);
    QCOMPARE(link.events, events);
}

// A host that reads all the time sends requests behind a table faster than
// they are answered: while the table goes out, only the bound of them waits
// and the host's writes wait in the line; after the EOT each gets its reply,
// in order, a step at a time.
void TestDnc::backlogBehindTable_data()
{
    QTest::addColumn<QByteArray>("requests"); // sent over and over
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<int>("times");
    QTest::newRow("polls") << QByteArray("$?\r") << ACK << 100000;
    QTest::newRow("refused and taken, paired") << QByteArray("$Q\r$?\r") << NAK + ACK << 50000;
}

void TestDnc::backlogBehindTable()
{
    QFETCH(QByteArray, requests);
    QFETCH(QByteArray, replies);
    QFETCH(int, times);
    DncLink link;
    QVERIFY(link.ok);
    const int tools = 20000;
    QVERIFY(bigTable(tools));
    // The table goes to the line as the host reads it, not ahead of it.
    link.fixture.dnc->setSendQueueLimit(4096);
    link.host.setResponder({});
    const QByteArray expected = replies.repeated(times);
    LineHost host(link.host.masterFd());
    HoldProbe probe;
    probe.start();
    host.read();
    host.send("$SLATHE1/SET2\r" + requests.repeated(times));
    QTRY_VERIFY_WITH_TIMEOUT(host.eotMs >= 0, 120000);
    QVERIFY(host.waitForReplies(host.received().indexOf(EOT) + 1 + expected.size()));
    const qint64 held = probe.longestMs();
    const QByteArray got = host.received();
    const int eot = got.indexOf(EOT);
    QCOMPARE(got.left(eot).count('\n'), tools);
    QVERIFY(got.mid(eot + 1) == expected);
    // What came while the table went out waited in the line.
    QVERIFY2(host.sentMs > host.eotMs, qPrintable(QString("all sent %1 ms before the EOT").arg(host.eotMs - host.sentMs)));
    // Answered in one go, the longest hold would be about the time they took.
    const qint64 answering = host.lastMs - host.eotMs;
    QVERIFY2(held * 2 < answering, qPrintable(QString("held %1 ms of %2 ms").arg(held).arg(answering)));
}

// The rows a table's reply carries are the table as it was when asked, while
// the table is stored anew meanwhile.
void TestDnc::tableChangedMidSend()
{
    DncLink link;
    QVERIFY(link.ok);
    const int count = 40000;
    QVERIFY(bigTable(count));
    QVERIFY(exec("UPDATE tools SET x=1 WHERE idTable=2"));
    int stores = 0;
    QTimer store;
    connect(&store, &QTimer::timeout, this, [&] {
        if (exec("UPDATE tools SET x=x+1 WHERE idTable=2"))
            ++stores;
    });
    store.start(5);
    const QByteArray rows = link.ask("$SLATHE1/SET2\r", QByteArray(count * 8, 'x'));
    store.stop();
    QVERIFY(stores > 0);
    QVERIFY(rows.endsWith(EOT));
    QSet<QByteArray> xs;
    const QList<QByteArray> lines = rows.chopped(1).split('\n');
    QCOMPARE(lines.size(), count + 1);
    for (int i = 0; i < count; ++i)
        xs.insert(lines.at(i).split(',').value(1));
    QCOMPARE(xs.size(), 1);
    // What was stored meanwhile stays.
    QSqlQuery q;
    QVERIFY(q.exec("SELECT COUNT(DISTINCT x), MIN(x) FROM tools WHERE idTable=2") && q.next());
    QCOMPARE(q.value(0).toInt(), 1);
    QCOMPARE(q.value(1).toInt(), stores + 1);
}

// The copy a table is sent from is made while statements of the connection
// still read; a copy that cannot be made is refused, never sent as an empty
// table.
void TestDnc::tableCopy_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QByteArray>("reply"); // to each of two $S
    QTest::newRow("a read left open") << "read" << QByteArray("1,12.5,100,0,0.4,T1, \n2,3,4,90,0,T2, \n\x04");
    QTest::newRow("tools unreadable") << "unreadable" << NAK;
}

void TestDnc::tableCopy()
{
    QFETCH(QString, meanwhile);
    QFETCH(QByteArray, reply);
    DncLink link;
    QVERIFY(link.ok);
    QVERIFY(bigTable(5000));
    QSqlQuery reading;
    if (meanwhile == "read")
        QVERIFY(reading.exec("SELECT * FROM tools") && reading.next());
    else
        QVERIFY(exec("ALTER TABLE tools RENAME TO toolsAway"));
    for (int i = 0; i < 2; ++i)
        QCOMPARE(link.ask("$SLATHE1/SET1\r$?\r", reply + ACK), reply + ACK);
}

namespace {
// Tool lines numbered from `first`, each with the code `code`.
QByteArray toolLines(int first, int count, const QByteArray &code)
{
    QByteArray lines;
    for (int t = first; t < first + count; ++t)
        lines += QByteArray::number(t) + ",0,0,0,0," + code + ", \n";
    return lines;
}
}

// A host replaces a large table with tools whose codes hold "?" (as $S sends
// a character the line cannot carry): that holds the program's thread little
// longer than a replacement with plain codes does, and a stored code sent as
// "?" keeps its own text.
void TestDnc::replaceLargeTable_data()
{
    QTest::addColumn<int>("first"); // number of the first imported tool; the table holds 1..100000
    QTest::addColumn<QString>("kept"); // code of tool 1 afterwards, when imported
    QTest::newRow("new numbers") << 200001 << QString();
    QTest::newRow("numbers kept") << 1 << QString::fromUtf8("C\u03a9");
}

void TestDnc::replaceLargeTable()
{
    QFETCH(int, first);
    QFETCH(QString, kept);
    DncLink link;
    QVERIFY(link.ok);
    const int stored = 100000;
    const int imported = 2000;
    const auto replace = [&](const QByteArray &code) {
        QSqlQuery q;
        if (!exec("DELETE FROM tools WHERE idTable=2") || !bigTable(stored)
            || !q.prepare("UPDATE tools SET code=? WHERE idTable=2 AND t=1"))
            return qint64(-1);
        q.addBindValue(QString::fromUtf8("C\u03a9"));
        HoldProbe probe;
        probe.start();
        if (!q.exec() || link.ask("$I@LATHE1@SET2@" + toolLines(first, imported, code) + "@\r", ACK) != ACK)
            return qint64(-1);
        return probe.longestMs();
    };
    // A busy machine only lengthens a hold: one that looks long is measured
    // again beside a plain replacement (a lookup per code holds long every time).
    qint64 plain = 0;
    qint64 held = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        plain = replace("C");
        QVERIFY(plain >= 0);
        held = replace("C?");
        QVERIFY(held >= 0);
        if (held < 3 * plain)
            break;
    }
    QVERIFY2(held < 3 * plain, qPrintable(QString("held %1 ms, %2 ms with plain codes").arg(held).arg(plain)));
    QSqlQuery q;
    QVERIFY(q.exec("SELECT COUNT(*), MIN(t), SUM(code='C?') FROM tools WHERE idTable=2") && q.next());
    QCOMPARE(q.value(0).toInt(), imported);
    QCOMPARE(q.value(1).toInt(), first);
    QCOMPARE(q.value(2).toInt(), kept.isEmpty() ? imported : imported - 1);
    if (!kept.isEmpty()) {
        QVERIFY(q.exec("SELECT code FROM tools WHERE idTable=2 AND t=1") && q.next());
        QCOMPARE(q.value(0).toString(), kept);
    }
}

namespace {
// Pairs the bytes the host read with the replies of its requests, in order:
// each reply whole, or NAK, or its start cut off and followed by NAK. The
// number of replies refused, or -1 when the bytes do not pair.
int refusedReplies(const QByteArray &got, const QList<QByteArray> &replies)
{
    int refused = 0;
    int at = 0;
    for (const QByteArray &reply : replies) {
        int cut = 0;
        while (cut < reply.size() && at + cut < got.size() && got.at(at + cut) == reply.at(cut))
            ++cut;
        if (cut == reply.size()) {
            at += cut;
            continue;
        }
        if (at + cut >= got.size() || got.at(at + cut) != NAK.at(0))
            return -1;
        at += cut + 1;
        ++refused;
    }
    return at == got.size() ? refused : -1;
}
}

// What waits unread on the line is bounded, not a reply: a table larger than
// the bound goes out whole to a host that reads it. A host that does not
// read gets, when it reads again, a reply for every request, in order: each
// whole while the queue is full (the requests wait, and the line is not read
// meanwhile), and a refusal after what went out of a reply the stalled line
// gave up.
void TestDnc::sendQueueBound_data()
{
    QTest::addColumn<int>("bound");
    QTest::addColumn<int>("tools"); // of LATHE1/SET2
    QTest::addColumn<QString>("host");
    QTest::addColumn<Chunks>("requests");
    QTest::addColumn<Chunks>("replies");
    const auto table = [](int tools) {
        QByteArray rows;
        for (int t = 1; t <= tools; ++t)
            rows += QByteArray::number(t) + "," + QByteArray::number(t) + ",0,0,0,, \n";
        return rows + EOT;
    };
    QTest::newRow("table past the bound, host reading") << 4096 << 5000 << "reads"
                                                        << Chunks{"$SLATHE1/SET2\r", "$?\r"} << Chunks{table(5000), ACK};
    // Lists until the queue and the line are full, then pings that fill the
    // queue to its last byte.
    Chunks requests;
    Chunks replies;
    for (int i = 0; i < 8000; ++i) {
        requests << "$D\r";
        replies << "@LATHE1@|@MILL2@|\x04";
    }
    for (int i = 0; i < 1000; ++i) {
        requests << "$?\r";
        replies << ACK;
    }
    QTest::newRow("host not reading, queue full") << 256 << 0 << "pauses" << (requests << "$MMILL2\r")
                                                  << (replies << ACK);
    QTest::newRow("host not reading, line stalled") << 1024 * 1024 << 20000 << "stalls"
                                                    << Chunks{"$SLATHE1/SET2\r", "$MMILL2\r"} << Chunks{table(20000), ACK};
}

void TestDnc::sendQueueBound()
{
    QFETCH(int, bound);
    QFETCH(int, tools);
    QFETCH(QString, host);
    QFETCH(Chunks, requests);
    QFETCH(Chunks, replies);
    DncLink link;
    QVERIFY(link.ok);
    QVERIFY(bigTable(tools));
    link.fixture.dnc->setSendQueueLimit(bound);
    link.host.clearReceived();
    if (host != "reads")
        link.host.setResponder({});
    if (host == "pauses") {
        // The host reads only once the program takes no more of its bytes
        // (or has taken all).
        int refused = -1;
        {
            LineHost line(link.host.masterFd());
            line.send(requests.join());
            line.sendsOn();
            line.read();
            QVERIFY(line.waitForReplies(replies.size()));
            refused = refusedReplies(line.received(), replies);
        }
        // None refused for the full queue; at most one the line gave up
        // while the host did not read.
        QVERIFY2(refused >= 0 && refused <= 1, qPrintable(QString("%1 replies refused").arg(refused)));
        QCOMPARE(link.events.count("activate:MILL2"), requests.count("$MMILL2\r"));
        link.host.setResponder([](const QByteArray &) { return QByteArray(); });
        QCOMPARE(link.ask("$?\r", ACK), ACK);
        return;
    }
    QVERIFY(link.host.write(requests.join()));
    if (host != "reads") {
        // Answered, as far as the line takes the replies.
        QTRY_COMPARE_WITH_TIMEOUT(link.events, QStringList{"activate:MILL2"}, 30000);
        // Long enough for the line to give up the reply it stalled in.
        if (host == "stalls")
            QTest::qWait(QextSerialPort::kWriteStallMs + 500);
        link.host.setResponder([](const QByteArray &) { return QByteArray(); });
    }
    // At least a byte for each request.
    QTRY_VERIFY_WITH_TIMEOUT(link.host.received().size() >= replies.size(), 30000);
    const int refused = refusedReplies(link.collect(150), replies);
    QVERIFY2(host == "reads" ? refused == 0 : refused > 0, qPrintable(QString("%1 replies refused").arg(refused)));
    QCOMPARE(link.ask("$?\r", ACK), ACK);
}

// A host that sends and does not read: the line is no longer read once the
// replies and the requests waiting are at their bounds, so the memory held
// stays near the bounds and the host's writes wait in the line; once it
// reads, every request gets its reply, in order, a step at a time.
void TestDnc::floodUnread_data()
{
    QTest::addColumn<int>("trigger");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("times");
    QTest::newRow("polls") << 0 << QByteArray("$?\r") << ACK << 300000;
    QTest::newRow("trigger bytes") << 2 << QByteArray("\x02") << QByteArray("X    12.500 Z   100.000 A A M R  LATHE1\r")
                                   << 60000;
}

void TestDnc::floodUnread()
{
    QFETCH(int, trigger);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(int, times);
    DncLink link(trigger);
    QVERIFY(link.ok);
    link.host.setResponder({});
    QList<QByteArray> replies;
    replies.reserve(times);
    for (int i = 0; i < times; ++i)
        replies << reply;
    const QByteArray requests = request.repeated(times);
    LineHost host(link.host.masterFd());
    const qint64 before = MemoryProbe::heldBytes();
    HoldProbe probe;
    probe.start();
    const qint64 startMs = ManageSerialPort::monotonicMs();
    host.send(requests);
    QVERIFY2(!host.sendsOn(), "the program read every byte while the host did not read");
    const qint64 grownMb = (MemoryProbe::heldBytes() - before) >> 20;
    QVERIFY2(grownMb < 16, qPrintable(QString("%1 MB more held").arg(grownMb)));
    QVERIFY(host.sent < requests.size());
    host.read();
    QVERIFY(host.waitForReplies(times));
    const qint64 held = probe.longestMs();
    // At most the reply the line gave up while the host did not read is
    // refused, after what went out of it.
    const int refused = refusedReplies(host.received(), replies);
    QVERIFY2(refused >= 0 && refused <= 1, qPrintable(QString("%1 replies refused").arg(refused)));
    const qint64 exchange = host.lastMs - startMs;
    QVERIFY2(held * 2 < exchange, qPrintable(QString("held %1 ms of %2 ms").arg(held).arg(exchange)));
}

// A settings file has a bound of its own, far below a table's: past it $N is
// refused and the file stays as it was.
void TestDnc::settingsBound_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("taken");
    QTest::newRow("within") << kMaxSettingsText - 1024 << true;
    QTest::newRow("past") << kMaxSettingsText + 1024 << false;
    QTest::newRow("far past") << 3 * 1024 * 1024 << false;
}

void TestDnc::settingsBound()
{
    QFETCH(int, size);
    QFETCH(bool, taken);
    DncLink link;
    QVERIFY(link.ok);
    QByteArray ini = "[Machine]\nisMM=true\n[Host]\n";
    for (int n = 0; ini.size() < size - 64; ++n)
        ini += "key" + QByteArray::number(n) + "=0123456789012345678901234567890123456789\n";
    const QByteArray before = TestWorkDir::readFile("T8A_M.cfg");
    link.host.clearReceived();
    std::atomic<bool> sent{false};
    std::thread host([&] {
        link.host.write("$N" + ini + "\r", 30000);
        sent = true;
    });
    // The program's thread takes the rest of the bytes while the host sends.
    const auto joined = [&] {
        (void)QTest::qWaitFor([&] { return sent.load(); }, 60000);
        host.join();
    };
    if (taken) {
        QTRY_COMPARE_WITH_TIMEOUT(link.events, QStringList{"settings"}, 30000);
        joined();
        QCOMPARE(TestWorkDir::readFile("T8A_M.cfg"), ini);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(link.host.received(), NAK, 30000);
        joined();
        QCOMPARE(link.collect(150), NAK);
        QVERIFY(link.events.isEmpty());
        QCOMPARE(TestWorkDir::readFile("T8A_M.cfg"), before);
    }
    QCOMPARE(link.ask("$?\r", ACK), ACK);
}

void TestDnc::readSettings()
{
    DncLink link;
    QVERIFY(link.ok);
    App::kovraSettings().sync();
    QFile file("T8A_M.cfg");
    QVERIFY(file.open(QIODevice::Append));
    file.write("[Host]\r\nnote=\"a\rb\"\r\n");
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray expected = file.readAll();
    QVERIFY(expected.contains("DncPort") && expected.count('\r') == 3);
    expected.replace('\r', "");
    QCOMPARE(link.ask("$E\r", expected + EOT), expected + EOT);
}

void TestDnc::writeSettings()
{
    DncLink link;
    QVERIFY(link.ok);
    const QByteArray payload("[Machine]\nisMM=false\nmmDecimals=2\n[SOCKET]\nIp=10.0.0.9\n");
    QCOMPARE(link.ask("$N" + payload + "\r", QByteArray()), QByteArray());
    QCOMPARE(link.events, QStringList{"settings"});
    QFile file("T8A_M.cfg");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), payload);
    // Whoever reloads on the signal reads the new file.
    QCOMPARE(App::kovraSettings().value("/SOCKET/Ip").toString(), QStringLiteral("10.0.0.9"));
    QVERIFY(!App::kovraSettings().contains("/TTY/DncPort"));
    QCOMPARE(link.ask("$?\r", ACK), ACK);
}

void TestDnc::refusedSettingsText_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no keys") << QByteArray("[Machine]\n");
    QTest::newRow("text") << QByteArray("hello world\n");
    QTest::newRow("binary") << QByteArray("\x01\xfe\xff\x80[\n\x7f", 7);
}

// Only a settings file replaces the settings file.
void TestDnc::refusedSettingsText()
{
    QFETCH(QByteArray, payload);
    DncLink link;
    QVERIFY(link.ok);
    const QByteArray start = TestWorkDir::readFile("T8A_M.cfg");
    QVERIFY(start.contains("DncPort"));
    QCOMPARE(link.ask("$N" + payload + "\r", NAK), NAK);
    QVERIFY(link.events.isEmpty());
    QCOMPARE(TestWorkDir::readFile("T8A_M.cfg"), start);
}

void TestDnc::refusedSettingsWrite_data()
{
    StorageFault::addRows();
}

// The host's settings file the disk refuses: NAK, and the old file stays byte
// for byte, also after a later sync and the end of the program.
void TestDnc::refusedSettingsWrite()
{
    QFETCH(int, fault);
    const bool refused = fault != StorageFault::None;
    DncLink link;
    QVERIFY(link.ok);
    const QString path = QDir::current().absoluteFilePath("T8A_M.cfg");
    const QByteArray start = TestWorkDir::readFile(path);
    QVERIFY(start.contains("DncPort"));
    const QByteArray payload = "[Machine]\nisMM=false\n[SOCKET]\nIp=10.0.0.9\n[Host]\nnote=" + QByteArray(start.size(), 'n')
                               + "\n";
    QByteArray reply;
    {
        StorageFault disk(StorageFault::Kind(fault), path);
        QVERIFY(disk.holds());
        reply = link.ask("$N" + payload + "\r", refused ? NAK : QByteArray());
    }
    QCOMPARE(reply, refused ? NAK : QByteArray());
    QCOMPARE(link.events, refused ? QStringList() : QStringList{"settings"});
    QCOMPARE(TestWorkDir::readFile(path), refused ? start : payload);
    QCOMPARE(StorageFault::leftovers(path), QStringList());
    App::kovraSettings().sync();
    App::resetKovraSettings();
    QCOMPARE(TestWorkDir::readFile(path), refused ? start : payload);
    QCOMPARE(App::kovraSettings().value("/SOCKET/Ip", "none").toString(), QString(refused ? "none" : "10.0.0.9"));
    QCOMPARE(link.ask("$?\r", ACK), ACK);
}

void TestDnc::settingsFileUnusable_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("read") << QByteArray("$E\r");
    QTest::newRow("write") << QByteArray("$N[Machine]\nisMM=true\n\r");
}

void TestDnc::settingsFileUnusable()
{
    QFETCH(QByteArray, request);
    DncLink link;
    QVERIFY(link.ok);
    // A folder where the file should be: it can be neither read nor replaced.
    QVERIFY(QFile::remove("T8A_M.cfg"));
    QVERIFY(QDir().mkdir("T8A_M.cfg"));
    QFile keep("T8A_M.cfg/keep");
    QVERIFY(keep.open(QIODevice::WriteOnly));
    QVERIFY(keep.write("kept\n") == 5);
    keep.close();
    QCOMPARE(link.ask(request, NAK), NAK);
    QVERIFY(link.events.isEmpty());
    QVERIFY(QFileInfo("T8A_M.cfg/keep").isFile());
    // The failed request does not stay in front of the next one.
    QCOMPARE(link.ask("$?\r", ACK), ACK);
    QDir("T8A_M.cfg").removeRecursively();
}

void TestDnc::badFormat_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("mm");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("ints in mm") << "/TTY/FmtMM" << "X%10d Z%10d %s %s %s %s %s\r" << true
                                << QByteArray("X    12.500 Z   100.000 A A M R LATHE1\r");
    QTest::newRow("text first in inch") << "/TTY/FmtInch" << "%s X%f Z%f %s %s %s %s\r" << false
                                        << QByteArray("X   0.49213 Z   3.93701 A A I R LATHE1\r");
    QTest::newRow("store count") << "/TTY/FmtMM" << "X%f Z%f %n %s %s %s %s\r" << true
                                 << QByteArray("X    12.500 Z   100.000 A A M R LATHE1\r");
    QTest::newRow("good custom") << "/TTY/FmtMM" << "%08.2f|%08.2f|%s%s%s%s|%-8s|\r" << true
                                 << QByteArray("00012.50|00100.00|AAMR|LATHE1  |\r");
}

void TestDnc::badFormat()
{
    QFETCH(QString, key);
    QFETCH(QString, format);
    QFETCH(bool, mm);
    QFETCH(QByteArray, reply);
    StderrCapture err;
    DncLink link(0, false, {{key, format}});
    const QByteArray diagnostics = err.text();
    QVERIFY(link.ok);
    const bool bad = !reply.contains('|');
    QCOMPARE(diagnostics.count(key.toLatin1()), bad ? 1 : 0);
    CurrentMachine.IsMM = mm;
    QCOMPARE(link.ask("$X\r", reply), reply);
}

QTEST_MAIN(TestDnc)
#include "tst_dnc.moc"
