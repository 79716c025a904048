#include "support/BalluffHeadPort.h"

qint64 BalluffHeadPort::write(const char *data, qint64 size)
{
    const qint64 n = FakeSerialPort::write(data, size);
    QByteArray answer;
    {
        QMutexLocker lock(&m_modelMutex);
        answer = m_model.take(QByteArray(data, int(size)));
    }
    if (!answer.isEmpty())
        feed(answer);
    return n;
}
