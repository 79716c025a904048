#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <memory>

#include "axis/ManageSerialPort.h"
#include "rfid/BalluffLayout.h"

// One RFID read/write head on a serial line: reads and writes blocks of the
// tag, asks whether a tag is in front of the head, and keeps the text of the
// last error. Every wait runs the event loop, so the editor's Abort button
// (abortOperation) ends it at its next pass.
class QBalluff : public ManageSerialPort
{
    Q_OBJECT
public:
    enum BalluffCommand {
        BC_IDLE = 0,
        BC_DONE = 2,
        BC_ERROR = 3,
        BC_READ_SENT = 5,
        BC_WRITE_SENT = 6,
        BC_READ_ACKED = 7,
        BC_WRITE_ACKED = 8,
        BC_QUERY_SENT = 9
    };

    explicit QBalluff(QObject *parent = nullptr);
    // Works on the given port instead of a serial terminal (a scripted one in
    // tests); takes ownership.
    explicit QBalluff(std::unique_ptr<AbstractSerialPort> port);
    ~QBalluff() override;

    bool openBalluffInterface(QString port, BaudRateType baud, DataBitsType dataBits,
                              ParityType parity, StopBitsType stopBits, FlowType flow);
    void closeBalluffInterface();
    bool readBalluff(QByteArray *out, int address, int count, int head, int flag);
    bool writeBalluff(QByteArray data, int address, int count, int head, int flag);
    bool tagPresent();
    int queryBalluff();
    void processAnswer();
    int sendDataWithBCC(QByteArray &telegram);
    void setError(char code);
    QString getError() const { return errorText; }
    BalluffCommand getState() const { return state; }
    void setState(BalluffCommand s) { state = s; }
    void setBisM(bool on) { bisM = on; }
    bool isBisM() const { return bisM; }

    // Pauses of the waits, in milliseconds.
    static const int kPassMs = 10;
    static const int kQueryPassMs = 50;
    // The most bytes kept from the head: twice its longest answer (a block
    // of the largest tag and its check byte). A head that sends more is
    // talking garbage; the buffer is emptied rather than grown.
    static const int kMaxReceived = 2 * (BalluffLayout::kMaxTelegramNumber + 1);
    // How long a close waits for an aborted operation to wind up.
    static const int kCloseWaitMs = 1000;

public slots:
    void abortOperation();

signals:
    void BnewDataReceived(QByteArray dataReceived);

private:
    void init();
    // Runs the event loop for ms; a wait for an answer ends early when the
    // head sends. False when this object was deleted meanwhile: the caller
    // then returns at once without touching it.
    bool pause(int ms, bool wakeOnData = true);
    QByteArray requestTelegram(char letter, int address, int count, int head, int flag) const;
    // Sends a read or write request and waits for the head's acknowledgement.
    bool sendRequest(QByteArray &telegram, BalluffCommand sent, BalluffCommand acked);

    QMutex mutex;
    BalluffCommand state = BC_IDLE;
    QString errorText;
    bool bisM = false;
    int queryResult = 0;
    bool abortRequested = false;
};
