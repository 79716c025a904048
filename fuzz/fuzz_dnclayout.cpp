// DNC layout files: the reader with the Sql checks of tool mode, and the
// value texts of the fields it accepted.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QFile>

#include <cstddef>
#include <cstdint>

#include "dnc/DncLayout.h"
#include "dnc/DncValues.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_dnclayout";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("layout.dnc"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    for (bool toolMode : {false, true}) {
        DncLayout layout;
        layout.read(path, toolMode, {QStringLiteral("idTool"), QStringLiteral("dncNum0")});
        for (DatiDnc &f : layout.fields) {
            f.value = f.DefaultValue;
            DncValues::format(f, f.value, true, true);
            DncValues::check(f, true);
        }
    }
    return 0;
}
