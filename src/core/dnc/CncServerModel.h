#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// The CNC side of the DNC exchange as its stand-ins (the test server and
// cnc-sim) play it: frames in, replies out. GetValues is answered from a
// table of tools by DataMatrix code, SetValues is kept in that table and
// acknowledged, a plain-text line is acknowledged with ACK; the server can
// also be told to answer busy, with an error, or not at all.
class CncServerModel
{
public:
    enum Mode { Answer, Busy, Failing, Silent };

    Mode mode = Answer;
    // ERROR text of a failing JSON reply.
    QString errorText = QStringLiteral("E12");
    // DataMatrix code -> (DNC label -> value).
    QMap<QString, QMap<QString, QString>> tools;
    // Payloads of every frame received, in order.
    QList<QByteArray> frames;

    // Takes the complete frames out of what arrived (bytes outside frames are
    // dropped, a started frame waits) and returns the replies to send.
    QByteArray receive(const QByteArray &bytes);
    // The reply to one frame's payload (empty: no reply).
    QByteArray reply(const QByteArray &payload);

    static QByteArray frame(const QByteArray &payload);

private:
    QByteArray m_pending;
};
