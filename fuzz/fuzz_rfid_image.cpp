// Tag images: decoding every field type in both byte orders, checking that
// the decoded values fit their bytes, then encoding them again.
#include <QByteArray>
#include <QList>

#include "rfid/BalluffCodec.h"
#include "rfid/BalluffLayout.h"

#include <cstdint>

namespace {
QList<DatiCampo> layout()
{
    struct Spec { const char *type; int length; int div; quint8 mask; const char *fieldType; const char *formatNum; };
    static const Spec specs[] = {
        {"UBIN", 4, 10, 0, "", ""},        {"SBIN", 3, -1, 0, "", ""},       {"MODSIGN", 2, 100, 0, "", ""},
        {"UBCD", 5, 1, 0, "", ""},         {"BCD", 4, 1000, 0, "", ""},      {"BCD", 1, 1, 0, "", ""},
        {"CHAR", 6, 1, 0, "", ""},         {"CHARSPACE", 5, 1, 0, "", ""},  {"UNUMCHAR", 6, 10, 0, "", ""},
        {"SNUMCHAR", 6, 1, 0, "", ""},     {"SNUMCHARDEC3", 9, 1, 0, "", ""}, {"FORMATNUM", 4, 2, 0, "int", "%04X"},
        {"FORMATNUM", 7, 1, 0, "float", "%07.2f"}, {"IEEE", 4, 3, 0, "", ""}, {"TIMESTAMP", 4, 1, 0, "", ""},
        {"COUNTER", 4, 1, 0, "", ""},      {"FORMATID", 1, 1, 0, "", ""},    {"PRESERVE", 3, 1, 0, "", ""},
        {"UBIN", 1, 1, 0x0F, "", ""},      {"UBCD", 1, 1, 0xF0, "", ""},     {"FORMATNUM", 2, 1, 0xFF, "int", "%02X"},
        {"FORMATNUM", 6, 1, 0, "int", " %5u"},
    };
    QList<DatiCampo> fields;
    int address = 0;
    for (const char *order : {"MSB", "LSB"}) {
        for (const Spec &s : specs) {
            DatiCampo f;
            f.Label = s.type;
            f.Type = s.type;
            f.ByteLength = s.length;
            f.Div = s.div;
            f.BitMask = s.mask;
            f.FieldType = s.fieldType;
            f.FormatNum = s.formatNum;
            f.FirstByte = order;
            f.Address = address;
            f.Max = f.Type == "CHAR" ? 4 : 0;
            BalluffLayout::takeRules(f);
            address += s.length;
            fields.append(f);
        }
    }
    return fields;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QList<DatiCampo> base = layout();
    QList<DatiCampo> fields = base;
    const QByteArray image(reinterpret_cast<const char *>(data), int(size));
    BalluffCodec codec('B', 'D', 'E', 7);
    codec.decode(image, fields);
    double lo = 0, hi = 0;
    for (const DatiCampo &f : fields)
        BalluffCodec::fitsBytes(f, &lo, &hi);
    QByteArray out;
    QString error;
    codec.encode(fields, image, &out, &error);
    return 0;
}
