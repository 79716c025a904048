#include "axis/ManageSerialPort.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QPointer>

#include <chrono>
#include <cstdio>

#include "axis/QextSerialPort.h"

// ---------------------------------------------------------------- ThreadSend

ThreadSend::ThreadSend(AbstractSerialPort *port, QObject *parent) : QThread(parent), port(port) {}

ThreadSend::~ThreadSend()
{
    if (isRunning())
        stopSending();
    wait();
}

bool ThreadSend::addDataToSend(const QByteArray &data)
{
    if (data.isEmpty())
        return true;
    QMutexLocker lock(&mutex);
    if (queue.size() >= kMaxEntries || queued + data.size() > limit)
        return false;
    enqueue(data, false);
    return true;
}

ThreadSend::Added ThreadSend::addPart(QByteArray &data, bool last)
{
    QMutexLocker lock(&mutex);
    if (dropping) {
        dropping = false;
        return Added::Cut;
    }
    const int fits = queue.size() >= kMaxEntries ? 0 : int(qBound<qint64>(0, limit - queued, data.size()));
    if (fits == 0 && !data.isEmpty())
        return Added::Full;
    const bool whole = fits == data.size();
    if (fits > 0)
        enqueue(whole ? data : data.left(fits), !(whole && last));
    data.remove(0, fits);
    return Added::Queued;
}

void ThreadSend::enqueue(const QByteArray &data, bool more)
{
    // Queued whole: a long reply costs its owner one append, not one per byte.
    queue.enqueue({data, more});
    queued += data.size();
    if (!active) {
        // run() decided to end under this lock, so it is past its last look
        // at the queue; let it finish and start it again for these bytes.
        wait();
        active = true;
        start();
    }
    work.wakeOne();
}

void ThreadSend::setLimit(qint64 bytes)
{
    QMutexLocker lock(&mutex);
    limit = bytes > 0 ? bytes : kMaxQueued;
}

void ThreadSend::setCutMark(const QByteArray &mark)
{
    QMutexLocker lock(&mutex);
    cutMark = mark;
    markSent = -1;
}

void ThreadSend::stopSending()
{
    {
        QMutexLocker lock(&mutex);
        stopRequested = true;
        work.wakeOne();
    }
    port->flush();
    quit();
    wait();
    // The flag is meant for a running loop; one that was already ending must
    // not swallow the next start.
    QMutexLocker lock(&mutex);
    stopRequested = false;
}

void ThreadSend::run()
{
    for (;;) {
        char next;
        bool more = false;
        bool mark = false;
        {
            QMutexLocker lock(&mutex);
            while (queue.isEmpty() && markSent < 0 && !stopRequested)
                work.wait(&mutex);
            if (stopRequested) {
                stopRequested = false;
                active = false;
                return;
            }
            // The mark of a reply given up goes before anything queued after it.
            mark = markSent >= 0;
            if (mark) {
                next = cutMark.at(markSent);
            } else {
                const Entry &head = queue.head();
                next = head.bytes.at(sentOfHead++);
                more = head.more;
                --queued;
                if (sentOfHead == head.bytes.size()) {
                    queue.dequeue();
                    sentOfHead = 0;
                }
            }
        }
        const bool written = port->write(&next, 1) == 1;
        if (mark) {
            QMutexLocker lock(&mutex);
            if (written)
                markSent = markSent + 1 < cutMark.size() ? markSent + 1 : -1;
            else
                // The line still does not move: a dead one would be tried
                // without pause.
                work.wait(&mutex, kMarkRetryMs);
            continue;
        }
        if (!written)
            giveUp(more);
    }
}

void ThreadSend::giveUp(bool more)
{
    QMutexLocker lock(&mutex);
    // The rest of the entry the byte was of, unless it was its last.
    if (sentOfHead > 0) {
        queued -= queue.head().bytes.size() - sentOfHead;
        queue.dequeue();
        sentOfHead = 0;
    }
    // The later parts of the same reply, queued or still to come.
    while (more && !queue.isEmpty()) {
        const Entry part = queue.dequeue();
        queued -= part.bytes.size();
        more = part.more;
    }
    dropping = more;
    if (!cutMark.isEmpty())
        markSent = 0;
}

