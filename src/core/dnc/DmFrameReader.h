#pragma once

#include <QByteArray>
#include <QString>

// The DataMatrix scanner's wire: each code between STX and ETX. The reader
// finds a code in the bytes received; frame() is the scanner's side (used by
// its stand-ins).
class DmFrameReader
{
public:
    // No code is this long: a buffer past it without a frame is dropped.
    static const int kMaxBuffer = 4096;

    // Appends; when an STX ... ETX frame is complete, code = its bytes cut
    // before the first NUL (8-bit text), the buffer is emptied (bytes after
    // the ETX are lost) and true is returned. Each STX starts the frame
    // afresh: what an earlier STX began without its ETX (a read cut short) is
    // no part of the code.
    bool append(const QByteArray &bytes, QString &code);
    void clear() { m_bytes.clear(); }
    int size() const { return m_bytes.size(); }

    static QByteArray frame(const QByteArray &code);

private:
    QByteArray m_bytes;
};
