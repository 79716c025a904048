#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "axis/ManageSerialPort.h"
#include "axis/QextSerialPort.h"
#include "dnc/AskDataMatrix.h"
#include "dnc/DncProtocol.h"
#include "dnc/cDnc.h"
#include "dnc/DmFrameReader.h"
#include "dnc/dmScanner.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "support/FakeCncServer.h"
#include "support/FakeScanner.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/StderrCapture.h"
#include "support/ToolingDb.h"
#include "support/UnexpectedBoxes.h"

namespace {

const QByteArray kLayout = "[SETTINGS]\nTotFields=3\n"
                           "[FIELD0]\nLabel=Tool\nDncLabel=T\nFieldType=int\nSqlTable=tools\nSqlField=t\n"
                           "[FIELD1]\nLabel=Diameter\nDncLabel=D\nFieldType=float\nMin=0\nMax=10\n"
                           "SqlTable=dnc\nSqlField=dncNum0\n"
                           "[FIELD2]\nLabel=Name\nDncLabel=Name\nSqlTable=dnc\nSqlField=dncAlpha0\n";

QStringList texts(const MessageBoxRecorder &rec)
{
    QStringList t;
    for (const auto &b : rec.boxes())
        t << b.title + ": " + b.text;
    return t;
}

// The toolkit's warnings (a read of a closed line) while it lives.
struct WarningCatcher
{
    static QStringList &caught()
    {
        static QStringList list;
        return list;
    }
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (type == QtWarningMsg)
            caught() << text;
    }
    WarningCatcher() : previous(qInstallMessageHandler(handler)) { caught().clear(); }
    ~WarningCatcher() { qInstallMessageHandler(previous); }
    QtMessageHandler previous;
};

} // namespace

// The DNC panel talking to the CNC-side server in both dialects, and its
// DataMatrix readings with the scanner on a pseudo-terminal.
class tst_dncexchange : public QObject
{
    Q_OBJECT

    std::unique_ptr<ToolingDbScope> m_db;
    QWidget m_host;
    cDnc *m_panel = nullptr;
    std::unique_ptr<FakeCncServer> m_server;
    std::unique_ptr<FakeScanner> m_scanner;
    int m_tool = 0;

    void layout(const QString &name, const QByteArray &content, const QByteArray &settings = QByteArray())
    {
        QDir().mkpath("dnc");
        QFile f("dnc/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content + settings);
        CurrentMachine.dncFormat = name;
    }
    // Opens stand-alone and waits for the connection.
    void openConnected(bool toolMode = false)
    {
        const int before = m_server->connections();
        QVERIFY(m_panel->init(toolMode, toolMode ? m_tool : -1));
        QTRY_COMPARE(m_server->connections(), before + 1);
        QTRY_COMPARE(m_panel->form()->lblMessage->text(), QString("Connected"));
    }
    QLineEdit *le(int row) { return qobject_cast<QLineEdit *>(m_panel->editor(row)); }
    QPushButton *send() { return m_panel->form()->pbWrite; }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_db = std::make_unique<ToolingDbScope>();
        m_host.resize(375, 500);
        m_panel = new cDnc(nullptr, nullptr, &m_host);
        m_host.show();
    }
    void cleanupTestCase()
    {
        delete m_panel;
        m_db.reset();
    }
    void init()
    {
        ToolingDb::emptyTables();
        m_tool = ToolingDb::addTool(ToolingDb::addTable(ToolingDb::addMachine("M1"), "T"), 7, 1, 2, "C7");
        m_server = std::make_unique<FakeCncServer>();
        m_scanner = std::make_unique<FakeScanner>();
        App::kovraSettings().setValue("/DataMatrix/Port", m_scanner->slavePath());
        CurrentMachine = s_machine();
        CurrentMachine.name = "M1";
        CurrentMachine.dncSocket = m_server->address();
        MachineSettings.mmDecimals = 3;
        layout("t.dnc", kLayout);
        m_panel->replyTimer()->setInterval(6000);
    }
    void cleanup()
    {
        m_panel->closeForm();
        m_server.reset();
        m_scanner.reset();
    }

