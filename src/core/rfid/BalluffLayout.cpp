#include "rfid/BalluffLayout.h"
#include "shared/ValueFormat.h"
#include "shared/FieldStyle.h"
#include "shared/IniText.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("cBalluffUI", text);
}

int toInt(const IniText &s, const QString &key, const QString &def)
{
    return s.value(key, def).toInt();
}

bool toBool(const IniText &s, const QString &key, const QString &def)
{
    return QVariant(s.value(key, def)).toBool();
}

char toChar(const IniText &s, const QString &key, const QString &def)
{
    const QString t = s.value(key, def);
    if (t.isEmpty() || t.at(0).unicode() > 0xFF)
        return 0;
    return char(t.at(0).unicode());
}

const QStringList &typeNames()
{
    static const QStringList names = {
        "UBIN", "SBIN", "CHAR", "CHARSPACE", "UNUMCHAR", "SNUMCHAR", "SNUMCHARDEC3", "FORMATNUM",
        "BCD", "UBCD", "TIMESTAMP", "COUNTER", "IEEE", "MODSIGN", "FORMATID", "PRESERVE"};
    return names;
}

bool telegramNumber(int n)
{
    return n >= 0 && n <= BalluffLayout::kMaxTelegramNumber;
}

} // namespace

void BalluffLayout::takeRules(DatiCampo &f)
{
    f.kind = FieldValues::kindOf(f.FieldType);
    f.takeFormat(!f.isNumber() || ValueFormat(f.Format, f.isInt()).takenBy(ValueFormat::tagField));
    const ValueFormat text(f.FormatNum, f.BitMask != 0 || f.isInt());
    f.formatNumRule = text.takenBy(ValueFormat::tagText) ? text : ValueFormat(QString(), true);
}

