#include "rfid/BalluffTelegram.h"

#include <QCoreApplication>

namespace BalluffTelegram {

char bcc(const QByteArray &bytes)
{
    char x = 0;
    for (char c : bytes)
        x ^= c;
    return x;
}

QByteArray digits(int address, int count, int head, int flag)
{
    return QString::asprintf("%04d%04d%01d%01d", qBound(0, address, 9999), qBound(0, count, 9999),
                             qBound(0, head, 9), qBound(0, flag, 9))
        .toLatin1();
}

QByteArray request(char letter, int address, int count, int head, int flag)
{
    QByteArray t = QByteArray(1, letter) + digits(address, count, head, flag);
    return t + bcc(t);
}

QByteArray presenceQuery()
{
    const QByteArray t("U");
    return t + bcc(t);
}

QByteArray dataBlock(const QByteArray &data)
{
    const QByteArray t = QByteArray(1, STX) + data;
    return t + bcc(t);
}

Answer requestAnswer(const QByteArray &received, char *code)
{
    if (received.size() < 2)
        return Incomplete;
    if (received[0] == ACK && received[1] == '0')
        return Acknowledged;
    if (received[0] == NAK) {
        if (code)
            *code = received[1];
        return Refused;
    }
    return Other;
}

Answer readReply(const QByteArray &received, int count, QByteArray *data)
{
    const int n = received.size();
    if (n <= count || n < 1)
        return Incomplete;
    if (bcc(received.left(n - 1)) != received[n - 1])
        return Refused;
    if (data)
        *data = received.left(n - 1);
    return Acknowledged;
}

int presenceAnswer(const QByteArray &received)
{
    if (received.size() < 2)
        return 0;
    return received[0] == '0' ? 1 : 2;
}

QString errorText(char code, const QString &portName, bool *known)
{
    auto tr = [](const char *t) { return QCoreApplication::translate("QBalluff", t); };
    bool k = true;
    QString text;
    switch (code) {
    case '1': text = tr("No data carrier present"); break;
    case '2': text = tr("Read error"); break;
    case '3': text = tr("Read aborted, data carrier removed"); break;
    case '4': text = tr("Write error"); break;
    case '5': text = tr("No data carrier present"); break;
    case '6': text = tr("interface error"); break;
    case '7': text = tr("Telegram format error"); break;
    case '8': text = tr("BCC error, transmitted bcc is wrong"); break;
    case '9': text = tr("Cable break from R/W head or not connected"); break;
    case 'A': text = tr("Read command already in process"); break;
    case 'B': text = tr("Write command already in process"); break;
    case 'C': text = tr("Head select already in process"); break;
    case 'E': text = tr("CRC error, CRC on data carrier is wrong"); break;
    case 'I': text = tr("EEPROM error"); break;
    case 'O': text = tr("Unable to open") + " " + portName; break;
    case 'X': text = tr("Unable to open serial port"); break;
    case 'Y': text = tr("BCC error, received bcc is wrong"); break;
    case 'Z': text = tr("Operation aborted by user"); break;
    default: k = false; break;
    }
    if (known)
        *known = k;
    return text;
}

} // namespace BalluffTelegram