    void invalidSocketStillOpens_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("port 0") << "127.0.0.1:0";
        QTest::newRow("port 70000") << "127.0.0.1:70000";
        QTest::newRow("no colon") << "127.0.0.1";
    }
    void invalidSocketStillOpens()
    {
        QFETCH(QString, address);
        MessageBoxRecorder rec;
        CurrentMachine.dncSocket = address;
        QVERIFY(m_panel->init(false, -1));
        QCOMPARE(texts(rec), QStringList{"DNC: Invalid socket settings\n" + address});
        QVERIFY(!send()->isEnabled());
    }

    void emptyHostFailsWhenConnecting()
    {
        MessageBoxRecorder rec;
        CurrentMachine.dncSocket = ":" + m_server->address().section(':', 1);
        QVERIFY(m_panel->init(false, -1));
        QTRY_COMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().at(0).title, QString("Dnc"));
        QVERIFY(rec.boxes().at(0).text.startsWith("Connection error:"));
        QVERIFY(!send()->isEnabled());
    }

    void jsonSendAcknowledged()
    {
        MessageBoxRecorder rec;
        QSignalSpy ok(m_panel, &cDnc::tidDataOk);
        QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
        openConnected();
        QVERIFY(send()->isEnabled());
        le(1)->setText("2.5");
        le(2)->setText("a\x03z");
        m_server->scripted << "\x02{\"Acknowledge\": {\"ERROR\": \"\"}}\x03";
        send()->click();
        QVERIFY(!send()->isEnabled());
        QTRY_COMPARE(closed.count(), 1);
        QCOMPARE(ok.count(), 1);
        QCOMPARE(m_server->frames(), QList<QByteArray>{"{\"SetValues\": {\"D\": \"2.5\",\"DataMatrixCode\": \"0\","
                                                        "\"Machine\": \"M1\",\"Name\": \"a\\u0003z\",\"T\": \"0\"}}"});
        QVERIFY(rec.boxes().isEmpty());
    }

    void acknowledgeErrors_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("box");
        QTest::newRow("E12") << QByteArray("{\"Acknowledge\": {\"ERROR\": \"E12\"}}")
                             << "Error: Error received from server [E12]";
        QTest::newRow("missing") << QByteArray("{\"Acknowledge\": {}}") << "Error: Error received from server []";
        QTest::newRow("not a text") << QByteArray("{\"Acknowledge\": {\"ERROR\": 3}}")
                                    << "Error: Error received from server [3]";
    }
    void acknowledgeErrors()
    {
        QFETCH(QByteArray, reply);
        MessageBoxRecorder rec;
        QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
        openConnected();
        m_server->scripted << "\x02" + reply + "\x03";
        send()->click();
        QTRY_VERIFY(send()->isEnabled());
        QTEST(texts(rec).join("|"), "box");
        QCOMPARE(closed.count(), 0);
    }

    void setValuesFillFields()
    {
        openConnected();
        le(1)->setText("1");
        m_server->chunkSize = 7;
        m_server->scripted << "noise\x02{\"SetValues\": {\"D\": 4.25, \"name\": \"x\", \"Name\": \"Bob\", "
                              "\"Other\": \"1\"}}\x03";
        send()->click();
        QTRY_VERIFY(send()->isEnabled());
        QCOMPARE(le(1)->text(), QString("4.250"));
        QCOMPARE(le(2)->text(), QString("Bob"));
        QVERIFY(!m_panel->hasChangedData());
    }

    void brokenFrameThenGood()
    {
        MessageBoxRecorder rec;
        openConnected();
        m_server->scripted << "\x02{broken\x03";
        send()->click();
        QTRY_COMPARE(m_server->frames().size(), 1);
        // The broken reply is read and dropped: still waiting for one.
        QTRY_VERIFY(m_server->client() && allReadBy(*m_server->client(), *m_panel->dncSocket()));
        QVERIFY(!send()->isEnabled());
        m_server->send("\x02{\"SetValues\": {\"Name\": \"ok\"}}\x03");
        QTRY_COMPARE(le(2)->text(), QString("ok"));
        QVERIFY(send()->isEnabled());
    }

    // What a connection left unfinished does not spoil the next one's reply.
    void bufferEmptiedAtNewConnection()
    {
        openConnected();
        m_server->send("\x02{\"SetValues\": {\"Na");
        QTRY_VERIFY(m_panel->receivedBytes() > 0);
        m_panel->closeForm();
        openConnected();
        QCOMPARE(m_panel->receivedBytes(), 0);
        m_server->send("\x02{\"SetValues\": {\"Name\": \"fresh\"}}\x03");
        QTRY_COMPARE(le(2)->text(), QString("fresh"));
    }

    void replyAfterTimeoutApplied()
    {
        MessageBoxRecorder rec;
        openConnected();
        m_panel->replyTimer()->setInterval(100);
        m_server->scripted << QByteArray();
        send()->click();
        QTRY_COMPARE(texts(rec), QStringList{"DNC: Server timeout"});
        QVERIFY(!send()->isEnabled());
        m_server->send("\x02{\"SetValues\": {\"Name\": \"late\"}}\x03");
        QTRY_COMPARE(le(2)->text(), QString("late"));
        QVERIFY(send()->isEnabled());
        QCOMPARE(rec.boxes().size(), 1);
    }

    // A line closed in the middle of a reply is told once: no reply comes
    // on it, so its reply timer tells nothing more.
    void serverClosesMidReply_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("part");
        QTest::newRow("JSON") << "t.dnc" << QByteArray("\x02{\"Acknowledge\": {\"ERR");
        QTest::newRow("plain text") << "okuma.dnc" << QByteArray("\x02" "AC");
    }
    void serverClosesMidReply()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, part);
        MessageBoxRecorder rec;
        layout(file, kLayout);
        openConnected();
        m_panel->replyTimer()->setInterval(2000);
        m_server->closeAfterReply = true;
        m_server->scripted << part;
        send()->click();
        QTRY_COMPARE(m_panel->form()->lblMessage->text(), QString("Not connected"));
        QVERIFY(!m_panel->replyTimer()->isActive());
        QCOMPARE(texts(rec), QStringList{"Dnc: Connection error:The remote host closed the connection"});
    }

    // While the box about a reply is open the panel reads nothing: what the
    // server sends meanwhile waits in the socket up to the bound of a reply.
    void bytesWaitingBounded()
    {
        openConnected();
        QList<QMessageBoxKovra::Box> boxes;
        qint64 waitingMost = 0;
        const QMessageBoxKovra::Handler found = QMessageBoxKovra::setHandler([&](const QMessageBoxKovra::Box &b) {
            boxes << b;
            m_server->send(QByteArray(8 * DncProtocol::kMaxBuffer, 'x'));
            QTcpSocket *s = m_panel->dncSocket();
            // Until the bound is reached, and as long again, the line is read.
            QElapsedTimer reaching;
            reaching.start();
            while (s->bytesAvailable() < DncProtocol::kMaxBuffer && reaching.elapsed() < 20000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            const qint64 took = reaching.elapsed();
            QElapsedTimer more;
            more.start();
            while (more.elapsed() <= took + 200 && s->bytesAvailable() <= DncProtocol::kMaxBuffer)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            waitingMost = s->bytesAvailable();
            return QMessageBox::Ok;
        });
        m_server->scripted << "\x02{\"Acknowledge\": {\"ERROR\": \"E3\"}}\x03";
        send()->click();
        QTRY_COMPARE(boxes.size(), 1);
        QMessageBoxKovra::setHandler(found);
        QCOMPARE(waitingMost, qint64(DncProtocol::kMaxBuffer));
        // What came meanwhile is read once the box is gone, dropped as too long.
        QTRY_COMPARE(m_panel->dncSocket()->bytesAvailable(), qint64(0));
        QVERIFY(send()->isEnabled());
    }

    // What the exchange would show while a slow field script runs waits until
    // the script has returned: a box opened inside it could not be answered.
    // A reply that came in time is not turned into a time-out by that wait.
    void boxesWaitForScript_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("timerMs");
        // A box of another part stays open this long inside the script (0: none).
        QTest::addColumn<int>("otherBoxMs");
        QTest::addColumn<bool>("serverCloses");
        QTest::addColumn<QString>("shown");
        const QByteArray ack("\x02" "ACK\x03");
        const QString closed = "Dnc: Connection error:The remote host closed the connection";
        QTest::newRow("reply time-out") << "t.dnc" << QByteArray() << 100 << 0 << false << "DNC: Server timeout";
        QTest::newRow("plain-text reply") << "okuma.dnc" << ack << 6000 << 0 << false << "DNC: Data sent with success";
        QTest::newRow("error from server") << "t.dnc" << QByteArray("\x02{\"Acknowledge\": {\"ERROR\": \"E1\"}}\x03")
                                           << 6000 << 0 << false << "Error: Error received from server [E1]";
        QTest::newRow("socket error") << "t.dnc" << QByteArray() << 6000 << 0 << true << closed;
        QTest::newRow("nested script error") << "t.dnc" << QByteArray("\x02{\"SetValues\": {\"Name\": \"boom\"}}\x03")
                                             << 6000 << 0 << false
                                             << "SCRIPT ERROR: [FIELD 2] ReferenceError: Can't find variable: boom";
        QTest::newRow("plain-text ACK in time, timer shorter than the script")
            << "okuma.dnc" << ack << 500 << 0 << false << "DNC: Data sent with success";
        QTest::newRow("JSON acknowledge in time, timer shorter than the script")
            << "t.dnc" << QByteArray("\x02{\"Acknowledge\": {\"ERROR\": \"\"}}\x03") << 500 << 0 << false
            << "(panel closed)";
        QTest::newRow("box of another part outlasts the default timer")
            << "okuma.dnc" << ack << 6000 << 6500 << false << "DNC: Data sent with success";
        QTest::newRow("acknowledged, then the server closes the line")
            << "okuma.dnc" << ack << 500 << 0 << true << "DNC: Data sent with success|" + closed;
    }
    void boxesWaitForScript()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, reply);
        QFETCH(int, timerMs);
        QFETCH(int, otherBoxMs);
        QFETCH(bool, serverCloses);
        MessageBoxRecorder rec;
        QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
        // The slow script's output starts a second one: the boxes wait for both.
        layout(file, QByteArray(kLayout)
                         .replace("TotFields=3", "TotFields=4")
                         .replace("SqlField=t\n", "SqlField=t\nScript=\"if (blfVal[0] == '9') { var t = Date.now(); "
                                                   "while (Date.now() - t < 300) {} } blfOut\"\n")
                         + "Script=\"if (blfVal[2] == 'boom') boom(); blfOut\"\n"
                           "[FIELD3]\nLabel=Slow\nScript=\"var t = Date.now(); while (Date.now() - t < 800) {} "
                           "['0|9']\"\n");
        openConnected();
        m_panel->replyTimer()->setInterval(timerMs);
        m_server->closeAfterReply = serverCloses;
        m_server->scripted << reply;
        // The other part's box is closed once it has been open that long.
        QElapsedTimer otherOpen;
        WhenModalOpens closeOther([&](QWidget *box) {
            if (!otherBoxMs || box->objectName() != "other")
                return false;
            if (!otherOpen.isValid())
                otherOpen.start();
            if (otherOpen.elapsed() < otherBoxMs)
                return false;
            qobject_cast<QDialog *>(box)->accept();
            return true;
        });
        if (otherBoxMs)
            QTimer::singleShot(100, [] {
                QDialog other;
                other.setObjectName("other");
                other.exec();
            });
        send()->click();
        le(3)->setText("go");
        QVERIFY(rec.boxes().isEmpty());
        QCOMPARE(le(0)->text(), QString("9"));
        QFETCH(QString, shown);
        const auto observed = [&] {
            return (texts(rec) + (closed.isEmpty() ? QStringList() : QStringList{"(panel closed)"})).join("|");
        };
        QTRY_COMPARE(observed(), shown);
    }

    // A frame that comes while the previous reply is handled (its field
    // script runs) is handled after it, as it is without the script time; a
    // frame begun before a send is never that send's reply.
    void framesDuringReply_data()
    {
        QTest::addColumn<int>("scriptMs");
        QTest::addColumn<QByteArray>("during"); // sent once the reply to the first send shows
        QTest::addColumn<QString>("first");     // the outcome of that
        QTest::addColumn<QString>("second");    // and of a second send (answered E12) when still open
        QTest::addColumn<int>("dropped");       // bytes dropped by that send
        const QByteArray ok("\x02{\"Acknowledge\": {\"ERROR\": \"\"}}\x03");
        const QByteArray values("\x02{\"SetValues\": {\"T\": 5}}\x03");
        const QString closed = "T 0|(OK)|(closed)";
        const QString e12 = "T 5|Error: Error received from server [E12]";
        QTest::newRow("acknowledged, no script time") << 0 << ok << closed << closed << 0;
        QTest::newRow("acknowledged during the script") << 600 << ok << closed << closed << 0;
        QTest::newRow("values, no script time, then E12") << 0 << values << "T 5" << e12 << 0;
        QTest::newRow("values during the script, then E12") << 600 << values << "T 5" << e12 << 0;
        QTest::newRow("success begun before the send, then E12")
            << 0 << ok.chopped(1) << "T 0|(waiting)" << "T 0|Error: Error received from server [E12]"
            << ok.size() - 1;
    }
    void framesDuringReply()
    {
        QFETCH(int, scriptMs);
        QFETCH(QByteArray, during);
        StderrCapture err;
        WarningCatcher warnings;
        MessageBoxRecorder rec;
        QSignalSpy ok(m_panel, &cDnc::tidDataOk);
        QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
        const QByteArray script = QString("Script=\"var t = Date.now(); while (Date.now() - t < %1) {} blfOut\"\n")
                                      .arg(scriptMs)
                                      .toLatin1();
        layout("t.dnc", kLayout + (scriptMs ? script : QByteArray()));
        openConnected();
        m_server->scripted << "\x02{\"SetValues\": {\"Name\": \"slow\"}}\x03"
                           << "\x02{\"Acknowledge\": {\"ERROR\": \"E12\"}}\x03";
        QTimer showing;
        showing.setInterval(10);
        connect(&showing, &QTimer::timeout, [&] {
            if (le(2)->text() == "slow") {
                showing.stop();
                m_server->send(during);
            }
        });
        showing.start();
        send()->click();
        const auto observed = [&] {
            QStringList seen{"T " + le(0)->text()};
            seen += texts(rec);
            if (!ok.isEmpty())
                seen << "(OK)";
            if (!closed.isEmpty())
                seen << "(closed)";
            if (closed.isEmpty() && m_panel->receivedBytes() > 0)
                seen << "(waiting)";
            return seen.join("|");
        };
        QTRY_VERIFY(!showing.isActive());
        QFETCH(QString, first);
        QTRY_COMPARE(observed(), first);
        if (closed.isEmpty()) {
            QVERIFY(send()->isEnabled());
            send()->click();
        }
        QFETCH(QString, second);
        QTRY_COMPARE(observed(), second);
        QFETCH(int, dropped);
        QCOMPARE(QString(err.text()),
                 dropped ? QString("cDnc: %1 bytes received before a send dropped\n").arg(dropped) : QString());
        QCOMPARE(WarningCatcher::caught(), QStringList());
    }

    // A number field goes to the server as its editor shows it, whatever the
    // tables or the server held behind that text, and to the dnc table so
    // when it was typed or received; the bounds and RegExp checks judge that
    // text.
    void shownIsSent_data()
    {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QByteArray>("field"); // field V, kept in dncNum4 unless read from tools
        QTest::addColumn<QString>("source");   // SQL run first (%1: the tool), else the server's value
        QTest::addColumn<QString>("typed");    // null: left as shown
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("sent");     // V's value; a plain-text row: the whole line
        QTest::addColumn<QString>("kept");     // dncNum4 after closing: what nobody changed stays
        const QByteArray number = "FieldType=float\n";
        const QByteArray wear = "FieldType=float\nFormat=%.3f\nMin=-1\nMax=1\n";
        const QString stored = "INSERT INTO dnc(idTool, dncNum4) VALUES(%1, CAST('%2' AS BLOB))";
        const QString toolX = "UPDATE tools SET x=%1 WHERE idTool=%2";
        QTest::newRow("tools value finer than 1 mm decimal")
            << 1 << QByteArray("FieldType=float\nSqlTable=tools\nSqlField=x\n") << toolX.arg("25.049", "%1")
            << QString() << "25.0" << "25.0" << "25.0";
        QTest::newRow("tools x in the plain-text line")
            << 3 << QByteArray("FieldType=float\nSqlTable=tools\nSqlField=x\n") << toolX.arg("12", "%1")
            << QString() << "12.000" << "T7 V12.000 " << "T7 V12.000 ";
        QTest::newRow("server value beyond float precision")
            << 3 << number << "1234567.891" << QString() << "1234567.891" << "1234567.891" << "1234567.891";
        QTest::newRow("dnc value under a Format with leading zeros")
            << 3 << QByteArray("FieldType=float\nFormat=%08.3f\n") << stored.arg("%1", "12") << QString()
            << "0012.000" << "0012.000" << "12";
        QTest::newRow("dnc value under a shorter Format")
            << 3 << wear << stored.arg("%1", "0.0125") << QString() << "0.013" << "0.013" << "0.0125";
        QTest::newRow("edited text taken")
            << 3 << wear << stored.arg("%1", "0.0125") << "0.020" << "0.020" << "0.020" << "0.020";
        QTest::newRow("bounds judge the value shown")
            << 3 << wear << stored.arg("%1", "1.0004") << QString() << "1.000" << "1.000" << "1.0004";
        QTest::newRow("bounds read the number through its Format")
            << 3 << QByteArray("FieldType=int\nFormat=T%03d\nMin=1\nMax=50\n") << stored.arg("%1", "T042")
            << QString() << "T042" << "T042" << "T042";
        QTest::newRow("RegExp judges the value shown")
            << 3 << QByteArray("FieldType=float\nRegExp=[0-9]+[.][0-9]{3}\n") << stored.arg("%1", "12")
            << QString() << "12.000" << "12.000" << "12";
        QTest::newRow("server exponent") << 3 << number << "\"1e3\"" << QString() << "1000.000" << "1000.000" << "1000.000";
        QTest::newRow("server blanks") << 3 << number << "\" 12.5 \"" << QString() << "12.500" << "12.500" << "12.500";
        QTest::newRow("server trailing point") << 3 << number << "\"12.\"" << QString() << "12.000" << "12.000" << "12.000";
        QTest::newRow("server leading zero") << 3 << QByteArray("FieldType=int\n") << "\"042\"" << QString() << "42"
                                             << "42" << "42";
        QTest::newRow("server plus sign") << 3 << QByteArray("FieldType=int\n") << "\"+42\"" << QString() << "42"
                                          << "42" << "42";
    }
    void shownIsSent()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, source);
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        MessageBoxRecorder rec;
        QFETCH(int, decimals);
        MachineSettings.mmDecimals = decimals;
        const bool fromTools = field.contains("tools");
        const bool plain = sent.startsWith("T7 ");
        layout(plain ? "okuma.dnc" : "t.dnc",
               "[SETTINGS]\nTotFields=2\n[FIELD0]\nLabel=Tool\nDncLabel=T\nFieldType=int\nSqlTable=tools\n"
               "SqlField=t\n[FIELD1]\nLabel=V\nDncLabel=V\n"
                   + field + (fromTools ? "" : "SqlTable=dnc\nSqlField=dncNum4\n"));
        const bool fromServer = !source.contains("%1");
        if (!fromServer)
            QVERIFY(ToolingDb::exec(source.arg(m_tool)));
        openConnected(true);
        if (fromServer)
            m_server->send("\x02{\"SetValues\": {\"V\": " + source.toLatin1() + "}}\x03");
        if (!typed.isNull())
            le(1)->setText(typed);
        QFETCH(QString, shown);
        QTRY_COMPARE(le(1)->text(), shown);
        m_server->scripted << QByteArray();
        send()->click();
        QCOMPARE(texts(rec).join("|"), QString());
        QTRY_COMPARE(m_server->frames().size(), 1);
        m_panel->closeForm();
        QCOMPARE(m_server->frames().at(0),
                 plain ? sent.toLatin1()
                       : "{\"SetValues\": {\"DataMatrixCode\": \"0\",\"Machine\": \"M1\",\"T\": \"7\",\"V\": \""
                             + sent.toLatin1() + "\"}}");
        QFETCH(QString, kept);
        if (!fromTools)
            QCOMPARE(ToolingDb::probe(QString("SELECT CAST(dncNum4 AS TEXT) FROM dnc WHERE idTool=%1").arg(m_tool))
                         .toString(),
                     kept);
    }

    void storedTextReadsBack_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("stored");
        QTest::newRow("octal") << QByteArray("FieldType=int\nFormat=%o\n") << "52";
        QTest::newRow("hexadecimal") << QByteArray("FieldType=int\nFormat=%#06x\n") << "0x002a";
        QTest::newRow("text around an int") << QByteArray("FieldType=int\nFormat=T%03d\n") << "T042";
        QTest::newRow("unit after a float") << QByteArray("FieldType=float\nFormat=%.3f mm\n") << "12.500 mm";
    }
    void storedTextReadsBack()
    {
        // What a send stored is shown again as it was, open after open.
        QFETCH(QByteArray, field);
        QFETCH(QString, stored);
        layout("t.dnc", "[SETTINGS]\nTotFields=2\n[FIELD0]\nLabel=Tool\nDncLabel=T\nFieldType=int\nSqlTable=tools\n"
                        "SqlField=t\n[FIELD1]\nLabel=V\nDncLabel=V\nSqlTable=dnc\nSqlField=dncNum4\n"
                            + field);
        QVERIFY(ToolingDb::exec(
            QString("INSERT INTO dnc(idTool, dncNum4) VALUES(%1, CAST('%2' AS BLOB))").arg(m_tool).arg(stored)));
        for (int open = 0; open < 2; ++open) {
            openConnected(true);
            QCOMPARE(le(1)->text(), stored);
            m_panel->closeForm();
            QCOMPARE(ToolingDb::probe(QString("SELECT CAST(dncNum4 AS TEXT) FROM dnc WHERE idTool=%1").arg(m_tool))
                         .toString(),
                     stored);
        }
    }

    // A Format's text outside Latin-1 comes back from the dnc table as "?":
    // the field still shows what it showed, and the table keeps what it kept.
    void storedTextOutsideLatin1_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("typed");  // stored by the first closing
        QTest::addColumn<QString>("shown");  // at every opening after it
        QTest::addColumn<QString>("stored"); // after every closing
        QTest::newRow("ohm after a float")
            << QByteArray("FieldType=float\nFormat=%.2f \xce\xa9\n") << "4.5" << "4.50 \u03a9" << "4.50 ?";
        QTest::newRow("euro after a float")
            << QByteArray("FieldType=float\nFormat=%.2f \xe2\x82\xac\n") << "4.5" << "4.50 \u20ac" << "4.50 ?";
        QTest::newRow("ohm before an int")
            << QByteArray("FieldType=int\nFormat=\xce\xa9%d\n") << "47" << "\u03a947" << "?47";
    }
    void storedTextOutsideLatin1()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        MessageBoxRecorder rec;
        layout("t.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=V\nDncLabel=V\nSqlTable=dnc\nSqlField=dncNum4\n"
                            + field);
        openConnected(true);
        le(0)->setText(typed);
        m_panel->closeForm();
        for (int open = 0; open < 3; ++open) {
            openConnected(true);
            QCOMPARE(le(0)->text(), shown);
            if (open == 2 && QTest::currentDataTag() == QByteArray("ohm after a float"))
                saveScreenshot(&m_host, "dnc-format-outside-latin1");
            m_panel->closeForm();
            QCOMPARE(ToolingDb::probe(QString("SELECT CAST(dncNum4 AS TEXT) FROM dnc WHERE idTool=%1").arg(m_tool))
                         .toString(),
                     stored);
        }
        QCOMPARE(texts(rec), QStringList());
    }

    // A DataMatrix machine whose server keeps what it was sent: the tool read,
    // sent and read again shows the same text, whatever the Format.
    void serverTextReadsBack_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text"); // the Format's text of 36 (floats: 36.5)
        QTest::newRow("int %d with a unit") << QByteArray("%d min") << "int" << "36 min";
        QTest::newRow("int T%03d") << QByteArray("T%03d") << "int" << "T036";
        QTest::newRow("int %i") << QByteArray("%i") << "int" << "36";
        QTest::newRow("int %u") << QByteArray("%u") << "int" << "36";
        QTest::newRow("int %o") << QByteArray("%o") << "int" << "44";
        QTest::newRow("int %#o") << QByteArray("%#o") << "int" << "044";
        QTest::newRow("int %x") << QByteArray("%x") << "int" << "24";
        QTest::newRow("int %#x") << QByteArray("%#x") << "int" << "0x24";
        QTest::newRow("int %04X") << QByteArray("%04X") << "int" << "0024";
        // The toolkit's printf writes this prefix lower-case.
        QTest::newRow("int %#X") << QByteArray("%#X") << "int" << "0x24";
        QTest::newRow("int %c") << QByteArray("%c") << "int" << "$";
        QTest::newRow("float %.1f") << QByteArray("%.1f") << "float" << "36.5";
        QTest::newRow("float %.2f with a unit") << QByteArray("%.2f mm") << "float" << "36.50 mm";
        QTest::newRow("float %e") << QByteArray("%e") << "float" << "3.650000e+01";
        QTest::newRow("float %E") << QByteArray("%E") << "float" << "3.650000E+01";
        QTest::newRow("float %g") << QByteArray("%g") << "float" << "36.5";
        QTest::newRow("float %G with a unit") << QByteArray("%G s") << "float" << "36.5 s";
    }
    void serverTextReadsBack()
    {
        QFETCH(QByteArray, format);
        QFETCH(QString, type);
        QFETCH(QString, text);
        MessageBoxRecorder rec;
        CurrentMachine.toolId = true;
        layout("t.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=V\nDncLabel=V\nFieldType=" + type.toLatin1()
                            + "\nFormat=" + format + "\n");
        m_server->model.tools["X1"]["V"] = text;
        for (int reading = 0; reading < 2; ++reading) {
            FakeScanner::whenReading(m_panel, [this] { m_scanner->scan("X1"); });
            openConnected();
            QTRY_VERIFY(send()->isEnabled()); // GetValues answered
            QCOMPARE(le(0)->text(), text);
            QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
            FakeScanner::whenReading(m_panel, [this] { m_scanner->scan("X1"); });
            send()->click();
            QTRY_COMPARE(closed.count(), 1);
            QCOMPARE(m_server->model.tools["X1"]["V"], text);
        }
        QCOMPARE(texts(rec), QStringList());
    }

    void plainText_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("box");
        QTest::newRow("ack") << QByteArray("\x02" "ACK\x03") << "DNC: Data sent with success";
        QTest::newRow("busy then ack is ack") << QByteArray("\x02" "BUSY\x03\x02" "ACK\x03")
                                              << "DNC: Data sent with success";
        QTest::newRow("busy") << QByteArray("\x02" "BUSY\x03") << "DNC: Server busy, unable to send data";
        QTest::newRow("error") << QByteArray("\x02" "ERROR\x03") << "DNC: Server error, send data failed";
    }
    void plainText()
    {
        QFETCH(QByteArray, reply);
        MessageBoxRecorder rec;
        QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
        layout("okuma.dnc", kLayout);
        openConnected();
        le(1)->setText("2.5");
        le(2)->setText("Bob");
        // Both words in one chunk: the order of the tests decides.
        m_server->chunkSize = QTest::currentDataTag() == QByteArray("busy then ack is ack") ? 0 : 3;
        m_server->scripted << reply;
        send()->click();
        QTRY_VERIFY(send()->isEnabled());
        QCOMPARE(m_server->frames(), QList<QByteArray>{"T0 D2.5 NameBob "});
        QTEST(texts(rec).join("|"), "box");
        QCOMPARE(closed.count(), 0);
    }

    // The items of a plain-text line are separated by one blank.
    void plainTextRefusesControlCharacters_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("tab") << "a\tb";
        QTest::newRow("blank") << "Bob Smith";
    }
    void plainTextRefusesControlCharacters()
    {
        QFETCH(QString, value);
        MessageBoxRecorder rec;
        layout("okuma.dnc", kLayout);
        openConnected();
        le(2)->setText(value);
        send()->click();
        QCOMPARE(texts(rec), QStringList{"DNC: One or more field(s) are out of bounds\n\nName contains characters "
                                         "that cannot be sent\n\nUnable to continue"});
        QTRY_VERIFY(m_server->client() && allReadBy(*m_panel->dncSocket(), *m_server->client()));
        QVERIFY(m_server->frames().isEmpty());
    }

    void bounds_data()
    {
        QTest::addColumn<bool>("force");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("frames");
        QTest::newRow("forced: refused") << true << int(QMessageBox::Yes) << 0;
        QTest::newRow("asked: no") << false << int(QMessageBox::No) << 0;
        QTest::newRow("asked: yes") << false << int(QMessageBox::Yes) << 1;
    }
    void bounds()
    {
        QFETCH(bool, force);
        QFETCH(int, answer);
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::StandardButton(answer));
        layout("t.dnc", QByteArray(kLayout).replace("TotFields=3\n", force ? "TotFields=3\nForceConstraints=1\n"
                                                                             : "TotFields=3\n"));
        openConnected();
        le(1)->setText("12");
        send()->click();
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().at(0).text, QString("One or more field(s) are out of bounds\n\nDiameter 12.000 "
                                                 "[0.000000,10.000000]\n\n")
                                             + (force ? "Unable to continue" : "Confirm writing?"));
        QFETCH(int, frames);
        if (frames)
            QTRY_COMPARE(m_server->frames().size(), frames);
        // All the panel sent is read, or the server saw it close the line after the last.
        QTRY_VERIFY(!m_server->client() || allReadBy(*m_panel->dncSocket(), *m_server->client()));
        QCOMPARE(m_server->frames().size(), frames);
    }

    // DataMatrix machines: the tool is identified first, its values are asked
    // at the connection, a send is confirmed with a second scan.
    void toolIdentification()
    {
        MessageBoxRecorder rec;
        CurrentMachine.toolId = true;
        layout("okuma.dnc", kLayout); // toolId on: JSON whatever the layout
        m_server->scripted << "\x02{\"SetValues\": {\"Name\": \"from server\"}}\x03";
        FakeScanner::whenReading(m_panel, [this] {
            saveScreenshot(QApplication::activeModalWidget(), "dnc-datamatrix-dialog");
            QVERIFY(!m_host.isEnabled());
            QVERIFY(QApplication::activeModalWidget()->isEnabled());
            m_scanner->scan("X1");
        });
        openConnected();
        QCOMPARE(m_panel->form()->lblDataMatrixCode->text(), QString("X1"));
        QTRY_COMPARE(le(2)->text(), QString("from server"));
        QVERIFY(m_host.isEnabled());
        QCOMPARE(m_server->frames().at(0),
                 QByteArray("{\"GetValues\": {\"DataMatrixCode\": \"X1\",\"Machine\": \"M1\"}}"));
        saveScreenshot(&m_host, "dnc-datamatrix-panel");

        // The confirmation scan must match the code shown.
        m_server->scripted << "\x02{\"Acknowledge\": {\"ERROR\": \"\"}}\x03";
        // The second code only once the first was refused: one read takes one frame.
        FakeScanner::whenReading(m_panel, [this, &rec] {
            m_scanner->scan("X2");
            FakeScanner::whenReading(m_panel, [this] { m_scanner->scan("X1"); },
                                     [&rec] { return rec.boxes().size() == 1; });
        });
        QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
        send()->click();
        QCOMPARE(texts(rec), QStringList{"Error: Confirmation code [X2] different from current code [X1]"});
        QTRY_COMPARE(closed.count(), 1);
        QVERIFY(m_server->frames().at(1).startsWith("{\"SetValues\": {\"D\": \"0.000\",\"DataMatrixCode\": \"X1\""));
    }

    // Confirmation off: a send asks instead of scanning again.
    void confirmationOff()
    {
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Yes);
        App::kovraSettings().setValue("/DataMatrix/Confirmation", false);
        QWidget host;
        cDnc panel(nullptr, nullptr, &host);
        App::kovraSettings().remove("/DataMatrix/Confirmation");
        CurrentMachine.toolId = true;
        FakeScanner::whenReading(&panel, [this] { m_scanner->scan("K1"); });
        QVERIFY(panel.init(false, -1));
        QTRY_VERIFY(panel.form()->pbWrite->isEnabled()); // GetValues answered
        QSignalSpy closed(&panel, &cDnc::sigCloseDncSocket);
        panel.form()->pbWrite->click();
        QCOMPARE(texts(rec), QStringList{"Confirm: Send current data?"});
        QTRY_COMPARE(closed.count(), 1);
        QCOMPARE(m_server->frames().size(), 2);
        QVERIFY(m_server->frames().at(1).startsWith("{\"SetValues\": {"));
    }

    void toolModeCodeMustMatch()
    {
        MessageBoxRecorder rec;
        CurrentMachine.toolId = true;
        FakeScanner::whenReading(m_panel, [this, &rec] {
            m_scanner->scan("C8");
            FakeScanner::whenReading(m_panel, [this] { m_scanner->scan("C7"); },
                                     [&rec] { return rec.boxes().size() == 1; });
        });
        QVERIFY(m_panel->init(true, m_tool));
        QCOMPARE(texts(rec), QStringList{"Error: Read code different from current code"});
        QCOMPARE(m_panel->form()->lblDataMatrixCode->text(), QString("C7"));
    }

    void firstBytesDroppedAndNulEnds()
    {
        CurrentMachine.toolId = true;
        QTimer::singleShot(0, [this] { m_scanner->scan("EARLY"); });
        FakeScanner::whenReading(m_panel, [this] { m_scanner->write(QByteArray("zz\x02" "AB\0C\x03", 8)); });
        QVERIFY(m_panel->init(false, -1));
        QCOMPARE(m_panel->form()->lblDataMatrixCode->text(), QString("AB"));
    }

    // A read cut short is over once the next STX comes: the code is the
    // frame that STX starts, never the two run together.
    void cutReadStartsAfresh_data()
    {
        QTest::addColumn<QList<QByteArray>>("writes");
        QTest::newRow("cut read, then the code") << QList<QByteArray>{"\x02" "TOOL-00", "\x02" "TOOL-0042\x03"};
        QTest::newRow("long cut read, then the code in two writes")
            << QList<QByteArray>{"\x02" + QByteArray(DmFrameReader::kMaxBuffer - 6, 'a'), "\x02" "TOOL-",
                                 "0042\x03"};
    }
    void cutReadStartsAfresh()
    {
        QFETCH(QList<QByteArray>, writes);
        dmScanner scanner;
        QVERIFY(scanner.isOpened());
        QTRY_VERIFY(scanner.isArmed());
        QSignalSpy codes(&scanner, &dmScanner::receivedDmCode);
        for (const QByteArray &bytes : writes) {
            QVERIFY(m_scanner->write(bytes));
            QTRY_VERIFY(m_scanner->allRead());
        }
        QTRY_COMPARE(codes.count(), 1);
        QCOMPARE(codes.at(0).at(0).toString(), QString("TOOL-0042"));
    }

    void exitButtonLeavesPanelClosed()
    {
        CurrentMachine.toolId = true;
        FakeScanner::whenReading(m_panel, [] {
            QApplication::activeModalWidget()->findChild<QPushButton *>("pushButton")->click();
        });
        QVERIFY(!m_panel->init(false, -1));
        QVERIFY(m_host.isEnabled());
        QVERIFY(!m_panel->currentScanner());
    }

    void scannerUnavailable_data()
    {
        QTest::addColumn<QString>("holder"); // empty: no such device
        QTest::addColumn<QString>("box");
        QTest::newRow("no device") << QString() << "Error: Datamatrix reader unavailable or not ready";
        QTest::newRow("held by another program")
            << "another program" << "Error: TTY port %1 used by another program";
        QTest::newRow("the device of this program's AXB link")
            << "AXB" << "Error: TTY port %1 already used by this program's AXB link";
        QTest::newRow("the device of this program's DNC link")
            << "DNC" << "Error: TTY port %1 already used by this program's DNC link";
    }
    void scannerUnavailable()
    {
        QFETCH(QString, holder);
        QFETCH(QString, box);
        MessageBoxRecorder rec;
        CurrentMachine.toolId = true;
        QextSerialPort otherProgram(m_scanner->slavePath());
        ManageSerialPort ownLink;
        if (holder == "another program") {
            QVERIFY(otherProgram.open(QIODevice::ReadWrite));
        } else if (!holder.isEmpty()) {
            ownLink.setPort(m_scanner->slavePath());
            ownLink.setLinkName(holder);
            QVERIFY(ownLink.open());
        } else {
            App::kovraSettings().setValue("/DataMatrix/Port", QDir::current().filePath("no-such-tty"));
        }
        QVERIFY(!m_panel->init(false, -1));
        QCOMPARE(texts(rec), QStringList{box.arg(m_scanner->slavePath())});
        QVERIFY(m_host.isEnabled());
    }

    void readingDialogPictures_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("other");
        QTest::newRow("at rest") << "lblOff" << "lblOn";
        QTest::newRow("reading") << "lblOn" << "lblOff";
    }

    // Both blink phases fill the dialog with the same scanner, so only its
    // beam comes and goes.
    void readingDialogPictures()
    {
        QFETCH(QString, label);
        QFETCH(QString, other);
        AskDataMatrix dialog(&m_host);
        dialog.show();
        auto *phase = dialog.findChild<QLabel *>(label);
        QTRY_VERIFY(phase->isVisible() && dialog.findChild<QLabel *>(other)->isHidden());
        saveScreenshot(&dialog, "dnc-datamatrix-dialog-" + label);
        const QImage picture = phase->pixmap(Qt::ReturnByValue).toImage();
        QCOMPARE(picture.size(), phase->size());
        QCOMPARE(picture.pixel(225, 200), QColor("#607d8b").rgb());
    }
};

QTEST_MAIN(tst_dncexchange)
#include "tst_dncexchange.moc"
