#pragma once

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class ManageSerialPort;
class TableRows;

// The serial DNC service: requests of a CNC or host computer on the second
// serial line, answered from the tooling tables and the settings file. Every
// complete request gets its own reply, in the order they came; what comes
// while a table is sent waits for the table's EOT. What waits is bounded:
// past its bounds, and while the line's queue has no room for a reply, the
// line is not read, so a host that sends faster than it reads waits in it.
class DncSerialService : public QObject
{
    Q_OBJECT
public:
    // Machine X (as the position line shows it) and Z of the axis link, or
    // false when the board no longer confirms them.
    using PositionSource = std::function<bool(double &x, double &z)>;

    // Opens the line of "/TTY/DncPort" (none when it is empty).
    explicit DncSerialService(PositionSource position, QObject *parent = nullptr);
    ~DncSerialService() override;

    // Why the line was left closed because another program or link holds it.
    QStringList busyPortTexts() const { return busyPorts; }
    // The most reply bytes that wait unread on the line (0: the port's
    // default); tests give a small one.
    void setSendQueueLimit(int bytes);

    // The most complete requests that wait for their replies, in count and
    // in bytes (one import of the largest size fills the bytes).
    static constexpr int kMaxWaitingRequests = 1024;
    static constexpr int kMaxWaitingBytes = 4 * 1024 * 1024;
    // The most bytes the line's receiving thread hands on before this thread
    // has taken them.
    static constexpr int kMaxHandedOn = 16 * 1024;
    // The longest run of answers between two turns of the event loop.
    static constexpr int kServeStepMs = 10;

signals:
    void sigActivateMachine(QString name);
    void sigUpdateSettings();
    void sigToolsetImported(QString name);
    void sigDncSerialActive();

private slots:
    void slot_DncRequest(QByteArray data);
    void slotDncTimeout();

private:
    // What waits for its reply: a request up to its CR, a trigger byte, a
    // request refused for its size, a request that did not end in time.
    struct Request
    {
        enum Kind { Line, Trigger, Oversized, Expired } kind;
        QByteArray bytes;
    };
    // Of the line: taking a request's bytes, or dropping a refused one's up
    // to its CR.
    enum class State { Taking, Skipping };

    void assemble();
    void take(QByteArray data);
    void queueRequest(Request request);
    bool atBound() const;
    void updateHold();
    void serve();
    void serveLater();
    void answer(const Request &request);
    void takeDncRequest(const QByteArray &request);
    void continueReply();
    QByteArray dncPosition(bool trigger);
    void send(QByteArray reply);

    PositionSource position;
    ManageSerialPort *dncPort = nullptr;
    QStringList busyPorts;
    State state = State::Taking;
    // Bytes received and not yet cut into requests (from unreadFrom on): they
    // wait there while the requests waiting are at their bounds.
    QByteArray unread;
    int unreadFrom = 0;
    QByteArray dncBuffer;
    QQueue<Request> requests;
    qint64 waitingBytes = 0;
    bool receivingHeld = false;
    bool serveDue = false;
    // While a reply is handed to the line's queue: a table's rows not yet
    // read (none once all are, or for any other reply), and the bytes that
    // the queue has not taken yet.
    bool replying = false;
    std::unique_ptr<TableRows> dncRows;
    QByteArray dncReply;
    QString fmtMM;
    QString fmtInch;
    QTimer dncTimer;
    char charDnc = 0;
};
