#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QPair>
#include <QString>

// The DNC exchange with the CNC-side server, as bytes: the server address,
// the frames (STX payload ETX) of the JSON and plain-text dialects, and the
// receive buffer that finds the server's replies in what arrives.
namespace DncProtocol {

const char STX = 0x02;
const char ETX = 0x03;
// A receive buffer that grows past this without a complete reply is dropped.
const int kMaxBuffer = 1 << 20;

enum PayloadType { SetValues = 0, GetValues = 1 };

// "host:port" with exactly one colon and a port 1..65535; the host is taken
// as written (it may be empty).
bool parseSocket(const QString &text, QString &host, quint16 &port);

// The plain-text dialect is used for the layout "okuma.dnc" on a machine
// without DataMatrix tool identification.
bool isPlainText(const QString &dncFormat, bool toolId);

// One JSON object on one line: keys in ascending UTF-16 order, ": " after
// each key, "," between members, every value a string; the short escapes for
// \b \t \n \f \r " and \\, \u00xx for every other control character.
QString jsonObjectText(const QList<QPair<QString, QString>> &members);
// STX {"<SetValues|GetValues>": {DataMatrixCode, Machine[, values]}} ETX.
// values: (DncLabel, value text) in layout order; a later one replaces an
// earlier one with the same key (DataMatrixCode and Machine too).
QString jsonFrame(PayloadType type, const QString &code, const QString &machine,
                  const QList<QPair<QString, QString>> &values);
// STX "<label><value> " for each item ETX.
QString plainFrame(const QList<QPair<QString, QString>> &values);
// A value the plain-text dialect can carry: no control characters (they
// would break the line or end the frame) and no blank (it separates items).
bool plainTextCarries(const QString &value);

enum PlainReply { NoReply, Ack, Busy, Error };

// Bytes from the server, kept until a reply is complete.
class ReplyBuffer
{
public:
    void clear() { m_bytes.clear(); }
    // Appends; a buffer past kMaxBuffer is dropped (false).
    bool append(const QByteArray &bytes);
    int size() const { return m_bytes.size(); }

    enum JsonResult { Waiting, Document, Dropped };
    // The first STX ... ETX frame: Document (doc not null) or Dropped (it did
    // not parse), the buffer emptied either way with the bytes after the
    // frame, or with keepRest only up to its ETX; Waiting: no complete frame
    // yet.
    JsonResult takeJson(QJsonDocument &doc, bool keepRest = false);
    // takeJson would give a Document now; the buffer is left as it is.
    bool hasDocument() const;
    // STX ACK ETX, then BUSY, then ERROR, anywhere in the buffer, in that
    // order of tests.
    PlainReply findPlain() const;

private:
    QByteArray m_bytes;
};

}
