#pragma once

#include <QByteArray>
#include <QTemporaryFile>

// Collects what the process writes to standard error from construction
// until text() is called (or the object goes).
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    QByteArray text();

private:
    void restore();
    QTemporaryFile m_file;
    int m_saved = -1;
};
