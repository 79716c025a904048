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
#include <QTemporaryFile>

#include <utility>

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

// Rows of a table's reply built between two turns of the event loop.
const int kRowsPerStep = 1000;

// A settings file the toolkit reads without a fault and finds keys in.
bool isIniText(const QByteArray &text)
{
    QTemporaryFile file;
    if (text.isEmpty() || !file.open() || file.write(text) != text.size() || !file.flush())
        return false;
    const QSettings ini(file.fileName(), QSettings::IniFormat);
    return ini.status() == QSettings::NoError && !ini.allKeys().isEmpty();
}
}

void cAxisInterface::slot_DncRequest(QByteArray data)
{
    if (dncRowsTable >= 0) {
        // The host waits for the reply being built; what it sends meanwhile
        // is taken after it. Past the bound nothing more is kept, so the
        // request taken then is too large and refused whole, never cut in its
        // middle.
        if (dncHeld.size() <= kMaxDncRequest)
            dncHeld += data;
        return;
    }
    const QByteArray notAvailable = QByteArray(1, NAK) + BUSY;
    if (charDnc == 0) {
        dncTimer.start();
    } else if (data.contains(charDnc)) {
        // Earlier bytes held no trigger: the buffer is emptied at each one.
        QByteArray line = dncPosition(true);
        dncPort->sendData(line);
        dncPort->resetBuffer();
        dncBuffer.clear();
        dncSkipping = false;
        return;
    }
    if (dncSkipping) {
        const int end = data.indexOf(CR);
        if (end < 0)
            return;
        dncSkipping = false;
        dncPort->resetBuffer();
        data.remove(0, end + 1);
        if (data.isEmpty()) {
            dncTimer.stop();
            return;
        }
    }

    // Only the new bytes are searched: earlier ones held no line end, or
    // too few bytes for a request.
    const int searchFrom = dncBuffer.size() < 3 ? 0 : dncBuffer.size();
    dncBuffer.append(data);
    const int end = dncBuffer.indexOf(CR, searchFrom);
    if ((end < 0 ? dncBuffer.size() : end) > kMaxDncRequest) {
        // Far larger than any request: dropped whole, up to its line end.
        dncSkipping = end < 0;
        dncBuffer.clear();
        dncPort->resetBuffer();
        if (dncSkipping && charDnc == 0)
            dncTimer.start();
        else
            dncTimer.stop();
        QByteArray reply(1, NAK);
        dncPort->sendData(reply);
        return;
    }
    if (end < 0 || dncBuffer.size() < 3)
        return;
    dncTimer.stop();

    if (!enableToolingup) {
        dncBuffer.clear();
        QByteArray reply = notAvailable;
        dncPort->sendData(reply);
        dncPort->resetBuffer();
        return;
    }

    const QByteArray request = dncBuffer;
    dncBuffer.clear();
    dncPort->resetBuffer();
    if (request.at(0) != '$') {
        QByteArray reply(1, NAK);
        dncPort->sendData(reply);
        return;
    }
    takeDncRequest(request);
}

void cAxisInterface::takeDncRequest(const QByteArray &request)
{
    const char letter = request.at(1);
    const QByteArray payload = request.mid(2, request.indexOf(CR) - 2);
    QByteArray reply;
    switch (letter) {
    case '?':
        reply = QByteArray(1, ACK);
        break;
    case 'D':
        reply = machineList() + EOT;
        break;
    case 'L':
        reply = setList() + EOT;
        break;
    case 'S':
        dncRowsTable = listedTable(payload);
        if (dncRowsTable < 0) {
            reply = QByteArray(1, EOT);
            break;
        }
        dncRowsAfter = 0;
        continueDncRows();
        return;
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
        break;
    }
    case 'N':
        // The host's file replaces ours as a whole, or not at all: an empty
        // text, one that is no settings file, or a file the disk cut short is
        // refused and the old one stays.
        if (!isIniText(payload) || !App::replaceKovraSettingsFile(payload)) {
            reply = QByteArray(1, NAK);
            break;
        }
        emit sigUpdateSettings();
        return;
    case 'M': {
        // A system row is not listed and cannot be made the current machine.
        const QString name = listedMachine(payload);
        if (name.isEmpty()) {
            reply = QByteArray(1, NAK);
            break;
        }
        emit sigActivateMachine(name);
        reply = QByteArray(1, ACK);
        break;
    }
    case 'I': {
        QString machine;
        if (!importSet(payload, &machine)) {
            reply = QByteArray(1, NAK);
            break;
        }
        reply = QByteArray(1, ACK);
        dncPort->sendData(reply);
        emit sigToolsetImported(QStringLiteral("*DEFAULT MACHINE*"));
        emit sigToolsetImported(machine);
        return;
    }
    case 'X':
        reply = dncPosition(false);
        dncPort->sendData(reply);
        if (reply.at(0) != NAK)
            emit sigDncSerialActive();
        return;
    default:
        reply = QByteArray(1, NAK);
        break;
    }
    dncPort->sendData(reply);
}

// The position line, or NAK and busy: values the board no longer confirms are
// no position, the service is not available until it answers again.
QByteArray cAxisInterface::dncPosition(bool trigger)
{
    if (!sendTableMeasure && !confirmAnswering())
        return QByteArray(1, NAK) + BUSY;
    return positionLine(fmtMM, fmtInch, sendTableMeasure ? 0.0 : double(ReadX()),
                        sendTableMeasure ? 0.0 : double(ReadZ()), trigger ? Occasion::Trigger : Occasion::Request);
}

// One step of a table's rows; the event loop has its turn before the next.
void cAxisInterface::continueDncRows()
{
    if (setDataRows(dncRowsTable, &dncRowsAfter, kRowsPerStep, dncRows) == kRowsPerStep) {
        QTimer::singleShot(0, this, &cAxisInterface::continueDncRows);
        return;
    }
    QByteArray reply = std::exchange(dncRows, QByteArray()) + EOT;
    dncRowsTable = -1;
    dncPort->sendData(reply);
    const QByteArray held = std::exchange(dncHeld, QByteArray());
    if (!held.isEmpty())
        slot_DncRequest(held);
}

void cAxisInterface::slotDncTimeout()
{
    dncTimer.stop();
    dncBuffer.clear();
    dncPort->resetBuffer();
    // A request dropped for its size was answered already.
    if (std::exchange(dncSkipping, false))
        return;
    QByteArray reply(1, NAK);
    dncPort->sendData(reply);
}
