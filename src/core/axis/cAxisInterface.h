#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "axis/AxisCamera.h"

class ManageSerialPort;

// The one link to the axis controller board (AXB): polls it over the serial
// line, keeps the board state of the last position line, drives the board's
// outputs, and turns scale counts into machine coordinates and edge-corrected
// readouts. It lends the serial DNC service the position its lines send.
class cAxisInterface : public QObject
{
    Q_OBJECT
public:
    cAxisInterface(QObject *parent, AxisCamera *camera);
    ~cAxisInterface() override;

    // Why the board's device was left closed because another program or
    // another link of this one holds it (the main window tells the operator).
    QStringList busyPortTexts() const { return busyPorts; }

    // Text "A " followed by the angle the camera found; written by the main window.
    QString autoAngleText;

    // Board frames (ENQ, text, CR).
    void resetAXB();
    void resetScalesZeroes();
    void updateOutPlc(uchar value);
    // 200 ms pulse of an output bit on top of the lock bits; holds the calling thread.
    void SendCommand(uchar bit);

    // Board state of the last position line.
    bool isBrakeOn() const { return brakeOn; }
    bool isIndexOn() const { return indexOn; }
    bool isSpindleLocked() const { return spindleLocked; }
    bool isClampOn() const { return clampOn; }
    bool isEmergency() const { return emergency; }
    bool ZeroX() const { return zeroX; }
    bool ZeroZ() const { return zeroZ; }
    bool ZeroC() const { return zeroC; }
    int getScaleX() const { return scaleX; }
    int getScaleZ() const { return scaleZ; }
    uchar getInputs() const { return inputs; }
    uchar getOutputs() const { return outputs; }

    bool isXIncr() const;
    bool isZIncr() const;
    bool isCIncr() const;
    bool isMM() const;
    bool isRadius() const;
    void SetMM(bool mm);
    void SetRadiusMode(bool radius);
    int AxisLockStatus() const;

    // Coordinates and readouts.
    float convX_2_MacCoord(int counts) const;
    float convZ_2_MacCoord(int counts) const;
    double GetX_DXFref() const;
    double GetZ_DXFref() const;
    float ReadX() const;
    float ReadZ() const;
    // What the read-outs add for the tool's edge: machine X (a radius) and Z,
    // mm. None with the measure lines off or a turned camera. A zero or a
    // reference set to make an axis read a value takes this off first.
    QPointF readoutEdge() const;
    // The machine coordinate (tenths of a micrometre, X a radius) at which the
    // read-out of machine X (or Z) shows v, the edge it adds now taken off:
    // where a set panel puts an incremental zero or the default machine's reference.
    qint64 setValueCoordinate(bool machineX, double v) const;
    QString ReadXString() const;
    QString ReadZString() const;
    QString ReadCString() const;
    QString getCircleCenterX() const;
    QString getCircleCenterZ() const;
    QString getIntersectionX() const;
    QString getIntersectionZ() const;
    QString getCircleRadius() const;
    bool hasAutoAngle(QString &text) const;
    bool hasAutoCircle(QString &text) const;
    bool hasIntersectionX(QString &text) const;
    bool hasIntersectionZ(QString &text) const;
    bool hasCenterX(QString &text) const;
    bool hasCenterZ(QString &text) const;
    float GetX_CameraRef() const { return X; }
    float GetZ_CameraRef() const { return Z; }
    float ReadC() const { return C; }

    // Longest run of bytes kept while waiting for a line end; anything
    // older that cannot belong to a line any more is dropped beyond it.
    static constexpr int kMaxAssembly = 512;
    int pendingBytes() const { return tmpBlock.size(); }
    // The last position line used and how many were used so far.
    const QString &lastLine() const { return usedLine; }
    int linesUsed() const { return usedLines; }

