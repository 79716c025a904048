#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include "shared/FieldValues.h"

// One field of a tag layout: where its bytes lie on the tag, how they are
// encoded, and how the tag editor shows, edits and checks the value.
struct DatiCampo
{
    QString Label;
    qint32 Address = 0;
    qint32 ByteLength = 0;
    QString FirstByte;
    QString Type;
    QString FormatNum;
    QString DefaultValue;
    bool AutoDefault = false;
    bool ResetToDefault = false;
    qint32 Div = 0;
    float Min = 0;
    float Max = 0;
    QStringList List;
    bool hasList = false;
    bool BitField = false;
    quint8 BitMask = 0;
    bool HasInputBox = false;
    bool Locked = false;
    bool Visible = false;
    QString FieldType;
    QString rawHex;
    QVariant value;
    bool GetX = false;
    bool GetZ = false;
    qint32 diaMpy = 0;
    QString Format;
    bool RightJustify = false;
    QString Script;
    QString RegExp;
    QString BackgroundColor;
    QString ForegroundColor;
    bool FontBold = false;
    bool FontItalic = false;
    quint8 FontSize = 0;
    // The editor's value rules (FieldType, Format, Min, Max) as the layout
    // reader took them: a Format it found unusable is none.
    FieldValues::Rule rule;
    // FormatNum as the layout reader took it, for an int argument (FieldType
    // "int" or a bit group) or a double; not valid when it is unusable.
    ValueFormat formatNumRule{QString(), true};
};
