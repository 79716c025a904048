// CSV import: an import description (the bytes up to the first NUL) and a
// CSV file read under it (the bytes after), then the statements built.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

#include "exchange/io_CSV_T8AM.h"

namespace {
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_csv_import";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    const int cut = input.indexOf('\0');
    const QString cfg = dir.filePath(QStringLiteral("csv-import.cfg"));
    const QString csv = dir.filePath(QStringLiteral("data.csv"));
    if (!writeFile(cfg, cut < 0 ? input : input.left(cut)) || !writeFile(csv, cut < 0 ? QByteArray() : input.mid(cut + 1)))
        return 0;
    io_CSV_T8AM io;
    QString error;
    if (io.setFormat(cfg, error) && io.setDataByFile(csv)) {
        io.createImportQuery(QStringLiteral("tools"));
        io.io_CSV::createImportQuery(QStringLiteral("tools"));
    }
    return 0;
}
