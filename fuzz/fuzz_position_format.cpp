// A position-line format from the settings file: the check, and the
// formatting of a format that passes it.
//
// Input: X and Z as two 8-byte doubles (any bit pattern), then the format.
#include "axis/PositionFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 16)
        return 0;
    double x, z;
    std::memcpy(&x, data, 8);
    std::memcpy(&z, data + 8, 8);
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 16, int(size - 16));
    PositionFormat::isValid(bytes);
    // The link reads the format as text of the settings file.
    const QString format = QString::fromLatin1(bytes);
    PositionFormat::format(format, x, z, "A", "I", "M", "R ", "LATHE 1");
    return 0;
}