// ------------------------------------------------------------- ThreadReceive

ThreadReceive::ThreadReceive(AbstractSerialPort *port, QObject *parent)
    : QThread(parent), port(port)
{
}

ThreadReceive::~ThreadReceive()
{
    if (isRunning()) {
        stopReceiving();
        wait();
    }
}

void ThreadReceive::stopReceiving()
{
    {
        QMutexLocker lock(&pauseMutex);
        stopRequested = true;
        stopped.wakeAll();
    }
    // A wait on a line without modem lines lasts until something happens.
    port->wakeWaiter();
}

void ThreadReceive::setHandOverLimit(int bytes)
{
    handOverLimit = qMax(0, bytes);
    wakeWaiting();
}

void ThreadReceive::setHeld(bool hold)
{
    held = hold;
    wakeWaiting();
}

void ThreadReceive::taken(int bytes)
{
    // Never below none: a chunk of an earlier run may be taken late.
    qint64 was = handedOn;
    while (!handedOn.compare_exchange_weak(was, qMax<qint64>(0, was - bytes))) {
    }
    wakeWaiting();
}

bool ThreadReceive::isHolding() const
{
    const int bound = handOverLimit;
    return held || (bound > 0 && handedOn >= bound);
}

void ThreadReceive::wakeWaiting()
{
    // Under the lock: a wait that has just found the hold on is already in
    // it and gets the wake-up.
    QMutexLocker lock(&pauseMutex);
    stopped.wakeAll();
}

void ThreadReceive::waitWhileHolding(unsigned long microseconds)
{
    const QDeadlineTimer until(std::chrono::microseconds(microseconds), Qt::PreciseTimer);
    QMutexLocker lock(&pauseMutex);
    while (!stopRequested && isHolding() && !until.hasExpired())
        stopped.wait(&pauseMutex, until);
}

QByteArray ThreadReceive::getBuffer() const
{
    QMutexLocker lock(&mutex);
    return buffer;
}

void ThreadReceive::resetBuffer()
{
    QMutexLocker lock(&mutex);
    buffer.clear();
}

void ThreadReceive::pause(unsigned long microseconds)
{
    const QDeadlineTimer until(std::chrono::microseconds(microseconds), Qt::PreciseTimer);
    QMutexLocker lock(&pauseMutex);
    while (!stopRequested && !until.hasExpired())
        stopped.wait(&pauseMutex, until);
}

void ThreadReceive::run()
{
    unsigned long failurePause = 0; // 0 while the line works
    QByteArray chunk(kMaxChunk, '\0');
    while (!stopRequested) {
        const qint64 n = port->bytesAvailable();
        bool failed = n == -1 && port->lastError() != E_NO_ERROR;

        const bool cts = (port->lineStatus() & LS_CTS) != 0;
        bool ctsChanged = false;
        if (cts != ctsOn) {
            ctsOn = cts;
            ctsChanged = true;
        }

        QByteArray received;
        qint64 receivedAt = -1;
        const bool holding = isHolding();
        if (n > 0 && !holding) {
            QMutexLocker lock(&mutex);
            const qint64 k = port->read(chunk.data(), qMin<qint64>(n, kMaxChunk));
            receivedAt = ManageSerialPort::monotonicMs();
            if (k > 0) {
                received = QByteArray(chunk.constData(), int(k));
                if (limit > 0 && buffer.size() + received.size() > limit)
                    buffer.clear();
                buffer.append(received);
            } else if (k < 0) {
                failed = true;
            }
        }

        if (failed)
            emit receiveError();
        if (ctsChanged)
            emit toggledCTS(cts);
        if (!received.isEmpty()) {
            handedOn += received.size();
            emit chunkArrived(receivedAt);
            emit newDataReceived(received);
        }

        if (failed) {
            // A line whose peer hung up or whose device went away is "ready"
            // at once for ever: sleep, longer each time it is still dead.
            failurePause = failurePause == 0
                ? kPollMicroseconds
                : qMin(2 * failurePause, kLongestFailurePauseMicroseconds);
            pause(failurePause);
        } else if (holding && n > 0) {
            // The bytes wait in the line: a wait for input would end at once.
            // The modem lines are still looked at now and then.
            failurePause = 0;
            waitWhileHolding(kLongestFailurePauseMicroseconds);
        } else {
            failurePause = 0;
            // Returns as soon as a byte arrives; the bound keeps modem-line
            // changes seen as often as before.
            port->waitForInput(kPollMicroseconds);
        }
    }
    stopRequested = false;
}

