#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <memory>
#include <poll.h>
#include <pthread.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>

#include "axis/ManageSerialPort.h"
#include "axis/QextSerialPort.h"
#include "support/FakeSerialPort.h"
#include "support/PtyPeer.h"
#include "support/ScopedLocale.h"

namespace {

// A manager on a scripted port; the port stays reachable for the test.
struct FakeLink
{
    FakeSerialPort *port;
    std::unique_ptr<ManageSerialPort> manager;

    FakeLink()
    {
        auto owned = std::make_unique<FakeSerialPort>();
        port = owned.get();
        manager = std::make_unique<ManageSerialPort>(std::move(owned));
    }
    bool start()
    {
        manager->enableSending();
        manager->enableReceiving();
        return manager->open() && manager->receiveData() == 1;
    }
};

bool openOnPty(ManageSerialPort &m, const PtyPeer &peer, BaudRateType rate = BAUD115200)
{
    m.setPort(peer.slavePath());
    m.setBaudRate(rate);
    m.setDataBits(DATA_8);
    m.setParity(PAR_NONE);
    m.setStopBits(STOP_1);
    m.setFlowControl(FLOW_OFF);
    m.setTimeout(0, 10);
    m.enableSending();
    m.enableReceiving();
    return m.open() && m.receiveData() == 1;
}

QByteArray joined(const QSignalSpy &spy)
{
    QByteArray all;
    for (const QList<QVariant> &args : spy)
        all += args.at(0).toByteArray();
    return all;
}

// Waits until the chunks signalled add up to at least size bytes.
bool waitForBytes(QSignalSpy &spy, int size, int timeoutMs = 3000)
{
    QElapsedTimer t;
    t.start();
    while (joined(spy).size() < size && t.elapsed() < timeoutMs)
        spy.wait(50);
    return joined(spy).size() >= size;
}

QByteArray pattern(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 256) & 0xff);
    return b;
}

} // namespace

class TestSerial : public QObject
{
    Q_OBJECT
private slots:
    void rateByNumber_data();
    void rateByNumber();
    void settingTexts_data();
    void settingTexts();
    void errorTexts_data();
    void errorTexts();
    void busyTextsTranslated_data();
    void busyTextsTranslated();
    void constructorAppliesSettings();
    void lineOpenedAsTheProgramsLines_data();
    void lineOpenedAsTheProgramsLines();

    void returnCodes_data();
    void returnCodes();
    void openFailures_data();
    void openFailures();
    void lineSettingsReachDevice_data();
    void lineSettingsReachDevice();

    void sendInOrder_data();
    void sendInOrder();
    void oneByteEachWrite();
    void sendWaitsWhileLineStopped();
    void sendRightAfterThreadEnds();
    void receiveLargeBlock();
    void chunkSizes_data();
    void chunkSizes();
    void everyByteDelivered_data();
    void everyByteDelivered();
    void rawLine_data();
    void rawLine();
    void resetBuffer();
    void receivedCopyBounded_data();
    void receivedCopyBounded();
    void receivingHeld_data();
    void receivingHeld();
    void stalledWriteGivesUpReply_data();
    void stalledWriteGivesUpReply();
    void sendQueueBounded_data();
    void sendQueueBounded();

    void ctsChanges_data();
    void ctsChanges();
    void errorAtEachFailingPoll_data();
    void errorAtEachFailingPoll();
    void peerHangUp();
    void restartAfterStop();
    void closeAndDestroyAreBounded_data();
    void closeAndDestroyAreBounded();
    void reopenAfterClose();
    void oneOpenerPerDevice_data();
    void oneOpenerPerDevice();
    void oneSendThreadForManyRequests();
    void waitEndsWhenInputArrives();
    void wakeEndsIdleWait();
};

void TestSerial::rateByNumber_data()
{
    QTest::addColumn<uint>("bps");
    QTest::addColumn<int>("expected");
    QTest::newRow("9600") << 9600u << int(BAUD9600);
    QTest::newRow("50") << 50u << int(BAUD50);
    QTest::newRow("134") << 134u << int(BAUD134);
    QTest::newRow("1800") << 1800u << int(BAUD1800);
    QTest::newRow("57600") << 57600u << int(BAUD57600);
    QTest::newRow("76800") << 76800u << int(BAUD76800);
    QTest::newRow("256000") << 256000u << int(BAUD256000);
    QTest::newRow("12345") << 12345u << int(BAUD115200);
    QTest::newRow("0") << 0u << int(BAUD115200);
    QTest::newRow("9601") << 9601u << int(BAUD115200);
    QTest::newRow("230400") << 230400u << int(BAUD115200);
}

void TestSerial::rateByNumber()
{
    QFETCH(uint, bps);
    QFETCH(int, expected);
    FakeLink link;
    link.manager->setBaudRate(BAUD300);
    link.manager->setBaudRate(static_cast<unsigned int>(bps));
    QCOMPARE(int(link.port->baudRate()), expected);
    QCOMPARE(link.manager->getBaudRate(), QString::number(baudRateValue(BaudRateType(expected))));
}

void TestSerial::settingTexts_data()
{
    QTest::addColumn<uint>("bps");   // through the numeric setter, as the settings file gives it
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("flow");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("9600 8N1")
        << 9600u << int(DATA_8) << int(PAR_NONE) << int(STOP_1) << int(FLOW_OFF)
        << QStringList{"9600", "8", "None", "1", "None"};
    QTest::newRow("50 7O2 hardware")
        << 50u << int(DATA_7) << int(PAR_ODD) << int(STOP_2) << int(FLOW_HARDWARE)
        << QStringList{"50", "7", "Odd", "2", "Hardware"};
    QTest::newRow("256000 6E1.5 xon")
        << 256000u << int(DATA_6) << int(PAR_EVEN) << int(STOP_1_5) << int(FLOW_XONXOFF)
        << QStringList{"256000", "6", "Even", "1.5", "Xon/Xoff"};
    QTest::newRow("14400 5 mark")
        << 14400u << int(DATA_5) << int(PAR_MARK) << int(STOP_1) << int(FLOW_OFF)
        << QStringList{"14400", "5", "Mark", "1", "None"};
    QTest::newRow("space") << 134u << int(DATA_8) << int(PAR_SPACE) << int(STOP_1)
                           << int(FLOW_OFF) << QStringList{"134", "8", "Space", "1", "None"};
    // Only the rate can be off the list: the other settings are enums.
    QTest::newRow("rate off the list")
        << 22u << int(DATA_8) << int(PAR_NONE) << int(STOP_1) << int(FLOW_OFF)
        << QStringList{"115200", "8", "None", "1", "None"};
}

void TestSerial::settingTexts()
{
    QFETCH(uint, bps);
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(int, flow);
    QFETCH(QStringList, texts);
    FakeLink link;
    link.manager->setBaudRate(bps);
    link.manager->setDataBits(DataBitsType(dataBits));
    link.manager->setParity(ParityType(parity));
    link.manager->setStopBits(StopBitsType(stopBits));
    link.manager->setFlowControl(FlowType(flow));
    const QStringList got{link.manager->getBaudRate(), link.manager->getDataBits(),
                          link.manager->getParity(), link.manager->getStopBit(),
                          link.manager->getFlowControl()};
    QCOMPARE(got, texts);
}

