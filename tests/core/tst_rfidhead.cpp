#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include "axis/QextSerialPort.h"
#include "rfid/BalluffTelegram.h"
#include "rfid/qballuff.h"
#include "shared/App.h"
#include "support/BalluffHeadPort.h"
#include "support/FakeBalluffHead.h"
#include "support/TestWorkDir.h"

namespace {

bool openOn(QBalluff &head, const QString &port)
{
    return head.openBalluffInterface(port, BAUD9600, DATA_8, PAR_EVEN, STOP_1, FLOW_OFF);
}

// A head in CTS mode behind the scripted port.
struct CtsHead
{
    BalluffHeadPort *port;
    QBalluff head;
    CtsHead() : CtsHead(new BalluffHeadPort) {}
    explicit CtsHead(BalluffHeadPort *p) : port(p), head(std::unique_ptr<AbstractSerialPort>(p)) {}
};

QByteArray pattern(int n)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(i * 7 + 3));
    return b;
}

} // namespace

class TestRfidHead : public QObject
{
    Q_OBJECT
    TestWorkDir dir;

private slots:
    void initTestCase()
    {
        App::kovraSettings().setValue("/TTY/AxbPort", "/dev/axb-test");
        App::kovraSettings().setValue("/TTY/DncPort", "/dev/dnc-test");
    }

