// The machine list and the machine editor: buttons and picture check boxes
// without text.
#include "PictureKit.h"

namespace {

const Tile kTiles[] = {
    // machine list
    {"machine+.png", 60, 60, "NEW", "#1b5e20"},
    {"machineEdit.png", 60, 60, "EDIT", "#1565c0"},
    {"machine-.png", 60, 60, "DEL", "#b71c1c"},
    // Z reference, beside the X pictures of the main window
    {"caliperZ.png", 51, 31, "REF Z", "#37474f"},
    {"gaugeZ.png", 41, 51, "GAUGE\nZ", "#546e7a"},
    // picture check boxes of the editor: checked / unchecked
    {"unitMM.png", 48, 48, "mm", "#00838f"},
    {"unitInch.png", 48, 48, "inch", "#6a1b9a"},
    {"XNormal.png", 48, 48, "X\n+", "#455a64"},
    {"XReversed.png", 48, 48, "X\n-", "#e65100"},
    {"ZNormal.png", 48, 48, "Z\n+", "#455a64"},
    {"ZReversed.png", 48, 48, "Z\n-", "#e65100"},
    {"swapOff.png", 48, 48, "X Z", "#455a64"},
    {"swapOn.png", 48, 48, "Z X", "#e65100"},
    {"machineRad.png", 48, 48, "RAD", "#00838f"},
    {"machineDia.png", 48, 48, "DIA", "#6a1b9a"},
    // configuration dialog: a disabled check box or radio button
    {"radioOffDis.png", 24, 24, "", "#d0d0d0"},
};

} // namespace

void drawMachinesPictures(PictureFolder &out)
{
    out.saveTiles(kTiles, 24);
}