// --------------------------------------------------------- ManageSerialPort

ManageSerialPort::ManageSerialPort() : port(new QextSerialPort) {}

ManageSerialPort::ManageSerialPort(const QString &name, BaudRateType baudRate,
                                   DataBitsType dataBits, ParityType parity,
                                   StopBitsType stopBits, FlowType flowControl,
                                   ulong seconds, ulong milliseconds)
    : port(new QextSerialPort)
{
    applySettings(name, baudRate, dataBits, parity, stopBits, flowControl, seconds,
                  milliseconds);
}

ManageSerialPort::ManageSerialPort(std::unique_ptr<AbstractSerialPort> port)
    : port(std::move(port))
{
}

ManageSerialPort::~ManageSerialPort()
{
    delete sendThread;
    sendThread = nullptr;
    delete receiveThread;
    receiveThread = nullptr;
    if (port->isOpen())
        port->close();
}

void ManageSerialPort::applySettings(const QString &name, BaudRateType baudRate,
                                     DataBitsType dataBits, ParityType parity,
                                     StopBitsType stopBits, FlowType flowControl,
                                     ulong seconds, ulong milliseconds)
{
    setPort(name);
    setBaudRate(baudRate);
    setDataBits(dataBits);
    setParity(parity);
    setStopBits(stopBits);
    setFlowControl(flowControl);
    setTimeout(seconds, milliseconds);
}

bool ManageSerialPort::open()
{
    const bool ok = port->open(QIODevice::ReadWrite);
    if (!ok && !port->errorString().isEmpty())
        std::fprintf(stderr, "ManageSerialPort::open: %s\n", qPrintable(port->errorString()));
    return ok;
}

bool ManageSerialPort::open(const QString &name, BaudRateType baudRate, DataBitsType dataBits,
                            ParityType parity, StopBitsType stopBits, FlowType flowControl,
                            ulong seconds, ulong milliseconds)
{
    applySettings(name, baudRate, dataBits, parity, stopBits, flowControl, seconds,
                  milliseconds);
    return open();
}

bool ManageSerialPort::openLine(const QString &device, unsigned int baudRate, const QString &linkName)
{
    setPort(device);
    setBaudRate(baudRate);
    setDataBits(DATA_8);
    setParity(PAR_NONE);
    setStopBits(STOP_1);
    setFlowControl(FLOW_OFF);
    setTimeout(0, 10);
    setLinkName(linkName);
    return open();
}

bool ManageSerialPort::isOpen()
{
    return port->isOpen();
}

bool ManageSerialPort::isInUse()
{
    return port->isInUse();
}

QString ManageSerialPort::busyText()
{
    return QextSerialPort::busyText(getPort(), port->heldBy());
}

void ManageSerialPort::setLinkName(const QString &name)
{
    port->setLinkName(name);
}

void ManageSerialPort::close()
{
    stopReceiving();
    stopSending();
    disableSending();
    disableReceiving();
    port->close();
}

void ManageSerialPort::setPort(const QString &name) { port->setPortName(name); }
QString ManageSerialPort::getPort() { return port->portName(); }
void ManageSerialPort::setBaudRate(BaudRateType baudRate) { port->setBaudRate(baudRate); }

void ManageSerialPort::setBaudRate(unsigned int baudRate)
{
    BaudRateType rate;
    if (!baudRateFromValue(baudRate, &rate))
        rate = BAUD115200;
    port->setBaudRate(rate);
}

