#include "rfid/BalluffHeadModel.h"

#include "rfid/BalluffTelegram.h"

using namespace BalluffTelegram;

namespace {
QByteArray ack()
{
    return QByteArray(1, ACK) + '0';
}
QByteArray nak(char code)
{
    return QByteArray(1, NAK) + code;
}
} // namespace

QByteArray BalluffHeadModel::answerRequest(const QByteArray &t)
{
    telegrams.append(t);
    if (bcc(t.left(11)) != t[11])
        return nak('8');
    bool okA = false, okC = false;
    const int address = t.mid(1, 4).toInt(&okA);
    const int count = t.mid(5, 4).toInt(&okC);
    if (!okA || !okC)
        return nak('7');
    if (!nakCodes.isEmpty())
        return nak(nakCodes.takeFirst());
    if (!tagPresent)
        return nak('1');
    lastAddress = address;
    lastCount = count;
    phase = t[0] == 'L' ? ReadAcked : WriteAcked;
    return ack();
}

QByteArray BalluffHeadModel::take(const QByteArray &bytes)
{
    pending += bytes;
    QByteArray out;
    for (;;) {
        if (pending.isEmpty())
            break;
        if (phase == ReadAcked) {
            // The read start is STX alone.
            const char c = pending[0];
            pending.remove(0, 1);
            if (c != STX)
                continue;
            telegrams.append(QByteArray(1, STX));
            phase = Idle;
            QByteArray data = readPrefix + tag.mid(lastAddress, lastCount);
            data.append(QByteArray(readPrefix.size() + lastCount - data.size(), '\0'));
            char check = bcc(data);
            if (badReadBcc)
                check ^= 0x5A;
            out += data + check;
            continue;
        }
        if (phase == WriteAcked) {
            if (pending[0] != STX) {
                pending.remove(0, 1);
                continue;
            }
            if (pending.size() < lastCount + 2)
                break;
            const QByteArray block = pending.left(lastCount + 2);
            pending.remove(0, lastCount + 2);
            telegrams.append(block);
            phase = Idle;
            if (bcc(block.left(lastCount + 1)) != block[lastCount + 1]) {
                out += nak('8');
            } else if (nakAfterData) {
                out += nak(nakAfterData);
            } else if (lastAddress + lastCount > tag.size()) {
                out += nak('4');
            } else {
                tag.replace(lastAddress, lastCount, block.mid(1, lastCount));
                ++writes;
                out += ack();
            }
            continue;
        }
        const char c = pending[0];
        if (c == 'L' || c == 'P') {
            if (pending.size() < 12)
                break;
            const QByteArray t = pending.left(12);
            pending.remove(0, 12);
            out += answerRequest(t);
        } else if (c == 'U') {
            if (pending.size() < 2)
                break;
            telegrams.append(pending.left(2));
            pending.remove(0, 2);
            // "0" and one more byte: a tag is there; anything else: none.
            out += tagPresent ? QByteArray("00") : nak('1');
        } else {
            pending.remove(0, 1);
        }
    }
    return out;
}
