#include "tooling/DncSerialService.h"

#include "axis/ManageSerialPort.h"
#include "axis/PositionFormat.h"
#include "machines/MachineNames.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "tooling/DncData.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSettings>

#include <utility>

namespace {
const char ACK = 0x06;
const char NAK = 0x15;
const char EOT = 0x04;
const char CR = 0x0D;
const char BUSY = '7';
}

DncSerialService::DncSerialService(PositionSource positionSource, QObject *parent)
    : QObject(parent), position(std::move(positionSource))
{
    QSettings &settings = App::kovraSettings();
    const QString dncDevice = settings.value("/TTY/DncPort", "").toString();
    if (dncDevice.isEmpty())
        return;
    dncPort = new ManageSerialPort();
    serveLine(dncDevice);
}

DncSerialService::DncSerialService(std::unique_ptr<AbstractSerialPort> port, PositionSource positionSource,
                                   QObject *parent)
    : QObject(parent), position(std::move(positionSource)), dncPort(new ManageSerialPort(std::move(port)))
{
    serveLine(QString());
}

void DncSerialService::serveLine(const QString &device)
{
    QSettings &settings = App::kovraSettings();
    connect(dncPort, &ManageSerialPort::MnewDataReceived, this, &DncSerialService::slot_DncRequest);
    // The formats go to the formatting function: a mistyped one falls back.
    const QString defaultMM = QStringLiteral("X%10.3f Z%10.3f %s %s %s %s %s\r");
    const QString defaultInch = QStringLiteral("X%10.5f Z%10.5f %s %s %s %s %s\r");
    fmtMM = PositionFormat::checked(settings.value("/TTY/FmtMM", defaultMM).toString(), defaultMM,
                                    QStringLiteral("/TTY/FmtMM"));
    fmtInch = PositionFormat::checked(settings.value("/TTY/FmtInch", defaultInch).toString(), defaultInch,
                                      QStringLiteral("/TTY/FmtInch"));
    charDnc = char(settings.value("/TTY/CharDnc", 0).toInt() & 0xFF);
    framer = DncRequestFramer(charDnc);
    dncPort->enableSending();
    replies.setLine(dncPort);
    connect(&replies, &DncReplyLine::finished, this, &DncSerialService::serve);
    dncPort->setBufferLimit(kMaxDncRequest);
    dncPort->setHandOverLimit(kMaxHandedOn);
    dncPort->enableReceiving();
    bool opened;
    if (device.isEmpty()) {
        dncPort->setLinkName(QStringLiteral("DNC"));
        opened = dncPort->open();
    } else {
        opened = dncPort->openLine(device, settings.value("/TTY/BaudRate", 115200).toUInt(), QStringLiteral("DNC"));
    }
    if (!opened && dncPort->isInUse())
        busyPorts << dncPort->busyText();
    dncPort->receiveData();
    connect(&dncTimer, &QTimer::timeout, this, &DncSerialService::slotDncTimeout);
    dncTimer.setInterval(1000);
}

DncSerialService::~DncSerialService()
{
    dncTimer.stop();
    if (dncPort) {
        dncPort->stopReceiving();
        dncPort->stopSending();
        dncPort->close();
        delete dncPort;
    }
}

void DncSerialService::slot_DncRequest(QByteArray data)
{
    // The bytes that count are in the framer; the port's copy is not read.
    if (dncPort)
        dncPort->resetBuffer();
    // While the line is not read the host cannot end its request.
    if (charDnc == 0 && !receivingHeld)
        dncTimer.start();
    framer.append(data);
    if (!framer.hasPartial())
        dncTimer.stop();
    serve();
}

// The line is read while what waits is within its bounds.
void DncSerialService::updateHold()
{
    const bool hold = framer.isFull();
    if (hold == receivingHeld)
        return;
    receivingHeld = hold;
    if (dncPort)
        dncPort->holdReceiving(hold);
    if (charDnc != 0)
        return;
    // A partial request has its time again once the host can send.
    if (hold)
        dncTimer.stop();
    else if (framer.hasPartial())
        dncTimer.start();
}

