#pragma once

#include <QByteArray>
#include <QString>

// The read/write head's telegrams, both directions, byte for byte: requests
// are ASCII with an XOR check byte (BCC) at their end; answers are ACK "0",
// NAK and a code, read data with its BCC, or a presence answer.
namespace BalluffTelegram {

const char STX = 0x02;
const char ACK = 0x06;
const char NAK = 0x15;

// XOR of every byte.
char bcc(const QByteArray &bytes);
// The ten digits "%04d%04d%01d%01d" of a read or write request. Values the
// digits cannot carry are the caller's fault; they are cut to fit.
QByteArray digits(int address, int count, int head, int flag);
// letter ("L" read, "P" write) + digits + BCC.
QByteArray request(char letter, int address, int count, int head, int flag);
// "U" + BCC.
QByteArray presenceQuery();
// STX + data + BCC.
QByteArray dataBlock(const QByteArray &data);

enum Answer { Incomplete, Acknowledged, Refused, Other };
// An answer to a request or a data block, once two bytes are there:
// ACK "0", NAK + code (code set), or anything else.
Answer requestAnswer(const QByteArray &received, char *code);
// A read reply of count data bytes and a BCC: Incomplete until more than
// count bytes are there; then Acknowledged with data = all bytes but the last
// when the last is the XOR of the others, else Refused (a wrong BCC).
Answer readReply(const QByteArray &received, int count, QByteArray *data);
// A presence answer: 0 not yet (fewer than two bytes), 1 tag present
// (first byte "0"), 2 no tag.
int presenceAnswer(const QByteArray &received);

// The text of an error code; known false (text empty) for a code with none.
QString errorText(char code, const QString &portName, bool *known);

} // namespace BalluffTelegram
