#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

// The far end of a serial line for tests: a pseudo-terminal pair whose slave
// path is given to the code under test (as its port name) while the test
// reads and writes the master side.
//
// Two ways to use it, not to be mixed on one peer:
// - step by step from the test body: write(), read(), readUntil(), readFor();
// - as an answering device while the code under test waits in an event loop:
//   setResponder() gets every chunk the code sends and returns the bytes to
//   send back (answered from the event loop of the thread that made the peer).
class PtyPeer : public QObject
{
    Q_OBJECT
public:
    enum LineMode {
        Raw,     // the line is raw from the start (what a serial line gives)
        Terminal // as openpty leaves it: echo, CR/LF mapping; the port must undo it
    };

    explicit PtyPeer(LineMode mode = Raw, QObject *parent = nullptr);
    ~PtyPeer() override;

    bool isValid() const { return m_master >= 0; }
    QString errorString() const { return m_error; }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Writes all bytes, waiting while the line is full; false on failure or
    // when timeoutMs passes without progress.
    bool write(const QByteArray &data, int timeoutMs = 2000);
    // Returns what is waiting now, without waiting.
    QByteArray readAvailable();
    // Waits until count bytes arrived or timeoutMs passed; returns what came.
    QByteArray read(int count, int timeoutMs = 2000);
    // Waits until the bytes received end with terminator (returned with it),
    // or timeoutMs passed (then returns what came, without the terminator).
    QByteArray readUntil(const QByteArray &terminator, int timeoutMs = 2000);
    // Collects everything that arrives during ms milliseconds: to show that
    // nothing (more) is sent.
    QByteArray readFor(int ms);
    // Waits until bytes are waiting; false after timeoutMs.
    bool waitForReadyRead(int timeoutMs);
    // Everything written here was read at the other end: nothing waits on
    // the line for the code under test.
    bool allRead() const;

    // Answers every chunk the code under test sends; the returned bytes are
    // written back at once (empty: no answer). Received bytes also stay in
    // received(). Pass an empty function to stop answering.
    void setResponder(std::function<QByteArray(const QByteArray &chunk)> responder);
    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }

    // Closes the master side: the code under test sees the peer hang up.
    void hangUp();

signals:
    // A chunk read by the responder (setResponder).
    void chunkReceived(const QByteArray &chunk);

private:
    void onReadable();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
    QSocketNotifier *m_notifier = nullptr;
    std::function<QByteArray(const QByteArray &)> m_responder;
    QByteArray m_received;
};
