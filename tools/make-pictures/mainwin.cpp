// The main window's form: buttons that show icons only, style sheet
// decorations and the background of the small sliding panels.
#include "PictureKit.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// Button icons are drawn as round tiles, plain pictures as rectangles.
const Tile kTiles[] = {
    // axis rows
    {"LockOn.png", 50, 50, "", "#2e7d32", Glyph::LockOpen},
    {"LockOff.png", 50, 50, "", "#b71c1c", Glyph::LockClosed},
    {"Abs.png", 50, 50, "ABS", "#1565c0"},
    {"Incr.png", 50, 50, "INC", "#f9a825"},
    {"TypeX.png", 40, 40, "X=", "#455a64"},
    {"TypeZ.png", 40, 40, "Z=", "#455a64"},
    {"TypeC.png", 35, 35, "C=", "#455a64"},
    {"Rad.png", 40, 40, "RAD", "#00838f"},
    {"Dia.png", 40, 40, "DIA", "#6a1b9a"},
    {"help.png", 46, 60, "HELP", "#0277bd", Glyph::Question},
    {"CamAngle.png", 60, 60, "ANGLE", "#5d4037", Glyph::AngleAuto},
    {"meas_normal.png", 40, 40, "NORM", "#37474f"},
    {"meas_rotated.png", 40, 40, "ROT", "#e65100"},
    // machine and table selection
    {"machine.png", 60, 60, "MACHINES", "#283593"},
    {"ToolingTables.png", 60, 60, "TABLES", "#1b5e20"},
    {"balluff.png", 60, 60, "RFID", "#4e342e"},
    {"datamatrixBtn.png", 60, 60, "DMX", "#263238"},
    // camera bar
    {"Camera.png", 50, 50, "", "#0d47a1", Glyph::Camera},
    {"RetFix.png", 50, 50, "", "#33691e", Glyph::Crosshair},
    {"Autocoll.png", 50, 50, "", "#004d40", Glyph::Target},
    {"freeze.png", 50, 50, "", "#01579b", Glyph::Snowflake},
    // machine functions
    {"SpindleOk.png", 191, 220, "SPINDLE OK", "#1b5e20"},
    // Every panel's exit and the tag editor's abort: leave or stop.
    {"Exit.png", 70, 70, "", "#8e0000", Glyph::Cancel},
    {"Index.png", 60, 60, "INDEX", "#4a148c"},
    {"Brake.png", 50, 50, "BRAKE", "#bf360c"},
    {"Clamped.png", 110, 59, "CLAMPED", "#2e7d32", Glyph::ClampClosed},
    {"Unclamped.png", 110, 59, "OPEN", "#757575", Glyph::ClampOpen},
    // The same states on machines of other types, told apart by their colours.
    {"Clamped2.png", 110, 59, "CLAMPED", "#00695c", Glyph::ClampClosed},
    {"Unclamped2.png", 110, 59, "OPEN", "#bf360c", Glyph::ClampOpen},
    {"TestRnOut.png", 70, 70, "RUN\nOUT", "#3e2723"},
    {"pivraClamp.png", 70, 70, "CLAMP", "#1a237e"},
    {"autoSpindle.png", 70, 70, "AUTO\nSPDL", "#006064"},
    {"StandBy.png", 40, 40, "", "#b71c1c", Glyph::Power},
    // sliding panels
    {"Confirm.png", 70, 70, "OK", "#2e7d32"},
    {"XWrithe.png", 60, 60, "SET X", "#37474f"},
    {"ZWrithe.png", 60, 60, "SET Z", "#37474f"},
    {"CWrithe.png", 60, 60, "SET C", "#37474f"},
    {"ViewModeColor.png", 70, 70, "COLOR", "#6a1b9a"},
    {"ColorCyan.png", 70, 70, "CYAN", "#00acc1"},
    {"ColorWhite.png", 70, 70, "WHITE", "#bdbdbd"},
    {"ColorMagenta.png", 70, 70, "MAGEN", "#ad1457"},
    {"ColorYellow.png", 70, 70, "YELL", "#f9a825"},
    {"CamRadiusReticle.png", 70, 70, "SET", "#00695c", Glyph::CircleReticle},
    {"InsertRadius.png", 70, 70, "SHOW", "#00897b", Glyph::CircleReticle},
    {"CamAngleReticle.png", 70, 70, "SET", "#4e342e", Glyph::AngleReticle},
    {"InsertAngle.png", 70, 70, "SHOW", "#6d4c41", Glyph::AngleReticle},
    {"CamAngle2Point.png", 70, 70, "PICK", "#5d4037", Glyph::AngleTwoPoints},
    {"Reticle.png", 70, 70, "PICK", "#455a64", Glyph::PickPoint},
    {"CamRadius5Point.png", 70, 70, "PICK", "#00796b", Glyph::CircleFivePoints},
    {"CamRadius.png", 70, 70, "RADIUS", "#00695c", Glyph::CircleAuto},
    {"AngleOptuse.png", 51, 51, "", "#5d4037", Glyph::AngleObtuse},
    {"AngleAcute.png", 51, 51, "", "#8d6e63", Glyph::AngleAcute},
    {"caliperX.png", 51, 31, "REF X", "#37474f"},
    {"gaugeX.png", 41, 51, "GAUGE", "#546e7a"},
    {"write.png", 60, 60, "INPUT", "#37474f"},
    {"stop_ciclo.png", 55, 55, "STOP", "#b71c1c"},
    {"start_ciclo.png", 55, 55, "START", "#1b5e20"},
    {"scrollLeft.png", 55, 55, "<", "#37474f"},
    {"scrollRight.png", 55, 55, ">", "#37474f"},
    {"Light.png", 40, 40, "LIGHT", "#f57f17"},
    {"ViewMode.png", 70, 70, "INSPECT", "#4a148c", Glyph::Magnifier},
    {"Dgt.png", 70, 70, "B/W", "#263238", Glyph::Threshold},
    {"Analog.png", 70, 70, "GREY", "#607d8b", Glyph::Greys},
    {"Profile.png", 70, 70, "PROFILE", "#0277bd"},
    {"DelProfile.png", 70, 70, "CLEAR\nPROFILE", "#01579b"},
    // label panel
    {"tool.png", 60, 60, "T", "#1565c0"},
    {"toolCode.png", 60, 60, "CODE", "#1565c0"},
    {"SaveX.png", 60, 60, "GET X", "#2e7d32"},
    {"SaveZ.png", 60, 60, "GET Z", "#2e7d32"},
    {"Printer.png", 60, 60, "", "#37474f", Glyph::Printer},
    {"dnc.png", 60, 60, "DNC", "#283593"},
    {"clear.png", 60, 60, "CLEAR", "#8e0000"},
    // style sheet decorations
    {"DownArrowSmall.png", 20, 20, "v", ""},
    {"radioOn.png", 24, 24, "o", "#2e7d32"},
    {"radioOff.png", 24, 24, "", "#9e9e9e"},
    {"verticalScale.png", 20, 200, "", "#546e7a"},
    {"verticalTick.png", 20, 12, "", "#ffca28"},
    {"verticalPlus.png", 20, 20, "+", "#37474f"},
    {"verticalMinus.png", 20, 20, "-", "#37474f"},
    {"horizontalScale.png", 200, 20, "", "#546e7a"},
    {"horizontalTick.png", 12, 20, "", "#ffca28"},
    {"horizontalPlus.png", 20, 20, "+", "#37474f"},
    {"horizontalMinus.png", 20, 20, "-", "#37474f"},
    {"scrollUp.png", 20, 14, "^", ""},
    {"scrollDown.png", 20, 14, "v", ""},
};

