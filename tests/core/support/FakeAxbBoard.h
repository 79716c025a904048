#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPoint>
#include <QString>

#include "axis/AxbBoardModel.h"

#include <atomic>
#include <thread>

// A stand-in for the axis controller board on a pseudo-terminal. The program
// opens slavePath() as its board port; the board reads the master side in a
// thread of its own, so frame times are taken when the bytes arrive even while
// the program's thread is held (output pulses).
//
// Every frame (ENQ, text, CR) is logged with its arrival time. Status requests
// (H, S, ?, N) are answered at once: with the next scripted reply when one is
// queued, else, when auto answer is on, with a position line built from the
// board state. "B<n>" sets the reported outputs, "R" marks the axes as
// referenced (upper-case letters from then on).
class FakeAxbBoard : public QObject
{
    Q_OBJECT
public:
    struct Frame
    {
        QByteArray text;   // without ENQ and CR
        qint64 atMs;       // milliseconds since the board was created
    };

    explicit FakeAxbBoard(QObject *parent = nullptr);
    ~FakeAxbBoard() override;

    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Board state used for the generated position lines.
    void setAutoAnswer(bool on);
    void setCounts(int x, int z);
    // The X and Z counts now reported (x, y = X, Z).
    QPoint counts() const;
    void setInputs(int inputs);
    void setOutputs(int outputs);
    void setCAxis(bool on, int c = 0);
    void setReferenced(bool on);
    QByteArray positionLine() const;

    // Scripted replies, used in order before any generated line.
    void queueReply(const QByteArray &bytes);
    // Writes bytes to the program at once, unasked.
    void write(const QByteArray &bytes);
    // Everything written to the program was read by it: nothing waits on the line.
    bool allRead() const;

    QList<Frame> frames() const;
    QList<QByteArray> frameTexts() const;
    int frameCount() const;
    int countFrames(const QByteArray &text) const;
    void clearFrames();
    qint64 elapsedMs() const;

signals:
    void frameReceived(QByteArray text);

private:
    void run();
    void handleFrame(const QByteArray &text, qint64 atMs);
    void writeAll(const QByteArray &bytes);

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};

    mutable QMutex m_mutex;
    QList<Frame> m_frames;
    QList<QByteArray> m_replies;
    QByteArray m_pending;
    bool m_autoAnswer = true;
    AxbBoardModel m_board;
    qint64 m_startNs = 0;
};