void TestSerial::errorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("1") << 1 << "Invalid file descriptor (port was not opened correctly)";
    QTest::newRow("2") << 2 << "Unable to allocate memory tables (POSIX)";
    QTest::newRow("3") << 3 << "Caught a non-blocked signal (POSIX)";
    QTest::newRow("4") << 4 << QString();
    QTest::newRow("5") << 5 << "The file opened by the port is not a character device (POSIX)";
    QTest::newRow("6") << 6 << "The port detected a break condition";
    QTest::newRow("7") << 7
                       << "The port detected a framing error (usually caused by incorrect baud "
                          "rate settings)";
    QTest::newRow("8") << 8 << "There was an I/O error while communicating with the port";
    QTest::newRow("9") << 9 << "Character buffer overrun";
    QTest::newRow("10") << 10 << "Receive buffer overflow";
    QTest::newRow("11") << 11 << "The port detected a parity error in the received data";
    QTest::newRow("12") << 12 << "Transmit buffer overflow";
    QTest::newRow("13") << 13 << "General read operation failure";
    QTest::newRow("14") << 14 << "General write operation failure";
    QTest::newRow("15") << 15 << QString();
    QTest::newRow("-1") << -1 << QString();
}

void TestSerial::errorTexts()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(ManageSerialPort::errorText(code), text);
}

// The texts of a busy device come in the operator's language, as the link's
// other texts do.
void TestSerial::busyTextsTranslated_data()
{
    QTest::addColumn<QString>("heldBy");
    QTest::addColumn<QString>("text");
    QTest::newRow("another program") << QString() << "~TTY port /dev/ttyX used by another program";
    QTest::newRow("a link of this program") << "DNC" << "~TTY port /dev/ttyX already used by this program's DNC link";
}

void TestSerial::busyTextsTranslated()
{
    // Marks every text of the link's context it is asked for.
    struct Marking : QTranslator
    {
        QString translate(const char *context, const char *source, const char *, int) const override
        {
            return qstrcmp(context, "ManageSerialPort") == 0 ? QLatin1Char('~') + QString::fromUtf8(source) : QString();
        }
        bool isEmpty() const override { return false; }
    } marking;
    QVERIFY(QCoreApplication::installTranslator(&marking));
    QFETCH(QString, heldBy);
    const QString got = QextSerialPort::busyText("/dev/ttyX", heldBy);
    QCoreApplication::removeTranslator(&marking);
    QTEST(got, "text");
}

// The AXB, DNC and DataMatrix lines: whatever the port was set to before,
// only the device, the rate and the link's name differ.
void TestSerial::lineOpenedAsTheProgramsLines_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<uint>("bps");
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<int>("rate");
    QTest::newRow("AXB") << "/dev/ttyS0" << 115200u << "AXB" << true << int(BAUD115200);
    QTest::newRow("DNC at the settings' rate") << "/dev/ttyUSB1" << 9600u << "DNC" << true << int(BAUD9600);
    QTest::newRow("DNC at a rate without a setting") << "/dev/ttyUSB1" << 12345u << "DNC" << true << int(BAUD115200);
    QTest::newRow("DataMatrix, device refused") << "/dev/ttyACM0" << 115200u << "DataMatrix" << false << int(BAUD115200);
}

void TestSerial::lineOpenedAsTheProgramsLines()
{
    QFETCH(QString, device);
    QFETCH(uint, bps);
    QFETCH(QString, link);
    QFETCH(bool, opens);
    QFETCH(int, rate);
    FakeLink l;
    l.port->setBaudRate(BAUD300);
    l.port->setDataBits(DATA_7);
    l.port->setParity(PAR_EVEN);
    l.port->setStopBits(STOP_2);
    l.port->setFlowControl(FLOW_HARDWARE);
    l.port->setTimeout(1, 5);
    l.port->setOpenFails(!opens);
    QCOMPARE(l.manager->openLine(device, bps, link), opens);
    QCOMPARE(l.manager->isOpen(), opens);
    QCOMPARE(l.port->portName(), device);
    QCOMPARE(int(l.port->baudRate()), rate);
    QCOMPARE(int(l.port->dataBits()), int(DATA_8));
    QCOMPARE(int(l.port->parity()), int(PAR_NONE));
    QCOMPARE(int(l.port->stopBits()), int(STOP_1));
    QCOMPARE(int(l.port->flowControl()), int(FLOW_OFF));
    QCOMPARE(l.port->timeoutMillisec(), ulong(10));
    QCOMPARE(l.port->linkName(), link);
}

void TestSerial::constructorAppliesSettings()
{
    ManageSerialPort m("/dev/ttyS9", BAUD19200, DATA_7, PAR_EVEN, STOP_2, FLOW_XONXOFF, 1, 5);
    QCOMPARE(m.getPort(), QString("/dev/ttyS9"));
    QCOMPARE(m.getBaudRate(), QString("19200"));
    QCOMPARE(m.getDataBits(), QString("7"));
    QCOMPARE(m.getParity(), QString("Even"));
    QCOMPARE(m.getStopBit(), QString("2"));
    QCOMPARE(m.getFlowControl(), QString("Xon/Xoff"));
    QVERIFY(!m.isOpen());
    QVERIFY(!m.isSendingEnabled());
    QVERIFY(!m.isReceivingEnabled());
}

// Each step is one call on the manager; afterwards sendData and receiveData
// must give the codes of the row, and only a 0 may put a byte on the line.
void TestSerial::returnCodes_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("sendCode");
    QTest::addColumn<int>("receiveCode");
    QTest::newRow("nothing") << QStringList{} << 2 << 2;
    QTest::newRow("enabled, not open")
        << QStringList{"enableSending", "enableReceiving"} << 2 << 2;
    QTest::newRow("open, not enabled") << QStringList{"open"} << 3 << 3;
    QTest::newRow("open, sending only") << QStringList{"enableSending", "open"} << 0 << 3;
    QTest::newRow("open, receiving only") << QStringList{"enableReceiving", "open"} << 3 << 1;
    QTest::newRow("running")
        << QStringList{"enableSending", "enableReceiving", "open", "receiveData"} << 0 << 1;
    QTest::newRow("after close")
        << QStringList{"enableSending", "enableReceiving", "open", "receiveData", "close"} << 2
        << 2;
    QTest::newRow("new open after close")
        << QStringList{"enableSending", "enableReceiving", "open", "receiveData", "close", "open"}
        << 3 << 3;
    QTest::newRow("enabled again after close")
        << QStringList{"enableSending", "enableReceiving", "open", "close", "open",
                       "enableSending", "enableReceiving"}
        << 0 << 1;
    QTest::newRow("enabled twice") << QStringList{"enableSending", "enableSending", "open"} << 0
                                   << 3;
    QTest::newRow("sending disabled")
        << QStringList{"enableSending", "open", "disableSending"} << 3 << 3;
}

