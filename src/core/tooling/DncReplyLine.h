#pragma once

#include <QByteArray>
#include <QObject>

#include <memory>

class ManageSerialPort;
class TableRows;

// Hands the serial DNC service's replies to its line, one at a time: each
// goes whole, a reply larger than the line's queue (a table's rows read a
// step at a time) as the queue takes it. A reply the line gave up is
// followed by NAK, so that the host does not take what came of it as whole.
class DncReplyLine : public QObject
{
    Q_OBJECT
public:
    explicit DncReplyLine(QObject *parent = nullptr);
    ~DncReplyLine() override;

    // The line replies go to (none: every reply is dropped). Called once its
    // sending is enabled.
    void setLine(ManageSerialPort *port);
    // A reply is being handed to the line; the next waits.
    bool isReplying() const { return replying; }
    void send(QByteArray reply);
    // The table's rows, then EOT; rows that cannot be read end it with NAK.
    void sendTable(std::unique_ptr<TableRows> rows);

signals:
    // A reply that waited for room on the line was handed on whole, or given
    // up.
    void finished();

private:
    void continueReply();

    ManageSerialPort *port = nullptr;
    // While a reply is handed to the line's queue: a table's rows not yet
    // read (none once all are, or for any other reply), and the bytes that
    // the queue has not taken yet.
    bool replying = false;
    std::unique_ptr<TableRows> rows;
    QByteArray reply;
};
