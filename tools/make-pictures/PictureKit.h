// Drawing shared by every set of placeholder pictures, and the folder they go to.
#pragma once

#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QString>

// A fully transparent picture to draw on.
QImage blankPicture(int width, int height);

// Steps the font's pixel size down from largest until fits(metrics) holds or
// smallest is reached, so a word is as big as its picture allows.
template <typename Fits>
void shrinkToFit(QFont &font, int largest, int smallest, Fits fits)
{
    for (int px = largest; px > smallest; --px) {
        font.setPixelSize(px);
        if (fits(QFontMetrics(font)))
            break;
    }
}

// Pictograms that say what a button does without a word.
enum class Glyph {
    None,
    LockOpen, LockClosed,       // axis free / locked
    ClampOpen, ClampClosed,     // tool clamp
    Crosshair, Target,          // fixed cross, auto targeting
    PickPoint,                  // a point picked under the cross
    Camera, Snowflake, Question, Printer, Power, Magnifier,
    AngleAuto, AngleReticle, AngleTwoPoints, AngleObtuse, AngleAcute,
    CircleAuto, CircleReticle, CircleFivePoints,
    Threshold, Greys,           // black-and-white or grey picture
    Send,                       // a data sheet handed on (to the CNC)
    Cancel,                     // leave or stop what runs
};

// A coloured rounded tile with a pictogram and/or a bold word; with a
// pictogram the word is small, underneath. An empty colour leaves the tile
// out and draws the word only.
struct Tile
{
    const char *file;
    int w, h;
    const char *word;
    const char *colour;
    Glyph glyph = Glyph::None;
};
QImage drawTile(const Tile &t, int largestPixelSize);

// Where one set of pictures is written; counts what was saved and what failed.
class PictureFolder
{
public:
    explicit PictureFolder(const QString &path);
    bool exists() const;
    // The format follows the name's suffix.
    void save(const QString &name, const QImage &img);
    void saveTiles(const Tile *tiles, int count, int largestPixelSize);
    template <int N>
    void saveTiles(const Tile (&tiles)[N], int largestPixelSize) { saveTiles(tiles, N, largestPixelSize); }
    int written() const { return m_written; }
    int failures() const { return m_failures; }
    QString path() const { return m_dir.path(); }

private:
    QDir m_dir;
    bool m_exists;
    int m_written = 0;
    int m_failures = 0;
};

// One function per set, each writing into the set's own folder.
void drawKeyboardPictures(PictureFolder &out);
void drawMainWindowPictures(PictureFolder &out);
void drawCamPanelPictures(PictureFolder &out);
void drawToolingPictures(PictureFolder &out);
void drawMachinesPictures(PictureFolder &out);
void drawDncPictures(PictureFolder &out);
void drawPostProPictures(PictureFolder &out);
void drawDemoPictures(PictureFolder &out);
void drawRfidPictures(PictureFolder &out);
