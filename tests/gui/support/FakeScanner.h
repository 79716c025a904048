#pragma once

#include <QByteArray>
#include <functional>

#include "support/PtyPeer.h"

class cDnc;

// The DataMatrix hand scanner on a pseudo-terminal: its slave path goes into
// "/DataMatrix/Port"; codes go out as STX code ETX.
class FakeScanner : public PtyPeer
{
    Q_OBJECT
public:
    FakeScanner() : PtyPeer(Raw) {}

    bool scan(const QByteArray &code) { return write(frame(code)); }
    static QByteArray frame(const QByteArray &code);

    // Runs action once the panel's reading dialog is up, its scanner takes
    // bytes and ready() holds (polled from the event loop that runs the dialog).
    static void whenReading(cDnc *panel, std::function<void()> action, std::function<bool()> ready = {});
};