QString ManageSerialPort::getBaudRate()
{
    const uint rate = baudRateValue(port->baudRate());
    return rate ? QString::number(rate) : QString();
}

void ManageSerialPort::setDataBits(DataBitsType dataBits) { port->setDataBits(dataBits); }

QString ManageSerialPort::getDataBits()
{
    switch (port->dataBits()) {
    case DATA_6: return QStringLiteral("6");
    case DATA_7: return QStringLiteral("7");
    case DATA_8: return QStringLiteral("8");
    default: return QStringLiteral("5");
    }
}

void ManageSerialPort::setParity(ParityType parity) { port->setParity(parity); }

QString ManageSerialPort::getParity()
{
    switch (port->parity()) {
    case PAR_NONE: return tr("None");
    case PAR_ODD: return tr("Odd");
    case PAR_EVEN: return tr("Even");
    case PAR_MARK: return tr("Mark");
    case PAR_SPACE: return tr("Space");
    }
    return QString();
}

void ManageSerialPort::setStopBits(StopBitsType stopBits) { port->setStopBits(stopBits); }

QString ManageSerialPort::getStopBit()
{
    switch (port->stopBits()) {
    case STOP_1: return QStringLiteral("1");
    case STOP_1_5: return QStringLiteral("1.5");
    case STOP_2: return QStringLiteral("2");
    }
    return QString();
}

void ManageSerialPort::setFlowControl(FlowType flowControl) { port->setFlowControl(flowControl); }

QString ManageSerialPort::getFlowControl()
{
    switch (port->flowControl()) {
    case FLOW_OFF: return tr("None");
    case FLOW_HARDWARE: return tr("Hardware");
    case FLOW_XONXOFF: return tr("Xon/Xoff");
    }
    return QString();
}

void ManageSerialPort::setTimeout(ulong seconds, ulong milliseconds)
{
    port->setTimeout(seconds, milliseconds);
}

int ManageSerialPort::getLastError()
{
    return int(port->lastError());
}

QString ManageSerialPort::getLastErrorToString()
{
    return errorText(getLastError());
}

QString ManageSerialPort::errorText(int code)
{
    switch (code) {
    case E_INVALID_FD: return tr("Invalid file descriptor (port was not opened correctly)");
    case E_NO_MEMORY: return tr("Unable to allocate memory tables (POSIX)");
    case E_CAUGHT_NON_BLOCKED_SIGNAL: return tr("Caught a non-blocked signal (POSIX)");
    case E_INVALID_DEVICE:
        return tr("The file opened by the port is not a character device (POSIX)");
    case E_BREAK_CONDITION: return tr("The port detected a break condition");
    case E_FRAMING_ERROR:
        return tr("The port detected a framing error (usually caused by incorrect baud rate "
                  "settings)");
    case E_IO_ERROR: return tr("There was an I/O error while communicating with the port");
    case E_BUFFER_OVERRUN: return tr("Character buffer overrun");
    case E_RECEIVE_OVERFLOW: return tr("Receive buffer overflow");
    case E_RECEIVE_PARITY_ERROR:
        return tr("The port detected a parity error in the received data");
    case E_TRANSMIT_OVERFLOW: return tr("Transmit buffer overflow");
    case E_READ_FAILED: return tr("General read operation failure");
    case E_WRITE_FAILED: return tr("General write operation failure");
    default: return QString(); // 0, 4 and unknown codes
    }
}

// Sending

void ManageSerialPort::enableSending()
{
    if (!sendingEnabled && !sendThread) {
        sendThread = new ThreadSend(port.get(), this);
        sendThread->setLimit(sendLimit);
        sendingEnabled = true;
    }
}

void ManageSerialPort::disableSending()
{
    if (sendingEnabled && sendThread) {
        sendThread->stopSending();
        delete sendThread;
        sendThread = nullptr;
        sendingEnabled = false;
    }
}

bool ManageSerialPort::isSendingEnabled()
{
    return sendingEnabled;
}

