#ifndef FIELDSTYLE_H
#define FIELDSTYLE_H

// Colours and font size a layout field leaves empty (size 99) are those of the
// field before it; the first field falls back to black on white, 10 points.
// Shared by the DNC and the RFID tag layouts, whose fields carry the same keys.

#include <QString>

template <typename Field>
void inheritFieldStyle(Field &f, const Field *prev)
{
    if (f.BackgroundColor.isEmpty())
        f.BackgroundColor = prev ? prev->BackgroundColor : QStringLiteral("white");
    if (f.ForegroundColor.isEmpty())
        f.ForegroundColor = prev ? prev->ForegroundColor : QStringLiteral("black");
    if (f.FontSize == 99)
        f.FontSize = prev ? prev->FontSize : 10;
}

#endif