void TestSerial::returnCodes()
{
    QFETCH(QStringList, steps);
    QFETCH(int, sendCode);
    QFETCH(int, receiveCode);
    PtyPeer peer;
    QVERIFY2(peer.isValid(), qPrintable(peer.errorString()));
    ManageSerialPort m;
    m.setPort(peer.slavePath());
    m.setBaudRate(BAUD115200);
    for (const QString &step : steps) {
        if (step == "enableSending")
            m.enableSending();
        else if (step == "enableReceiving")
            m.enableReceiving();
        else if (step == "disableSending")
            m.disableSending();
        else if (step == "open")
            QVERIFY(m.open());
        else if (step == "close")
            m.close();
        else if (step == "receiveData")
            QCOMPARE(m.receiveData(), 1);
    }
    QByteArray data("Q");
    QCOMPARE(m.sendData(data), sendCode);
    QCOMPARE(m.sendChar('R'), sendCode);
    QCOMPARE(m.receiveData(), receiveCode);
    QCOMPARE(m.receiveData(), receiveCode); // a running thread stays at 1
    if (sendCode == 0)
        QCOMPARE(peer.read(2), QByteArray("QR"));
    else
        QCOMPARE(peer.readFor(50), QByteArray());
}

void TestSerial::openFailures_data()
{
    QTest::addColumn<QString>("path"); // "pty" for a pseudo-terminal
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("detail");
    QTest::newRow("missing device") << "missing" << int(BAUD9600) << int(STOP_1) << 1
                                    << "No such file";
    QTest::newRow("regular file") << "file" << int(BAUD9600) << int(STOP_1) << 5
                                  << "not a terminal";
    QTest::newRow("folder") << "folder" << int(BAUD9600) << int(STOP_1) << 1 << "directory";
    for (BaudRateType r : {BAUD14400, BAUD56000, BAUD76800, BAUD128000, BAUD256000}) {
        const QString bps = QString::number(baudRateValue(r));
        QTest::newRow(qPrintable("rate " + bps))
            << "pty" << int(r) << int(STOP_1) << 1 << "Baud rate " + bps + " is not supported";
    }
    QTest::newRow("1.5 stop bits") << "pty" << int(BAUD9600) << int(STOP_1_5) << 1 << "1.5";
}

