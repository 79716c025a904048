#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <memory>

#include "axis/AbstractSerialPort.h"

// Writes the bytes queued by the manager to the port, one write per byte.
// Started by the first sendData, it then waits for more bytes instead of
// ending, so a request costs no thread start; stopSending ends it. A write
// that fails or stalls gives up the rest of its reply (of its entry, and the
// later entries of a reply queued in parts): a reply goes whole or is cut off
// where it stalled, never sent with a byte missing in its middle. A reply cut
// off is followed by the owner's cut mark, once the line takes bytes again, so
// that the peer does not take it as whole.
class ThreadSend : public QThread
{
    Q_OBJECT
public:
    ThreadSend(AbstractSerialPort *port, QObject *parent);
    ~ThreadSend() override;

    enum class Added { Queued, Full, Cut };
    // Queues every byte of data as a whole reply and starts the thread when
    // it has ended; false, and nothing queued, when the queue would pass its
    // bounds.
    bool addDataToSend(const QByteArray &data);
    // Takes off the front of data as many bytes of a reply sent in parts as
    // the bounds leave room for (maybe none); `last` when data ends the reply
    // and all of it fits. Cut, and nothing taken, when the reply's earlier
    // parts were given up: the rest of it is not to be sent.
    Added addPart(QByteArray &data, bool last);
    // The most bytes waiting to be written by default: a peer that does not
    // read gets no more.
    static constexpr int kMaxQueued = 8 * 1024 * 1024;
    // The most replies (or parts of them) waiting: each costs bookkeeping of
    // its own, many times a one-byte reply.
    static constexpr int kMaxEntries = 16 * 1024;
    // The bound of what waits unread (bytes > 0).
    void setLimit(qint64 bytes);
    // Bytes written after a reply that was given up (none: nothing).
    void setCutMark(const QByteArray &mark);
    // Ends the thread after the byte being written; bytes left in the queue
    // stay there for the next start.
    void stopSending();

protected:
    void run() override;

private:
    struct Entry
    {
        QByteArray bytes;
        bool more; // a later entry goes on with the same reply
    };
    // Under mutex: queues an entry and starts the thread when it has ended.
    void enqueue(const QByteArray &data, bool more);
    // The byte written last failed; `more` of the entry it was of.
    void giveUp(bool more);
    // Pause before the cut mark is tried again on a line that refused it.
    static const unsigned long kMarkRetryMs = 20;

    mutable QMutex mutex;
    AbstractSerialPort *port;
    QQueue<Entry> queue;
    qint64 queued = 0; // bytes in the queue not yet written
    qint64 limit = kMaxQueued;
    int sentOfHead = 0; // bytes of the queue's first entry already written
    bool dropping = false; // the reply whose parts are still coming was given up
    QByteArray cutMark;
    int markSent = -1; // bytes of the cut mark written; -1: none due
    QWaitCondition work; // signalled under mutex: bytes queued or stop asked
    std::atomic<bool> stopRequested{false};
    bool active = false; // under mutex: run() has not yet decided to end
};

// Polls the port, waiting on it between polls (a byte that arrives ends the
// wait at once; at most 200 microseconds while modem lines are to be
// watched), keeps every byte received in a buffer and hands each chunk read
// to the owner. After a failing poll (peer hung up, device removed, read
// error) it sleeps instead, longer while the line stays dead.
class ThreadReceive : public QThread
{
    Q_OBJECT
public:
    ThreadReceive(AbstractSerialPort *port, QObject *parent);
    ~ThreadReceive() override;

    void stopReceiving();
    bool isStopRequested() const { return stopRequested; }
    QByteArray getBuffer() const;
    void resetBuffer();
    // A chunk that would take the buffer past this many bytes empties it
    // first.
    void setBufferLimit(int bytes) { limit = bytes > 0 ? bytes : kDefaultBufferLimit; }
    // The most bytes handed on that the owner has not taken yet (0: no
    // bound); beyond it nothing more is read, the line keeps what comes.
    void setHandOverLimit(int bytes);
    // While held nothing is read either.
    void setHeld(bool held);
    // The owner took a chunk handed on.
    void taken(int bytes);
    // The bound of a port that sets none: far above any line a link reads.
    static const int kDefaultBufferLimit = 64 * 1024;
    bool isCtsOn() const { return ctsOn; }

    static const int kMaxChunk = 4096;
    static const unsigned long kPollMicroseconds = 200;
    // The pause after failing polls doubles from kPollMicroseconds up to this.
    static constexpr unsigned long kLongestFailurePauseMicroseconds = 10000;

signals:
    void newDataReceived(QByteArray dataReceived);
    void receiveError();
    void toggledCTS(bool);
    // When the chunk that newDataReceived hands on next was read (monotonic
    // milliseconds, ManageSerialPort::monotonicMs).
    void chunkArrived(qint64 atMs);

protected:
    void run() override;

private:
    // Sleeps that long, or until stopReceiving.
    void pause(unsigned long microseconds);
    bool isHolding() const;
    // Waits at most that long while held or at the hand-over bound.
    void waitWhileHolding(unsigned long microseconds);
    void wakeWaiting();

