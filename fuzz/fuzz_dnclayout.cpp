// DNC layout files: the reader with the Sql checks of tool mode, and the
// value texts, their reading back and the checks of the fields it accepted.
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

#include "dnc/DncLayout.h"
#include "dnc/DncValues.h"
#include "support/FuzzEnv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzEnv::init();
    static QTemporaryDir dir;
    static int n = 0;
    // A new name each time: no input reads another's file.
    const QString path = dir.filePath(QStringLiteral("layout%1.dnc").arg(++n));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    for (bool toolMode : {false, true}) {
        DncLayout layout;
        layout.read(path, toolMode, {QStringLiteral("idTool"), QStringLiteral("dncNum0")});
        for (DatiDnc &f : layout.fields) {
            f.value = f.DefaultValue;
            DncValues::textValue(f, DncValues::format(f, f.value, true));
            DncValues::check(f, true);
        }
    }
    QFile::remove(path);
    return 0;
}