    // The board counts as silent, its values no longer confirmed, when no
    // answer was parsed for longer than kSilenceMs (more than three request
    // periods), counted from the answer's arrival on the line (from
    // construction before the first one), while a request has waited longer
    // than kAnswerMs for its answer: a board that was not asked, or whose
    // answer could not be read, because the program was held, has not failed
    // to answer.
    static constexpr int kSilenceMs = 1000;
    static constexpr int kAnswerMs = 300;
    bool isSilent() const;
    // Before values are taken as a measure: parses the answers that arrived
    // while the GUI thread was held; when the last is older than kSilenceMs,
    // asks the board and waits for an answer up to kAnswerMs from the asking,
    // once per silence: false when none comes, and false at once while that
    // silence lasts. False at once before the board's first position line.
    bool confirmAnswering();
    // What a serial DNC position line sends: machine X and Z as the read-outs
    // stand (zeroes with "/TTY/SendTableMeasure"), or false when the board no
    // longer confirms them.
    bool positionForDnc(double &x, double &z);

signals:
    void UpdateAxesDisplay();
    void sigVacuumImg(int state);
    void sigUpdateGui();
    // The board went silent (true) or answered again (false).
    void silenceChanged(bool silent);

private slots:
    void slot_newDataReceived(QByteArray data);
    void checkSilence();

public slots:
    void ReceivedString(QString line);
    void SetIncrementalX(bool incr, float newVal);
    void SetIncrementalZ(bool incr, float newVal);
    void SetIncrementalC(bool incr, float newVal);
    void SetXLock(bool val);
    void SetZLock(bool val);
    void PressBrakeButton();
    void PressIndexButton();
    void PressClampButton();
    void startVacuumTest();
    void stopVacuumTest();
    void slotReqAxb();

private:
    using CameraView = AxisCamera::View;
    CameraView cameraView() const;
    struct EdgePair
    {
        float x = 0;
        float y = 0;
    };
    enum class EdgeLead { X, Y };
    static EdgePair edgePair(const CameraView &view, EdgeLead lead);
    static QPointF edgeCorrection(const CameraView &view);
    QString geometryText(const CameraView &view, double offsetX, double offsetZ, bool forX) const;
    bool requestAnswerMode() const { return axbDncInterval == 0; }
    uchar lockBits() const;
    void sendFrame(const QByteArray &text);
    void takeArrivedAnswers();
    qint64 sinceLastAnswerMs() const;
    void dropStaleAssembly();
    void tellSilence();
    // A line of the board, with the machine type reported with it (-1: none).
    void takeLine(const QString &line, int reportedType);
    bool parseLine(const QString &line, int reportedType);
    void takeReportedType(int reported);

    ManageSerialPort *axbPort = nullptr;
    QStringList busyPorts;
    AxisCamera *camera = nullptr;
    bool brakeOn = false;
    bool indexOn = false;
    bool spindleLocked = false;
    float X = 0;
    float Z = 0;
    float C = 0;
    int scaleX = 0;
    int scaleZ = 0;
    int rawC = 0;
    bool zeroX = false;
    bool zeroZ = false;
    bool zeroC = false;
    uchar inputs = 0;
    uchar outputs = 0;
    bool clampOn = false;
    bool emergency = false;
    bool sendTableMeasure = false;
    bool sendDiameter = false;
    QTimer axbTimer;
    int axbDncInterval = 0;
    QString usedLine;
    int usedLines = 0;
    // Monotonic time of the last parsed answer's arrival (ManageSerialPort::monotonicMs).
    qint64 lastAnswerMs = 0;
    // When the oldest request not followed by a parsed answer was sent; -1: none.
    qint64 requestWaitingSinceMs = -1;
    // Arrival of the chunk being handled; -1 when it did not come from the port.
    qint64 chunkArrivalMs = -1;
    // When the silence was last checked (at first: when its checks started).
    qint64 lastCheckMs = 0;
    // What silenceChanged last told.
    bool silenceTold = false;
    QTimer silenceTimer;

    // Receive assembly state, one set per link.
    QByteArray tmpBlock;
    bool swVersionSaved = false;
};