    std::atomic<bool> ctsOn{false};
    mutable QMutex mutex;
    AbstractSerialPort *port;
    std::atomic<bool> stopRequested{false};
    QByteArray buffer;
    std::atomic<int> limit{kDefaultBufferLimit};
    std::atomic<int> handOverLimit{0};
    std::atomic<qint64> handedOn{0};
    std::atomic<bool> held{false};
    // With stopped: ends a pause when stopRequested is set, and a wait while
    // holding when the hold ends.
    QMutex pauseMutex;
    QWaitCondition stopped;
};

// One serial port with its traffic moved off the GUI thread. Received chunks,
// port errors and CTS changes arrive as signals in the thread that owns the
// manager. Results of sendData/sendChar: 0 queued, 2 port not open,
// 3 sending not enabled, 4 (kQueueFull) the send queue is full, nothing
// queued; of receiveData: 1 running, 2 port not open, 3 receiving not
// enabled.
class ManageSerialPort : public QObject
{
    Q_OBJECT
public:
    ManageSerialPort();
    ManageSerialPort(const QString &name, BaudRateType baudRate, DataBitsType dataBits,
                     ParityType parity, StopBitsType stopBits, FlowType flowControl,
                     ulong seconds, ulong milliseconds);
    // Works on the given port instead of a serial terminal; takes ownership.
    explicit ManageSerialPort(std::unique_ptr<AbstractSerialPort> port);
    ~ManageSerialPort() override;

    bool open();
    bool open(const QString &name, BaudRateType baudRate, DataBitsType dataBits,
              ParityType parity, StopBitsType stopBits, FlowType flowControl,
              ulong seconds, ulong milliseconds);
    // Opens the device as the program's own lines are used: at that rate (one
    // without a setting gives 115200), 8 data bits, no parity, one stop bit,
    // no flow control, reads waiting 10 ms; named as its link.
    bool openLine(const QString &device, unsigned int baudRate, const QString &linkName);
    bool isOpen();
    // The last open() failed because another program holds the device.
    bool isInUse();
    // What the operator is told then: another program, or the link of this
    // program that holds the device.
    QString busyText();
    // Names the link this port serves ("AXB", "DNC", ...).
    void setLinkName(const QString &name);
    void close();

    void setPort(const QString &name);
    QString getPort();
    void setBaudRate(BaudRateType baudRate);
    // A rate in bits per second; a rate without a setting gives 115200.
    void setBaudRate(unsigned int baudRate);
    QString getBaudRate();
    void setDataBits(DataBitsType dataBits);
    QString getDataBits();
    void setParity(ParityType parity);
    QString getParity();
    void setStopBits(StopBitsType stopBits);
    QString getStopBit();
    void setFlowControl(FlowType flowControl);
    QString getFlowControl();
    void setTimeout(ulong seconds, ulong milliseconds);

    int getLastError();
    QString getLastErrorToString();
    static QString errorText(int code);

    void enableSending();
    void disableSending();
    bool isSendingEnabled();
    static const int kQueueFull = 4;
    int sendData(QByteArray &dataToSend);
    // The most bytes that wait unread (0: ThreadSend::kMaxQueued).
    void setSendQueueLimit(int bytes);
    // The thread that writes what is queued, while sending is enabled (none
    // before, or once disabled): a protocol that sends a reply in parts as
    // the queue drains, or marks a reply given up, hands it on there.
    ThreadSend *sendingThread() const { return sendThread; }
    int sendChar(char dataToSend);
    void stopSending();

    void enableReceiving();
    void disableReceiving();
    bool isReceivingEnabled();
    int receiveData();
    void stopReceiving();

    QByteArray getBuffer();
    void resetBuffer();
    // Bounds the buffer of received bytes: a chunk that would take it past
    // this many bytes empties it first (0: ThreadReceive::kDefaultBufferLimit,
    // the default).
    void setBufferLimit(int bytes);
    // Bounds the bytes handed on by MnewDataReceived that this thread has not
    // handled yet: beyond it the line is not read until they are (0, the
    // default: no bound).
    void setHandOverLimit(int bytes);
    // While held the line is not read: what the device sends waits in it.
    void holdReceiving(bool hold);
    bool isCtsOn();

    // Milliseconds of a monotonic clock, the same in every thread.
    static qint64 monotonicMs();
    // When the chunk being handed on by MnewDataReceived was read from the
    // port, which may be long before it is handled when the receiving thread
    // was held; -1 outside such a hand-over or when already taken.
    qint64 takeChunkArrival();

signals:
    void MnewDataReceived(QByteArray dataReceived);
    void receiveError();
    void toggledCTS(bool);

private:
    // 2 port not open, 3 sending not enabled, else 0.
    int cannotSend();
    void applySettings(const QString &name, BaudRateType baudRate, DataBitsType dataBits,
                       ParityType parity, StopBitsType stopBits, FlowType flowControl,
                       ulong seconds, ulong milliseconds);

    std::unique_ptr<AbstractSerialPort> port;
    ThreadSend *sendThread = nullptr;
    ThreadReceive *receiveThread = nullptr;
    bool sendingEnabled = false;
    bool receivingEnabled = false;
    int bufferLimit = 0;
    int handOverLimit = 0;
    bool receivingHeld = false;
    int sendLimit = 0;
    qint64 chunkArrival = -1;
};
