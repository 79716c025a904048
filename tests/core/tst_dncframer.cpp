// What a host sends on the serial DNC line, cut into requests: the same
// bytes in any chunks give the same requests; and the service answering
// them on a port it is given, without a terminal.
#include "axis/ManageSerialPort.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "support/FakeSerialPort.h"
#include "support/TestWorkDir.h"
#include "tooling/DncData.h"
#include "tooling/DncRequestFramer.h"
#include "tooling/DncSerialService.h"

#include <QtTest>

namespace {
using Chunks = QList<QByteArray>;

// In a row's chunks: the host's time to end its request ran out here.
const QByteArray timeOut;

const QByteArray NAK("\x15");

QByteArray shown(const DncRequestFramer::Request &request)
{
    switch (request.kind) {
    case DncRequestFramer::Request::Trigger: return "<trigger>";
    case DncRequestFramer::Request::Oversized: return "<oversized>";
    case DncRequestFramer::Request::Expired: return "<expired>";
    case DncRequestFramer::Request::Line: break;
    }
    return request.bytes;
}

// Feeds the chunks as the service does, taking every request after each.
QByteArrayList frame(char trigger, const Chunks &chunks, bool *partialLeft = nullptr)
{
    DncRequestFramer framer(trigger);
    QByteArrayList out;
    for (const QByteArray &chunk : chunks) {
        if (chunk.isNull())
            framer.expire();
        else
            framer.append(chunk);
        while (framer.hasRequest())
            out << shown(framer.takeRequest());
    }
    if (partialLeft)
        *partialLeft = framer.hasPartial();
    return out;
}

// The same bytes between two time-outs byte by byte, or in one chunk.
Chunks byteByByte(const Chunks &chunks)
{
    Chunks out;
    for (const QByteArray &chunk : chunks) {
        if (chunk.isNull())
            out << chunk;
        for (char c : chunk)
            out << QByteArray(1, c);
    }
    return out;
}

Chunks joined(const Chunks &chunks)
{
    Chunks out{QByteArray("")};
    for (const QByteArray &chunk : chunks) {
        if (chunk.isNull())
            out << chunk << QByteArray("");
        else
            out.last() += chunk;
    }
    return out;
}

QByteArray longest(const QByteArray &head, int bytesBeforeCr)
{
    return head + QByteArray(bytesBeforeCr - head.size(), 'k');
}
}

class TestDncFramer : public QObject
{
    Q_OBJECT
private slots:
    void requests_data();
    void requests();
    void waitingBound_data();
    void waitingBound();
    void serviceOnGivenPort_data();
    void serviceOnGivenPort();
};

void TestDncFramer::requests_data()
{
    QTest::addColumn<int>("trigger");
    QTest::addColumn<Chunks>("chunks");
    QTest::addColumn<QByteArrayList>("requests");
    QTest::addColumn<bool>("partialLeft"); // a request waits for its end (and its time-out)

    const QByteArray settingsBound = longest("$N", kMaxSettingsText);
    QTest::newRow("request ends at its CR") << 0 << Chunks{"$?\r$D"} << QByteArrayList{"$?\r"} << true;
    QTest::newRow("requests in pieces") << 0 << Chunks{"$", "?\r$", "Mab", "\r"}
                                        << QByteArrayList{"$?\r", "$Mab\r"} << false;
    QTest::newRow("payload up to the first CR") << 0 << Chunks{"$Mab\rcd\r"} << QByteArrayList{"$Mab\r", "cd\r"}
                                                << false;
    QTest::newRow("LF after a request's CR starts nothing")
        << 0 << Chunks{"$?\r\n$D\r\n"} << QByteArrayList{"$?\r", "$D\r"} << false;
    QTest::newRow("LFs alone start nothing") << 0 << Chunks{"\n\n"} << QByteArrayList{} << false;
    QTest::newRow("LF inside a request stays") << 0 << Chunks{"$I@a\nb\r"} << QByteArrayList{"$I@a\nb\r"} << false;
    QTest::newRow("$ and CR are no request") << 0 << Chunks{"$\r"} << QByteArrayList{} << true;
    QTest::newRow("$ and CR go on with the next bytes") << 0 << Chunks{"$\r", "?\r"} << QByteArrayList{"$\r?\r"}
                                                        << false;
    QTest::newRow("three line ends are a request") << 0 << Chunks{"\r\r\r"} << QByteArrayList{"\r\r\r"} << false;
    QTest::newRow("time-out refuses the partial request")
        << 0 << Chunks{"$?", timeOut, "$?\r"} << QByteArrayList{"<expired>", "$?\r"} << false;
    QTest::newRow("trigger drops only the partial request before it")
        << 2 << Chunks{"$?\r$X\x02$D\r"} << QByteArrayList{"$?\r", "<trigger>", "$D\r"} << false;
    QTest::newRow("trigger alone") << 2 << Chunks{"\x02\x02"} << QByteArrayList{"<trigger>", "<trigger>"} << false;
    QTest::newRow("trigger before a CR: the CR begins the next request")
        << 2 << Chunks{"$X\x02\r$?\r"} << QByteArrayList{"<trigger>", "\r$?\r"} << false;
    QTest::newRow("no trigger configured: the byte is a request's")
        << 0 << Chunks{"$\x02\r"} << QByteArrayList{"$\x02\r"} << false;
    QTest::newRow("settings text at its bound") << 0 << Chunks{settingsBound + "\r"}
                                                << QByteArrayList{settingsBound + "\r"} << false;
    QTest::newRow("settings text past its bound, refused and dropped to its CR")
        << 0 << Chunks{settingsBound + "k", "more", "\r$?\r"} << QByteArrayList{"<oversized>", "$?\r"} << false;
    QTest::newRow("refused request waits for its CR, no second refusal at its time-out")
        << 0 << Chunks{settingsBound + "kk", timeOut, "$?\r"} << QByteArrayList{"<oversized>", "$?\r"} << false;
    QTest::newRow("trigger ends a refused request")
        << 2 << Chunks{settingsBound + "kk", "\x02$?\r"} << QByteArrayList{"<oversized>", "<trigger>", "$?\r"} << false;
    QTest::newRow("import past the line's bound")
        << 0 << Chunks{longest("$I@M@T@", kMaxDncRequest + 1), "\r$?\r"} << QByteArrayList{"<oversized>", "$?\r"}
        << false;
}