int ManageSerialPort::cannotSend()
{
    if (!port->isOpen())
        return 2;
    if (!sendingEnabled || !sendThread)
        return 3;
    return 0;
}

int ManageSerialPort::sendData(QByteArray &dataToSend)
{
    if (const int code = cannotSend())
        return code;
    return sendThread->addDataToSend(dataToSend) ? 0 : kQueueFull;
}

void ManageSerialPort::setSendQueueLimit(int bytes)
{
    sendLimit = bytes;
    if (sendThread)
        sendThread->setLimit(bytes);
}

int ManageSerialPort::sendChar(char dataToSend)
{
    QByteArray data(1, dataToSend);
    return sendData(data);
}

void ManageSerialPort::stopSending()
{
    if (sendingEnabled && sendThread && sendThread->isRunning()) {
        sendThread->stopSending();
        sendThread->quit();
    }
}

// Receiving

void ManageSerialPort::enableReceiving()
{
    if (!receivingEnabled && !receiveThread) {
        receiveThread = new ThreadReceive(port.get(), this);
        receiveThread->setBufferLimit(bufferLimit);
        receiveThread->setHandOverLimit(handOverLimit);
        receiveThread->setHeld(receivingHeld);
        // Queued like the chunk that follows it, so it is taken just before.
        connect(receiveThread, &ThreadReceive::chunkArrived, this,
                [this](qint64 atMs) { chunkArrival = atMs; });
        // Taken once the owner has handled it.
        connect(receiveThread, &ThreadReceive::newDataReceived, this, [this](const QByteArray &data) {
            const QPointer<ManageSerialPort> alive(this);
            emit MnewDataReceived(data);
            if (alive && receiveThread)
                receiveThread->taken(data.size());
        });
        connect(receiveThread, &ThreadReceive::toggledCTS, this, &ManageSerialPort::toggledCTS);
        connect(receiveThread, &ThreadReceive::receiveError, this,
                &ManageSerialPort::receiveError);
        receivingEnabled = true;
    }
}

void ManageSerialPort::disableReceiving()
{
    if (receivingEnabled && receiveThread) {
        // A thread nobody asked to stop would be waited for for ever.
        receiveThread->stopReceiving();
        receiveThread->wait();
        delete receiveThread;
        receiveThread = nullptr;
        receivingEnabled = false;
    }
}

bool ManageSerialPort::isReceivingEnabled()
{
    return receivingEnabled;
}

int ManageSerialPort::receiveData()
{
    if (!port->isOpen())
        return 2;
    if (!receivingEnabled || !receiveThread)
        return 3;
    if (receiveThread->isRunning()) {
        if (!receiveThread->isStopRequested())
            return 1;
        // Asked to stop but not yet ended: let it end, then poll again.
        receiveThread->wait();
    }
    receiveThread->start();
    return 1;
}

void ManageSerialPort::stopReceiving()
{
    if (receivingEnabled && receiveThread && receiveThread->isRunning())
        receiveThread->stopReceiving();
}

QByteArray ManageSerialPort::getBuffer()
{
    return receiveThread ? receiveThread->getBuffer() : QByteArray();
}

void ManageSerialPort::resetBuffer()
{
    if (receiveThread)
        receiveThread->resetBuffer();
}

void ManageSerialPort::setBufferLimit(int bytes)
{
    bufferLimit = bytes;
    if (receiveThread)
        receiveThread->setBufferLimit(bytes);
}

void ManageSerialPort::setHandOverLimit(int bytes)
{
    handOverLimit = bytes;
    if (receiveThread)
        receiveThread->setHandOverLimit(bytes);
}

void ManageSerialPort::holdReceiving(bool hold)
{
    receivingHeld = hold;
    if (receiveThread)
        receiveThread->setHeld(hold);
}

bool ManageSerialPort::isCtsOn()
{
    return receiveThread && receiveThread->isCtsOn();
}

qint64 ManageSerialPort::monotonicMs()
{
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}

qint64 ManageSerialPort::takeChunkArrival()
{
    const qint64 at = chunkArrival;
    chunkArrival = -1;
    return at;
}
