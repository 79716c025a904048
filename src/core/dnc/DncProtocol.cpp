#include "dnc/DncProtocol.h"

#include <QJsonParseError>
#include <QMap>
#include <QStringList>

namespace DncProtocol {

bool parseSocket(const QString &text, QString &host, quint16 &port)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return false;
    bool ok = false;
    const uint p = parts.at(1).toUInt(&ok, 10);
    if (!ok || p == 0 || p > 65535)
        return false;
    host = parts.at(0);
    port = quint16(p);
    return true;
}

bool isPlainText(const QString &dncFormat, bool toolId)
{
    return !toolId && dncFormat == QLatin1String("okuma.dnc");
}

static QString quoted(const QString &s)
{
    QString out;
    out.reserve(s.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : s) {
        switch (c.unicode()) {
        case '\b': out += QLatin1String("\\b"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\f': out += QLatin1String("\\f"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString jsonObjectText(const QList<QPair<QString, QString>> &members)
{
    // QMap orders QString keys by their UTF-16 code units.
    QMap<QString, QString> sorted;
    for (const auto &m : members)
        sorted.insert(m.first, m.second);
    QString out = QStringLiteral("{");
    bool first = true;
    for (auto it = sorted.cbegin(); it != sorted.cend(); ++it) {
        if (!first)
            out += QLatin1Char(',');
        first = false;
        out += quoted(it.key()) + QStringLiteral(": ") + quoted(it.value());
    }
    out += QLatin1Char('}');
    return out;
}

QString jsonFrame(PayloadType type, const QString &code, const QString &machine,
                  const QList<QPair<QString, QString>> &values)
{
    QList<QPair<QString, QString>> members;
    members << qMakePair(QStringLiteral("DataMatrixCode"), code.isEmpty() ? QStringLiteral("0") : code)
            << qMakePair(QStringLiteral("Machine"), machine);
    if (type == SetValues)
        members += values;
    const QString inner = jsonObjectText(members);
    const QString key = type == SetValues ? QStringLiteral("SetValues") : QStringLiteral("GetValues");
    return QLatin1Char(STX) + QStringLiteral("{") + quoted(key) + QStringLiteral(": ") + inner
           + QStringLiteral("}") + QLatin1Char(ETX);
}

QString plainFrame(const QList<QPair<QString, QString>> &values)
{
    QString out{QLatin1Char(STX)};
    for (const auto &v : values)
        out += v.first + v.second + QLatin1Char(' ');
    out += QLatin1Char(ETX);
    return out;
}

bool plainTextCarries(const QString &value)
{
    for (const QChar c : value)
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F)
            return false;
    return true;
}

bool ReplyBuffer::append(const QByteArray &bytes)
{
    m_bytes += bytes;
    if (m_bytes.size() > kMaxBuffer) {
        m_bytes.clear();
        m_bytes.squeeze();
        return false;
    }
    return true;
}

// The first STX ... ETX frame of bytes, read without consuming it; end: the
// position of its ETX.
static ReplyBuffer::JsonResult firstFrame(const QByteArray &bytes, QJsonDocument &doc, int &end)
{
    const int s = bytes.indexOf(STX);
    if (s < 0)
        return ReplyBuffer::Waiting;
    end = bytes.indexOf(ETX, s + 1);
    if (end < 0)
        return ReplyBuffer::Waiting;
    QJsonParseError error;
    doc = QJsonDocument::fromJson(bytes.mid(s + 1, end - s - 1), &error);
    return error.error != QJsonParseError::NoError || doc.isNull() ? ReplyBuffer::Dropped : ReplyBuffer::Document;
}

ReplyBuffer::JsonResult ReplyBuffer::takeJson(QJsonDocument &doc, bool keepRest)
{
    int end = 0;
    const JsonResult r = firstFrame(m_bytes, doc, end);
    if (r != Waiting) {
        if (keepRest)
            m_bytes.remove(0, end + 1);
        else
            m_bytes.clear();
    }
    return r;
}

bool ReplyBuffer::hasDocument() const
{
    QJsonDocument doc;
    int end = 0;
    return firstFrame(m_bytes, doc, end) == Document;
}

PlainReply ReplyBuffer::findPlain() const
{
    const struct { const char *word; PlainReply reply; } words[] = {
        {"\x02" "ACK\x03", Ack}, {"\x02" "BUSY\x03", Busy}, {"\x02" "ERROR\x03", Error}};
    for (const auto &w : words)
        if (m_bytes.contains(w.word))
            return w.reply;
    return NoReply;
}

}
