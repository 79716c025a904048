#include "tooling/DncReplyLine.h"

#include "axis/ManageSerialPort.h"
#include "tooling/DncData.h"

#include <QTimer>

#include <utility>

namespace {
const char NAK = 0x15;
const char EOT = 0x04;

// Rows of a table's reply built between two turns of the event loop.
const int kRowsPerStep = 1000;
// How often a reply looks for room in a full queue.
const int kWaitForRoomMs = 10;

// Takes off the front of data what the line's queue has room for; a line
// that is not open takes nothing and the reply is given up.
ThreadSend::Added handOn(ManageSerialPort *port, QByteArray &data, bool last)
{
    ThreadSend *sender = port && port->isOpen() ? port->sendingThread() : nullptr;
    return sender ? sender->addPart(data, last) : ThreadSend::Added::Cut;
}
}

DncReplyLine::DncReplyLine(QObject *parent) : QObject(parent) {}

DncReplyLine::~DncReplyLine() = default;

void DncReplyLine::setLine(ManageSerialPort *line)
{
    port = line;
    // A reply the line gave up is refused after what went out of it.
    if (ThreadSend *sender = port ? port->sendingThread() : nullptr)
        sender->setCutMark(QByteArray(1, NAK));
}

void DncReplyLine::send(QByteArray bytes)
{
    if (bytes.isEmpty())
        return;
    reply = std::move(bytes);
    replying = true;
    continueReply();
}

void DncReplyLine::sendTable(std::unique_ptr<TableRows> tableRows)
{
    rows = std::move(tableRows);
    replying = true;
    reply.clear();
    continueReply();
}

// Hands the reply to the line's queue as far as it has room: a reply larger
// than the queue goes out while the host reads it, and while the queue is
// full the reply waits, the requests after it too. A table's rows are read a
// step at a time; the event loop has its turn before the next step.
void DncReplyLine::continueReply()
{
    if (reply.isEmpty() && rows) {
        const int read = rows->setDataRows(kRowsPerStep, reply);
        if (read < kRowsPerStep) {
            // Rows that could not be read end the reply refused, not whole.
            rows.reset();
            reply += read < 0 ? NAK : EOT;
        }
    }
    const bool last = !rows;
    const ThreadSend::Added result = handOn(port, reply, last);
    // A reply the line gave up (its cut mark tells the host) is not sent on.
    if (result == ThreadSend::Added::Cut || (last && reply.isEmpty())) {
        rows.reset();
        reply.clear();
        replying = false;
        return;
    }
    QTimer::singleShot(result == ThreadSend::Added::Full ? kWaitForRoomMs : 0, this, [this] {
        continueReply();
        if (!replying)
            emit finished();
    });
}