// Answers the waiting requests in order, a step at a time: the event loop has
// its turn between steps. A reply is handed to the line whole before the
// next request is taken.
void DncSerialService::serve()
{
    QElapsedTimer step;
    step.start();
    while (!replies.isReplying() && framer.hasRequest()) {
        const Request request = framer.takeRequest();
        if (!framer.hasPartial())
            dncTimer.stop();
        answer(request);
        if (framer.hasRequest() && step.elapsed() >= kServeStepMs) {
            serveLater();
            break;
        }
    }
    updateHold();
}

void DncSerialService::serveLater()
{
    if (std::exchange(serveDue, true))
        return;
    QTimer::singleShot(0, this, [this] {
        serveDue = false;
        serve();
    });
}

void DncSerialService::answer(const Request &request)
{
    switch (request.kind) {
    case Request::Trigger:
        replies.send(dncPosition(true));
        return;
    case Request::Oversized:
    case Request::Expired:
        replies.send(QByteArray(1, NAK));
        return;
    case Request::Line:
        break;
    }
    if (!enableToolingup)
        replies.send(QByteArray(1, NAK) + BUSY);
    else if (request.bytes.at(0) != '$')
        replies.send(QByteArray(1, NAK));
    else
        takeDncRequest(request.bytes);
}

void DncSerialService::takeDncRequest(const QByteArray &request)
{
    const char letter = request.at(1);
    const QByteArray payload = request.mid(2, request.size() - 3);
    QByteArray reply;
    switch (letter) {
    case '?':
        reply = QByteArray(1, ACK);
        break;
    case 'D':
        reply = machineList() + EOT;
        break;
    case 'L':
        reply = setList() + EOT;
        break;
    case 'S': {
        const int table = listedTable(payload);
        if (table < 0) {
            reply = QByteArray(1, EOT);
            break;
        }
        auto rows = std::make_unique<TableRows>(table);
        if (!rows->isValid()) {
            // No copy of the table: an EOT alone would be taken as an
            // empty table.
            reply = QByteArray(1, NAK);
            break;
        }
        replies.sendTable(std::move(rows));
        return;
    }
    case 'E': {
        // What the program changed in its settings belongs in the file sent.
        App::kovraSettings().sync();
        QFile file(App::settingsFile());
        if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSettingsText) {
            reply = QByteArray(1, NAK);
        } else {
            reply = file.readAll();
            reply.replace(CR, QByteArray());
            reply += EOT;
        }
        break;
    }
    case 'N':
        // The host's file replaces ours as a whole, or not at all: an empty
        // text, one that is no settings file, or a file the disk cut short is
        // refused and the old one stays.
        if (payload.size() > kMaxSettingsText || !App::replaceKovraSettingsFile(payload)) {
            reply = QByteArray(1, NAK);
            break;
        }
        emit sigUpdateSettings();
        return;
    case 'M': {
        // A system row is not listed and cannot be made the current machine.
        const QString name = listedMachine(payload);
        if (name.isEmpty()) {
            reply = QByteArray(1, NAK);
            break;
        }
        emit sigActivateMachine(name);
        reply = QByteArray(1, ACK);
        break;
    }
    case 'I': {
        QString machine;
        if (!importSet(payload, &machine)) {
            reply = QByteArray(1, NAK);
            break;
        }
        replies.send(QByteArray(1, ACK));
        emit sigToolsetImported(MachineNames::defaultMachine());
        emit sigToolsetImported(machine);
        return;
    }
    case 'X':
        reply = dncPosition(false);
        replies.send(reply);
        if (reply.at(0) != NAK)
            emit sigDncSerialActive();
        return;
    default:
        reply = QByteArray(1, NAK);
        break;
    }
    replies.send(reply);
}

// The position line, or NAK and busy: values the board no longer confirms are
// no position, the service is not available until it answers again.
QByteArray DncSerialService::dncPosition(bool trigger)
{
    double x = 0;
    double z = 0;
    if (!position || !position(x, z))
        return QByteArray(1, NAK) + BUSY;
    return PositionFormat::line(fmtMM, fmtInch, x, z, CurrentMachine,
                                trigger ? PositionFormat::Occasion::Trigger : PositionFormat::Occasion::Request);
}

void DncSerialService::setSendQueueLimit(int bytes)
{
    if (dncPort)
        dncPort->setSendQueueLimit(bytes);
}

void DncSerialService::slotDncTimeout()
{
    dncTimer.stop();
    if (dncPort)
        dncPort->resetBuffer();
    if (framer.expire())
        serve();
}
