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
const char LF = 0x0A;
const char BUSY = '7';

// Rows of a table's reply built between two turns of the event loop.
const int kRowsPerStep = 1000;
// How often a table's reply looks for room in a full queue.
const int kWaitForRoomMs = 10;

// The most bytes a request may have before its CR: a settings file is far
// smaller than a tooling table.
int requestBound(const QByteArray &request)
{
    return request.startsWith("$N") ? kMaxSettingsText : kMaxDncRequest;
}
}

DncSerialService::DncSerialService(PositionSource positionSource, QObject *parent)
    : QObject(parent), position(std::move(positionSource))
{
    QSettings &settings = App::kovraSettings();
    const QString dncDevice = settings.value("/TTY/DncPort", "").toString();
    if (dncDevice.isEmpty())
        return;
    dncPort = new ManageSerialPort();
    connect(dncPort, &ManageSerialPort::MnewDataReceived, this, &DncSerialService::slot_DncRequest);
    // The formats go to the formatting function: a mistyped one falls back.
    const QString defaultMM = QStringLiteral("X%10.3f Z%10.3f %s %s %s %s %s\r");
    const QString defaultInch = QStringLiteral("X%10.5f Z%10.5f %s %s %s %s %s\r");
    fmtMM = PositionFormat::checked(settings.value("/TTY/FmtMM", defaultMM).toString(), defaultMM,
                                    QStringLiteral("/TTY/FmtMM"));
    fmtInch = PositionFormat::checked(settings.value("/TTY/FmtInch", defaultInch).toString(), defaultInch,
                                      QStringLiteral("/TTY/FmtInch"));
    charDnc = char(settings.value("/TTY/CharDnc", 0).toInt() & 0xFF);
    dncPort->enableSending();
    // A reply the line gave up is refused after what went out of it.
    dncPort->setCutReplyMark(QByteArray(1, NAK));
    dncPort->setBufferLimit(kMaxDncRequest);
    dncPort->setHandOverLimit(kMaxHandedOn);
    dncPort->enableReceiving();
    if (!dncPort->openLine(dncDevice, settings.value("/TTY/BaudRate", 115200).toUInt(), QStringLiteral("DNC"))
        && dncPort->isInUse())
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
    // The bytes that count are in dncBuffer; the port's copy is not read.
    if (dncPort)
        dncPort->resetBuffer();
    // While the line is not read the host cannot end its request.
    if (charDnc == 0 && !receivingHeld)
        dncTimer.start();
    unread.append(data);
    assemble();
    serve();
}

// Cuts the bytes received into requests and queues them, one at a time while
// the waiting requests are within their bounds. A trigger byte drops the
// partial request before it; the requests complete before it, and the bytes
// after it, are taken as if they had come on their own.
void DncSerialService::assemble()
{
    int trigger = -2; // where the next trigger byte is; -1: none in the rest
    while (unreadFrom < unread.size() && !atBound()) {
        if (charDnc != 0 && trigger != -1 && trigger < unreadFrom)
            trigger = unread.indexOf(charDnc, unreadFrom);
        const int cr = unread.indexOf(CR, unreadFrom);
        const bool isTrigger = charDnc != 0 && trigger >= 0 && (cr < 0 || trigger <= cr);
        const int end = isTrigger ? trigger : cr;
        if (end < 0) {
            take(unread.mid(unreadFrom));
            unreadFrom = unread.size();
            break;
        }
        take(unread.mid(unreadFrom, end - unreadFrom + (isTrigger ? 0 : 1)));
        unreadFrom = end + 1;
        if (isTrigger) {
            queueRequest({Request::Trigger, QByteArray()});
            dncBuffer.clear();
            state = State::Taking;
        }
    }
    if (unreadFrom >= unread.size()) {
        unread.clear();
        unreadFrom = 0;
    } else if (unreadFrom > unread.size() / 2) {
        unread.remove(0, unreadFrom);
        unreadFrom = 0;
    }
}

// Queues the requests the bytes complete, each up to its CR.
void DncSerialService::take(QByteArray data)
{
    if (state == State::Skipping) {
        const int end = data.indexOf(CR);
        if (end < 0)
            return;
        state = State::Taking;
        data.remove(0, end + 1);
    }
    // Only the new bytes are searched: earlier ones held no line end, or
    // too few bytes for a request.
    int searchFrom = dncBuffer.size() < 3 ? 0 : dncBuffer.size();
    dncBuffer.append(data);
    for (;;) {
        // Line feeds between requests (of a host that ends them with CR LF)
        // begin no request.
        int feeds = 0;
        while (feeds < dncBuffer.size() && dncBuffer.at(feeds) == LF)
            ++feeds;
        dncBuffer.remove(0, feeds);
        // A request has at least two bytes before its CR.
        const int end = dncBuffer.indexOf(CR, qMax(searchFrom, 2));
        if ((end < 0 ? dncBuffer.size() : end) > requestBound(dncBuffer)) {
            // Far larger than any such request: refused at once and dropped
            // whole, up to its line end.
            queueRequest({Request::Oversized, QByteArray()});
            if (end < 0) {
                dncBuffer.clear();
                state = State::Skipping;
                return;
            }
            dncBuffer.remove(0, end + 1);
        } else if (end < 0) {
            break;
        } else {
            queueRequest({Request::Line, dncBuffer.left(end + 1)});
            dncBuffer.remove(0, end + 1);
        }
        searchFrom = 0;
    }
    if (dncBuffer.isEmpty())
        dncTimer.stop();
}

