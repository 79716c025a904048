#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include "shared/FieldValues.h"

// The keys a DNC layout field and a tag layout field share, under their
// layout key names, with the defaults an absent key gives: how the editor
// shows, edits and checks the field. Its value rules (FieldType, Format, Min,
// Max) are the Rule it is; each layout's record adds its own keys.
struct LayoutField : FieldValues::Rule
{
    QString Label;
    QString DefaultValue;
    bool AutoDefault = false;
    QStringList List;
    bool BitField = false;
    quint8 BitMask = 0;
    bool Locked = false;
    bool Visible = true;
    QVariant value;
    bool GetX = false;
    bool GetZ = false;
    bool RightJustify = false;
    QString Script;
    QString RegExp;
    QString BackgroundColor;
    QString ForegroundColor;
    bool FontBold = false;
    bool FontItalic = false;
    quint8 FontSize = 99;
};
