#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

#include "tooling/DncReplyLine.h"
#include "tooling/DncRequestFramer.h"

class AbstractSerialPort;
class ManageSerialPort;

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
    // Opens the given port, set up as it is, instead; takes ownership. The
    // position formats and the trigger byte come from the settings all the
    // same.
    DncSerialService(std::unique_ptr<AbstractSerialPort> port, PositionSource position, QObject *parent = nullptr);
    ~DncSerialService() override;

    // Why the line was left closed because another program or link holds it.
    QStringList busyPortTexts() const { return busyPorts; }
    // The most reply bytes that wait unread on the line (0: the port's
    // default); tests give a small one.
    void setSendQueueLimit(int bytes);

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
    using Request = DncRequestFramer::Request;

    // Reads the service's settings and serves the line of dncPort: the device
    // opened with the DNC line's settings, or with none the port as given.
    void serveLine(const QString &device);
    void updateHold();
    void serve();
    void serveLater();
    void answer(const Request &request);
    void takeDncRequest(const QByteArray &request);
    QByteArray dncPosition(bool trigger);

    PositionSource position;
    ManageSerialPort *dncPort = nullptr;
    QStringList busyPorts;
    DncRequestFramer framer;
    DncReplyLine replies;
    bool receivingHeld = false;
    bool serveDue = false;
    QString fmtMM;
    QString fmtInch;
    QTimer dncTimer;
    char charDnc = 0;
};