void TestSerial::openFailures()
{
    QFETCH(QString, path);
    QFETCH(int, rate);
    QFETCH(int, stopBits);
    QFETCH(int, code);
    QFETCH(QString, detail);
    // The system's error texts are compared in English.
    ScopedLocale messages(LC_MESSAGES, "C");
    QTemporaryDir dir;
    PtyPeer peer;
    QString name = dir.filePath("ttyNone");
    if (path == "pty") {
        name = peer.slavePath();
    } else if (path == "file") {
        QFile f(dir.filePath("plain"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        name = f.fileName();
    } else if (path == "folder") {
        name = dir.path();
    }

    QextSerialPort tty(name);
    tty.setBaudRate(BaudRateType(rate));
    tty.setStopBits(StopBitsType(stopBits));
    QElapsedTimer t;
    t.start();
    QVERIFY(!tty.open(QIODevice::ReadWrite));
    QVERIFY(t.elapsed() < 1000); // never waits for a device
    QVERIFY(!tty.isOpen());
    QCOMPARE(int(tty.lastError()), code);
    QVERIFY2(tty.errorString().contains(detail), qPrintable(tty.errorString()));
    QCOMPARE(tty.bytesAvailable(), qint64(-1));

    ManageSerialPort m(name, BaudRateType(rate), DATA_8, PAR_NONE, StopBitsType(stopBits),
                       FLOW_OFF, 0, 10);
    m.enableReceiving();
    QVERIFY(!m.open());
    QCOMPARE(m.getLastError(), code);
    QCOMPARE(m.getLastErrorToString(), ManageSerialPort::errorText(code));
    QCOMPARE(m.receiveData(), 2);
}

void TestSerial::lineSettingsReachDevice_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("flow");
    QTest::addColumn<uint>("speed");
    QTest::addColumn<uint>("cflag"); // the frame and flow bits exactly
    QTest::newRow("115200 8N1") << int(BAUD115200) << int(DATA_8) << int(PAR_NONE)
                                << int(STOP_1) << int(FLOW_OFF) << uint(B115200) << uint(CS8);
    QTest::newRow("9600 8E1 (RFID head)") << int(BAUD9600) << int(DATA_8) << int(PAR_EVEN)
                                          << int(STOP_1) << int(FLOW_OFF) << uint(B9600)
                                          << uint(CS8 | PARENB);
    QTest::newRow("1200 7O2 hardware") << int(BAUD1200) << int(DATA_7) << int(PAR_ODD)
                                       << int(STOP_2) << int(FLOW_HARDWARE) << uint(B1200)
                                       << uint(CS7 | PARENB | PARODD | CSTOPB | CRTSCTS);
    QTest::newRow("50 5 space") << int(BAUD50) << int(DATA_5) << int(PAR_SPACE) << int(STOP_1)
                                << int(FLOW_OFF) << uint(B50) << uint(CS5 | PARENB | CMSPAR);
    QTest::newRow("38400 6 mark xon") << int(BAUD38400) << int(DATA_6) << int(PAR_MARK)
                                      << int(STOP_1) << int(FLOW_XONXOFF) << uint(B38400)
                                      << uint(CS6 | PARENB | CMSPAR | PARODD);
    QTest::newRow("1800 8N2") << int(BAUD1800) << int(DATA_8) << int(PAR_NONE) << int(STOP_2)
                              << int(FLOW_OFF) << uint(B1800) << uint(CS8 | CSTOPB);
}

void TestSerial::lineSettingsReachDevice()
{
    QFETCH(int, rate);
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(int, flow);
    QFETCH(uint, speed);
    QFETCH(uint, cflag);
    const tcflag_t frameBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;

    // What is asked of the driver (start from a cooked line full of bits).
    termios wanted;
    std::memset(&wanted, 0xff, sizeof wanted);
    QString why;
    QVERIFY(QextSerialPort::lineSettings(BaudRateType(rate), DataBitsType(dataBits),
                                         ParityType(parity), StopBitsType(stopBits),
                                         FlowType(flow), &wanted, &why));
    QCOMPARE(wanted.c_cflag & frameBits, tcflag_t(cflag));
    QCOMPARE(wanted.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    QCOMPARE(bool(wanted.c_iflag & IXON), flow == FLOW_XONXOFF);
    QCOMPARE(bool(wanted.c_iflag & IXOFF), flow == FLOW_XONXOFF);
    QCOMPARE(wanted.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXANY), tcflag_t(0));
    QCOMPARE(uint(cfgetospeed(&wanted)), speed);

    // What a device makes of it (a pseudo-terminal always keeps 8 bits, no
    // parity, so those two are checked above only).
    PtyPeer peer(PtyPeer::Terminal);
    QextSerialPort tty(peer.slavePath());
    tty.setBaudRate(BaudRateType(rate));
    tty.setDataBits(DataBitsType(dataBits));
    tty.setParity(ParityType(parity));
    tty.setStopBits(StopBitsType(stopBits));
    tty.setFlowControl(FlowType(flow));
    QVERIFY2(tty.open(QIODevice::ReadWrite), qPrintable(tty.errorString()));
    termios tio;
    QCOMPARE(::tcgetattr(peer.masterFd(), &tio), 0);
    QCOMPARE(uint(cfgetospeed(&tio)), speed);
    QCOMPARE(uint(cfgetispeed(&tio)), speed);
    const tcflag_t kept = frameBits & ~(CSIZE | PARENB);
    QCOMPARE(tio.c_cflag & kept, tcflag_t(cflag) & kept);
    QCOMPARE(tio.c_cflag & CLOCAL, tcflag_t(CLOCAL));
    QCOMPARE(int(tio.c_cc[VMIN]), 0);
    QCOMPARE(int(tio.c_cc[VTIME]), 0);
    QCOMPARE(bool(tio.c_iflag & IXON), flow == FLOW_XONXOFF);
    QCOMPARE(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    QCOMPARE(tio.c_oflag & OPOST, tcflag_t(0));
    // A pseudo-terminal has no modem lines: that is no line set, not a failure.
    QCOMPARE(tty.lineStatus(), 0ul);
    QCOMPARE(tty.lastError(), ulong(E_NO_ERROR));

    // Changed while open: applied at once; a rate without a setting is refused
    // and the line keeps running at the old one.
    tty.setBaudRate(BAUD4800);
    QCOMPARE(::tcgetattr(peer.masterFd(), &tio), 0);
    QCOMPARE(uint(cfgetospeed(&tio)), uint(B4800));
    tty.setBaudRate(BAUD14400);
    QCOMPARE(int(tty.lastError()), int(E_INVALID_FD));
    QCOMPARE(int(tty.baudRate()), int(BAUD4800));
    QCOMPARE(::tcgetattr(peer.masterFd(), &tio), 0);
    QCOMPARE(uint(cfgetospeed(&tio)), uint(B4800));
}

void TestSerial::sendInOrder_data()
{
    QTest::addColumn<int>("blockSize");
    QTest::newRow("bytes one by one") << 1;
    QTest::newRow("7-byte blocks") << 7;
    QTest::newRow("1000-byte blocks") << 1000;
    QTest::newRow("one block") << 10240;
}

void TestSerial::sendInOrder()
{
    QFETCH(int, blockSize);
    PtyPeer peer;
    ManageSerialPort m;
    QVERIFY(openOnPty(m, peer));
    const QByteArray all = pattern(10240);
    for (int at = 0; at < all.size(); at += blockSize) {
        QByteArray part = all.mid(at, blockSize);
        QCOMPARE(m.sendData(part), 0);
    }
    const QByteArray got = peer.read(all.size(), 5000);
    QCOMPARE(got.size(), all.size());
    QCOMPARE(got, all);
    QCOMPARE(peer.readFor(30), QByteArray());
}

void TestSerial::oneByteEachWrite()
{
    FakeLink link;
    QVERIFY(link.start());
    QByteArray empty;
    QCOMPARE(link.manager->sendData(empty), 0);
    QByteArray frame("\x05X\r", 3);
    QCOMPARE(link.manager->sendData(frame), 0);
    QCOMPARE(link.manager->sendChar('\0'), 0);
    QTRY_COMPARE(link.port->written(), QByteArray("\x05X\r\0", 4));
    QCOMPARE(link.port->writeSizes(), (QList<int>{1, 1, 1, 1}));
}

// A line stopped by the peer (XOFF) takes no bytes for a while: they wait and
// go out when it resumes, none is dropped.
void TestSerial::sendWaitsWhileLineStopped()
{
    PtyPeer peer;
    ManageSerialPort m;
    QSignalSpy spy(&m, &ManageSerialPort::MnewDataReceived);
    m.setFlowControl(FLOW_XONXOFF);
    m.setPort(peer.slavePath());
    m.enableSending();
    m.enableReceiving();
    QVERIFY(m.open());
    QCOMPARE(m.receiveData(), 1);
    // XOFF, then a mark byte: once the mark arrives the line is stopped.
    QVERIFY(peer.write("\x13" "m"));
    QVERIFY(waitForBytes(spy, 1));
    QCOMPARE(joined(spy), QByteArray("m"));

    QByteArray frame("\x05" "A\r");
    QCOMPARE(m.sendData(frame), 0);
    QCOMPARE(peer.readFor(100), QByteArray());
    QVERIFY(peer.write("\x11")); // XON
    QCOMPARE(peer.read(3), frame);
}

namespace {
// A send thread that lingers after its loop decided to end, while it still
// counts as running: the moment where a byte queued by the owner could be
// left behind.
class LingeringThreadSend : public ThreadSend
{
public:
    using ThreadSend::ThreadSend;
protected:
    void run() override
    {
        ThreadSend::run();
        QThread::usleep(300);
    }
};
} // namespace

void TestSerial::sendRightAfterThreadEnds()
{
    FakeSerialPort port;
    QVERIFY(port.open(QIODevice::ReadWrite));
    LingeringThreadSend thread(&port, nullptr);
    QByteArray expected;
    for (int i = 0; i < 200; ++i) {
        const QByteArray block(1 + i % 3, char('a' + i % 26));
        expected += block;
        thread.addDataToSend(block);
        // Queue the next block as soon as this one is out.
        QElapsedTimer t;
        t.start();
        while (port.written().size() < expected.size() && t.elapsed() < 2000) {
        }
        QVERIFY2(port.written().size() == expected.size(),
                 qPrintable(QString("block %1 never written").arg(i)));
    }
    QCOMPARE(port.written(), expected);
}

void TestSerial::receiveLargeBlock()
{
    PtyPeer peer;
    ManageSerialPort m;
    QSignalSpy spy(&m, &ManageSerialPort::MnewDataReceived);
    QVERIFY(openOnPty(m, peer));
    QThread *gui = QThread::currentThread();
    bool allInGui = true;
    connect(&m, &ManageSerialPort::MnewDataReceived, this,
            [&](const QByteArray &) { allInGui = allInGui && QThread::currentThread() == gui; });
    const QByteArray all = pattern(5000);
    QVERIFY(peer.write(all));
    QVERIFY(waitForBytes(spy, all.size()));
    QCOMPARE(joined(spy), all);
    for (const QList<QVariant> &args : spy)
        QVERIFY(args.at(0).toByteArray().size() <= 4096);
    QCOMPARE(m.getBuffer(), all);
    QVERIFY(allInGui);
}

void TestSerial::chunkSizes_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("chunks");
    QTest::newRow("5000") << 5000 << QList<int>{4096, 904};
    QTest::newRow("4096") << 4096 << QList<int>{4096};
    QTest::newRow("4097") << 4097 << QList<int>{4096, 1};
    QTest::newRow("8192 + 3") << 8195 << QList<int>{4096, 4096, 3};
    QTest::newRow("1") << 1 << QList<int>{1};
}

void TestSerial::chunkSizes()
{
    QFETCH(int, size);
    QFETCH(QList<int>, chunks);
    FakeLink link;
    QSignalSpy spy(link.manager.get(), &ManageSerialPort::MnewDataReceived);
    QVERIFY(link.start());
    const QByteArray all = pattern(size);
    link.port->feed(all);
    QVERIFY(waitForBytes(spy, size));
    QList<int> sizes;
    for (const QList<QVariant> &args : spy)
        sizes << args.at(0).toByteArray().size();
    QCOMPARE(sizes, chunks);
    QCOMPARE(joined(spy), all);
    QCOMPARE(link.manager->getBuffer().size(), size);
}

void TestSerial::everyByteDelivered_data()
{
    QTest::addColumn<bool>("overPty");
    QTest::addColumn<QByteArray>("bytes");
    for (bool pty : {false, true}) {
        const char *via = pty ? " (pty)" : " (fake)";
        QTest::newRow(qPrintable(QString("NUL inside") + via))
            << pty << QByteArray("AB\0CD", 5);
        QTest::newRow(qPrintable(QString("NUL first") + via)) << pty << QByteArray("\0AB", 3);
        QTest::newRow(qPrintable(QString("scanner frame") + via))
            << pty << QByteArray("\x02" "AB\0C\x03", 6);
        QTest::newRow(qPrintable(QString("only NULs") + via)) << pty << QByteArray(4, '\0');
    }
}

void TestSerial::everyByteDelivered()
{
    QFETCH(bool, overPty);
    QFETCH(QByteArray, bytes);
    PtyPeer peer;
    FakeLink fake;
    std::unique_ptr<ManageSerialPort> ptyManager;
    ManageSerialPort *m = fake.manager.get();
    if (overPty) {
        ptyManager = std::make_unique<ManageSerialPort>();
        m = ptyManager.get();
    }
    QSignalSpy spy(m, &ManageSerialPort::MnewDataReceived);
    if (overPty) {
        QVERIFY(openOnPty(*m, peer));
        QVERIFY(peer.write(bytes));
    } else {
        QVERIFY(fake.start());
        fake.port->feed(bytes);
    }
    QVERIFY(waitForBytes(spy, bytes.size()));
    QCOMPARE(joined(spy), bytes);
    QCOMPARE(m->getBuffer(), bytes);
    if (!overPty)
        QCOMPARE(spy.count(), 1);
}

// Line-discipline bytes pass both ways untouched and nothing is echoed, even
// on a line that starts in terminal mode.
void TestSerial::rawLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF") << QByteArray("A\rB\nC\r\n");
    QTest::newRow("interrupt and EOF") << QByteArray("\x03\x04\x1a\x1c");
    QTest::newRow("XON XOFF") << QByteArray("\x11\x13\x11");
    QTest::newRow("erase and kill") << QByteArray("x\x7f\x08\x15y");
    QTest::newRow("high bytes") << QByteArray("\xff\x80\xc3\xa9");
    QTest::newRow("AXB position line") << QByteArray("X12345 Z-678 I0 O0\r");
}

