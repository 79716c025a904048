// Position-line formats from the settings file: the check, and the line
// formatted with whatever the check let through.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "axis/PositionFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString format = QString::fromLatin1(reinterpret_cast<const char *>(data), int(size));
    PositionFormat::format(format, -12.5, 1e300, "A", "I", "M", "R", "LATHE1");
    return 0;
}
