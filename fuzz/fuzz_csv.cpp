// CSV files: each preprocessor's rewrite of the decoded text, then the row
// cutter, with the description's default separators.
#include <QString>

#include <cstddef>
#include <cstdint>

#include "exchange/CSV.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), int(size));
    for (const char *name : {"", "nedschroef", "mikron"}) {
        CSV csv;
        csv.setLineSeparator(QStringLiteral("\r\n"));
        csv.setPreprocessor(QString::fromLatin1(name));
        QString rewritten = text;
        QList<QStringList> rows;
        if (csv.preprocessor(rewritten))
            csv.readCsv(rows, rewritten);
    }
    return 0;
}