// As given, byte by byte and in one chunk (between time-outs), the bytes give
// the same requests.
void TestDncFramer::requests()
{
    QFETCH(int, trigger);
    QFETCH(Chunks, chunks);
    QFETCH(QByteArrayList, requests);
    QFETCH(bool, partialLeft);
    const QList<QPair<const char *, Chunks>> ways{
        {"as given", chunks}, {"byte by byte", byteByByte(chunks)}, {"in one chunk", joined(chunks)}};
    for (const auto &way : ways) {
        bool partial = !partialLeft;
        QCOMPARE(frame(char(trigger), way.second, &partial), requests);
        QVERIFY2(partial == partialLeft, way.first);
    }
}

void TestDncFramer::waitingBound_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("full"); // before any is taken
    QTest::addColumn<int>("count");
    const int bound = DncRequestFramer::kMaxWaitingRequests;
    QTest::newRow("one below the count") << QByteArray("$?\r").repeated(bound - 2) + "$D\r" << false << bound - 1;
    QTest::newRow("at the count") << QByteArray("$?\r").repeated(bound - 1) + "$D\r" << true << bound;
    QTest::newRow("past the count") << QByteArray("$?\r").repeated(bound) + "$D\r" << true << bound + 1;
    QTest::newRow("at the bytes") << longest("$I", DncRequestFramer::kMaxWaitingBytes - 1) + "\r$D\r" << true << 2;
    QTest::newRow("below the bytes") << longest("$I", DncRequestFramer::kMaxWaitingBytes - 5) + "\r$D\r" << false << 2;
}

// Past their bounds the requests wait uncut and the line is to be held; they
// come in order as the waiting ones are taken.
void TestDncFramer::waitingBound()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    DncRequestFramer framer;
    framer.append(bytes);
    QTEST(framer.isFull(), "full");
    QByteArrayList taken;
    while (framer.hasRequest())
        taken << shown(framer.takeRequest());
    QCOMPARE(taken.size(), count);
    QCOMPARE(taken.last(), QByteArray("$D\r"));
    QVERIFY(!framer.isFull());
    QVERIFY(!framer.hasPartial());
}

void TestDncFramer::serviceOnGivenPort_data()
{
    QTest::addColumn<int>("trigger");
    QTest::addColumn<Chunks>("chunks");
    QTest::addColumn<int>("failAt"); // the write call that fails first (-1: none)
    QTest::addColumn<QByteArray>("written");
    const QByteArray ACK("\x06");
    const QByteArray line("X    12.500 Z   100.000 A A M R LATHE1\r");
    const QByteArray triggered("X    12.500 Z   100.000 A A M R  LATHE1\r");
    QTest::newRow("requests in pieces") << 0 << Chunks{"$?", "\r$", "?\r\n"} << -1 << ACK + ACK;
    QTest::newRow("trigger in a request") << 2 << Chunks{"$?\r$X", "\x02"} << -1 << ACK + triggered;
    QTest::newRow("position cut by the line, then NAK") << 0 << Chunks{"$X\r"} << 5 << line.left(5) + NAK;
}

// The service on a scripted port: replies as the framer cut the requests,
// and a reply the line gave up is followed by NAK.
void TestDncFramer::serviceOnGivenPort()
{
    QFETCH(int, trigger);
    QFETCH(Chunks, chunks);
    QFETCH(int, failAt);
    QFETCH(QByteArray, written);
    TestWorkDir dir;
    App::kovraSettings().setValue("/TTY/CharDnc", trigger);
    CurrentMachine = s_machine();
    CurrentMachine.name = "LATHE1";
    CurrentMachine.IsMM = true;
    CurrentMachine.isRadius = true;
    enableToolingup = true;
    auto owned = std::make_unique<FakeSerialPort>();
    FakeSerialPort *port = owned.get();
    if (failAt >= 0)
        port->failWriteAt(failAt);
    {
        DncSerialService service(std::move(owned), [](double &x, double &z) {
            x = 12.5;
            z = 100;
            return true;
        });
        QVERIFY(port->isOpen());
        for (const QByteArray &chunk : chunks) {
            port->feed(chunk);
            QTRY_VERIFY(port->pending().isEmpty());
        }
        QTRY_COMPARE(port->written(), written);
    }
    enableToolingup = false;
    App::resetKovraSettings();
}

QTEST_GUILESS_MAIN(TestDncFramer)
#include "tst_dncframer.moc"
