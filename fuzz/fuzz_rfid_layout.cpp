// Tag layout files: the INI reader with every check of a layout, and the
// write counter stored into the file.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "rfid/BalluffLayout.h"
#include "shared/IniText.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static int n = 0;
    // A new name each time: no input reads another's file.
    const QString path = dir.filePath(QString("layout%1.ini").arg(++n));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    BalluffLayout layout;
    QStringList messages;
    layout.read(path, &messages);
    IniText::write(path, QStringLiteral("/SETTINGS/WriteCounter"), "1");
    QFile::remove(path);
    return 0;
}