void TestSerial::rawLine()
{
    QFETCH(QByteArray, bytes);
    PtyPeer peer(PtyPeer::Terminal);
    ManageSerialPort m;
    QSignalSpy spy(&m, &ManageSerialPort::MnewDataReceived);
    QVERIFY(openOnPty(m, peer));

    QVERIFY(peer.write(bytes));
    QVERIFY(waitForBytes(spy, bytes.size()));
    QCOMPARE(joined(spy), bytes);

    QByteArray out = bytes;
    QCOMPARE(m.sendData(out), 0);
    QCOMPARE(peer.read(bytes.size()), bytes);
    QCOMPARE(peer.readFor(30), QByteArray()); // no echo of what the peer sent
    QCOMPARE(joined(spy), bytes);             // nor of what the port sent
}

void TestSerial::resetBuffer()
{
    FakeLink link;
    QSignalSpy spy(link.manager.get(), &ManageSerialPort::MnewDataReceived);
    QVERIFY(link.start());
    link.port->feed("first");
    QVERIFY(waitForBytes(spy, 5));
    QCOMPARE(link.manager->getBuffer(), QByteArray("first"));
    link.manager->resetBuffer();
    QCOMPARE(link.manager->getBuffer(), QByteArray());
    link.port->feed("next");
    QVERIFY(waitForBytes(spy, 9));
    QCOMPARE(link.manager->getBuffer(), QByteArray("next"));
}

void TestSerial::receivedCopyBounded_data()
{
    QTest::addColumn<bool>("pty");
    QTest::newRow("scripted port") << false;
    QTest::newRow("pseudo-terminal") << true;
}

// A port whose owner sets no bound (the board's, the scanner's) keeps no
// more than the default of what a peer sends without pause.
void TestSerial::receivedCopyBounded()
{
    QFETCH(bool, pty);
    FakeLink link;
    PtyPeer peer;
    ManageSerialPort onPty;
    ManageSerialPort &m = pty ? onPty : *link.manager;
    QSignalSpy spy(&m, &ManageSerialPort::MnewDataReceived);
    QVERIFY(pty ? openOnPty(onPty, peer) : link.start());
    const int size = 3 * ThreadReceive::kDefaultBufferLimit;
    if (pty)
        QVERIFY(peer.write(pattern(size)));
    else
        link.port->feed(pattern(size));
    QVERIFY(waitForBytes(spy, size));
    QVERIFY(m.getBuffer().size() <= ThreadReceive::kDefaultBufferLimit);
    QVERIFY(!m.getBuffer().isEmpty());
    QVERIFY(pattern(size).endsWith(m.getBuffer()));
}

void TestSerial::receivingHeld_data()
{
    QTest::addColumn<bool>("held"); // by the owner, or its thread is busy
    QTest::newRow("held by the owner") << true;
    QTest::newRow("owner's thread busy, hand-over bound") << false;
}

// The line is not read while its owner holds it, nor past the bytes handed on
// that the owner's thread has not taken: what the peer sends waits in the
// line, and every byte comes in order once it is read again.
void TestSerial::receivingHeld()
{
    QFETCH(bool, held);
    PtyPeer peer;
    ManageSerialPort m;
    m.setHandOverLimit(8 * 1024);
    QSignalSpy spy(&m, &ManageSerialPort::MnewDataReceived);
    QVERIFY(openOnPty(m, peer));
    m.holdReceiving(held);
    const QByteArray sent = pattern(256 * 1024);
    std::atomic<int> written{0};
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int at = 0; at < sent.size() && !stop;) {
            const ssize_t n = ::write(peer.masterFd(), sent.constData() + at, size_t(qMin(1024, sent.size() - at)));
            if (n > 0) {
                at += int(n);
                written = at;
                continue;
            }
            pollfd p{peer.masterFd(), POLLOUT, 0};
            ::poll(&p, 1, 20);
        }
    });
    const auto joinedWriter = qScopeGuard([&] {
        stop = true;
        writer.join();
    });
    // Until the peer's writes stand still a while.
    int seen = -1;
    QElapsedTimer still;
    still.start();
    while (written < sent.size() && still.elapsed() < 300) {
        if (written != seen) {
            seen = written;
            still.restart();
        }
        if (held)
            QTest::qWait(10);
        else
            QThread::msleep(10);
    }
    QVERIFY2(written < sent.size(), "every byte was read");
    if (held)
        QCOMPARE(spy.count(), 0);
    m.holdReceiving(false);
    QVERIFY(waitForBytes(spy, sent.size(), 30000));
    QCOMPARE(joined(spy), sent);
}

