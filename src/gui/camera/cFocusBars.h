#pragma once

#include <QObject>
#include <QTimer>

class QPainter;
class QWidget;

// Four small ramp graphs of the edge sharpness at the four extreme points
// (min X, max X, min Z, max Z), each with a peak mark held for a while after
// a new peak.
class cFocusBars : public QObject
{
    Q_OBJECT
public:
    enum Graph { MinX = 0, MaxX = 1, MinZ = 2, MaxZ = 3 };

    // The parent is not taken as Qt parent: the owner keeps the object as a member.
    cFocusBars(QWidget* parent, int x, int y, int width, int height);

    void setSize(int x, int y, int width, int height);
    void drawFocus(QPainter* painter, int minX, int maxX, int minZ, int maxZ);

    // How long a peak stays after it was last raised (3000 ms in the program).
    void setPeakHoldTime(int ms) { holdMs = ms; }
    int peakHoldTime() const { return holdMs; }

    bool isPeakShown(Graph g) const { return holds[g].shown; }
    int heldPeak(Graph g) const { return holds[g].peak; }

private slots:
    void slot_hideMinXFocus();
    void slot_hideMaxXFocus();
    void slot_hideMinZFocus();
    void slot_hideMaxZFocus();

private:
    struct PeakHold
    {
        bool shown = false;
        int peak = 0;
        QTimer timer;
    };

    // Raises the hold of graph g to n bars when n is above it, restarting its timer.
    void raise(Graph g, int n);
    void clear(Graph g);

    int x = 0, y = 0, width = 0, height = 0;
    int cx = 0, cy = 0;
    int holdMs = 3000;
    PeakHold holds[4];
};
