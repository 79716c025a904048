#pragma once

#include <QString>

#include "shared/LayoutField.h"
#include "shared/ValueFormat.h"

// One field of a tag layout: where its bytes lie on the tag, how they are
// encoded, and how the tag editor shows, edits and checks the value.
struct DatiCampo : LayoutField
{
    qint32 Address = 0;
    qint32 ByteLength = 0;
    QString FirstByte;
    QString Type;
    QString FormatNum;
    bool ResetToDefault = false;
    qint32 Div = 0;
    // Edited through a drop-down list: List has items, and neither an input
    // box nor BitField edits the field.
    bool hasList = false;
    bool HasInputBox = false;
    QString rawHex;
    qint32 diaMpy = 0;
    // FormatNum as the layout reader took it, for an int argument (an int
    // field or a bit group) or a double; not valid when it is unusable.
    ValueFormat formatNumRule{QString(), true};
};
