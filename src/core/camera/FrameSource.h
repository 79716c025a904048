#pragma once

#include <QPointF>
#include <QtGlobal>

class QImage;

// Supplies the pictures that the in-memory camera puts into its capture buffers.
class CFrameSource
{
public:
    virtual ~CFrameSource();

    // Writes the next frame: 8-bit grey, `height` rows of `width` bytes at `dst`.
    // Called from the capture thread.
    virtual void nextFrame(uchar *dst, int width, int height) = 0;

    // Puts `picture` (converted to 8-bit grey) centred into the frame; the rest of
    // the frame is white (255) and a picture larger than the frame is cropped
    // around its centre. A null picture gives a white frame.
    static void placeCentred(const QImage &picture, uchar *dst, int width, int height);

    // Writes the frame `src` moved by `shift` pixels (right and down) into
    // `dst`, both `height` rows of `width` bytes: fractions of a pixel, in
    // sixteenths, blend neighbouring pixels, and what comes in from outside
    // repeats the frame's border, as a camera passing over a longer tool
    // would see it.
    static void shiftFrame(const uchar *src, uchar *dst, int width, int height, QPointF shift);
};
