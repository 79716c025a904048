#include "support/HoldProbe.h"

#include <algorithm>

namespace {
const int kIntervalMs = 10;
}

HoldProbe::HoldProbe(QObject *parent) : QObject(parent)
{
    timer.setInterval(kIntervalMs);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, [this] { longest = std::max(longest, sinceTick.restart() - kIntervalMs); });
}

void HoldProbe::start()
{
    longest = 0;
    sinceTick.start();
    timer.start();
}

qint64 HoldProbe::longestMs() const
{
    return std::max(longest, sinceTick.isValid() ? sinceTick.elapsed() - kIntervalMs : 0);
}
