#include "dnc/CncServerModel.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "dnc/DncProtocol.h"

QByteArray CncServerModel::frame(const QByteArray &payload)
{
    return DncProtocol::STX + payload + DncProtocol::ETX;
}

QByteArray CncServerModel::receive(const QByteArray &bytes)
{
    m_pending += bytes;
    QByteArray out;
    for (;;) {
        const int s = m_pending.indexOf(DncProtocol::STX);
        if (s < 0) {
            m_pending.clear();
            break;
        }
        const int e = m_pending.indexOf(DncProtocol::ETX, s + 1);
        if (e < 0) {
            m_pending.remove(0, s);
            if (m_pending.size() > DncProtocol::kMaxBuffer)
                m_pending.clear();
            break;
        }
        const QByteArray payload = m_pending.mid(s + 1, e - s - 1);
        m_pending.remove(0, e + 1);
        frames << payload;
        out += reply(payload);
    }
    return out;
}

QByteArray CncServerModel::reply(const QByteArray &payload)
{
    if (mode == Silent)
        return QByteArray();
    const QJsonDocument doc = QJsonDocument::fromJson(payload);
    if (!doc.isObject()) {
        // The plain-text dialect: one line of label and value items.
        return frame(mode == Answer ? "ACK" : mode == Busy ? "BUSY" : "ERROR");
    }
    const QJsonObject root = doc.object();
    auto acknowledge = [](const QString &error) {
        return frame(QJsonDocument(QJsonObject{{"Acknowledge", QJsonObject{{"ERROR", error}}}})
                         .toJson(QJsonDocument::Compact));
    };
    if (mode == Busy)
        return acknowledge(QStringLiteral("BUSY"));
    if (mode == Failing)
        return acknowledge(errorText);
    if (root.contains(QLatin1String("GetValues"))) {
        const QString code = root.value(QLatin1String("GetValues")).toObject().value(QLatin1String("DataMatrixCode")).toString();
        QJsonObject values;
        const QMap<QString, QString> known = tools.value(code);
        for (auto it = known.cbegin(); it != known.cend(); ++it)
            values.insert(it.key(), it.value());
        return frame(QJsonDocument(QJsonObject{{"SetValues", values}}).toJson(QJsonDocument::Compact));
    }
    if (root.contains(QLatin1String("SetValues"))) {
        const QJsonObject values = root.value(QLatin1String("SetValues")).toObject();
        QMap<QString, QString> &kept = tools[values.value(QLatin1String("DataMatrixCode")).toString()];
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            if (it.key() != QLatin1String("DataMatrixCode") && it.key() != QLatin1String("Machine"))
                kept.insert(it.key(), it.value().toString());
        return acknowledge(QString());
    }
    return acknowledge(QStringLiteral("unknown request"));
}
