#include "dnc/DncLayout.h"

#include "shared/ValueFormat.h"
#include "shared/FieldStyle.h"
#include "shared/IniText.h"

namespace {

bool flag(const IniText &s, const QString &key, const QString &def)
{
    const QString t = s.value(key, def);
    return !(t.isEmpty() || t == QLatin1String("0") || t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0);
}

float number(const IniText &s, const QString &key)
{
    return s.value(key, QStringLiteral("0")).trimmed().toFloat();
}

int integer(const IniText &s, const QString &key, const QString &def)
{
    return s.value(key, def).trimmed().toInt();
}

} // namespace

bool DncLayout::isSafeFormat(FieldValues::Kind kind, const QString &format)
{
    if (format.isEmpty())
        return true;
    if (kind == FieldValues::Kind::Date)
        return ValueFormat::isDateFormat(format);
    if (kind != FieldValues::Kind::Int && kind != FieldValues::Kind::Float)
        return true; // other kinds do not use Format
    return ValueFormat(format, kind == FieldValues::Kind::Int).takenBy(ValueFormat::dncField);
}

void DncLayout::takeRule(DatiDnc &f)
{
    f.kind = FieldValues::kindOf(f.FieldType);
    f.takeFormat(isSafeFormat(f.kind, f.Format));
}

bool DncLayout::read(const QString &path, bool toolMode, const QSet<QString> &dncColumns)
{
    errorPhrase.clear();
    errorSection.clear();
    const IniText s(path, IniText::Utf8);

    TotFields = integer(s, QStringLiteral("/SETTINGS/TotFields"), QStringLiteral("0"));
    if (TotFields == 0 || TotFields > kMaxFields) {
        errorPhrase = QStringLiteral("Invalid TotFields in configuration");
        return false;
    }
    ForceConstraints = flag(s, QStringLiteral("/SETTINGS/ForceConstraints"), QStringLiteral("false"));
    ScriptFunctions = s.value(QStringLiteral("/SETTINGS/ScriptFunctions"));

    fields.clear();
    dncLabelIndex.clear();
    QSet<QString> lowerColumns;
    for (const QString &c : dncColumns)
        lowerColumns.insert(c.toLower());
    QSet<QString> usedSql;

    for (int d = 0; d < TotFields; ++d) {
        DatiDnc f;
        const QString p = QStringLiteral("/FIELD%1/").arg(d);
        auto fail = [&](const char *phrase) {
            errorPhrase = QString::fromLatin1(phrase);
            errorSection = p;
            return false;
        };
        f.Label = s.value(p + QLatin1String("Label"), QStringLiteral("?"));
        if (f.Label.isEmpty())
            return fail("Error in configuration");
        f.DefaultValue = s.value(p + QLatin1String("DefaultValue"));
        f.DncLabel = s.value(p + QLatin1String("DncLabel"));
        if (!f.DncLabel.isEmpty())
            dncLabelIndex.insert(f.DncLabel, d);
        f.Min = number(s, p + QLatin1String("Min"));
        f.Max = number(s, p + QLatin1String("Max"));
        f.Locked = flag(s, p + QLatin1String("Locked"), QStringLiteral("false"));
        f.Visible = flag(s, p + QLatin1String("Visible"), QStringLiteral("true"));
        f.FieldType = s.value(p + QLatin1String("FieldType"));
        f.GetX = flag(s, p + QLatin1String("GetX"), QStringLiteral("false"));
        f.GetZ = flag(s, p + QLatin1String("GetZ"), QStringLiteral("false"));
        f.Format = s.value(p + QLatin1String("Format"));
        takeRule(f);
        if (!f.formatUsable)
            return fail("Invalid Format");
        f.Script = s.value(p + QLatin1String("Script"));
        if (!f.Script.isEmpty())
            f.Script = ScriptFunctions + QLatin1Char('\n') + f.Script;
        f.RightJustify = flag(s, p + QLatin1String("RightJustify"), QStringLiteral("false"));
        const QString list = s.value(p + QLatin1String("List")).trimmed();
        if (!list.isEmpty()) {
            f.List = list.split(QLatin1Char(';'), Qt::SkipEmptyParts);
            f.isList = !f.List.isEmpty();
        }
        f.BitField = flag(s, p + QLatin1String("BitField"), QStringLiteral("0"));
        f.AutoDefault = flag(s, p + QLatin1String("AutoDefault"), QStringLiteral("0"));
        if (f.BitField)
            f.isList = false;

        if (toolMode) {
            f.SqlTable = s.value(p + QLatin1String("SqlTable"));
            if (f.SqlTable.isEmpty())
                return fail("Invalid SqlTable");
            f.SqlField = s.value(p + QLatin1String("SqlField"));
            if (f.SqlField.isEmpty())
                return fail("Invalid SqlField");
            // The column name goes into the store's statement text: only a
            // real column of dnc may get there.
            if (f.SqlTable == QLatin1String("dnc") && !lowerColumns.contains(f.SqlField.toLower()))
                return fail("Invalid SqlField");
            const QString pair = f.SqlTable + QLatin1Char('|') + f.SqlField;
            if (usedSql.contains(pair))
                return fail("Duplicated SqlField");
            usedSql.insert(pair);
        }

        bool ok = false;
        const uint mask = s.value(p + QLatin1String("BitMask"), QStringLiteral("0")).trimmed().toUInt(&ok, 16);
        f.BitMask = quint8(ok ? mask & 0xFF : 0);
        if (f.BitMask != 0x00 && f.BitMask != 0xF0 && f.BitMask != 0x0F)
            return fail("Invalid bitmask field");

        f.RegExp = s.value(p + QLatin1String("RegExp"));
        f.BackgroundColor = s.value(p + QLatin1String("BackgroundColor"));
        f.ForegroundColor = s.value(p + QLatin1String("ForegroundColor"));
        f.FontSize = quint8(integer(s, p + QLatin1String("FontSize"), QStringLiteral("99")) & 0xFF);
        f.FontBold = flag(s, p + QLatin1String("FontBold"), QStringLiteral("false"));
        f.FontItalic = flag(s, p + QLatin1String("FontItalic"), QStringLiteral("false"));

        inheritFieldStyle(f, fields.isEmpty() ? nullptr : &fields.last());
        fields.append(f);
    }
    return true;
}
