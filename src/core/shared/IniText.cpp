#include "shared/IniText.h"
#include "shared/WholeFile.h"

#include <QFile>
#include <QStringList>
#include <QTextCodec>

#include <algorithm>
#include <iterator>

// The lines, sections, keys, quotes and escapes follow the toolkit's INI
// reader step by step, so that a file reads here as it reads there.
namespace {

enum { Space = 1, Special = 2 };

int traits(char c)
{
    switch (c) {
    case '\t':
    case ' ':
        return Space;
    case '\n':
    case '\r':
        return Space | Special;
    case '"':
    case ';':
    case '=':
    case '\\':
        return Special;
    default:
        return 0;
    }
}

// One logical line from pos on: [start, start + length) with its first
// unquoted '=' at equals (-1: none). Quotes and a backslash carry a line on
// over its end; a ';' in first place makes a comment line, elsewhere outside
// quotes it ends the line. False at the end of the data.
bool readLine(const QByteArray &data, int &pos, int &start, int &length, int &equals)
{
    const char *d = data.constData();
    const int n = data.size();
    bool inQuotes = false;
    equals = -1;
    start = pos;
    while (start < n && (traits(d[start]) & Space))
        ++start;
    int i = start;
    while (i < n) {
        char c = d[i];
        while (!(traits(c) & Special)) {
            if (++i == n)
                goto done;
            c = d[i];
        }
        ++i;
        if (c == '=') {
            if (!inQuotes && equals == -1)
                equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                goto done;
            }
        } else if (c == '\\') {
            if (i < n) {
                const char e = d[i++];
                if (i < n && ((e == '\n' && d[i] == '\r') || (e == '\r' && d[i] == '\n')))
                    ++i;
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (i == start + 1) { // ';' opening a comment line
            while (i < n && d[i] != '\n' && d[i] != '\r')
                ++i;
            while (i < n && (traits(d[i]) & Space))
                ++i;
            start = i;
        } else if (!inQuotes) {
            --i;
            goto done;
        }
    }
done:
    pos = i;
    length = i - start;
    return length > 0;
}

// A key or section name: Latin-1 bytes, "%XX" and "%UXXXX" escapes, a
// backslash for a slash.
QString unescapedKey(const QByteArray &key, int from, int to)
{
    QString result;
    int i = from;
    while (i < to) {
        const uchar c = uchar(key.at(i));
        if (c == '\\') {
            result += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c != '%' || i == to - 1) {
            result += QLatin1Char(char(c));
            ++i;
            continue;
        }
        int digits = 2;
        int first = i + 1;
        if (key.at(i + 1) == 'U') {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const int code = first + digits > to ? 0 : key.mid(first, digits).toInt(&ok, 16);
        if (!ok) {
            result += QLatin1Char('%');
            ++i;
            continue;
        }
        result += QChar(ushort(code & 0xFFFF));
        i = first + digits;
    }
    return result;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A value from its '=' to the line's end: blanks around it dropped unless
// quoted, quotes removed, escapes resolved. Unlike the toolkit's reader an
// unquoted comma is text, with the blanks around it.
QString unescapedValue(const QByteArray &data, int from, int to, QTextCodec *codec)
{
    static const char escapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},  {'r', '\r'}, {'t', '\t'},
                                      {'v', '\v'}, {'"', '"'},  {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    const char *d = data.constData();
    QString out;
    bool inQuotes = false;
    bool quoted = false; // of the text since the last unquoted comma
    int i = from;
    int chopLimit = 0;
    auto skipBlanks = [&] {
        while (i < to && (d[i] == ' ' || d[i] == '\t'))
            ++i;
        chopLimit = out.size();
    };
    skipBlanks();
    while (i < to) {
        const char c = d[i];
        if (c == '\\') {
            if (++i >= to)
                return out; // the blanks before a last backslash stay
            const char e = d[i++];
            const auto *known = std::find_if(std::begin(escapes), std::end(escapes),
                                             [e](const char(&escape)[2]) { return escape[0] == e; });
            if (known != std::end(escapes)) {
                out += QLatin1Char((*known)[1]);
            } else if ((e == 'x' && i < to && isHex(d[i])) || (e >= '0' && e <= '7')) {
                const quint32 base = e == 'x' ? 16 : 8;
                quint32 code = e == 'x' ? 0 : quint32(e - '0');
                while (i < to && (base == 16 ? isHex(d[i]) : d[i] >= '0' && d[i] <= '7')) {
                    const char h = d[i++];
                    code = code * base + quint32(h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
                }
                out += QChar(ushort(code & 0xFFFF));
                if (i >= to)
                    return out;
            } else if (e == 'x' && i >= to) {
                return out;
            } else if ((e == '\n' || e == '\r') && i < to && (d[i] == '\n' || d[i] == '\r') && d[i] != e) {
                ++i; // a continued line: its end is dropped
            }
            chopLimit = out.size(); // blanks before an escape stay
            continue;
        }
        if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
            continue;
        }
        if (c == ',' && !inQuotes) {
            out += QLatin1Char(',');
            ++i;
            quoted = false;
            chopLimit = out.size();
            continue;
        }
        int j = i + 1;
        while (j < to && d[j] != '\\' && d[j] != '"' && d[j] != ',')
            ++j;
        out += codec ? codec->toUnicode(d + i, j - i) : QString::fromLatin1(d + i, j - i);
        i = j;
    }
    if (!quoted) {
        int n = out.size();
        while (n > chopLimit && (out.at(n - 1) == QLatin1Char(' ') || out.at(n - 1) == QLatin1Char('\t')))
            --n;
        out.truncate(n);
    }
    return out;
}

// Past the end of the physical line pos is on.
int lineEnd(const QByteArray &data, int pos)
{
    while (pos < data.size() && data.at(pos) != '\n' && data.at(pos) != '\r')
        ++pos;
    if (pos < data.size() && data.at(pos++) == '\r' && pos < data.size() && data.at(pos) == '\n')
        ++pos;
    return pos;
}

// A key or section name as the toolkit's writer escapes it.
QByteArray escapedKey(const QString &key)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const QChar c : key) {
        const ushort ch = c.unicode();
        if (ch == '/') {
            out += '\\';
        } else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_'
                   || ch == '-' || ch == '.') {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += hex[ch / 16];
            out += hex[ch % 16];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += hex[(ch >> shift) & 0xF];
        }
    }
    return out;
}

// One text value as the toolkit's writer escapes it into a UTF-8 file:
// quoted when it holds ';', ',' or '=' or begins or ends with a blank.
void escapedText(const QString &text, QByteArray &out)
{
    const bool binary = text.startsWith(QLatin1String("@ByteArray(")) || text.startsWith(QLatin1String("@Variant("));
    const int from = out.size();
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    for (int i = 0; i < text.size(); ++i) {
        const ushort ch = text.at(i).unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        if (escapeNextIfDigit && isHex(char(ch)) && ch < 0x80) {
            out += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeNextIfDigit = false;
        switch (ch) {
        case '\0':
            out += "\\0";
            escapeNextIfDigit = true;
            break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += char(ch);
            break;
        default:
            if (ch <= 0x1F || (ch >= 0x7F && binary)) {
                out += "\\x" + QByteArray::number(ch, 16);
                escapeNextIfDigit = true;
            } else if (ch >= 0x7F) {
                // A pair of surrogates is one character.
                const int n = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
                out += text.mid(i, n).toUtf8();
                i += n - 1;
            } else {
                out += char(ch);
            }
        }
    }
    if (needsQuotes || (from < out.size() && (out.at(from) == ' ' || out.at(out.size() - 1) == ' '))) {
        out.insert(from, '"');
        out += '"';
    }
}

// A value's text as the toolkit's writer makes it; false for what it keeps
// in a binary form.
bool variantText(const QVariant &v, QString &text)
{
    switch (v.userType()) {
    case QMetaType::UnknownType:
        text = QStringLiteral("@Invalid()");
        return true;
    case QMetaType::QByteArray: {
        const QByteArray bytes = v.toByteArray();
        text = QStringLiteral("@ByteArray(") + QString::fromLatin1(bytes.constData(), bytes.size()) + QLatin1Char(')');
        return true;
    }
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Double:
        // The toolkit's own conversion: the same digits in every locale.
        text = v.toString();
        if (text.contains(QChar::Null))
            text = QStringLiteral("@String(") + text + QLatin1Char(')');
        else if (text.startsWith(QLatin1Char('@')))
            text.prepend(QLatin1Char('@'));
        return true;
    default:
        return false;
    }
}

} // namespace

bool IniText::iniValue(const QVariant &value, QByteArray &text)
{
    text = QByteArray("");
    if (value.userType() == QMetaType::QStringList
        || (value.userType() == QMetaType::QVariantList && value.toList().size() != 1)) {
        const QVariantList items = value.toList();
        if (items.isEmpty())
            text += "@Invalid()";
        for (int i = 0; i < items.size(); ++i) {
            QString item;
            if (!variantText(items.at(i), item))
                return false;
            if (i != 0)
                text += ", ";
            escapedText(item, text);
        }
        return true;
    }
    // A list of one the toolkit keeps in a binary form.
    QString one;
    if (value.userType() == QMetaType::QVariantList || !variantText(value, one))
        return false;
    escapedText(one, text);
    return true;
}

bool IniText::withKeys(const QByteArray &data, const QVector<QPair<QString, QByteArray>> &values, Encoding encoding,
                       Placement placement, QByteArray &result)
{
    QByteArray after = data;
    const QByteArray newline = data.contains("\r\n") ? "\r\n" : "\n";
    if (data.startsWith("\xEF\xBB\xBF"))
        encoding = Utf8; // as the file reads, so each value is expected as it will read
    IniText before;
    before.parse(data, encoding);
    QMap<QString, QMap<QString, QString>> expected = before.texts();
    for (const auto &kv : values) {
        IniText text;
        text.parse(after, encoding);
        const QString k = normalized(kv.first);
        // Last first, so that the places before stay where they are.
        const QVector<Entry> places = text.lines.value(k);
        for (int i = places.size() - 1; i >= 0; --i) {
            const Entry &e = places.at(i);
            if (kv.second.isNull()) {
                int begin = e.line;
                while (begin > 0 && after.at(begin - 1) != '\n' && after.at(begin - 1) != '\r')
                    --begin;
                after.remove(begin, lineEnd(after, e.end) - begin);
                continue;
            }
            int begin = e.begin;
            int end = e.end;
            while (begin < end && (after.at(begin) == ' ' || after.at(begin) == '\t'))
                ++begin;
            while (end > begin && (after.at(end - 1) == ' ' || after.at(end - 1) == '\t'))
                --end; // the blanks before a comment stay
            after.replace(begin, end - begin, kv.second);
        }
        const QString asRead = kv.second.isNull() ? QString() : valueText(kv.second, encoding);
        if (kv.second.isNull() || !places.isEmpty()) {
            for (auto s = expected.begin(); s != expected.end(); ++s) {
                if (!s->contains(k))
                    continue;
                if (kv.second.isNull())
                    s->remove(k);
                else
                    (*s)[k] = asRead;
            }
            continue;
        }
        const auto s = text.sectionOf(k);
        const int slash = k.indexOf(QLatin1Char('/'));
        if (s != text.sections.cend() || slash < 0) {
            const QString section = slash < 0 ? QString() : s.key();
            const int at = (placement == UnderHeader ? text.bodies : text.tails).value(section);
            const bool open = at > 0 && after.at(at - 1) != '\n' && after.at(at - 1) != '\r';
            after.insert(at, (open ? newline : QByteArray()) + escapedKey(k.mid(section.size())) + '=' + kv.second
                                 + newline);
            expected[section][k] = asRead;
            continue;
        }
        if (placement == UnderHeader)
            return false;
        if (!after.isEmpty() && !after.endsWith('\n') && !after.endsWith('\r'))
            after += newline;
        if (!after.isEmpty())
            after += newline;
        after += '[' + escapedKey(k.left(slash)) + ']' + newline + escapedKey(k.mid(slash + 1)) + '=' + kv.second
                 + newline;
        expected[k.left(slash + 1)][k] = asRead;
    }

    // Every key set must read as its value, the others as before.
    IniText written;
    written.parse(after, encoding);
    if (written.texts() != expected)
        return false;
    result = after;
    return true;
}

QMap<QString, QMap<QString, QString>> IniText::texts() const
{
    QMap<QString, QMap<QString, QString>> out;
    for (auto s = sections.cbegin(); s != sections.cend(); ++s) {
        QMap<QString, QString> &keys = out[s.key()];
        for (auto e = s->cbegin(); e != s->cend(); ++e)
            keys.insert(e.key(), e->text);
    }
    return out;
}

QString IniText::valueText(const QByteArray &value, Encoding encoding)
{
    IniText line;
    line.parse("k=" + value, encoding);
    return line.value(QStringLiteral("k"));
}

IniText::IniText(const QString &path, Encoding encoding)
{
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        parse(f.readAll(), encoding);
}

void IniText::parse(const QByteArray &data, Encoding encoding)
{
    int pos = 0;
    if (data.startsWith("\xEF\xBB\xBF")) {
        encoding = Utf8;
        pos = 3;
    }
    QTextCodec *codec = encoding == Utf8 ? QTextCodec::codecForName("UTF-8") : nullptr;
    const int bom = pos;
    QString section;
    bodies.insert(section, pos);
    tails.insert(section, pos);
    bool firstPart = true; // of the section
    bool first = true;
    int start, length, equals;
    while (readLine(data, pos, start, length, equals)) {
        // The settings class reads the keys before the first section from
        // the file's first byte: a UTF-8 mark on their line is part of the key.
        if (first && bom > 0 && data.at(start) != '[' && !data.mid(bom, start - bom).contains('\n')
            && !data.mid(bom, start - bom).contains('\r')) {
            length += start;
            start = 0;
        }
        first = false;
        if (data.at(start) == '[') {
            const char *line = data.constData() + start;
            const int close = int(std::find(line, line + length, ']') - line); // length: none on the line
            const QByteArray name = data.mid(start + 1, close - 1).trimmed();
            if (name.compare("general", Qt::CaseInsensitive) == 0)
                section.clear();
            else if (name.compare("%general", Qt::CaseInsensitive) == 0)
                section = QString::fromLatin1(name.constData() + 1) + QLatin1Char('/');
            else
                section = unescapedKey(name, 0, name.size()) + QLatin1Char('/');
            sections[section];
            firstPart = !bodies.contains(section);
            if (firstPart) {
                int body = pos;
                while (body < data.size() && data.at(body) != '\n' && data.at(body) != '\r')
                    ++body; // past a comment after the header
                if (body < data.size() && data.at(body++) == '\r' && body < data.size() && data.at(body) == '\n')
                    ++body;
                bodies.insert(section, body);
                tails.insert(section, body);
            }
            continue;
        }
        if (equals < 0)
            continue;
        int keyEnd = equals;
        while (keyEnd > start && (data.at(keyEnd - 1) == ' ' || data.at(keyEnd - 1) == '\t'))
            --keyEnd;
        Entry e;
        e.begin = equals + 1;
        e.end = start + length;
        e.text = unescapedValue(data, e.begin, e.end, codec);
        // The toolkit's writer doubles a leading '@' (its own type marks).
        if (e.text.startsWith(QLatin1String("@@")))
            e.text.remove(0, 1);
        const QString whole = section + unescapedKey(data, start, keyEnd);
        sections[section].insert(whole, e);
        e.line = start;
        lines[whole].append(e);
        if (firstPart)
            tails[section] = lineEnd(data, start + length);
    }
}

QString IniText::normalized(const QString &key)
{
    return key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
}

// As the settings class finds a key: in the last section (in name order) whose
// name begins it, the root only for a key without a slash.
QMap<QString, IniText::Section>::const_iterator IniText::sectionOf(const QString &key) const
{
    if (!key.contains(QLatin1Char('/')))
        return sections.constFind(QString());
    auto s = sections.upperBound(key);
    if (s == sections.cbegin())
        return sections.cend();
    --s;
    return s.key().isEmpty() || !key.startsWith(s.key()) ? sections.cend() : s;
}

const IniText::Entry *IniText::find(const QString &key) const
{
    const auto s = sectionOf(key);
    if (s == sections.cend())
        return nullptr;
    const auto e = s->constFind(key);
    return e == s->cend() ? nullptr : &*e;
}

QString IniText::value(const QString &key, const QString &defaultValue) const
{
    const Entry *e = find(normalized(key));
    return e ? e->text : defaultValue;
}

bool IniText::write(const QString &path, const QString &key, const QByteArray &value)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = in.readAll();
    in.close();
    QByteArray after;
    return withKeys(data, {{key, value}}, Latin1, UnderHeader, after) && WholeFile::replace(path, after);
}
