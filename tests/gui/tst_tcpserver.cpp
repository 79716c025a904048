// The network position server and the check of position-line formats.
#include "axis/PositionFormat.h"
#include "axis/cAxisInterface.h"
#include "axis/tcpserver.h"
#include "shared/ReplyBacklog.h"
#include "shared/SharedStruct.h"
#include "support/AxbLinkFixture.h"
#include "support/FakeCncServer.h"
#include "support/MessageBoxRecorder.h"
#include "support/ScopedLocale.h"
#include "support/StderrCapture.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

// A link whose board keeps reporting the axes at x and z mm (radius, no references).
struct Link
{
    explicit Link(double xMm = 12.5, double zMm = 100.0)
    {
        fixture.setting("/SOCKET/Port", 0);
        fixture.board.setCounts(qRound(xMm * 1000), qRound(zMm * 1000));
        fixture.board.setReferenced(true);
        fixture.start();
        (void)QTest::qWaitFor([this] { return fixture.link->linesUsed() > 0; }, 30000);
        CurrentMachine.name = QStringLiteral("LATHE1");
    }
    std::unique_ptr<TCPServer> server()
    {
        auto s = std::make_unique<TCPServer>(nullptr, fixture.link.get(), QStringLiteral("127.0.0.1"));
        return s;
    }
    AxbLinkFixture fixture{AxbLinkFixture::Options{50, true}};
};

// The server's end of the client's connection, once it took it.
QTcpSocket *servedEnd(const TCPServer &server, const QTcpSocket &client)
{
    for (QTcpSocket *s : server.findChildren<QTcpSocket *>())
        if (s->state() == QAbstractSocket::ConnectedState && s->peerPort() == client.localPort())
            return s;
    return nullptr;
}

bool connectTo(QTcpSocket &socket, const TCPServer &server)
{
    socket.connectToHost(QHostAddress::LocalHost, server.serverPort());
    if (!socket.waitForConnected(2000))
        return false;
    // Let the server take the connection before anything is sent on it.
    return QTest::qWaitFor([&] { return servedEnd(server, socket) != nullptr; }, 5000);
}