bool BalluffLayout::read(const QString &path, QStringList *messages)
{
    const IniText s(path, IniText::Utf8);

    auto refuse = [messages](const QString &message) {
        if (messages)
            messages->append(message);
        return false;
    };
    auto warn = [messages](const QString &message) {
        if (messages)
            messages->append(message);
    };

    Customer = s.value("/SETTINGS/Customer");
    Com = s.value("/SETTINGS/Com", "TTYS1");
    Parameter = s.value("/SETTINGS/Parameter", "9600,e,8,1");
    Device = s.value("/SETTINGS/Device", "BISC600");
    Head = toInt(s, "/SETTINGS/Head", "1");
    if (Head < 1 || Head > 4) {
        warn(tr("Invalid head number in configuration"));
        Head = 1;
    }
    TagType = s.value("/SETTINGS/TagType", "C").toUpper();
    if (TagType != QLatin1String("C") && TagType != QLatin1String("M"))
        warn(tr("Invalid tag type in configuration"));
    TagSize = toInt(s, "/SETTINGS/TagSize", "512");
    // The read request carries the size in four digits.
    if (!telegramNumber(TagSize))
        return refuse(tr("Invalid tag size") + "\n" + "/SETTINGS/");
    ForceConstraints = toBool(s, "/SETTINGS/ForceConstraints", "false");
    formatId = qint8(toInt(s, "/SETTINGS/formatId", "0") & 0xFF);
    ScriptFunctions = s.value("/SETTINGS/ScriptFunctions");
    scriptsRead = true;
    TotFields = toInt(s, "/SETTINGS/TotFields", "0");
    if (TotFields == 0)
        return refuse(tr("Invalid TotFields in configuration"));
    BCDdot = toChar(s, "/SETTINGS/BCDdot", "E");
    BCDminus = toChar(s, "/SETTINGS/BCDminus", "D");
    BCDplus = toChar(s, "/SETTINGS/BCDplus", "B");

    fields.clear();
    hasCounter = false;
    qint64 sum = 0;
    for (int n = 0; n < TotFields; ++n) {
        const QString S = QString::asprintf("/FIELD%d/", n);
        auto key = [&S](const char *k) { return S + QLatin1String(k); };
        DatiCampo f;
        f.Label = s.value(key("Label"), "?");
        if (f.Label.isEmpty())
            return refuse(tr("Error in configuration") + "\n" + S);
        f.Address = toInt(s, key("Address"), "0");
        f.ByteLength = toInt(s, key("ByteLength"), "0");
        if (f.ByteLength <= 0 || f.Address < 0)
            return refuse(tr("Error in configuration") + "\n" + S);
        // Address and count travel as four digits; a field the telegram
        // cannot reach would be written somewhere else.
        if (!telegramNumber(f.Address) || !telegramNumber(f.ByteLength)
            || f.Address + f.ByteLength > kMaxTelegramNumber + 1)
            return refuse(tr("Invalid tag size") + "\n" + S);
        f.FirstByte = s.value(key("FirstByte"), "MSB");
        if (f.FirstByte != QLatin1String("LSB") && f.FirstByte != QLatin1String("MSB"))
            return refuse(tr("Invalid FirstByte") + "\n" + S);
        f.DefaultValue = s.value(key("DefaultValue"));
        f.Type = s.value(key("Type"), "?");
        if (!typeNames().contains(f.Type))
            return refuse(tr("Invalid Type") + "\n" + S + " (Type=" + f.Type + ")");
        f.Div = toInt(s, key("Div"), "1");
        if (f.Div == 0)
            f.Div = 1;
        f.diaMpy = toInt(s, key("diaMpy"), "1");
        if (f.diaMpy == 0)
            f.diaMpy = 1;
        f.FormatNum = s.value(key("FormatNum"));
        f.Min = s.value(key("Min"), "0").toFloat();
        f.Max = s.value(key("Max"), "0").toFloat();
        f.Locked = toBool(s, key("Locked"), "0");
        f.Visible = toBool(s, key("Visible"), "-1");
        f.HasInputBox = toBool(s, key("HasInputBox"), "0");
        f.FieldType = s.value(key("FieldType"));
        f.GetX = toBool(s, key("GetX"), "0");
        f.GetZ = toBool(s, key("GetZ"), "0");
        f.Format = s.value(key("Format"));
        f.Script = s.value(key("Script"));
        if (!f.Script.isEmpty())
            f.Script = ScriptFunctions + "\n" + f.Script;
        f.RightJustify = toBool(s, key("RightJustify"), "false");
        const QString list = s.value(key("List")).trimmed();
        if (!list.isEmpty()) {
            f.List = list.split(QLatin1Char(';'), Qt::SkipEmptyParts);
            f.hasList = !f.List.isEmpty();
            if (f.HasInputBox)
                f.hasList = false;
        }
        f.BitField = toBool(s, key("BitField"), "0");
        f.AutoDefault = toBool(s, key("AutoDefault"), "0");
        f.ResetToDefault = toBool(s, key("ResetToDefault"), "0");
        if (f.BitField)
            f.hasList = false;

        if (f.Type == QLatin1String("TIMESTAMP") || f.Type == QLatin1String("COUNTER")) {
            f.Locked = true;
            if (f.ByteLength != 4)
                return refuse(tr("Invalid bytelength") + "\n" + S);
            if (f.Type == QLatin1String("COUNTER")) {
                hasCounter = true;
                f.FieldType = QStringLiteral("counter");
            } else {
                f.FieldType = QStringLiteral("date");
            }
        } else if (f.Type == QLatin1String("IEEE")) {
            if (f.ByteLength != 4)
                return refuse(tr("Invalid bytelength") + "\n" + S);
        } else if (f.Type == QLatin1String("PRESERVE")) {
            f.Locked = true;
        } else if (f.Type == QLatin1String("FORMATNUM")) {
            const FieldValues::Kind kind = FieldValues::kindOf(f.FieldType);
            if (f.FormatNum.isEmpty() || (kind != FieldValues::Kind::Float && kind != FieldValues::Kind::Int))
                return refuse(tr("Missing or invalid FieldType") + "\n" + S);
        }

        bool hexOk = false;
        f.BitMask = quint8(s.value(key("BitMask"), "0").toInt(&hexOk, 16) & 0xFF);
        if (f.BitMask != 0) {
            const bool ubin = f.Type == QLatin1String("UBIN");
            const bool ubcd = f.Type == QLatin1String("UBCD");
            const bool fnum = f.Type == QLatin1String("FORMATNUM");
            if (!ubin && !ubcd && !fnum)
                return refuse(tr("Invalid Type") + "\n" + S + " (Type=" + f.Type + " bitMask)");
            if (((ubin || ubcd) && f.ByteLength != 1) || (fnum && f.ByteLength != 2))
                return refuse(tr("Invalid bytelength") + "\n" + S + " bitMask");
            if (ubcd && f.BitMask != 0xF0 && f.BitMask != 0x0F)
                return refuse(tr("Invalid bitmask UBCD field") + "\n" + S);
        }

        // Both patterns go to a printf-style formatter with one argument of a
        // known kind; anything else would read or write memory it does not
        // own. The editor shows a field with an unusable display pattern as
        // it shows one without a pattern; the tag's bytes cannot do without theirs.
        takeRules(f);
        if (f.isNumber() && !f.Format.isEmpty() && !f.format.isValid())
            std::fprintf(stderr, "%s %s: unusable Format \"%s\", the field is shown without it\n",
                         qPrintable(path), qPrintable(S), qPrintable(f.Format));
        // A date's pattern goes to strftime as it stands.
        if (f.kind == FieldValues::Kind::Date && !ValueFormat::isDateFormat(f.Format))
            return refuse(tr("Invalid format") + "\n" + S);
        if (f.Type == QLatin1String("FORMATNUM")) {
            // The decoder reads the tag's text back in the pattern's base, in
            // hex for a bit group, in decimal or hex for an int, in decimal
            // for a float; and it takes the whole text as the number, so any
            // other character around it would read back as 0.
            const ValueFormat &text = f.formatNumRule;
            const int base = text.base();
            const bool readsBack = f.BitMask != 0 ? base == 16 : f.isInt() ? base == 10 || base == 16 : base == 10;
            if (!text.isValid() || !readsBack || !(text.before + text.after).trimmed().isEmpty())
                return refuse(tr("Invalid format") + "\n" + S);
        }

        f.RegExp = s.value(key("RegExp"));
        f.BackgroundColor = s.value(key("BackgroundColor"));
        f.ForegroundColor = s.value(key("ForegroundColor"));
        f.FontSize = quint8(toInt(s, key("FontSize"), "99") & 0xFF);
        f.FontBold = toBool(s, key("FontBold"), "false");
        f.FontItalic = toBool(s, key("FontItalic"), "false");

        inheritFieldStyle(f, fields.isEmpty() ? nullptr : &fields.last());
        fields.append(f);
        sum += f.ByteLength;
    }
    if (sum > TagSize)
        return refuse(tr("Invalid tag size") + "\n" + tr("Required") + QString::asprintf(" %lld \n", sum)
                      + tr("Available") + QString::asprintf(" %d", TagSize));
    return true;
}
