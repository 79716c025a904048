#pragma once

#include <QByteArray>
#include <QList>

// The board's side of the AXB wire protocol, as the stand-ins for the board
// (the simulator and the test board) play it: request frames in, position
// lines out, output and reset commands changing the reported state.
struct AxbBoardModel
{
    int x = 0;
    int z = 0;
    int c = 0;
    bool cAxis = false;
    int inputs = 128;
    int outputs = 0;
    int type = -1;          // reported as " T<n>" when not negative
    bool referenced = false; // upper-case axis letters once referenced

    // Takes the complete frames (ENQ, text, CR) out of `pending` and returns
    // their texts; bytes outside a frame are dropped, a started frame is kept.
    static QList<QByteArray> takeFrames(QByteArray &pending);
    // "H", "S", "?" and "N" ask for a position line.
    static bool isStatusRequest(const QByteArray &text);

    // "B<n>" sets the outputs, "R" references the axes; anything else is ignored.
    void apply(const QByteArray &text);
    // The answer to a status request, with the model's counts or given ones.
    QByteArray positionLine() const { return positionLine(x, z, c); }
    QByteArray positionLine(int xCount, int zCount, int cCount) const;
};
