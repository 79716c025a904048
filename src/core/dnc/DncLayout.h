#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "shared/FieldValues.h"

// One field of a DNC layout file: how the panel shows and edits it, the name
// it travels under to the CNC side and the column that keeps its value.
struct DatiDnc
{
    QString Label;
    QString DncLabel;
    QString DefaultValue;
    bool AutoDefault = false;
    float Min = 0;
    float Max = 0;
    QStringList List;
    bool isList = false;
    bool BitField = false;
    quint8 BitMask = 0;
    bool Locked = false;
    bool Visible = true;
    QString FieldType;
    QVariant value;
    bool GetX = false;
    bool GetZ = false;
    QString SqlTable;
    QString SqlField;
    QString Format;
    bool RightJustify = false;
    QString Script;
    QString RegExp;
    QString BackgroundColor;
    QString ForegroundColor;
    bool FontBold = false;
    bool FontItalic = false;
    quint8 FontSize = 99;
    // The value rules (FieldType, Format, Min, Max) as the reader took them,
    // the Format parsed once.
    FieldValues::Rule rule;
};

// Reads a DNC layout file ("./dnc/<name>", INI, UTF-8) into its ordered field
// list, the index from DNC label to field and the layout-wide settings.
// Reading stops at the first error; the fields read before it stay.
class DncLayout
{
public:
    // Larger layouts are refused: the panel would be unusable and slow.
    static const int kMaxFields = 1000;

    // toolMode: the panel is opened for one tool, the Sql keys are read and
    // checked. dncColumns: the columns of table dnc (any letter case); a "dnc"
    // field must name one of them.
    bool read(const QString &path, bool toolMode, const QSet<QString> &dncColumns);

    // After a failed read: the fixed phrase (to be translated) and the
    // field's key prefix ("/FIELD3/"), empty for layout-wide errors.
    QString errorPhrase;
    QString errorSection;

    int TotFields = 0;
    bool ForceConstraints = false;
    QString ScriptFunctions;
    QList<DatiDnc> fields;
    QHash<QString, int> dncLabelIndex;

    // A layout Format that the field type can safely use: for "int" and
    // "float" exactly one conversion of the type's family, for "date" known
    // strftime conversions only. An empty Format is always valid.
    static bool isSafeFormat(const QString &fieldType, const QString &format);
    // Sets the field's rule from its FieldType, Format, Min and Max, as the
    // reader does (a Format it would refuse is none): for records made
    // otherwise.
    static void takeRule(DatiDnc &field);
};
