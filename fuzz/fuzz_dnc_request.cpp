// Requests of a CNC or host computer on the serial DNC line: cut into
// requests by the framer, which must give the same requests however the
// bytes are chunked; then answered by the service from a database in memory
// (the letters and their payloads: machine names, "machine/table", tooling
// table imports, settings files).
//
// Input: one byte of flags, one byte of chunk size, then the bytes as the
// serial line delivers them in chunks of that size.
#include "support/FuzzEnv.h"

#include "tooling/DncRequestFramer.h"
#include "tooling/DncSerialService.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QMetaObject>
#include <QSettings>
#include <QSqlQuery>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {
// Machines LATHE1 and *FACTORY ZERO*, table LATHE1/SET1 with two tools; the
// same ids every time.
void seed()
{
    QSqlQuery q;
    for (const char *sql : {"DELETE FROM tools", "DELETE FROM toolingTables", "DELETE FROM machine",
                            "INSERT INTO machine (idMachine, name) VALUES (1, 'LATHE1')",
                            "INSERT INTO machine (idMachine, name) VALUES (2, '*FACTORY ZERO*')",
                            "INSERT INTO toolingTables (idTable, idMachine, name) VALUES (1, 1, 'SET1')",
                            "INSERT INTO tools (idTable, t, x, z, angle, cr, code) VALUES (1, 1, 12.5, 100, 0, 0.4, 'T1')",
                            "INSERT INTO tools (idTable, t, x, z, code) VALUES (1, 2, 3, 4, 'T2')"})
        q.exec(QString::fromLatin1(sql));
}

DncSerialService *service()
{
    static std::unique_ptr<DncSerialService> instance;
    if (!instance) {
        FuzzEnv::init();
        QSettings &settings = App::kovraSettings();
        settings.setValue("/Database/Name", ":memory:");
        // No host behind the line: replies go nowhere.
        settings.setValue("/TTY/DncPort", FuzzEnv::workPath() + "/no-host");
        settings.sync();
        if (!openDatabase())
            std::abort();
        // A board that confirms X 12.5, Z 100, or none, by turns.
        instance = std::make_unique<DncSerialService>([](double &x, double &z) {
            static bool confirmed = false;
            confirmed = !confirmed;
            x = 12.5;
            z = 100;
            return confirmed;
        });
    }
    return instance.get();
}

// The requests of the bytes in chunks of that size, each taken after its
// chunk as the service takes them, or all once every chunk came.
QByteArrayList frame(char trigger, const QByteArray &bytes, int chunk, bool takeAfterEach)
{
    DncRequestFramer framer(trigger);
    QByteArrayList out;
    const auto takeAll = [&] {
        while (framer.hasRequest()) {
            const DncRequestFramer::Request r = framer.takeRequest();
            out << QByteArray::number(int(r.kind)) + ':' + r.bytes;
        }
    };
    for (int at = 0; at < bytes.size(); at += chunk) {
        framer.append(bytes.mid(at, chunk));
        if (takeAfterEach)
            takeAll();
    }
    takeAll();
    // Once every request is taken nothing waits uncut.
    if (framer.isFull())
        std::abort();
    return out;
}

void feed(DncSerialService *l, const QByteArray &chunk)
{
    QMetaObject::invokeMethod(l, "slot_DncRequest", Qt::DirectConnection, Q_ARG(QByteArray, chunk));
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    DncSerialService *l = service();
    const uint8_t flags = data[0];
    const int chunk = data[1] ? data[1] : 256;
    seed();
    enableToolingup = !(flags & 0x01);
    CurrentMachine = s_machine();
    CurrentMachine.name = "LATHE1";
    CurrentMachine.IsMM = !(flags & 0x02);
    CurrentMachine.isRadius = !(flags & 0x04);
    CurrentMachine.xIncr = flags & 0x08;

    const QByteArray bytes(reinterpret_cast<const char *>(data) + 2, int(size - 2));
    const char trigger = (flags & 0x10) ? 0x02 : 0;
    const QByteArrayList requests = frame(trigger, bytes, chunk, true);
    if (frame(trigger, bytes, 1, true) != requests || frame(trigger, bytes, qMax(1, bytes.size()), true) != requests
        || frame(trigger, bytes, chunk, false) != requests)
        std::abort();

    for (int at = 0; at < bytes.size(); at += chunk)
        feed(l, bytes.mid(at, chunk));
    // A table's reply is built a step per turn of the event loop.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    // Three line ends always complete a request: the next input starts
    // with an empty buffer.
    feed(l, "\r\r\r");
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    return 0;
}