void TestSerial::stalledWriteGivesUpReply_data()
{
    QTest::addColumn<QByteArray>("mark");
    QTest::addColumn<int>("failAt"); // the write call that fails first
    QTest::addColumn<int>("failures"); // write calls failing from there on
    QTest::addColumn<QList<QByteArray>>("parts"); // of the first reply
    QTest::addColumn<bool>("restAfterCut"); // its last part comes once it was cut
    QTest::addColumn<QByteArray>("written");
    using Parts = QList<QByteArray>;
    QTest::newRow("no cut mark (the board's link)") << QByteArray() << 2 << 1 << Parts{"ABCDEF"} << false
                                                    << QByteArray("ABxyz");
    QTest::newRow("cut in the middle") << QByteArray("!") << 2 << 1 << Parts{"ABCDEF"} << false
                                       << QByteArray("AB!xyz");
    QTest::newRow("cut at the last byte") << QByteArray("!") << 5 << 1 << Parts{"ABCDEF"} << false
                                          << QByteArray("ABCDE!xyz");
    QTest::newRow("cut at the first byte") << QByteArray("!") << 0 << 1 << Parts{"ABCDEF"} << false
                                           << QByteArray("!xyz");
    QTest::newRow("mark waits for the line to move") << QByteArray("!") << 2 << 3 << Parts{"ABCDEF"} << false
                                                     << QByteArray("AB!xyz");
    QTest::newRow("reply in parts, all queued") << QByteArray("!") << 1 << 1 << Parts{"ABC", "DEF"} << false
                                                << QByteArray("A!xyz");
    QTest::newRow("reply in parts, cut at the end of a part") << QByteArray("!") << 2 << 1 << Parts{"ABC", "DEF"}
                                                              << false << QByteArray("AB!xyz");
    QTest::newRow("reply in parts, rest after the cut") << QByteArray("!") << 1 << 1 << Parts{"ABC", "DEF"} << true
                                                        << QByteArray("A!xyz");
}

// A write that stalls gives up the rest of its reply, also the parts of it
// still to come, and the owner's cut mark follows what went out of it once
// the line moves; the next reply goes whole.
void TestSerial::stalledWriteGivesUpReply()
{
    QFETCH(QByteArray, mark);
    QFETCH(int, failAt);
    QFETCH(int, failures);
    QFETCH(QList<QByteArray>, parts);
    QFETCH(bool, restAfterCut);
    QFETCH(QByteArray, written);
    FakeLink link;
    QVERIFY(link.start());
    link.manager->sendingThread()->setCutMark(mark);
    link.port->holdWrites(true);
    link.port->failWriteAt(failAt, failures);
    if (parts.size() == 1) {
        QByteArray first = parts.first();
        QCOMPARE(link.manager->sendData(first), 0);
    }
    for (int i = 0; parts.size() > 1 && i < (restAfterCut ? parts.size() - 1 : parts.size()); ++i) {
        QByteArray part = parts.at(i);
        QVERIFY(link.manager->sendingThread()->addPart(part, i == parts.size() - 1) == ThreadSend::Added::Queued);
        QVERIFY(part.isEmpty());
    }
    link.port->holdWrites(false);
    if (restAfterCut) {
        QTRY_COMPARE(link.port->written(), written.left(written.indexOf("xyz")));
        QByteArray rest = parts.last();
        QVERIFY(link.manager->sendingThread()->addPart(rest, true) == ThreadSend::Added::Cut);
    }
    QByteArray second("xyz");
    QCOMPARE(link.manager->sendData(second), 0);
    QTRY_COMPARE(link.port->written(), written);
}

void TestSerial::sendQueueBounded_data()
{
    QTest::addColumn<bool>("pty");
    QTest::addColumn<bool>("oneByteReplies");
    QTest::newRow("scripted port") << false << false;
    QTest::newRow("scripted port, one-byte replies") << false << true;
    QTest::newRow("pseudo-terminal, small bound") << true << false;
}

// A peer that does not read gets no more than the queue's bound: a reply past
// it is refused whole, and what was queued goes out whole once it reads.
void TestSerial::sendQueueBounded()
{
    QFETCH(bool, pty);
    QFETCH(bool, oneByteReplies);
    if (oneByteReplies) {
        // Each reply costs bookkeeping of its own: their number is bounded too.
        FakeLink link;
        QVERIFY(link.start());
        link.port->holdWrites(true);
        QByteArray accepted;
        for (int i = 0; i < ThreadSend::kMaxQueued && link.manager->sendChar(char('a' + i % 26)) == 0; ++i)
            accepted += char('a' + i % 26);
        // (One more when the thread took the first off the queue to write it.)
        QVERIFY2(accepted.size() >= ThreadSend::kMaxEntries && accepted.size() <= ThreadSend::kMaxEntries + 1,
                 qPrintable(QString::number(accepted.size())));
        link.port->holdWrites(false);
        QTRY_COMPARE_WITH_TIMEOUT(link.port->written(), accepted, 30000);
        QCOMPARE(link.manager->sendChar('n'), 0);
        QTRY_COMPARE(link.port->written(), accepted + 'n');
        return;
    }
    if (pty) {
        PtyPeer peer; // reads nothing until asked
        ManageSerialPort m;
        const int bound = 64 * 1024;
        m.setSendQueueLimit(bound);
        QVERIFY(openOnPty(m, peer));
        QByteArray accepted = pattern(bound);
        QByteArray fills = accepted;
        QCOMPARE(m.sendData(fills), 0);
        // The line's driver takes what it holds, then the queue fills to its
        // last byte.
        for (int i = 0; i < (1 << 20) && m.sendChar(char('a' + i % 26)) == 0; ++i)
            accepted += char('a' + i % 26);
        QByteArray past("pp");
        QCOMPARE(m.sendData(past), ManageSerialPort::kQueueFull);
        QCOMPARE(peer.read(accepted.size(), 10000), accepted);
        QByteArray next("n");
        QCOMPARE(m.sendData(next), 0);
        QCOMPARE(peer.read(1), next);
        return;
    }
    FakeLink link;
    QVERIFY(link.start());
    link.port->holdWrites(true);
    QByteArray fills(ThreadSend::kMaxQueued, 'q');
    QCOMPARE(link.manager->sendData(fills), 0);
    QByteArray past("pp");
    QCOMPARE(link.manager->sendData(past), ManageSerialPort::kQueueFull);
    link.port->holdWrites(false);
    QTRY_COMPARE_WITH_TIMEOUT(link.port->written().size(), ThreadSend::kMaxQueued, 60000);
    QByteArray next("n");
    QCOMPARE(link.manager->sendData(next), 0);
    QTRY_COMPARE(link.port->written().right(2), QByteArray("qn"));
}