// The background of the small sliding panels: opaque, so that the live view
// and its marks do not show through the values.
QImage frame()
{
    QImage img = blankPicture(410, 120);
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(125, 125, 125), 2));
    painter.setBrush(QColor(20, 20, 20));
    painter.drawRoundedRect(QRectF(1, 1, 408, 118), 8, 8);
    return img;
}

// The logo of an installation without a customer's own: the program's name
// beside a tool tip, on the configure button, the window and the reports.
QImage logo()
{
    QImage img = blankPicture(100, 50);
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(190, 190, 190), 1));
    painter.setBrush(QColor("#eceff1"));
    painter.drawRoundedRect(QRectF(1, 1, 98, 48), 9, 9);
    QPainterPath tip;
    tip.moveTo(9, 38);
    tip.lineTo(29, 12);
    tip.lineTo(33, 38);
    tip.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor("#e65100"));
    painter.drawPath(tip);
    QFont f(QStringLiteral("Sans Serif"));
    f.setBold(true);
    f.setPixelSize(26);
    painter.setFont(f);
    painter.setPen(QColor("#1a237e"));
    painter.drawText(QRectF(36, 4, 60, 42), Qt::AlignCenter, QStringLiteral("T8A"));
    return img;
}

} // namespace

void drawMainWindowPictures(PictureFolder &out)
{
    out.saveTiles(kTiles, 28);
    out.save(QStringLiteral("Frame.png"), frame());
    out.save(QStringLiteral("Logo.png"), logo());
}
