#include "axis/AbstractSerialPort.h"

#include <unistd.h>

namespace {
const uint kRates[] = {50,    75,    110,   134,   150,    200,    300,   600,
                       1200,  1800,  2400,  4800,  9600,   14400,  19200, 38400,
                       56000, 57600, 76800, 115200, 128000, 256000};
const int kRateCount = int(sizeof(kRates) / sizeof(kRates[0]));
}

uint baudRateValue(BaudRateType rate)
{
    const int i = int(rate);
    return i >= 0 && i < kRateCount ? kRates[i] : 0;
}

bool baudRateFromValue(uint bitsPerSecond, BaudRateType *rate)
{
    for (int i = 0; i < kRateCount; ++i) {
        if (kRates[i] == bitsPerSecond) {
            *rate = BaudRateType(i);
            return true;
        }
    }
    return false;
}

void AbstractSerialPort::waitForInput(unsigned long microseconds)
{
    ::usleep(useconds_t(microseconds));
}
