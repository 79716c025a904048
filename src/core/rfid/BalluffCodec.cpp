#include "rfid/BalluffCodec.h"

#include "shared/ValueFormat.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("cBalluffUI", text);
}

bool isType(const DatiCampo &f, const char *name)
{
    return f.Type == QLatin1String(name);
}

int lowestBit(quint8 mask)
{
    int shift = 0;
    while (shift < 7 && !(mask & (1u << shift)))
        ++shift;
    return shift;
}

// The field's bytes, most significant first, padded with zeros to n.
QByteArray msbFirst(const QByteArray &bytes, int n, bool lsb)
{
    QByteArray b = bytes.left(n);
    b.append(QByteArray(n - b.size(), '\0'));
    if (lsb)
        std::reverse(b.begin(), b.end());
    return b;
}

quint64 unsignedValue(const QByteArray &msb)
{
    quint64 v = 0;
    for (char c : msb)
        v = (v << 8) | uchar(c);
    return v;
}

// Text up to the first zero byte.
QByteArray untilZero(const QByteArray &bytes)
{
    const int z = bytes.indexOf('\0');
    return z < 0 ? bytes : bytes.left(z);
}

// Rounds half to even and keeps the result within 64 bits (NaN gives 0).
qint64 roundEven(double x)
{
    if (std::isnan(x))
        return 0;
    const double r = std::nearbyint(x);
    if (r >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (r <= -9.2e18)
        return -std::numeric_limits<qint64>::max();
    return qint64(r);
}

qint64 truncated(double x)
{
    if (std::isnan(x))
        return 0;
    return roundEven(std::trunc(x));
}

void appendOrdered(QByteArray &image, quint64 v, int n, bool lsb)
{
    QByteArray b;
    for (int i = n - 1; i >= 0; --i)
        b.append(char((v >> (8 * i)) & 0xFF));
    if (lsb)
        std::reverse(b.begin(), b.end());
    image.append(b);
}

// A number text cut to length keeps its value when only zeros after the
// decimal point (or the point itself) fall away.
bool fitsCut(const QByteArray &text, int length)
{
    if (text.size() <= length)
        return true;
    const int dot = text.indexOf('.');
    if (dot < 0)
        return false;
    for (int i = length; i < text.size(); ++i)
        if (i < dot || (text[i] != '0' && text[i] != '.'))
            return false;
    return true;
}

// Pairs of characters from the start of text, read in base (an unreadable
// pair gives 0), in the order the field asks for.
QByteArray pairs(const QByteArray &text, int count, int base, bool lsb, bool asDecimalBcd)
{
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        const int v = text.mid(2 * i, 2).toInt(&ok, base);
        const int n = ok ? v : 0;
        out.append(char(asDecimalBcd ? BalluffCodec::UDECBCD(n) : (n & 0xFF)));
    }
    if (lsb)
        std::reverse(out.begin(), out.end());
    return out;
}

// How the decoder reads a UBIN or SBIN word: SBIN is signed at every length
// (a byte FF written for -1 reads -1); three- and four-byte words are signed
// for UBIN too, as tags written elsewhere carry negative offsets in them.
bool readsSigned(const DatiCampo &f, int n)
{
    return isType(f, "SBIN") || n >= 3;
}

