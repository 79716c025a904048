#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// How long the thread that made it was held: a 10 ms timer notes the longest
// time past its due that it fired (measured from start()).
class HoldProbe : public QObject
{
    Q_OBJECT
public:
    explicit HoldProbe(QObject *parent = nullptr);

    void start();
    // Milliseconds of the longest hold so far, including the one still running.
    qint64 longestMs() const;

private:
    QTimer timer;
    QElapsedTimer sinceTick;
    qint64 longest = 0;
};