void TestSerial::ctsChanges_data()
{
    QTest::addColumn<QList<int>>("lines"); // line status bits, one state after the other
    QTest::addColumn<QList<bool>>("signalled");
    QTest::newRow("on") << QList<int>{LS_CTS} << QList<bool>{true};
    QTest::newRow("on off on") << QList<int>{LS_CTS, 0, LS_CTS} << QList<bool>{true, false, true};
    QTest::newRow("stays off") << QList<int>{0, 0} << QList<bool>{};
    QTest::newRow("other lines only") << QList<int>{LS_DSR, LS_DCD | LS_RI, LS_DTR}
                                      << QList<bool>{};
    QTest::newRow("on among other lines")
        << QList<int>{LS_DSR, LS_DSR | LS_CTS, LS_CTS, LS_CTS | LS_RTS, LS_RTS}
        << QList<bool>{true, false};
}

void TestSerial::ctsChanges()
{
    QFETCH(QList<int>, lines);
    QFETCH(QList<bool>, signalled);
    FakeLink link;
    QSignalSpy spy(link.manager.get(), &ManageSerialPort::toggledCTS);
    QVERIFY(link.start());
    QVERIFY(!link.manager->isCtsOn());
    for (int bits : lines) {
        link.port->setLineStatus(ulong(bits));
        // Let the thread see this state for a number of polls.
        const int seen = link.port->pollCount();
        QTRY_VERIFY(link.port->pollCount() >= seen + 5);
        QCOMPARE(link.manager->isCtsOn(), bool(bits & LS_CTS));
    }
    QCoreApplication::processEvents();
    QTRY_COMPARE(spy.count(), signalled.size());
    QList<bool> got;
    for (const QList<QVariant> &args : spy)
        got << args.at(0).toBool();
    QCOMPARE(got, signalled);
}

void TestSerial::errorAtEachFailingPoll_data()
{
    QTest::addColumn<int>("episodes");
    QTest::newRow("one") << 1;
    QTest::newRow("three") << 3;
}

void TestSerial::errorAtEachFailingPoll()
{
    QFETCH(int, episodes);
    FakeLink link;
    QSignalSpy errors(link.manager.get(), &ManageSerialPort::receiveError);
    QSignalSpy data(link.manager.get(), &ManageSerialPort::MnewDataReceived);
    QVERIFY(link.start());
    for (int e = 1; e <= episodes; ++e) {
        link.port->setFailure(E_IO_ERROR);
        const int before = errors.count();
        QTRY_VERIFY(errors.count() >= before + 5);
        link.port->setFailure(E_NO_ERROR);
        // The line works again: data flows, and no more errors come.
        link.port->feed("ok");
        QVERIFY(waitForBytes(data, 2 * e));
    }
    const int reported = errors.count();
    QVERIFY(!errors.wait(50));
    QCOMPARE(errors.count(), reported);
}

// The other end hanging up (a cable pulled, a simulator ended) leaves the
// line failing at every poll: the error keeps being reported, but the thread
// pauses between polls instead of taking a core, and still stops at once.
void TestSerial::peerHangUp()
{
    PtyPeer peer;
    ManageSerialPort m;
    QSignalSpy errors(&m, &ManageSerialPort::receiveError);
    QSignalSpy data(&m, &ManageSerialPort::MnewDataReceived);
    QVERIFY(openOnPty(m, peer));
    auto *thread = m.findChild<ThreadReceive *>();
    QVERIFY(thread);
    // The thread's own CPU clock, taken inside it at its first error, and its
    // failing polls, counted as it reports them.
    clockid_t cpuClock{};
    std::atomic<bool> clockKnown{false};
    std::atomic<int> polls{0};
    connect(thread, &ThreadReceive::receiveError, thread, [&] {
        if (!clockKnown && pthread_getcpuclockid(pthread_self(), &cpuClock) == 0)
            clockKnown = true;
        ++polls;
    }, Qt::DirectConnection);
    const auto cpuMs = [&] {
        timespec ts{};
        clock_gettime(cpuClock, &ts);
        return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
    };
    QVERIFY(peer.write("bye"));
    QVERIFY(waitForBytes(data, 3));
    QCOMPARE(errors.count(), 0);

    peer.hangUp();
    QTRY_VERIFY(clockKnown);
    // Past its first failures the thread pauses the longest between polls:
    // however fast the machine, they come no closer, and it sleeps through
    // the pauses rather than spinning (less than half a core even where it
    // shares one with busy programs).
    QTRY_VERIFY(polls >= 8);
    QElapsedTimer wall;
    wall.start();
    const double before = cpuMs();
    const int first = polls;
    QTRY_VERIFY_WITH_TIMEOUT(polls >= first + 31, 10000);
    const int counted = polls - first;
    const double cpu = cpuMs() - before;
    const double wallMs = wall.nsecsElapsed() / 1e6;
    const double pauseMs = ThreadReceive::kLongestFailurePauseMicroseconds / 1000.0;
    QVERIFY2(wallMs >= (counted - 1) * pauseMs,
             qPrintable(QString("%1 polls in %2 ms").arg(counted).arg(wallMs)));
    QVERIFY2(cpu < wallMs / 2, qPrintable(QString("%1 ms of a core in %2 ms").arg(cpu).arg(wallMs)));
    QVERIFY(errors.count() > 1); // every failing poll reports
    QCOMPARE(m.getLastError(), int(E_IO_ERROR));
    m.stopReceiving();
    QVERIFY(thread->wait(QextSerialPort::kLongestIdleWaitMs / 2));
    m.close();
    QVERIFY(!m.isOpen());
}

void TestSerial::restartAfterStop()
{
    PtyPeer peer;
    ManageSerialPort m;
    QSignalSpy spy(&m, &ManageSerialPort::MnewDataReceived);
    QVERIFY(openOnPty(m, peer));
    m.stopReceiving();
    QCOMPARE(m.receiveData(), 1); // asked to stop and started again at once
    QVERIFY(peer.write("again"));
    QVERIFY(waitForBytes(spy, 5));
    QCOMPARE(joined(spy), QByteArray("again"));
}

void TestSerial::closeAndDestroyAreBounded_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("peerReads");
    QTest::newRow("close, peer reading") << "close" << true;
    QTest::newRow("close, peer stalled") << "close" << false;
    QTest::newRow("destructor, peer reading") << "destroy" << true;
    QTest::newRow("destructor, peer stalled") << "destroy" << false;
    QTest::newRow("disable receiving alone") << "disableReceiving" << true;
}

