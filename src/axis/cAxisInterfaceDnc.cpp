// Serial DNC service of the axis link: requests of a CNC or host computer on
// the second serial line.
#include "axis/cAxisInterface.h"

#include "axis/DncData.h"
#include "axis/ManageSerialPort.h"
#include "axis/PositionFormat.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"

#include <QFile>
#include <QSettings>

namespace {
const char ACK = 0x06;
const char NAK = 0x15;
const char EOT = 0x04;
const char CR = 0x0D;
const char BUSY = '7';

const char *const settingsFile = "./T8A_M.cfg";

enum class Occasion { Request, Trigger };

QByteArray radiusMarker(Occasion occasion)
{
    if (CurrentMachine.isRadius)
        return occasion == Occasion::Request ? "R" : "R ";
    if (occasion == Occasion::Request || !CurrentMachine.IsMM)
        return "D";
    return "D ";
}

// Position line in the format of the machine's unit; x and z already in it.
QByteArray positionLine(const QString &fmtMM, const QString &fmtInch, double x, double z, Occasion occasion)
{
    const s_machine &m = CurrentMachine;
    return PositionFormat::format(m.IsMM ? fmtMM : fmtInch, x, z, m.xIncr ? "I" : "A", m.zIncr ? "I" : "A",
                                  m.IsMM ? "M" : "I", radiusMarker(occasion), m.name.toLatin1());
}

QByteArray fieldText(const QByteArray &bytes)
{
    return QByteArray(bytes.constData(), int(qstrnlen(bytes.constData(), uint(bytes.size()))));
}
}

void cAxisInterface::slot_DncRequest(QByteArray data)
{
    const auto position = [this](Occasion occasion) {
        return positionLine(fmtMM, fmtInch, sendTableMeasure ? 0.0 : double(ReadX()),
                            sendTableMeasure ? 0.0 : double(ReadZ()), occasion);
    };
    // Values the board no longer confirms are no position: the service is not
    // available until it answers again.
    const auto unconfirmed = [this] {
        return !sendTableMeasure && !confirmAnswering();
    };
    const QByteArray notAvailable = QByteArray(1, NAK) + BUSY;

    dncBuffer.append(data);
    if (charDnc == 0) {
        dncTimer.start();
    } else if (dncBuffer.contains(charDnc)) {
        QByteArray line = unconfirmed() ? notAvailable : position(Occasion::Trigger);
        dncPort->sendData(line);
        dncPort->resetBuffer();
        dncBuffer.clear();
        return;
    }

    if (!dncBuffer.contains(CR) || dncBuffer.size() < 3)
        return;
    dncTimer.stop();

    QByteArray reply;
    if (!enableToolingup) {
        dncBuffer.clear();
        reply = notAvailable;
        dncPort->sendData(reply);
        dncPort->resetBuffer();
        return;
    }

    const QByteArray request = dncBuffer;
    dncBuffer.clear();
    dncPort->resetBuffer();

    if (request.at(0) != '$') {
        reply = QByteArray(1, NAK);
        dncPort->sendData(reply);
        return;
    }
    const char letter = request.at(1);
    const QByteArray payload = request.mid(2, request.indexOf(CR) - 2);

    switch (letter) {
    case '?':
        reply = QByteArray(1, ACK);
        dncPort->sendData(reply);
        break;
    case 'D':
        reply = machineList() + EOT;
        dncPort->sendData(reply);
        break;
    case 'L':
        reply = setList() + EOT;
        dncPort->sendData(reply);
        break;
    case 'S':
        reply = setData(QString::fromLatin1(payload)) + EOT;
        dncPort->sendData(reply);
        break;
    case 'E': {
        // What the program changed in its settings belongs in the file sent.
        App::kovraSettings().sync();
        QFile file(QString::fromLatin1(settingsFile));
        if (!file.open(QIODevice::ReadOnly)) {
            reply = QByteArray(1, NAK);
        } else {
            reply = file.readAll();
            reply.replace(CR, QByteArray());
            reply += EOT;
        }
        dncPort->sendData(reply);
        break;
    }
    case 'N': {
        // The host's file replaces ours as a whole, or not at all: a file the
        // disk cut short is refused and the old one stays.
        if (!App::replaceKovraSettingsFile(payload)) {
            reply = QByteArray(1, NAK);
            dncPort->sendData(reply);
            break;
        }
        emit sigUpdateSettings();
        break;
    }
    case 'M': {
        const QString name = QString::fromLatin1(payload);
        if (machineExists(name)) {
            emit sigActivateMachine(name);
            reply = QByteArray(1, ACK);
        } else {
            reply = QByteArray(1, NAK);
        }
        dncPort->sendData(reply);
        break;
    }
    case 'I':
        if (importSet(payload)) {
            reply = QByteArray(1, ACK);
            dncPort->sendData(reply);
            const QList<QByteArray> fields = payload.split('@');
            emit sigToolsetImported(QStringLiteral("*DEFAULT MACHINE*"));
            emit sigToolsetImported(fields.size() < 2 ? QString() : QString::fromLatin1(fieldText(fields.at(1))));
        } else {
            reply = QByteArray(1, NAK);
            dncPort->sendData(reply);
        }
        break;
    case 'X':
        if (unconfirmed()) {
            reply = notAvailable;
            dncPort->sendData(reply);
            break;
        }
        reply = position(Occasion::Request);
        dncPort->sendData(reply);
        emit sigDncSerialActive();
        break;
    default:
        reply = QByteArray(1, NAK);
        dncPort->sendData(reply);
        break;
    }
}

void cAxisInterface::slotDncTimeout()
{
    dncTimer.stop();
    dncBuffer.clear();
    dncPort->resetBuffer();
    QByteArray reply(1, NAK);
    dncPort->sendData(reply);
}
