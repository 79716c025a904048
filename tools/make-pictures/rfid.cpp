// The RFID tag editor's command buttons.
#include "PictureKit.h"

namespace {

const Tile kTiles[] = {
    {"balluffWrite.png", 70, 70, "WR", "#c62828"},
    {"balluffRead.png", 70, 70, "RD", "#2e7d32"},
};

} // namespace

void drawRfidPictures(PictureFolder &out)
{
    out.saveTiles(kTiles, 24);
}