// Runs the event loop, without pausing, until the server has read all the
// client sent.
bool readByServer(QTcpSocket &socket, const QPointer<QTcpSocket> &served)
{
    QElapsedTimer clock;
    clock.start();
    while (!(served && allReadBy(socket, *served))) {
        if (clock.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// What the server answered once it has read all the client sent and the
// client all it wrote (the server runs in this thread's event loop, so the
// loop keeps running meanwhile).
QByteArray readAll(QTcpSocket &socket, const TCPServer &server)
{
    QByteArray out;
    const QPointer<QTcpSocket> served = servedEnd(server, socket);
    (void)QTest::qWaitFor([&] {
        out += socket.readAll();
        return served && allReadBy(socket, *served) && allReadBy(*served, socket);
    }, 10000);
    return out + socket.readAll();
}
}

class TestTcpServer : public QObject
{
    Q_OBJECT
private slots:
    void formatCheck_data();
    void formatCheck();
    void formatOutput_data();
    void formatOutput();
    void replyLine_data();
    void replyLine();
    void requestBytes_data();
    void requestBytes();
    void newestClientOnly();
    void unreadRepliesBounded_data();
    void unreadRepliesBounded();
    void remoteCloseShowsNoBox();
    void closeAfterClientGone();
    void portInUse();
    void badFormatFallsBack_data();
    void badFormatFallsBack();
};

void TestTcpServer::formatCheck_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("valid");
    QTest::newRow("serial mm") << "X%10.3f Z%10.3f %s %s %s %s %s\r" << true;
    QTest::newRow("socket inch") << "X %.5f Z %.5f %s%s%s%s %s\n\r" << true;
    QTest::newRow("flags and percent") << "%% X%+08.2e Z%-#g %-3s%.1s%s%5s %%%s" << true;
    QTest::newRow("int first") << "X%d Z%f %s %s %s %s %s" << false;
    QTest::newRow("text first") << "%s %f %f %s %s %s %s" << false;
    QTest::newRow("store count") << "X%f Z%f %n %s %s %s %s" << false;
    QTest::newRow("eighth conversion") << "X%f Z%f %s %s %s %s %s %s" << false;
    QTest::newRow("six conversions") << "X%f Z%f %s %s %s %s" << false;
    QTest::newRow("star width") << "X%*f Z%f %s %s %s %s %s" << false;
    QTest::newRow("long double") << "X%Lf Z%f %s %s %s %s %s" << false;
    QTest::newRow("l on the floating ones") << "X%10.3lf Z%10.3lf %s %s %s %s %s\r" << true;
    QTest::newRow("l on other floating") << "X%le Z%-lG %s %s %s %s %s" << true;
    QTest::newRow("ll on floating") << "X%llf Z%f %s %s %s %s %s" << false;
    QTest::newRow("l on a text") << "X%f Z%f %ls %s %s %s %s" << false;
    QTest::newRow("l without conversion") << "X%f Z%l %s %s %s %s %s" << false;
    QTest::newRow("pointer") << "X%f Z%f %p %s %s %s %s" << false;
    QTest::newRow("zero flag on text") << "X%f Z%f %05s %s %s %s %s" << false;
    QTest::newRow("trailing percent") << "X%f Z%f %s %s %s %s %s %" << false;
    QTest::newRow("huge width") << "X%99999f Z%f %s %s %s %s %s" << false;
    QTest::newRow("positional") << "X%1$f Z%f %s %s %s %s %s" << false;
    QTest::newRow("empty") << "" << false;
}

void TestTcpServer::formatCheck()
{
    QFETCH(QString, format);
    QFETCH(bool, valid);
    QCOMPARE(PositionFormat::isValid(format), valid);
    const QByteArray out = PositionFormat::format(format, 1.5, 2.5, "A", "A", "M", "R", "N");
    QCOMPARE(out.isEmpty(), !valid);
}

void TestTcpServer::formatOutput_data()
{
    QTest::addColumn<QByteArray>("locale");
    for (const QByteArray &locale : wireLocales())
        QTest::newRow(locale.constData()) << locale;
}

void TestTcpServer::formatOutput()
{
    QFETCH(QByteArray, locale);
    USE_NUMERIC_LOCALE(locale);
    QCOMPARE(PositionFormat::format("X%10.3f Z%10.3f %s %s %s %s %s\r", 12.5, 100, "A", "I", "M", "R ",
                                    QString::fromUtf8("Dr\u00fcck").toLatin1()),
             QByteArray("X    12.500 Z   100.000 A I M R  Dr\xfc" "ck\r"));
    QCOMPARE(PositionFormat::format("X%10.3lf Z%10.3lf %s %s %s %s %s\r", 12.5, 100, "A", "I", "M", "R", "N"),
             QByteArray("X    12.500 Z   100.000 A I M R N\r"));
    QCOMPARE(PositionFormat::format("%%%.1f|%-3s|%.2s", -0.05, 1, "ab", "c", "d", "efg", "h"), QByteArray());
    QCOMPARE(PositionFormat::format("%%%.1f %e|%-3s|%.2s%s%s%s", -0.25, 1, "ab", "c", "d", "efg", "h"),
             QByteArray("%-0.2 1.000000e+00|ab |cdefgh"));
}

void TestTcpServer::replyLine_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<bool>("mm");
    QTest::addColumn<bool>("radius");
    QTest::addColumn<bool>("xIncr");
    QTest::addColumn<bool>("zIncr");
    QTest::addColumn<QByteArray>("expected");
    for (const QByteArray &locale : wireLocales()) {
        auto row = [&](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(QString("%1, %2").arg(name, locale))) << locale;
        };
        row("mm radius") << true << true << false << false << QByteArray("X 12.500 Z 100.000 AAMR  LATHE1\n\r");
        row("mm diameter") << true << false << false << false << QByteArray("X 25.000 Z 100.000 AAMD  LATHE1\n\r");
        row("inch diameter") << false << false << false << false
                             << QByteArray("X 0.98425 Z 3.93701 AAID LATHE1\n\r");
        row("inch radius incremental") << false << true << true << true
                                       << QByteArray("X 0.49213 Z 3.93701 IIIR  LATHE1\n\r");
    }
}

