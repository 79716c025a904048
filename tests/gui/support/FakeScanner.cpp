#include "support/FakeScanner.h"

#include <QApplication>
#include <QTimer>

#include "dnc/DmFrameReader.h"
#include "dnc/cDnc.h"
#include "dnc/dmScanner.h"

QByteArray FakeScanner::frame(const QByteArray &code)
{
    return DmFrameReader::frame(code);
}

void FakeScanner::whenReading(cDnc *panel, std::function<void()> action, std::function<bool()> ready)
{
    QTimer *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, panel, action, ready] {
        if (!panel->currentScanner() || !panel->currentScanner()->isArmed() || !QApplication::activeModalWidget()
            || (ready && !ready()))
            return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start();
}
