#pragma once

#include <QMutex>

#include "rfid/BalluffHeadModel.h"
#include "support/FakeSerialPort.h"

// A read/write head behind the scripted serial port (CTS mode): the test
// raises and drops CTS (setLineStatus) for the tag's presence; the bytes the
// program writes go to the head model, whose answers wait at the next poll.
class BalluffHeadPort : public FakeSerialPort
{
public:
    qint64 write(const char *data, qint64 size) override;

    // Runs f on the model under its lock (the port is used by the manager's
    // threads).
    template <typename F> void withModel(F f)
    {
        QMutexLocker lock(&m_modelMutex);
        f(m_model);
    }

private:
    QMutex m_modelMutex;
    BalluffHeadModel m_model;
};
