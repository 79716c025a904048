#include "rfid/qballuff.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMutexLocker>
#include <QPointer>
#include <QSettings>
#include <QTimer>

#include "rfid/BalluffTelegram.h"
#include "shared/App.h"

QBalluff::QBalluff(QObject *) : ManageSerialPort()
{
    init();
}

QBalluff::QBalluff(std::unique_ptr<AbstractSerialPort> port) : ManageSerialPort(std::move(port))
{
    init();
}

void QBalluff::init()
{
    setBufferLimit(kMaxReceived);
    connect(this, &ManageSerialPort::MnewDataReceived, this, &QBalluff::BnewDataReceived);
}

QBalluff::~QBalluff() = default;

bool QBalluff::pause(int ms, bool wakeOnData)
{
    QPointer<QBalluff> self(this);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (wakeOnData)
        connect(this, &ManageSerialPort::MnewDataReceived, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
    return !self.isNull();
}

QByteArray QBalluff::requestTelegram(char letter, int address, int count, int head, int flag) const
{
    if (bisM)
        head = flag = 1;
    return QByteArray(1, letter) + BalluffTelegram::digits(address, count, head, flag);
}

void QBalluff::setError(char code)
{
    bool known = false;
    const QString text = BalluffTelegram::errorText(code, const_cast<QBalluff *>(this)->getPort(), &known);
    if (known)
        errorText = text;
}

int QBalluff::sendDataWithBCC(QByteArray &telegram)
{
    telegram.append(BalluffTelegram::bcc(telegram));
    return sendData(telegram);
}

void QBalluff::processAnswer()
{
    if (!isReceivingEnabled())
        return;
    const QByteArray buffer = getBuffer();
    if (buffer.size() < 2)
        return;
    switch (state) {
    case BC_READ_SENT:
    case BC_WRITE_SENT:
    case BC_WRITE_ACKED: {
        char code = 0;
        const BalluffTelegram::Answer a = BalluffTelegram::requestAnswer(buffer, &code);
        if (a == BalluffTelegram::Acknowledged) {
            state = state == BC_READ_SENT    ? BC_READ_ACKED
                    : state == BC_WRITE_SENT ? BC_WRITE_ACKED
                                             : BC_DONE;
            resetBuffer();
        } else if (a == BalluffTelegram::Refused) {
            state = BC_ERROR;
            setError(code);
            resetBuffer();
        }
        break;
    }
    case BC_QUERY_SENT:
        queryResult = BalluffTelegram::presenceAnswer(buffer);
        break;
    case BC_DONE:
    case BC_ERROR:
        resetBuffer();
        break;
    default:
        break;
    }
}

bool QBalluff::openBalluffInterface(QString port, BaudRateType baud, DataBitsType dataBits,
                                    ParityType parity, StopBitsType stopBits, FlowType flow)
{
    QSettings &s = App::kovraSettings();
    const QString dncPort = s.value("/TTY/DncPort", QString()).toString();
    const QString axbPort = s.value("/TTY/AxbPort", QStringLiteral("/dev/ttyS0")).toString();
    if (port == dncPort) {
        errorText = QStringLiteral("TTY port used by DNC");
        return false;
    }
    if (port == axbPort) {
        errorText = QStringLiteral("TTY port used by AXB");
        return false;
    }
    if (isOpen())
        close();
    setPort(port);
    setBaudRate(baud);
    setDataBits(dataBits);
    setParity(parity);
    setStopBits(stopBits);
    setFlowControl(flow);
    setTimeout(0, 10);
    enableSending();
    enableReceiving();
    setLinkName(QStringLiteral("RFID"));
    if (open()) {
        resetBuffer();
        receiveData();
        return true;
    }
    if (isInUse())
        errorText = busyText();
    else
        setError('O');
    state = BC_IDLE;
    return false;
}

void QBalluff::closeBalluffInterface()
{
    if (state != BC_IDLE) {
        abortOperation();
        // The aborted operation's caller sets the state back to idle; after
        // an abort outside any operation nobody will, so the wait is bounded.
        QElapsedTimer clock;
        clock.start();
        while (state != BC_IDLE && clock.elapsed() < kCloseWaitMs)
            if (!pause(kPassMs))
                return;
    }
    close();
}

bool QBalluff::sendRequest(QByteArray &telegram, BalluffCommand sent, BalluffCommand acked)
{
    resetBuffer();
    state = sent;
    if (sendDataWithBCC(telegram) != 0) {
        setError('X');
        state = BC_ERROR;
        return false;
    }
    for (;;) {
        processAnswer();
        if (state == acked)
            return true;
        if (state == BC_ERROR)
            return false;
        if (!pause(kPassMs))
            return false;
    }
}

bool QBalluff::readBalluff(QByteArray *out, int address, int count, int head, int flag)
{
    QByteArray telegram = requestTelegram('L', address, count, head, flag);
    resetBuffer();
    state = BC_READ_SENT;
    if (!tagPresent())
        return false;

    if (!sendRequest(telegram, BC_READ_SENT, BC_READ_ACKED))
        return false;

    QByteArray start(1, BalluffTelegram::STX);
    if (sendData(start) != 0) {
        setError('X');
        state = BC_ERROR;
        return false;
    }
    for (;;) {
        if (state == BC_DONE)
            return true;
        if (state == BC_ERROR)
            return false;
        processAnswer();
        QByteArray data;
        const BalluffTelegram::Answer a = BalluffTelegram::readReply(getBuffer(), count, &data);
        if (a == BalluffTelegram::Acknowledged) {
            state = BC_DONE;
            if (out)
                *out = data;
        } else if (a == BalluffTelegram::Refused) {
            setError('Y');
            state = BC_ERROR;
        } else if (!pause(kPassMs)) {
            return false;
        }
    }
}

bool QBalluff::writeBalluff(QByteArray data, int address, int count, int head, int flag)
{
    QByteArray telegram = requestTelegram('P', address, count, head, flag);
    state = BC_WRITE_SENT;
    if (!tagPresent())
        return false;

    if (!sendRequest(telegram, BC_WRITE_SENT, BC_WRITE_ACKED))
        return false;

    QByteArray block = QByteArray(1, BalluffTelegram::STX) + data;
    if (sendDataWithBCC(block) != 0) {
        setError('X');
        state = BC_ERROR;
        return false;
    }
    for (;;) {
        processAnswer();
        if (state == BC_DONE)
            return true;
        if (state == BC_ERROR)
            return false;
        if (!pause(kPassMs))
            return false;
    }
}

int QBalluff::queryBalluff()
{
    if (abortRequested)
        return queryResult;
    state = BC_QUERY_SENT;
    abortRequested = false;
    resetBuffer();
    queryResult = 0;
    QByteArray query("U");
    if (sendDataWithBCC(query) != 0) {
        setError('X');
        state = BC_ERROR;
        return 2;
    }
    while (state != BC_ERROR) {
        processAnswer();
        if (queryResult != 0)
            return queryResult;
        if (!pause(kQueryPassMs))
            return 0;
    }
    return queryResult;
}

bool QBalluff::tagPresent()
{
    if (!bisM) {
        // CTS mode: the head raises CTS while a tag is in front of it. The
        // checks are paced so the wait does not take a whole core.
        for (;;) {
            if (isCtsOn())
                return state != BC_ERROR;
            if (state == BC_ERROR)
                return false;
            processAnswer();
            if (!pause(kPassMs))
                return false;
        }
    }
    // The editor may go away while a wait runs the event loop: nothing of
    // this object is touched after that.
    QPointer<QBalluff> self(this);
    abortRequested = false;
    int answer = queryBalluff();
    while (self && answer != 1) {
        if (state == BC_ERROR || abortRequested)
            break;
        if (!pause(kQueryPassMs, false))
            return false;
        emit toggledCTS(false);
        if (!self || state == BC_ERROR || abortRequested)
            break;
        answer = queryBalluff();
    }
    if (!self)
        return false;
    const bool present = answer == 1 && state != BC_ERROR && !abortRequested;
    // Asked, not signalled by a line: say that the tag is there.
    if (present)
        emit toggledCTS(true);
    return present;
}

void QBalluff::abortOperation()
{
    QMutexLocker lock(&mutex);
    resetBuffer();
    state = BC_ERROR;
    setError('Z');
    abortRequested = true;
}