void TestSerial::closeAndDestroyAreBounded()
{
    QFETCH(QString, how);
    QFETCH(bool, peerReads);
    PtyPeer peer;
    if (peerReads)
        peer.setResponder([](const QByteArray &) { return QByteArray(); });
    auto m = std::make_unique<ManageSerialPort>();
    QVERIFY(openOnPty(*m, peer));
    QByteArray lots = pattern(200000);
    QCOMPARE(m->sendData(lots), 0);
    QVERIFY(peer.write(pattern(3000)));
    if (peerReads)
        QTRY_VERIFY(peer.received().size() > 1000);

    QElapsedTimer t;
    t.start();
    if (how == "close") {
        m->close();
        QVERIFY(!m->isOpen());
        QVERIFY(!m->isSendingEnabled());
        QVERIFY(!m->isReceivingEnabled());
    } else if (how == "destroy") {
        m.reset();
    } else {
        m->disableReceiving();
        QVERIFY(!m->isReceivingEnabled());
    }
    QVERIFY2(t.elapsed() < QextSerialPort::kWriteStallMs + 2000,
             qPrintable(QString::number(t.elapsed())));
    if (how != "disableReceiving") {
        // What went out is the start of the queue, in order; the rest was
        // dropped with the send thread and nothing trickles out afterwards.
        peer.setResponder({});
        const QByteArray sent = peer.received() + peer.readFor(50);
        QVERIFY(sent.size() < lots.size());
        QCOMPARE(sent, lots.left(sent.size()));
        QCOMPARE(peer.readFor(30), QByteArray());
    }
}

void TestSerial::reopenAfterClose()
{
    PtyPeer peer;
    ManageSerialPort m;
    QSignalSpy spy(&m, &ManageSerialPort::MnewDataReceived);
    QVERIFY(openOnPty(m, peer));
    m.close();
    QVERIFY(openOnPty(m, peer));
    QByteArray req("\x05X\r");
    QCOMPARE(m.sendData(req), 0);
    QCOMPARE(peer.readUntil("\r"), req);
    QVERIFY(peer.write("X1 Z2 I0 O0\r"));
    QVERIFY(waitForBytes(spy, 12));
    QCOMPARE(joined(spy), QByteArray("X1 Z2 I0 O0\r"));
}

void TestSerial::oneOpenerPerDevice_data()
{
    QTest::addColumn<bool>("byLink");      // the second opener names the device through a link
    QTest::addColumn<bool>("firstClosed"); // the first opener closed before
    QTest::addColumn<QString>("firstLink");  // the first opener is this program's link of that name
    QTest::addColumn<QString>("busy");       // what the second (after a close: a third) is told
    const QString other = "TTY port %1 used by another program";
    QTest::newRow("same name") << false << false << QString() << other;
    QTest::newRow("other name of the device") << true << false << QString() << other;
    QTest::newRow("after the first closed") << false << true << QString() << other;
    QTest::newRow("same name, this program's AXB link")
        << false << false << "AXB" << "TTY port %1 already used by this program's AXB link";
    QTest::newRow("other name, this program's DNC link")
        << true << false << "DNC" << "TTY port %1 already used by this program's DNC link";
    QTest::newRow("after this program's link closed") << false << true << "AXB" << other;
}

// A second opener, even one with every right, would read half of the line.
void TestSerial::oneOpenerPerDevice()
{
    QFETCH(bool, byLink);
    QFETCH(bool, firstClosed);
    QTemporaryDir dir;
    PtyPeer peer;
    const QString name = byLink ? dir.filePath("ttyBoard") : peer.slavePath();
    QVERIFY(!byLink || QFile::link(peer.slavePath(), name));
    QFETCH(QString, firstLink);
    ManageSerialPort first;
    first.setLinkName(firstLink);
    QVERIFY(openOnPty(first, peer));
    if (firstClosed)
        first.close();
    ManageSerialPort second(name, BAUD9600, DATA_8, PAR_NONE, STOP_1, FLOW_OFF, 0, 10);
    QCOMPARE(second.open(), firstClosed);
    QCOMPARE(second.isInUse(), !firstClosed);
    QFETCH(QString, busy);
    if (!firstClosed) {
        QCOMPARE(second.busyText(), busy.arg(name));
    } else {
        // The device is now the second's, which names no link of this program.
        ManageSerialPort third(name, BAUD9600, DATA_8, PAR_NONE, STOP_1, FLOW_OFF, 0, 10);
        QVERIFY(!third.open());
        QCOMPARE(third.busyText(), busy.arg(name));
    }
}

// Polling the board sends a request every few milliseconds: the send thread
// waits for the next one instead of being started again for each.
void TestSerial::oneSendThreadForManyRequests()
{
    FakeSerialPort port;
    QVERIFY(port.open(QIODevice::ReadWrite));
    ThreadSend thread(&port, nullptr);
    QAtomicInt starts;
    connect(&thread, &QThread::started, &thread, [&starts] { starts.ref(); }, Qt::DirectConnection);
    QByteArray expected;
    for (int i = 0; i < 20; ++i) {
        const QByteArray frame("\x05S\r", 3);
        expected += frame;
        thread.addDataToSend(frame);
        QTRY_COMPARE(port.written(), expected);
    }
    QCOMPARE(starts.loadRelaxed(), 1);
    thread.stopSending();
    QVERIFY(thread.isFinished());
    // Stopped, it starts again for the next bytes.
    thread.addDataToSend("A");
    QTRY_COMPARE(port.written(), expected + "A");
    QCOMPARE(starts.loadRelaxed(), 2);
}

// The receive thread's wait on the terminal ends as soon as a byte is there,
// not when its time is up.
void TestSerial::waitEndsWhenInputArrives()
{
    PtyPeer peer;
    QextSerialPort port;
    port.setPortName(peer.slavePath());
    port.setBaudRate(BAUD115200);
    QVERIFY(port.open(QIODevice::ReadWrite));
    QVERIFY(peer.write("x"));
    QElapsedTimer t;
    t.start();
    const unsigned long askedUs = 10 * 1000 * 1000;
    port.waitForInput(askedUs);
    QVERIFY2(t.elapsed() < qint64(askedUs / 2000), qPrintable(QString("waited %1 ms").arg(t.elapsed())));
    QCOMPARE(port.bytesAvailable(), qint64(1));
}

// Without modem lines to watch the wait lasts until something happens; the
// owner stopping the receive thread must end it at once.
void TestSerial::wakeEndsIdleWait()
{
    PtyPeer peer;
    QextSerialPort port;
    port.setPortName(peer.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    QCOMPARE(port.lineStatus(), 0ul); // a terminal without modem lines
    port.wakeWaiter();
    QElapsedTimer t;
    t.start();
    port.waitForInput(ThreadReceive::kPollMicroseconds);
    QVERIFY2(t.elapsed() < QextSerialPort::kLongestIdleWaitMs / 2,
             qPrintable(QString("waited %1 ms").arg(t.elapsed())));
}

QTEST_GUILESS_MAIN(TestSerial)
#include "tst_serial.moc"