void DncSerialService::queueRequest(Request request)
{
    waitingBytes += request.bytes.size();
    requests.enqueue(std::move(request));
}

bool DncSerialService::atBound() const
{
    return requests.size() >= kMaxWaitingRequests || waitingBytes >= kMaxWaitingBytes;
}

// The line is read while what waits is within its bounds.
void DncSerialService::updateHold()
{
    const bool hold = atBound() || unreadFrom < unread.size();
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
    else if (!dncBuffer.isEmpty() || state == State::Skipping)
        dncTimer.start();
}

// Answers the waiting requests in order, a step at a time: the event loop has
// its turn between steps. A reply is handed to the line whole before the
// next request is taken.
void DncSerialService::serve()
{
    QElapsedTimer step;
    step.start();
    while (!replying && !requests.isEmpty()) {
        const Request request = requests.dequeue();
        waitingBytes -= request.bytes.size();
        answer(request);
        // Room for a request that waits unread.
        assemble();
        if (!requests.isEmpty() && step.elapsed() >= kServeStepMs) {
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
        send(dncPosition(true));
        return;
    case Request::Oversized:
    case Request::Expired:
        send(QByteArray(1, NAK));
        return;
    case Request::Line:
        break;
    }
    if (!enableToolingup)
        send(QByteArray(1, NAK) + BUSY);
    else if (request.bytes.at(0) != '$')
        send(QByteArray(1, NAK));
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
        dncRows = std::make_unique<TableRows>(table);
        if (!dncRows->isValid()) {
            // No copy of the table: an EOT alone would be taken as an
            // empty table.
            dncRows.reset();
            reply = QByteArray(1, NAK);
            break;
        }
        replying = true;
        dncReply.clear();
        continueReply();
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
        send(QByteArray(1, ACK));
        emit sigToolsetImported(MachineNames::defaultMachine());
        emit sigToolsetImported(machine);
        return;
    }
    case 'X':
        reply = dncPosition(false);
        send(reply);
        if (reply.at(0) != NAK)
            emit sigDncSerialActive();
        return;
    default:
        reply = QByteArray(1, NAK);
        break;
    }
    send(reply);
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

// Hands the reply to the line's queue as far as it has room: a reply larger
// than the queue goes out while the host reads it, and while the queue is
// full the reply waits, the requests after it too. A table's rows are read a
// step at a time; the event loop has its turn before the next step.
void DncSerialService::continueReply()
{
    if (dncReply.isEmpty() && dncRows) {
        const int rows = dncRows->setDataRows(kRowsPerStep, dncReply);
        if (rows < kRowsPerStep) {
            // Rows that could not be read end the reply refused, not whole.
            dncRows.reset();
            dncReply += rows < 0 ? NAK : EOT;
        }
    }
    const bool last = !dncRows;
    const int result = dncPort ? dncPort->sendPart(dncReply, last) : ManageSerialPort::kReplyCut;
    // A reply the line gave up (its cut mark tells the host) is not sent on.
    if (result == ManageSerialPort::kReplyCut || (result != 0 && result != ManageSerialPort::kQueueFull)
        || (last && dncReply.isEmpty())) {
        dncRows.reset();
        dncReply.clear();
        replying = false;
        return;
    }
    QTimer::singleShot(result == ManageSerialPort::kQueueFull ? kWaitForRoomMs : 0, this, [this] {
        continueReply();
        if (!replying)
            serve();
    });
}

void DncSerialService::send(QByteArray reply)
{
    if (reply.isEmpty())
        return;
    dncReply = std::move(reply);
    replying = true;
    continueReply();
}

void DncSerialService::setSendQueueLimit(int bytes)
{
    if (dncPort)
        dncPort->setSendQueueLimit(bytes);
}

void DncSerialService::slotDncTimeout()
{
    dncTimer.stop();
    dncBuffer.clear();
    if (dncPort)
        dncPort->resetBuffer();
    // A request dropped for its size was answered already.
    if (std::exchange(state, State::Taking) == State::Skipping)
        return;
    queueRequest({Request::Expired, QByteArray()});
    serve();
}
