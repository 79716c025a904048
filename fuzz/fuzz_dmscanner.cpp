// DataMatrix scanner frames: the bytes fed to the scanner's reader in small
// chunks, as the serial port delivers them.
#include <QString>

#include <cstddef>
#include <cstdint>

#include "dnc/DmFrameReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DmFrameReader reader;
    QString code;
    const char *p = reinterpret_cast<const char *>(data);
    for (size_t at = 0; at < size; at += 7)
        reader.append(QByteArray(p + at, int(size - at < 7 ? size - at : 7)), code);
    return 0;
}