void TestTcpServer::replyLine()
{
    QFETCH(QByteArray, locale);
    USE_NUMERIC_LOCALE(locale);
    QFETCH(bool, mm);
    QFETCH(bool, radius);
    QFETCH(bool, xIncr);
    QFETCH(bool, zIncr);
    QFETCH(QByteArray, expected);
    MessageBoxRecorder boxes;
    Link link;
    CurrentMachine.IsMM = mm;
    CurrentMachine.isRadius = radius;
    // The incremental zero is taken at the present position: the axis then reads 12.5 / 100 mm again.
    if (xIncr)
        link.fixture.link->SetIncrementalX(true, mm ? 12.5f : 12.5f / 25.4f);
    if (zIncr)
        link.fixture.link->SetIncrementalZ(true, mm ? 100.0f : 100.0f / 25.4f);
    link.fixture.feed("X12500 Z100000 I128 O0\r");
    auto server = link.server();
    QVERIFY(server->isListening());
    QTcpSocket socket;
    QVERIFY(connectTo(socket, *server));
    socket.write("\x02");
    QCOMPARE(readAll(socket, *server), expected);
    QVERIFY(boxes.boxes().isEmpty());
}

void TestTcpServer::requestBytes_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<int>("replies");
    QTest::newRow("bytes around one request") << QByteArray("ab\x02yz") << 1;
    QTest::newRow("three requests in one chunk") << QByteArray("\x02\x02\x02") << 1;
    QTest::newRow("no request byte") << QByteArray("hello\r\n") << 0;
    QTest::newRow("serial trigger is not ours") << QByteArray("\x03\x01") << 0;
}

void TestTcpServer::requestBytes()
{
    QFETCH(QByteArray, chunk);
    QFETCH(int, replies);
    Link link;
    auto server = link.server();
    QTcpSocket socket;
    QVERIFY(connectTo(socket, *server));
    socket.write(chunk);
    const QByteArray got = readAll(socket, *server);
    QCOMPARE(got.count("LATHE1\n\r"), replies);
    QCOMPARE(got.isEmpty(), replies == 0);
}

// Clients that connect and never close: each newer one closes the one it
// replaces, so the server holds one connection, and the newest is served.
void TestTcpServer::newestClientOnly()
{
    MessageBoxRecorder boxes;
    Link link;
    auto server = link.server();
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 20; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        QVERIFY(connectTo(*clients.back(), *server));
        QTRY_COMPARE(server->findChildren<QTcpSocket *>().size(), 1);
    }
    for (size_t i = 0; i + 1 < clients.size(); ++i)
        QTRY_COMPARE(clients[i]->state(), QAbstractSocket::UnconnectedState);
    QTcpSocket &newest = *clients.back();
    newest.write("\x02");
    QCOMPARE(readAll(newest, *server), QByteArray("X 12.500 Z 100.000 AAMR  LATHE1\n\r"));

    // The newest goes away: nothing is left, and nothing breaks.
    newest.disconnectFromHost();
    QTRY_COMPARE(server->findChildren<QTcpSocket *>().size(), 0);
    QVERIFY(boxes.boxes().isEmpty());
}

void TestTcpServer::unreadRepliesBounded_data()
{
    // The machine's name sets the reply's length.
    QTest::addColumn<int>("nameLength");
    QTest::newRow("replies of 1 KB") << 1000;
    QTest::newRow("a reply larger than the bound") << int(ReplyBacklog::kMaxWaiting) + 8000;
}

// A client that asks and never reads: the replies that wait for it stay
// under the bound (one larger reply alone); once it reads it finds whole
// replies only, and is answered again.
void TestTcpServer::unreadRepliesBounded()
{
    QFETCH(int, nameLength);
    MessageBoxRecorder boxes;
    Link link;
    CurrentMachine.name = QString(nameLength, 'N');
    const QByteArray reply = "X 12.500 Z 100.000 AAMR  " + QByteArray(nameLength, 'N') + "\n\r";
    const qint64 bound = qMax(ReplyBacklog::kMaxWaiting, qint64(reply.size()));
    auto server = link.server();
    QTcpSocket socket;
    QVERIFY(connectTo(socket, *server));
    const QPointer<QTcpSocket> served = servedEnd(*server, socket);
    // The client takes nothing from its kernel queue, and the kernel holds
    // little on both ends: the replies soon wait in the program.
    socket.setReadBufferSize(1);
    served->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4096);
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    qint64 most = 0;
    for (qint64 asked = 0; asked < 4 * bound; asked += reply.size()) {
        socket.write("\x02");
        QVERIFY(readByServer(socket, served));
        most = qMax(most, served->bytesToWrite());
        QVERIFY2(most <= bound, qPrintable(QString::number(most)));
    }
    // The bound was reached: what waits is as much as it allows.
    QVERIFY2(most > bound - reply.size(), qPrintable(QString::number(most)));

    socket.setReadBufferSize(0);
    const QByteArray backlog = readAll(socket, *server);
    QVERIFY(!backlog.isEmpty());
    QCOMPARE(backlog.size() % reply.size(), 0);
    QCOMPARE(backlog.count(reply), backlog.size() / reply.size());
    socket.write("\x02");
    QCOMPARE(readAll(socket, *server), reply);
    QVERIFY(boxes.boxes().isEmpty());
}

