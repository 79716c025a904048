// Replies of the CNC-side DNC server, both dialects: the receive buffer fed in
// two chunks, the JSON frame looked at, taken and read as the panel reads it
// (text values through a few Formats, dates among them), the plain-text words searched; then
// every frame taken in turn, as frames that came while others were handled are.
#include <QJsonArray>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>

#include "dnc/DncLayout.h"
#include "dnc/DncProtocol.h"
#include "dnc/DncValues.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const int half = bytes.size() / 2;
    DncProtocol::ReplyBuffer buffer;
    buffer.append(bytes.left(half));
    buffer.findPlain();
    buffer.append(bytes.mid(half));
    buffer.findPlain();
    QJsonDocument doc;
    // The panel stops its reply timer on hasDocument and handles the reply on
    // takeJson: the two must agree.
    const bool complete = buffer.hasDocument();
    if (complete != (buffer.takeJson(doc) == DncProtocol::ReplyBuffer::Document))
        __builtin_trap();
    if (complete) {
        const QJsonObject root = doc.object();
        const QJsonObject values = root.value(QLatin1String("SetValues")).toObject();
        // A text member is read through the field's Format and shown again.
        const char *const formats[][2] = {{"int", "%#x"}, {"int", "T%03o"}, {"int", "%c"},   {"int", "%-3c|"},
                                          {"int", "%u"},  {"float", "%.2f \xce\xa9"}, {"float", "%e mm"},
                                          {"date", ""},   {"date", "%Y-%m-%d %H:%M"},  {"date", "%a %b %e"}};
        for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
            it.value().toVariant().toString();
            if (!it.value().isString())
                continue;
            for (const auto &shape : formats) {
                DatiDnc f;
                f.FieldType = QLatin1String(shape[0]);
                f.Format = QString::fromUtf8(shape[1]);
                DncLayout::takeRule(f);
                DncValues::format(f, DncValues::textValue(f, it.value().toString()), true);
                DncValues::collected(f, it.value().toString());
            }
        }
        root.value(QLatin1String("Acknowledge")).toObject().value(QLatin1String("ERROR")).toVariant().toString();
    }
    DncProtocol::ReplyBuffer frames;
    frames.append(bytes);
    for (int before = frames.size(); frames.takeJson(doc, true) != DncProtocol::ReplyBuffer::Waiting;
         before = frames.size())
        if (frames.size() >= before)
            __builtin_trap();
    return 0;
}
