// The tooling-table panels: buttons that show icons only.
#include "PictureKit.h"

namespace {

const Tile kTiles[] = {
    // tooling-table editor
    {"caliperXsave.png", 60, 50, "X", "#2e7d32"},
    {"caliperZsave.png", 60, 50, "Z", "#2e7d32"},
    {"Xth.png", 31, 31, "Xn", "#455a64"},
    {"Zth.png", 41, 31, "Zn", "#455a64"},
    {"tool+.png", 54, 55, "T+", "#1b5e20"},
    {"tool-.png", 54, 55, "T-", "#b71c1c"},
    {"tool-search.png", 62, 61, "FIND", "#0277bd"},
    {"print-label.png", 54, 55, "LABEL", "#37474f"},
    // tooling-table list
    {"tableEdit.png", 55, 55, "EDIT", "#1565c0"},
    {"table+.png", 55, 55, "NEW", "#1b5e20"},
    {"table-.png", 55, 55, "DEL", "#b71c1c"},
    {"tableCopy.png", 55, 55, "COPY", "#4e342e"},
    {"tableRename.png", 55, 55, "NAME", "#6a1b9a"},
    // The post-processor's file and the DNC panel's send: the tool data
    // handed on to the CNC.
    {"tarn.png", 55, 55, "", "#e65100", Glyph::Send},
    {"tableCsvImport.png", 55, 55, "CSV", "#00695c"},
    {"tools-search.png", 41, 41, "?", "#0277bd"},
};

} // namespace

void drawToolingPictures(PictureFolder &out)
{
    out.saveTiles(kTiles, 28);
}
