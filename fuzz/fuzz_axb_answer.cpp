// Bytes from the axis board: the receive assembly (version text, machine
// type, position line up to CR) and the position line parsing, with the
// readouts computed from what was parsed.
//
// Input: one byte of machine flags, one byte of machine references, one byte
// of chunk size, then the bytes as the serial line delivers them in chunks of
// that size.
#include "support/FuzzEnv.h"

#include "axis/cAxisInterface.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"

#include <QMetaObject>
#include <QSettings>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {
cAxisInterface *link()
{
    static std::unique_ptr<cAxisInterface> instance;
    if (!instance) {
        FuzzEnv::init();
        // No board behind it: frames to the board go nowhere.
        App::kovraSettings().setValue("/TTY/AxbPort", FuzzEnv::workPath() + "/no-board");
        instance = std::make_unique<cAxisInterface>(nullptr, nullptr);
    }
    return instance.get();
}

void feed(cAxisInterface *l, const QByteArray &chunk)
{
    QMetaObject::invokeMethod(l, "slot_newDataReceived", Qt::DirectConnection, Q_ARG(QByteArray, chunk));
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    cAxisInterface *l = link();
    const uint8_t flags = data[0];
    const uint8_t refs = data[1];
    const int chunk = data[2] ? data[2] : 256;
    MachineSettings.hasCAxis = flags & 0x01;
    MachineSettings.isPivra = flags & 0x02;
    MachineSettings.type = (flags & 0x04) ? 3 : 1;
    MachineSettings.pulseRevC = (flags & 0x08) ? 3600 : 0;
    CurrentMachine = s_machine();
    CurrentMachine.swapXZ = flags & 0x10;
    CurrentMachine.reverseX = CurrentMachine.reverseZ = flags & 0x20;
    CurrentMachine.isRadius = flags & 0x40;
    CurrentMachine.IsMM = flags & 0x80;
    // Plain references, or ones near the ends of the int range.
    const int scale = (refs & 0x80) ? 10000 : 1;
    CurrentMachine.sysXref = (refs & 0x01) ? 2000 * scale : 0;
    CurrentMachine.sysZref = (refs & 0x02) ? -2000 * scale : 0;
    CurrentMachine.Xref = RefLength::ofMicrometres((refs & 0x04) ? 50000 * scale : 0);
    CurrentMachine.Zref = RefLength::ofMicrometres((refs & 0x08) ? -50000 * scale : 0);
    CurrentMachine.xIncr = refs & 0x10;
    CurrentMachine.zIncr = refs & 0x20;
    CurrentMachine.xIncrZero = (refs & 0x40) ? -2000000000 : 123456;
    CurrentMachine.zIncrZero = (refs & 0x40) ? 2000000000 : -123456;

    const QByteArray bytes(reinterpret_cast<const char *>(data) + 3, int(size - 3));
    for (int at = 0; at < bytes.size(); at += chunk)
        feed(l, bytes.mid(at, chunk));

    l->ReadXString();
    l->ReadZString();
    l->ReadCString();
    l->GetX_DXFref();
    l->GetZ_DXFref();
    l->SetIncrementalX(true, 1.5f);
    l->SetIncrementalZ(true, -2.5f);
    l->ReadX();
    l->ReadZ();

    // A line end after an X always empties the assembly: the next input
    // starts from nothing.
    feed(l, "X\r");
    return 0;
}