    void telegrams_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("read 0 512 1 1") << BalluffTelegram::request('L', 0, 512, 1, 1)
                                        << QByteArray::fromHex("4C303030303035313231314A");
        QTest::newRow("write 16 4 2 0") << BalluffTelegram::request('P', 16, 4, 2, 0)
                                        << QByteArray("P0016000420") + char('P' ^ '1' ^ '6' ^ '4' ^ '2' ^ '0' ^ '0' ^ '0' ^ '0' ^ '0' ^ '0');
        QTest::newRow("presence") << BalluffTelegram::presenceQuery() << QByteArray::fromHex("5555");
        QTest::newRow("data block") << BalluffTelegram::dataBlock(QByteArray::fromHex("0102"))
                                    << QByteArray::fromHex("02010201");
    }

    void telegrams()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        QCOMPARE(bytes.toHex(' '), expected.toHex(' '));
    }

    void answers()
    {
        char code = 0;
        using namespace BalluffTelegram;
        QCOMPARE(requestAnswer(QByteArray("\x06"), &code), Incomplete);
        QCOMPARE(requestAnswer(QByteArray("\x06" "0"), &code), Acknowledged);
        QCOMPARE(requestAnswer(QByteArray("\x06" "1"), &code), Other); // ACK with another digit waits on
        QCOMPARE(requestAnswer(QByteArray("\x15" "7"), &code), Refused);
        QCOMPARE(code, '7');
        QCOMPARE(presenceAnswer("0x"), 1);
        QCOMPARE(presenceAnswer("1x"), 2);
        QCOMPARE(presenceAnswer("0"), 0);
    }

    void refusedPorts_data()
    {
        QTest::addColumn<QString>("dnc");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("error");
        QTest::newRow("DNC port") << "/dev/dnc-test" << "/dev/dnc-test" << "TTY port used by DNC";
        QTest::newRow("empty name, no DNC port") << "" << "" << "TTY port used by DNC";
        QTest::newRow("AXB port") << "/dev/dnc-test" << "/dev/axb-test" << "TTY port used by AXB";
        QTest::newRow("AXB compared whole") << "/dev/dnc-test" << "/dev/axb-test2" << "Unable to open /dev/axb-test2";
        QTest::newRow("head held by another program") << "/dev/dnc-test" << "held"
                                                      << "TTY port %1 used by another program";
    }

    void refusedPorts()
    {
        QFETCH(QString, dnc);
        QFETCH(QString, port);
        QFETCH(QString, error);
        App::kovraSettings().setValue("/TTY/DncPort", dnc);
        FakeBalluffHead peer;
        QextSerialPort otherProgram(peer.slavePath());
        if (port == "held") {
            port = peer.slavePath();
            QVERIFY(otherProgram.open(QIODevice::ReadWrite));
        }
        QBalluff head;
        QVERIFY(!openOn(head, port));
        QCOMPARE(head.getError(), error.arg(port));
        QVERIFY(!head.isOpen());
        App::kovraSettings().setValue("/TTY/DncPort", "/dev/dnc-test");
    }

    // Query mode on a pseudo-terminal: head and flag go out as 1.
    void queryModeReadWrite()
    {
        FakeBalluffHead peer;
        peer.model.tag = pattern(600);
        QBalluff head;
        QVERIFY(openOn(head, peer.slavePath()));
        head.setBisM(true);
        QByteArray out;
        QVERIFY2(head.readBalluff(&out, 0, 512, 3, 0), qPrintable(head.getError()));
        QCOMPARE(out, pattern(600).left(512));
        QCOMPARE(peer.model.telegrams.value(0), QByteArray::fromHex("5555"));
        QCOMPARE(peer.model.telegrams.value(1), QByteArray::fromHex("4C303030303035313231314A"));

        QVERIFY(head.writeBalluff(QByteArray("ABCD"), 16, 4, 2, 0));
        QCOMPARE(peer.model.tag.mid(16, 4), QByteArray("ABCD"));
        QCOMPARE(peer.model.telegrams.last(), BalluffTelegram::dataBlock("ABCD"));
        QVERIFY(peer.model.telegrams.contains(BalluffTelegram::request('P', 16, 4, 1, 1)));
        head.setState(QBalluff::BC_IDLE);
        head.closeBalluffInterface();
        QVERIFY(!head.isOpen());
        // An even-parity line on a pseudo-terminal opens again (the editor
        // opens the head at every showing).
        QVERIFY2(openOn(head, peer.slavePath()), qPrintable(head.getError()));
        QVERIFY(head.readBalluff(&out, 0, 4, 1, 1));
    }

    void readReplies_data()
    {
        QTest::addColumn<bool>("badBcc");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");
        QTest::newRow("wrong BCC") << true << QByteArray() << false << "BCC error, received bcc is wrong";
        QTest::newRow("longer, good BCC") << false << QByteArray("xy") << true << "";
    }

    void readReplies()
    {
        QFETCH(bool, badBcc);
        QFETCH(QByteArray, prefix);
        QFETCH(bool, ok);
        QFETCH(QString, error);
        FakeBalluffHead peer;
        peer.model.tag = pattern(16);
        peer.model.badReadBcc = badBcc;
        peer.model.readPrefix = prefix;
        QBalluff head;
        QVERIFY(openOn(head, peer.slavePath()));
        head.setBisM(true);
        QByteArray out;
        QCOMPARE(head.readBalluff(&out, 0, 16, 1, 1), ok);
        if (ok)
            QCOMPARE(out, prefix + pattern(16));
        else
            QCOMPARE(head.getError(), error);
    }

    // NAK codes on a CTS-mode head; a code without text keeps the last one.
    void nakCodes_data()
    {
        QTest::addColumn<QByteArray>("codes");
        QTest::addColumn<QString>("error");
        QTest::newRow("1") << QByteArray("1") << "No data carrier present";
        QTest::newRow("5 like 1") << QByteArray("45") << "No data carrier present";
        QTest::newRow("4") << QByteArray("4") << "Write error";
        QTest::newRow("D keeps the previous text") << QByteArray("ED") << "CRC error, CRC on data carrier is wrong";
    }

    void nakCodes()
    {
        QFETCH(QByteArray, codes);
        QFETCH(QString, error);
        CtsHead h;
        h.port->setLineStatus(LS_CTS);
        QVERIFY(openOn(h.head, "/dev/rfid-test"));
        for (char c : codes) {
            h.port->withModel([c](BalluffHeadModel &m) { m.nakCodes = {c}; });
            QVERIFY(!h.head.writeBalluff("x", 0, 1, 1, 1));
            QCOMPARE(h.head.getState(), QBalluff::BC_ERROR);
        }
        QCOMPARE(h.head.getError(), error);
    }

    // CTS mode: the operation waits for the line, then reads.
    void ctsModeWaitsForTag()
    {
        CtsHead h;
        h.port->withModel([](BalluffHeadModel &m) { m.tag = pattern(32); });
        QVERIFY(openOn(h.head, "/dev/rfid-test"));
        QTimer::singleShot(100, [&h] { h.port->setLineStatus(LS_CTS); });
        QByteArray out;
        QVERIFY2(h.head.readBalluff(&out, 0, 32, 2, 0), qPrintable(h.head.getError()));
        QCOMPARE(out, pattern(32));
        QCOMPARE(h.port->written().left(12), BalluffTelegram::request('L', 0, 32, 2, 0));
    }

    // A head that sends garbage while the program waits for a tag: what is kept
    // of it stays bounded.
    void garbageWhileWaiting()
    {
        CtsHead h;
        QVERIFY(openOn(h.head, "/dev/rfid-test"));
        const int total = 4 * QBalluff::kMaxReceived;
        int fed = 0;
        int largest = 0;
        QTimer feeder;
        connect(&feeder, &QTimer::timeout, [&] {
            largest = std::max(largest, h.head.getBuffer().size());
            if (fed >= total) {
                h.head.abortOperation();
                return;
            }
            h.port->feed(QByteArray(4096, 'g'));
            fed += 4096;
        });
        feeder.start(2);
        QByteArray out;
        QVERIFY(!h.head.readBalluff(&out, 0, 8, 1, 0));
        QCOMPARE(h.head.getError(), QString("Operation aborted by user"));
        QVERIFY2(largest <= QBalluff::kMaxReceived, qPrintable(QString("kept %1 bytes").arg(largest)));
        QVERIFY(largest > 0);
    }

    void abortDuringPresenceWait_data()
    {
        QTest::addColumn<bool>("queryMode");
        QTest::newRow("query mode") << true;
        QTest::newRow("CTS mode") << false;
    }

    void abortDuringPresenceWait()
    {
        QFETCH(bool, queryMode);
        FakeBalluffHead peer;
        peer.model.tagPresent = false;
        CtsHead h;
        QBalluff &head = queryMode ? *new QBalluff : h.head;
        std::unique_ptr<QBalluff> owned(queryMode ? &head : nullptr);
        QVERIFY(openOn(head, queryMode ? peer.slavePath() : QString("/dev/rfid-test")));
        head.setBisM(queryMode);
        QSignalSpy cts(&head, &QBalluff::toggledCTS);
        // Abort once the head is waiting for a tag: in query mode when it
        // reported the first empty answer, in CTS mode while it watches CTS.
        // The long timer only ends a wait that never starts.
        if (queryMode)
            connect(&head, &QBalluff::toggledCTS, &head, &QBalluff::abortOperation, Qt::QueuedConnection);
        QTimer::singleShot(queryMode ? 60000 : 300, &head, &QBalluff::abortOperation);
        QByteArray out;
        QVERIFY(!head.readBalluff(&out, 0, 8, 1, 1));
        QCOMPARE(head.getError(), QString("Operation aborted by user"));
        if (queryMode) {
            QVERIFY(cts.count() >= 1);
            QVERIFY(!cts.first().first().toBool());
            for (const QByteArray &t : peer.model.telegrams)
                QCOMPARE(t, QByteArray("UU"));
        }
    }

    void closeEnds_data()
    {
        QTest::addColumn<int>("state");
        QTest::newRow("idle") << int(QBalluff::BC_IDLE);
        QTest::newRow("error, nobody winds up") << int(QBalluff::BC_ERROR);
    }

    void closeEnds()
    {
        QFETCH(int, state);
        CtsHead h;
        QVERIFY(openOn(h.head, "/dev/rfid-test"));
        h.head.setState(QBalluff::BalluffCommand(state));
        QElapsedTimer clock;
        clock.start();
        h.head.closeBalluffInterface();
        QVERIFY(!h.head.isOpen());
        if (state == QBalluff::BC_IDLE)
            QVERIFY(h.head.getError().isEmpty()); // no abort
        else
            QVERIFY(clock.elapsed() < 5000);
    }

    // The simulator answers a read and a write through the head protocol.
    void simulator()
    {
        const QString program = TestWorkDir::builtProgram("rfid-sim");
        QVERIFY2(!program.isEmpty(), "rfid-sim not built");
        dir.writeFile("sim-tag.bin", pattern(64));
        QProcess sim;
        sim.start(program, {"--tag", dir.filePath("sim-tag.bin"), "--size", "64"});
        QVERIFY(sim.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 5000);
        const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY2(path.startsWith("/dev/"), qPrintable(path));
        {
            QBalluff head;
            QVERIFY(openOn(head, path));
            head.setBisM(true);
            QVERIFY2(head.writeBalluff("hello", 10, 5, 1, 1), qPrintable(head.getError()));
            QByteArray out;
            QVERIFY2(head.readBalluff(&out, 0, 64, 1, 1), qPrintable(head.getError()));
            QByteArray expected = pattern(64);
            expected.replace(10, 5, "hello");
            QCOMPARE(out, expected);
            QFile saved(dir.filePath("sim-tag.bin"));
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QCOMPARE(saved.readAll(), expected);
            head.setState(QBalluff::BC_IDLE);
            head.closeBalluffInterface();
        }
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(TestRfidHead)
#include "tst_rfidhead.moc"