// How the decoder reads the text of a FORMATNUM int field or bit group:
// through its pattern, as a display Format is read (0 when it is no number).
int formatNumInt(const DatiCampo &f, const QByteArray &text)
{
    double v = 0;
    return f.formatNumRule.readTyped(QString::fromLatin1(text).trimmed(), &v) ? int(v) : 0;
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

BalluffCodec::BalluffCodec(char bcdPlus, char bcdMinus, char bcdDot, int formatId)
    : bcdPlus(bcdPlus), bcdMinus(bcdMinus), bcdDot(bcdDot), formatId(formatId)
{
}

// ------------------------------------------------------------------ helpers

void BalluffCodec::Byte2(int *value, int *b1, int *b2, int mode, bool isSigned)
{
    if (mode == 1) {
        *b1 = (*value >> 8) & 0xFF;
        *b2 = *value & 0xFF;
    } else if (mode == 2) {
        *value = (*b1 % 256) * 256 + *b2;
        if (isSigned)
            *value = qint16(quint16(((*b1 & 0xFF) << 8) | (*b2 & 0xFF)));
    }
}

void BalluffCodec::Byte3(int *value, int *b1, int *b2, int *b3, int mode)
{
    if (mode == 1) {
        *b1 = (*value >> 16) & 0xFF;
        *b2 = (*value >> 8) & 0xFF;
        *b3 = *value & 0xFF;
    } else if (mode == 2) {
        int v = ((*b1 & 0xFF) << 16) | ((*b2 & 0xFF) << 8) | (*b3 & 0xFF);
        if (v & 0x800000)
            v -= 0x1000000;
        *value = v;
    }
}

int BalluffCodec::UDECBCD(int v)
{
    return ((v / 10) * 16 + v % 10) & 0xFF;
}

QByteArray BalluffCodec::UBCDDEC(int b)
{
    return QByteArray::number(((b >> 4) & 0x0F) * 10 + (b & 0x0F)).rightJustified(2, '0');
}

QByteArray BalluffCodec::HEX00(int v)
{
    return QByteArray::number(v & 0xFF, 16).toUpper().rightJustified(2, '0');
}

QByteArray BalluffCodec::removeChar(QByteArray a, QChar c)
{
    return a.replace(QByteArray(1, c.toLatin1()), QByteArray());
}

bool BalluffCodec::isNumeric(const QString &s)
{
    bool ok = false;
    s.toFloat(&ok);
    return ok;
}

bool BalluffCodec::takesNumber(const DatiCampo &f)
{
    static const QStringList numeric = {"UBIN",     "SBIN",     "MODSIGN",      "UBCD",     "BCD",
                                        "UNUMCHAR", "SNUMCHAR", "SNUMCHARDEC3", "FORMATNUM"};
    return f.BitMask == 0 && numeric.contains(f.Type);
}

bool BalluffCodec::isNumeric(const QVariant &v)
{
    return isNumeric(valueText(v));
}

QString BalluffCodec::valueText(const QVariant &v)
{
    if (v.type() == QVariant::ByteArray)
        return QString::fromLatin1(v.toByteArray());
    return v.toString();
}

namespace {
QByteArray strNumCharFull(double number, bool withSign, int decimals, const QString &separator,
                          int length)
{
    QByteArray text;
    const QByteArray flags = withSign ? "%+0" : "%0";
    if (decimals < 1) {
        const QByteArray fmt = flags + QByteArray::number(qMax(length, 0)) + "lld";
        text = QString::asprintf(fmt.constData(), truncated(number)).toLatin1();
    } else {
        const QByteArray fmt = flags + QByteArray::number(qMax(length, 0)) + '.'
                               + QByteArray::number(decimals) + 'f';
        text = QString::asprintf(fmt.constData(), number).toLatin1();
    }
    if (separator == QLatin1String("."))
        text.replace(',', '.');
    return text;
}
} // namespace

QByteArray BalluffCodec::StrNumChar(double number, bool withSign, int decimals, QString separator,
                                    int length)
{
    return strNumCharFull(number, withSign, decimals, separator, length).left(qMax(length, 0));
}

int BalluffCodec::toInt(double v)
{
    return ValueFormat::clampedInt(v);
}

qint64 BalluffCodec::toInt64(double v)
{
    return truncated(v);
}

float BalluffCodec::toFloat(double v)
{
    if (std::isnan(v) || std::isinf(v))
        return float(v);
    return float(qBound(-double(std::numeric_limits<float>::max()), v, double(std::numeric_limits<float>::max())));
}

bool BalluffCodec::fitsBytes(const DatiCampo &f, double *lo, double *hi)
{
    const int n = f.ByteLength;
    if (f.BitMask != 0)
        return true;
    const bool ieee = isType(f, "IEEE");
    const int div = f.Div == 0 ? 1 : f.Div;
    // The number the encoder scales: a value that is no number goes as 0
    // (IEEE takes whatever the value reads as).
    const double scaled = double(div) * (ieee || isNumeric(f.value) ? f.value.toDouble() : 0.0);
    // The word written, and the words the decoder gives back as written.
    double word = double(roundEven(scaled));
    double low = 0, high = 0;
    const double intMax = std::numeric_limits<int>::max();
    if ((isType(f, "UBIN") || isType(f, "SBIN")) && n >= 1 && n <= 4) {
        const int bits = 8 * n;
        low = readsSigned(f, n) ? -double(qint64(1) << (bits - 1)) : 0.0;
        high = double(readsSigned(f, n) ? (qint64(1) << (bits - 1)) - 1 : (qint64(1) << bits) - 1);
    } else if (isType(f, "MODSIGN") && n >= 1 && n <= 4) {
        // The top bit is the sign.
        high = double((qint64(1) << (8 * n - 1)) - 1);
        low = -high;
    } else if (isType(f, "UBCD") && n >= 1 && n <= 5) {
        // Two digits a byte; the decoder reads ten digits beyond the int range as 0.
        high = std::min(std::pow(10.0, 2 * n) - 1, intMax);
    } else if (isType(f, "BCD") && n >= 1 && n <= 5) {
        // A negative word gives one digit to its sign letter.
        word = double(truncated(scaled));
        low = 1 - std::pow(10.0, 2 * n - 1);
        high = std::min(std::pow(10.0, 2 * n) - 1, intMax);
    } else if (isType(f, "FORMATNUM") && f.isInt() && f.formatNumRule.isValid()) {
        // An unsigned or hexadecimal pattern prints a negative word as a
        // number beyond the int range, which the decoder reads as 0.
        const QByteArray minusOne = f.formatNumRule.print(-1).toLatin1();
        low = formatNumInt(f, minusOne) == -1 ? -intMax - 1 : 0;
        high = intMax;
    } else if (ieee) {
        // Infinities and NaN go as they are; a finite number beyond single
        // precision would be cut to its largest value.
        if (!std::isfinite(scaled))
            return true;
        word = scaled;
        high = double(std::numeric_limits<float>::max());
        low = -high;
    } else {
        return true;
    }
    if (std::isfinite(scaled) && word >= low && word <= high)
        return true;
    if (lo)
        *lo = std::min(low / div, high / div);
    if (hi)
        *hi = std::max(low / div, high / div);
    return false;
}

int BalluffCodec::heldDecimals(const DatiCampo &f)
{
    if (f.BitMask != 0)
        return 0;
    // Every value of d decimals is an integer times Div only when 10^d divides it.
    int k = 0;
    for (qint64 div = f.Div == 0 ? 1 : std::llabs(qint64(f.Div)); div % 10 == 0; div /= 10)
        ++k;
    const int n = f.ByteLength;
    if (isType(f, "UBIN") || isType(f, "SBIN") || isType(f, "MODSIGN") || isType(f, "UNUMCHAR")
        || isType(f, "SNUMCHAR"))
        return k;
    if (isType(f, "SNUMCHARDEC3"))
        return 3 + k;
    // Four and five packed bytes carry a fraction with three decimals.
    if (isType(f, "UBCD"))
        return n >= 4 ? 3 + k : k;
    if (isType(f, "BCD"))
        return (n <= 1 ? 0 : n == 2 ? 1 : 3) + k;
    if (isType(f, "FORMATNUM") && f.kind == FieldValues::Kind::Float && f.formatNumRule.isValid()) {
        const QChar c = f.formatNumRule.conversion;
        if (c != QLatin1Char('f') && c != QLatin1Char('F'))
            return -1;
        return (f.formatNumRule.precision < 0 ? 6 : f.formatNumRule.precision) + k;
    }
    return -1;
}

int BalluffCodec::writeAddress(const QList<DatiCampo> &fields)
{
    return fields.isEmpty() ? 0 : qMax(0, fields.first().Address);
}

QByteArray BalluffCodec::writeBytes(const QByteArray &image, const QList<DatiCampo> &fields)
{
    return image.mid(writeAddress(fields));
}

// ------------------------------------------------------------------ decoding

void BalluffCodec::decode(const QByteArray &image, QList<DatiCampo> &fields) const
{
    for (DatiCampo &f : fields) {
        const QByteArray b = image.mid(f.Address, f.ByteLength);
        const int n = f.ByteLength;
        const bool lsb = f.FirstByte == QLatin1String("LSB");
        const int div = f.Div == 0 ? 1 : f.Div;

        if (f.BitMask != 0) {
            qint64 v = 0;
            if (isType(f, "FORMATNUM"))
                v = formatNumInt(f, untilZero(b));
            else
                v = b.isEmpty() ? 0 : uchar(b[0]);
            f.value = int((v & f.BitMask) >> lowestBit(f.BitMask));
            continue;
        }

        if (isType(f, "UBIN") || isType(f, "SBIN")) {
            if (n < 1 || n > 4)
                continue;
            const quint64 u = unsignedValue(msbFirst(b, n, lsb));
            qint64 v = qint64(u);
            if (readsSigned(f, n) && (u & (quint64(1) << (8 * n - 1))))
                v = qint64(u) - (qint64(1) << (8 * n));
            f.value = double(v) / div;
        } else if (isType(f, "MODSIGN")) {
            if (n < 1 || n > 4)
                continue;
            const quint64 u = unsignedValue(msbFirst(b, n, lsb));
            const quint64 signBit = quint64(1) << (8 * n - 1);
            const double magnitude = double(u & (signBit - 1));
            f.value = ((u & signBit) ? -magnitude : magnitude) / div;
        } else if (isType(f, "UBCD")) {
            if (n < 1 || n > 5)
                continue;
            const QByteArray msb = msbFirst(b, n, lsb);
            // The writer marks a decimal point with the BCDdot nibble.
            const int dot = hexDigitValue(bcdDot);
            bool hasDot = false;
            for (char c : msb)
                if (dot > 9 && (((uchar(c) >> 4) == dot) || ((uchar(c) & 0x0F) == dot)))
                    hasDot = true;
            QByteArray digits;
            bool valid = true;
            for (char c : msb) {
                if (!hasDot) {
                    digits += UBCDDEC(uchar(c));
                    continue;
                }
                for (int nib : {uchar(c) >> 4, uchar(c) & 0x0F}) {
                    if (nib == dot)
                        digits += '.';
                    else if (nib <= 9)
                        digits += char('0' + nib);
                    else
                        valid = false;
                }
            }
            double number = 0;
            if (hasDot) {
                bool ok = false;
                number = digits.toDouble(&ok);
                if (!ok || !valid)
                    number = 0;
            } else {
                bool ok = false;
                const qint64 v = digits.toLongLong(&ok);
                number = (ok && v <= std::numeric_limits<int>::max()) ? double(v) : 0;
            }
            f.value = number / div;
        } else if (isType(f, "BCD")) {
            if (n < 1 || n > 5) {
                f.value = 0;
                continue;
            }
            QByteArray text;
            for (char c : msbFirst(b, n, lsb))
                text += HEX00(uchar(c));
            text.replace(bcdDot, '.');
            if (!text.isEmpty() && text[0] == bcdPlus)
                text.replace(bcdPlus, '+');
            else if (!text.isEmpty() && text[0] == bcdMinus)
                text.replace(bcdMinus, '-');
            // Written as value x Div, so read back divided by it.
            if (text.contains('.')) {
                f.value = text.toDouble() / div;
            } else {
                const int v = text.toInt();
                if (div == 1)
                    f.value = v;
                else
                    f.value = double(v) / div;
            }
        } else if (isType(f, "CHAR")) {
            f.value = b;
            if (f.Max != 0) {
                const QString t = QString::fromLatin1(untilZero(b));
                const int max = toInt(f.Max);
                if (t.size() > max)
                    f.value = t.left(max);
            }
        } else if (isType(f, "CHARSPACE")) {
            f.value = QString::fromLatin1(untilZero(b)).trimmed();
        } else if (isType(f, "UNUMCHAR") || isType(f, "SNUMCHAR") || isType(f, "SNUMCHARDEC3")) {
            const QByteArray t = untilZero(removeChar(b, QLatin1Char(' ')));
            bool ok = false;
            double v = t.toDouble(&ok);
            if (!ok)
                v = 0;
            f.value = v / div;
        } else if (isType(f, "FORMATNUM")) {
            const QByteArray t = untilZero(b);
            if (f.kind == FieldValues::Kind::Float) {
                // In double, as the text types: a number another writer put
                // on the tag goes back with the digits it had.
                bool ok = false;
                double v = t.toDouble(&ok);
                if (!ok)
                    v = 0;
                f.value = v / div;
            } else if (f.isInt()) {
                f.value = int(qint64(formatNumInt(f, t)) / div);
            }
        } else if (isType(f, "IEEE")) {
            const quint32 u = quint32(unsignedValue(msbFirst(b, 4, lsb)));
            float x;
            std::memcpy(&x, &u, sizeof x);
            f.value = toFloat(double(x) / div);
        } else if (isType(f, "TIMESTAMP") || isType(f, "COUNTER")) {
            // Written unscaled, so read unscaled.
            const qint32 v = qint32(quint32(unsignedValue(msbFirst(b, 4, lsb))));
            f.value = double(v);
        } else if (isType(f, "FORMATID")) {
            f.value = double(b.isEmpty() ? 0 : qint8(b[0]));
        }
    }
}

// ------------------------------------------------------------------ encoding

bool BalluffCodec::encode(QList<DatiCampo> &fields, const QByteArray &tagBytes, QByteArray *image,
                          QString *error) const
{
    QByteArray out;
    int runByte = 0;
    for (int i = 0; i < fields.size(); ++i) {
        DatiCampo &f = fields[i];
        const int gap = f.Address - out.size();
        QString message;
        if (gap > 0)
            out.append(QByteArray(gap, '\0'));
        else if (gap < 0)
            message = tr("Address error");

        if (message.isEmpty() && f.BitMask != 0) {
            const int shift = lowestBit(f.BitMask);
            runByte |= (f.value.toInt() & (f.BitMask >> shift)) << shift;
            const bool goesOn = i + 1 < fields.size() && fields[i + 1].Address == f.Address
                                && fields[i + 1].BitMask != 0;
            if (!goesOn) {
                if (isType(f, "FORMATNUM")) {
                    QByteArray text;
                    if (f.formatNumRule.isValid())
                        text = f.formatNumRule.print(runByte).toLatin1();
                    if (text.size() != f.ByteLength || text.isEmpty())
                        message = tr("Invalid formatnum");
                    else
                        out.append(text);
                } else {
                    out.append(char(runByte & 0xFF));
                }
                runByte = 0;
            }
        } else if (message.isEmpty()) {
            encodeField(f, tagBytes, out, &message);
        }
        if (!message.isEmpty()) {
            if (error)
                *error = message + "\n" + f.Label;
            return false;
        }
    }
    *image = out;
    return true;
}

bool BalluffCodec::encodeField(DatiCampo &f, const QByteArray &tagBytes, QByteArray &out,
                               QString *message) const
{
    const int n = f.ByteLength;
    const bool lsb = f.FirstByte == QLatin1String("LSB");
    const int div = f.Div == 0 ? 1 : f.Div;
    if (takesNumber(f) && !isNumeric(f.value))
        f.value = 0;
    const double number = f.value.toDouble();
    const double scaled = double(div) * number;
    auto refuse = [message](const char *text) {
        *message = tr(text);
        return false;
    };

    if (isType(f, "PRESERVE")) {
        if (f.Address < tagBytes.size())
            out.append(tagBytes.mid(f.Address, n));
    } else if (isType(f, "UBIN") || isType(f, "SBIN")) {
        if (n >= 1 && n <= 4)
            appendOrdered(out, quint64(roundEven(scaled)), n, lsb);
    } else if (isType(f, "MODSIGN")) {
        if (n >= 1 && n <= 4) {
            quint64 v = quint64(std::llabs(roundEven(scaled)));
            v &= (quint64(1) << (8 * n)) - 1;
            if (number < 0)
                v |= quint64(0x80) << (8 * (n - 1));
            appendOrdered(out, v, n, lsb);
        }
    } else if (isType(f, "UBCD")) {
        if (n < 1 || n > 5)
            return true;
        const qint64 iv = roundEven(scaled);
        const bool fraction = scaled != std::trunc(scaled);
        QByteArray text;
        if (n >= 4 && fraction) {
            text = QString::asprintf(n == 4 ? "%08.3f" : "%10.3f", scaled).toLatin1();
            // A negative value has no packed-decimal form.
            if (!fitsCut(text, 2 * n) || text.contains('-'))
                return refuse("Field length error");
            text.replace('.', bcdDot);
            out.append(pairs(text, n, 16, lsb, false));
        } else {
            const QByteArray fmt = n == 5 ? QByteArray("%10lld") : "%0" + QByteArray::number(2 * n) + "lld";
            text = QString::asprintf(fmt.constData(), iv).toLatin1();
            if (text.size() > 2 * n || text.contains('-'))
                return refuse("Field length error");
            out.append(pairs(text, n, 10, lsb, true));
        }
    } else if (isType(f, "BCD")) {
        if (n < 1 || n > 5)
            return true;
        const double x = scaled;
        const bool integral = x == std::trunc(x);
        const qint64 ix = truncated(x);
        static const double intLimit[] = {0, 10, 999, 99999, 9999999, 999999999};
        static const double fracLimit[] = {0, 0, 0, 100, 1000, 100000};
        const QByteArray width = QByteArray::number(2 * n);
        QByteArray text;
        if (n == 1) {
            text = QString::asprintf(x < 10 ? "%+02lld" : "%02lld", ix).toLatin1();
        } else if (integral) {
            const QByteArray fmt = (x <= intLimit[n] ? "%+0" : "%0") + width + "lld";
            text = QString::asprintf(fmt.constData(), ix).toLatin1();
        } else if (n == 2) {
            text = QString::asprintf("%+04.1f", x).toLatin1();
        } else {
            const QByteArray fmt = (x < fracLimit[n] ? "%+0" : "%0") + width + ".3f";
            text = QString::asprintf(fmt.constData(), x).toLatin1();
        }
        if (!fitsCut(text, 2 * n))
            return refuse("Field length error");
        if (x >= 0)
            text.replace('+', bcdPlus);
        else
            text.replace('-', bcdMinus);
        if (n == 1) {
            out.append(char(text.toInt(nullptr, 16) & 0xFF));
        } else {
            text.replace('.', bcdDot);
            out.append(pairs(text, n, 16, lsb, false));
        }
    } else if (isType(f, "CHAR") || isType(f, "CHARSPACE")) {
        const bool space = isType(f, "CHARSPACE");
        QByteArray text = valueText(f.value).trimmed().toLatin1();
        if (text.size() > n)
            return refuse(space ? "Field length error" : "ByteLength error");
        const QByteArray pad(n - text.size(), space ? ' ' : '\0');
        out.append(f.RightJustify ? pad + text : text + pad);
    } else if (isType(f, "UNUMCHAR") || isType(f, "SNUMCHAR") || isType(f, "SNUMCHARDEC3")) {
        const bool unsignedText = isType(f, "UNUMCHAR");
        const double v = unsignedText ? double(truncated(scaled)) : scaled;
        const QByteArray text =
            strNumCharFull(v, !unsignedText, isType(f, "SNUMCHARDEC3") ? 3 : 0, QString(), n);
        // A text cut at its end would put a number a hundred or a thousand
        // times too small on the tag.
        if (n < 0 || !fitsCut(text, n))
            return refuse("Field length error");
        out.append(text.left(n));
    } else if (isType(f, "FORMATNUM")) {
        QByteArray text;
        if (f.isInt()) {
            const qint64 iv = roundEven(scaled);
            if (iv < std::numeric_limits<int>::min() || iv > std::numeric_limits<int>::max()
                || !f.formatNumRule.isValid())
                return refuse("Field length error");
            text = f.formatNumRule.print(int(iv)).toLatin1();
        } else {
            if (!f.formatNumRule.isValid())
                return refuse("Field length error");
            text = f.formatNumRule.print(scaled).toLatin1();
        }
        if (text.size() != n)
            return refuse("Field length error");
        out.append(text);
    } else if (isType(f, "IEEE")) {
        const float x = toFloat(scaled);
        quint32 u;
        std::memcpy(&u, &x, sizeof u);
        appendOrdered(out, u, 4, lsb);
    } else if (isType(f, "TIMESTAMP")) {
        appendOrdered(out, quint32(QDateTime::currentSecsSinceEpoch()), 4, lsb);
    } else if (isType(f, "COUNTER")) {
        appendOrdered(out, quint32(f.value.toInt()), 4, lsb);
    } else if (isType(f, "FORMATID")) {
        out.append(char(formatId & 0xFF));
    }
    return true;
}