void TestTcpServer::remoteCloseShowsNoBox()
{
    MessageBoxRecorder boxes;
    Link link;
    auto server = link.server();
    {
        QTcpSocket socket;
        QVERIFY(connectTo(socket, *server));
        socket.write("\x02");
        QVERIFY(!readAll(socket, *server).isEmpty());
        socket.disconnectFromHost();
    }
    // The server's side of the connection is deleted once it saw the close.
    QTRY_COMPARE(server->findChildren<QTcpSocket *>().size(), 0);
    QVERIFY(boxes.boxes().isEmpty());
}

void TestTcpServer::closeAfterClientGone()
{
    MessageBoxRecorder boxes;
    Link link;
    auto server = link.server();
    auto socket = std::make_unique<QTcpSocket>();
    QVERIFY(connectTo(*socket, *server));
    socket->abort();
    socket.reset();
    // The server's side of the connection is deleted once it saw the close.
    QTRY_COMPARE(server->findChildren<QTcpSocket *>().size(), 0);
    server->closeSocket();
    QVERIFY(!server->isListening());
    QTcpSocket late;
    QVERIFY(!connectTo(late, *server));
    server.reset();
    QVERIFY(boxes.boxes().isEmpty());
}

void TestTcpServer::portInUse()
{
    MessageBoxRecorder boxes;
    Link link;
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
    link.fixture.setting("/SOCKET/Port", taken.serverPort());
    auto server = link.server();
    QVERIFY(!server->isListening());
    QCOMPARE(boxes.boxes().size(), 1);
    const QMessageBoxKovra::Box box = boxes.boxes().first();
    QCOMPARE(box.kind, QMessageBox::Critical);
    QCOMPARE(box.title, QStringLiteral("DNC Server"));
    QVERIFY2(box.text.startsWith("Unable to start the server: ") && box.text.endsWith('.')
                 && box.text.size() > int(strlen("Unable to start the server: .")),
             qPrintable(box.text));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.defaultButton, QMessageBox::NoButton);
    server->closeSocket();
}

void TestTcpServer::badFormatFallsBack_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("mm");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("int in mm") << "/SOCKET/FmtMM" << "X %d Z %d %s%s%s%s %s\n\r" << true
                               << QByteArray("X 12.500 Z 100.000 AAMR  LATHE1\n\r");
    QTest::newRow("text first in inch") << "/SOCKET/FmtInch" << "%s %f %f %s%s%s%s" << false
                                        << QByteArray("X 0.49213 Z 3.93701 AAIR  LATHE1\n\r");
    QTest::newRow("store count in mm") << "/SOCKET/FmtMM" << "%f%f%n%s%s%s%s" << true
                                       << QByteArray("X 12.500 Z 100.000 AAMR  LATHE1\n\r");
    QTest::newRow("good custom") << "/SOCKET/FmtMM" << "%.1f;%.1f;%s%s%s%s;%s\n" << true
                                 << QByteArray("12.5;100.0;AAMR ;LATHE1\n");
}

void TestTcpServer::badFormatFallsBack()
{
    QFETCH(QString, key);
    QFETCH(QString, format);
    QFETCH(bool, mm);
    QFETCH(QByteArray, expected);
    Link link;
    link.fixture.setting(key, format);
    CurrentMachine.IsMM = mm;
    StderrCapture err;
    auto server = link.server();
    const QByteArray diagnostics = err.text();
    const bool bad = !PositionFormat::isValid(format);
    QCOMPARE(diagnostics.count('\n'), bad ? 1 : 0);
    if (bad)
        QVERIFY2(diagnostics.contains(key.toLatin1()), diagnostics.constData());
    QTcpSocket socket;
    QVERIFY(connectTo(socket, *server));
    socket.write("\x02");
    QCOMPARE(readAll(socket, *server), expected);
}

QTEST_MAIN(TestTcpServer)
#include "tst_tcpserver.moc"
