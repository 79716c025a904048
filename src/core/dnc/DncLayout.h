#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "shared/LayoutField.h"

// One field of a DNC layout file: how the panel shows and edits it, the name
// it travels under to the CNC side and the column that keeps its value.
struct DatiDnc : LayoutField
{
    QString DncLabel;
    // Edited through a list: List has items and BitField is off.
    bool isList = false;
    QString SqlTable;
    QString SqlField;
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

    // A layout Format that the field's kind can safely use: for an int or a
    // float exactly one conversion of the kind's family, for a date known
    // strftime conversions only. An empty Format is always valid.
    static bool isSafeFormat(FieldValues::Kind kind, const QString &format);
    // Parses the field's FieldType and takes its Format, as the reader does
    // (a Format it would refuse is none): for records made otherwise.
    static void takeRule(DatiDnc &field);
};
