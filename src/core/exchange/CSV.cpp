#include "exchange/CSV.h"

#include <QFile>
#include <QTextCodec>

namespace {
const QString crlf = QStringLiteral("\r\n");

// A single-precision number written with three decimals; no number reads as 0.
QString threeDecimals(const QString &text, float divisor)
{
    return QString::number(text.trimmed().toFloat() / divisor, 'f', 3);
}
}

CSV::CSV()
    : codec(QTextCodec::codecForLocale())
{
}

void CSV::setCodec(const char *name)
{
    if (QTextCodec *c = QTextCodec::codecForName(name))
        codec = c;
}

bool CSV::readCsvFile(QList<QStringList> &rows)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    device = &file;
    if (!device->isReadable()) {
        device = nullptr;
        return false;
    }
    QString text = codec->toUnicode(device->readAll());
    device = nullptr;
    if (!preprocessor(text))
        return false;
    return readCsv(rows, text);
}

bool CSV::preprocessor(QString &text)
{
    const QString name = preprocessorName.toLower();
    if (name.isEmpty())
        return true;
    if (name == QLatin1String("nedschroef")) {
        nedschroef(text);
        return true;
    }
    if (name == QLatin1String("mikron"))
        return mikron(text);
    return false;
}

bool CSV::readCsv(QList<QStringList> &rows, QString &text)
{
    rows.clear();
    lines.clear();
    // Without a line separator the whole text is one line.
    const QStringList texts = lineSeparator.isEmpty() ? QStringList{text}
                                                      : text.split(lineSeparator, Qt::KeepEmptyParts);
    for (int i = 0; i < texts.size(); ++i) {
        if (texts[i].isEmpty())
            continue;
        const QStringList fields = texts[i].split(fieldSeparator, Qt::KeepEmptyParts);
        for (const QString &f : fields) {
            if (!f.isEmpty()) {
                rows << fields;
                lines << i + 1;
                break;
            }
        }
    }
    return !rows.isEmpty();
}

// One tool per group of lines: "T<number>", "X<micrometres>", "Z<micrometres>".
void CSV::nedschroef(QString &text) const
{
    const QStringList lines = text.split(crlf, Qt::SkipEmptyParts);
    text.clear();
    for (const QString &line : lines) {
        if (line == QLatin1String("T"))
            break;
        const QChar first = line.at(0);
        if (first == QLatin1Char('X') || first == QLatin1Char('Z')) {
            text += threeDecimals(line.mid(1), 1000.0f) + fieldSeparator;
            if (first == QLatin1Char('Z'))
                text += lineSeparator;
        } else if (first == QLatin1Char('T')) {
            text += line.mid(1) + fieldSeparator;
        }
    }
}

// A "WA" record line (name, number, kind) and the following "SA" line
// (diameter, length) make one row.
bool CSV::mikron(QString &text) const
{
    const QStringList lines = text.split(crlf, Qt::SkipEmptyParts);
    text.clear();
    // Every marker must be found, in order; a position of a missing one means nothing.
    auto found = [](int pos, int shift) { return pos < 0 ? -1 : pos + shift; };
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("WA"))) {
            const int p1 = found(line.indexOf(QLatin1String("IB")), 3);
            const int p2 = p1 < 0 ? -1 : found(line.indexOf(QLatin1String("@ WT"), p1), 4);
            const int k1 = p2 < 0 ? -1 : line.indexOf(QLatin1String("@ K1"), p2);
            const int p3 = p2 < 0 ? -1 : found(line.indexOf(QLatin1String("@ K2"), p2), 4);
            const int e = p3 < 0 ? -1 : line.indexOf(QLatin1String("@ SE"), p3);
            if (!(p1 >= 0 && p1 < p2 && p2 < k1 && k1 < p3 && p3 < e))
                return false;
            const QString ib = line.mid(p1, p2 - 4 - p1).trimmed();
            const QString wt = line.mid(p2, k1 - p2).trimmed();
            const QString k2 = line.mid(p3, e - p3).trimmed();
            text += k2 + fieldSeparator + ib + fieldSeparator + wt + fieldSeparator;
        } else if (line.startsWith(QLatin1String("SA"))) {
            const int q1 = found(line.indexOf(QLatin1String("G1")), 3);
            const int q2 = q1 < 0 ? -1 : found(line.indexOf(QLatin1String("G2"), q1), 3);
            const int e = q2 < 0 ? -1 : line.indexOf(QLatin1String("SE"), q2);
            if (!(q1 >= 0 && q1 < q2 && q2 < e))
                return false;
            text += threeDecimals(line.mid(q1, q2 - 3 - q1), 2.0f) + fieldSeparator + line.mid(q2, e - q2).trimmed()
                    + lineSeparator;
        }
    }
    return true;
}
