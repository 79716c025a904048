// Post-processor format files: the split into setup, header, body and footer
// and the setup keys, as read from "./postpro".
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

#include "exchange/ctarnengine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    cTarnEngine engine;
    QStringList header, body, footer;
    QString error;
    engine.CaricaRighe(text, &header, &body, &footer, &error);
    return 0;
}
