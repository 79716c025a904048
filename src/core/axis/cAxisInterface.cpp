#include "axis/cAxisInterface.h"

#include "axis/ManageSerialPort.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"

#include <QCoreApplication>
#include <QSettings>
#include <QThread>

#include <cctype>
#include <climits>
#include <cmath>

namespace {

const char ENQ = 0x05;
const char CR = 0x0D;

// Reads integers the way the board's line format describes them: literal
// characters must match, a blank in the format matches any run of blanks,
// %d takes an optionally signed decimal number. Numbers outside the int
// range do not convert. Returns how many numbers converted.
int scanNumbers(const QByteArray &text, const char *format, int *values, int count)
{
    const char *s = text.constData();
    const char *end = s + text.size();
    int converted = 0;
    for (const char *f = format; *f; ++f) {
        if (*f == ' ') {
            while (s < end && std::isspace(static_cast<unsigned char>(*s)))
                ++s;
            continue;
        }
        if (f[0] == '%' && f[1] == 'd') {
            ++f;
            while (s < end && std::isspace(static_cast<unsigned char>(*s)))
                ++s;
            bool negative = false;
            if (s < end && (*s == '+' || *s == '-')) {
                negative = *s == '-';
                ++s;
            }
            if (s >= end || !std::isdigit(static_cast<unsigned char>(*s)))
                return converted;
            qint64 v = 0;
            while (s < end && std::isdigit(static_cast<unsigned char>(*s))) {
                v = v * 10 + (*s - '0');
                if (v > qint64(INT_MAX) + 1)
                    return converted;
                ++s;
            }
            if (negative)
                v = -v;
            if (v < INT_MIN || v > INT_MAX || converted >= count)
                return converted;
            values[converted++] = int(v);
            continue;
        }
        if (s >= end || *s != *f)
            return converted;
        ++s;
    }
    return converted;
}

// Raw count times the compensation factor, truncated toward zero, in tenths
// of a micrometre. False when that leaves the int range (no scale reaches
// it: a corrupted line or a board fault).
bool compensatedScale(int raw, float factor, int *scale)
{
    const double product = std::trunc(double(raw) * double(factor)) * 10.0;
    if (!(product >= double(INT_MIN) && product <= double(INT_MAX)))
        return false;
    *scale = int(product);
    return true;
}

// Text of a byte array up to its first NUL byte, one character per byte.
QString latin1UpToNul(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    return QString::fromLatin1(nul < 0 ? bytes : bytes.left(nul));
}

} // namespace

cAxisInterface::cAxisInterface(QObject *parent, AxisCamera *cameraDevice)
    : QObject(nullptr), camera(cameraDevice)
{
    Q_UNUSED(parent);
    QSettings &settings = App::kovraSettings();

    axbPort = new ManageSerialPort();
    connect(axbPort, &ManageSerialPort::MnewDataReceived, this, &cAxisInterface::slot_newDataReceived);

    const QString axbDevice = settings.value("/TTY/AxbPort", "/dev/ttyS0").toString();
    sendTableMeasure = settings.value("/TTY/SendTableMeasure", false).toBool();
    sendDiameter = settings.value("/TTY/SendDiameter", false).toBool();
    axbDncInterval = settings.value("/TTY/axbDncInterval", 0).toInt();
    if (axbDncInterval < 0)
        axbDncInterval = 0;

    axbPort->enableSending();
    axbPort->enableReceiving();
    if (!axbPort->openLine(axbDevice, 115200, QStringLiteral("AXB")) && axbPort->isInUse())
        busyPorts << axbPort->busyText();
    axbPort->receiveData();

    // A start without any answer counts as silence after the same time.
    lastAnswerMs = ManageSerialPort::monotonicMs();
    lastCheckMs = lastAnswerMs;
    connect(&silenceTimer, &QTimer::timeout, this, &cAxisInterface::checkSilence);
    silenceTimer.start(100);

    connect(&axbTimer, &QTimer::timeout, this, &cAxisInterface::slotReqAxb);
    if (axbDncInterval != 0) {
        axbTimer.setInterval(axbDncInterval);
        axbTimer.start();
    } else {
        axbTimer.setInterval(300);
        axbTimer.start();
        slotReqAxb();
    }
}

cAxisInterface::~cAxisInterface()
{
    silenceTimer.stop();
    axbTimer.stop();
    axbPort->stopReceiving();
    axbPort->close();
    delete axbPort;
}

// ---------------------------------------------------------------------------
// Frames to the board

void cAxisInterface::sendFrame(const QByteArray &text)
{
    QByteArray frame;
    frame.reserve(text.size() + 2);
    frame.append(ENQ);
    frame.append(text);
    frame.append(CR);
    axbPort->sendData(frame);
}

void cAxisInterface::slotReqAxb()
{
    char letter;
    if (MachineSettings.isPivra) {
        letter = 'N';
    } else {
        switch (MachineSettings.type) {
        case 0: letter = 'H'; break;
        case 1: letter = 'S'; break;
        default: letter = '?'; break;
        }
    }
    sendFrame(QByteArray(1, letter));
    if (requestWaitingSinceMs < 0)
        requestWaitingSinceMs = ManageSerialPort::monotonicMs();
}

void cAxisInterface::resetAXB()
{
    sendFrame("R");
}

void cAxisInterface::resetScalesZeroes()
{
    sendFrame("Z");
}

void cAxisInterface::updateOutPlc(uchar value)
{
    sendFrame("B" + QByteArray::number(uint(value)));
}

uchar cAxisInterface::lockBits() const
{
    return uchar((CurrentMachine.xLock ? 1 : 0) | (CurrentMachine.zLock ? 2 : 0));
}

void cAxisInterface::SendCommand(uchar bit)
{
    updateOutPlc(uchar(lockBits() | bit));
    // The board needs the pulse held; no board data is handled meanwhile,
    // what came is read right after, so the pause is no stop of the program.
    QThread::msleep(200);
    updateOutPlc(lockBits());
    checkSilence();
}

void cAxisInterface::SetXLock(bool val)
{
    CurrentMachine.xLock = val;
    updateOutPlc(lockBits());
}

void cAxisInterface::SetZLock(bool val)
{
    CurrentMachine.zLock = val;
    updateOutPlc(lockBits());
}

void cAxisInterface::PressBrakeButton()
{
    SendCommand(0x08);
}

void cAxisInterface::PressIndexButton()
{
    SendCommand(0x10);
}

void cAxisInterface::PressClampButton()
{
    if (MachineSettings.isPivra || MachineSettings.type == 3)
        SendCommand(0x04);
    emit UpdateAxesDisplay();
}

void cAxisInterface::startVacuumTest()
{
    if (!(outputs & 0x20))
        SendCommand(0x20);
}

void cAxisInterface::stopVacuumTest()
{
    if (outputs & 0x20)
        SendCommand(0x20);
}

// ---------------------------------------------------------------------------
// Answers from the board

void cAxisInterface::slot_newDataReceived(QByteArray data)
{
    // Handed on by the port: taken now, before anything else can ask for it.
    chunkArrivalMs = axbPort->takeChunkArrival();
    tmpBlock.append(data);

    if (!swVersionSaved) {
        swVersionSaved = true;
        App::writeKovraSettings({{QStringLiteral("/Software/Version"), QStringLiteral("3.0")}});
    }

    const int firstDollar = tmpBlock.indexOf('$');
    if (firstDollar >= 0) {
        const int secondDollar = tmpBlock.indexOf('$', firstDollar + 1);
        if (secondDollar >= 0) {
            const QString version = latin1UpToNul(tmpBlock.mid(firstDollar + 1, secondDollar - firstDollar - 1));
            MachineSettings.axbVersion = "Axb version: " + version;
            tmpBlock = tmpBlock.mid(secondDollar + 1);
            App::writeKovraSettings({{QStringLiteral("/Software/Axb"), version}});
        }
    }

    int lineStart = tmpBlock.indexOf('X');
    if (lineStart < 0)
        lineStart = tmpBlock.indexOf('x');
    const int lineEnd = tmpBlock.indexOf(CR, lineStart < 0 ? 0 : lineStart);
    if (lineEnd < 0) {
        dropStaleAssembly();
        chunkArrivalMs = -1;
        return;
    }

    if (lineStart >= 0) {
        const QString line = latin1UpToNul(tmpBlock.mid(lineStart, lineEnd - lineStart + 1));
        // The machine type comes with the line (before its X too), never from
        // a line before it or what follows its CR.
        const int from = tmpBlock.lastIndexOf(CR, lineStart) + 1;
        const QByteArray reportedIn = tmpBlock.mid(from, lineStart - from) + line.toLatin1();
        const int typeAt = reportedIn.indexOf('T');
        int reported = -1;
        if (typeAt >= 0) {
            const char c = typeAt + 1 < reportedIn.size() ? reportedIn.at(typeAt + 1) : '\0';
            reported = (c >= '0' && c <= '9') ? c - '0' : 0;
        }
        tmpBlock.clear();
        takeLine(line, reported);
        axbPort->resetBuffer();
    } else {
        dropStaleAssembly();
    }
    chunkArrivalMs = -1;
}

void cAxisInterface::dropStaleAssembly()
{
    if (tmpBlock.size() <= kMaxAssembly)
        return;
    // Whatever precedes the last CR can no longer start a line.
    const int lastCr = tmpBlock.lastIndexOf(CR);
    if (lastCr >= 0)
        tmpBlock.remove(0, lastCr + 1);
    if (tmpBlock.size() > kMaxAssembly)
        tmpBlock.remove(0, tmpBlock.size() - kMaxAssembly);
}

void cAxisInterface::ReceivedString(QString line)
{
    takeLine(line, -1);
}

void cAxisInterface::takeLine(const QString &line, int reportedType)
{
    if (requestAnswerMode())
        axbTimer.stop();

    if (!parseLine(line, reportedType)) {
        // Keep polling: the next request goes out when the answer time runs out.
        if (requestAnswerMode())
            axbTimer.start();
        return;
    }
    usedLine = line;
    ++usedLines;
    // Lines given straight to this slot count from now.
    lastAnswerMs = chunkArrivalMs >= 0 ? chunkArrivalMs : ManageSerialPort::monotonicMs();
    chunkArrivalMs = -1;
    requestWaitingSinceMs = -1;
    if (silenceTold) {
        silenceTold = false;
        emit silenceChanged(false);
    }

    emit UpdateAxesDisplay();

    if (requestAnswerMode()) {
        slotReqAxb();
        axbTimer.start();
    }
}

// Only a line the link uses may change the machine type: a refused one
// changes no setting. Taken before the line's bits, which the type reads.
void cAxisInterface::takeReportedType(int reported)
{
    if (reported < 0 || (reported == 3) == (MachineSettings.type == 3))
        return;
    MachineSettings.type = reported;
    App::writeKovraSettings({{QStringLiteral("/Machine/type"), reported}});
    emit sigUpdateGui();
}

bool cAxisInterface::parseLine(const QString &line, int reportedType)
{
    const QByteArray text = line.toLatin1();
    bool refX, refZ;
    const char *format;
    if (line.contains('x') && line.contains('Z')) {
        refX = false; refZ = true; format = "x%d Z%d I%d O%d";
    } else if (line.contains('X') && line.contains('z')) {
        refX = true; refZ = false; format = "X%d z%d I%d O%d";
    } else if (line.contains('x') && line.contains('z')) {
        refX = false; refZ = false; format = "x%d z%d I%d O%d";
    } else if (line.contains('X') && line.contains('Z')) {
        refX = true; refZ = true; format = "X%d Z%d I%d O%d";
    } else {
        return false;
    }

    int v[5] = {0, 0, 0, 0, 0};
    bool refC = zeroC;
    if (MachineSettings.hasCAxis) {
        if (line.contains('c'))
            refC = false;
        else if (line.contains('C'))
            refC = true;
        else
            return false;
        // A line whose numbers do not all convert is not used.
        if (scanNumbers(text.toUpper(), "X%d Z%d I%d O%d C%d", v, 5) != 5)
            return false;
    } else if (scanNumbers(text, format, v, 4) != 4) {
        return false;
    }

    const float compX = camera ? camera->compensationX() : 1.0f;
    const float compZ = camera ? camera->compensationZ() : 1.0f;
    const int rawX = CurrentMachine.swapXZ ? v[1] : v[0];
    const int rawZ = CurrentMachine.swapXZ ? v[0] : v[1];
    int newScaleX, newScaleZ;
    // Like a number that does not convert: the line is not used.
    if (!compensatedScale(rawX, compX, &newScaleX) || !compensatedScale(rawZ, compZ, &newScaleZ))
        return false;

    takeReportedType(reportedType);
    zeroX = refX;
    zeroZ = refZ;
    zeroC = refC;
    scaleX = newScaleX;
    scaleZ = newScaleZ;

    inputs = uchar(v[2] & 0xFF);
    outputs = uchar(v[3] & 0x7F);

    X = convX_2_MacCoord(scaleX);
    Z = convZ_2_MacCoord(scaleZ);

    const int pulses = MachineSettings.pulseRevC;
    if (!MachineSettings.hasCAxis || pulses <= 0) {
        // Without a usable count per turn there is no angle to show.
        C = 0;
    } else {
        rawC = v[4] % pulses;
        if (rawC < 0)
            rawC += pulses;
        float a = float(rawC) * 360.0f / float(pulses);
        if (CurrentMachine.cIncr)
            a -= CurrentMachine.cIncrOffset;
        if (a < 0)
            a += 360.0f;
        if (a > 180.0f)
            a -= 360.0f;
        C = a;
    }

    if (camera)
        camera->setAxisPosition(X, Z, CameraAxes::of(CurrentMachine));

    if (outputs & 0x20) {
        int state;
        if (!(outputs & 0x40))
            state = 0;
        else if (!(inputs & 0x02))
            state = 1;
        else
            state = 2;
        emit sigVacuumImg(state);
    }

    if (MachineSettings.isPivra)
        clampOn = inputs & 0x02;
    else if (MachineSettings.type == 3 || MachineSettings.type == 0)
        clampOn = inputs & 0x08;
    else
        clampOn = false;

    if (MachineSettings.type == 3) {
        brakeOn = outputs & 0x10;
        indexOn = outputs & 0x20;
        spindleLocked = !(outputs & 0x02);
        emergency = !(inputs & 0x01);
    } else {
        brakeOn = outputs & 0x08;
        indexOn = outputs & 0x10;
        spindleLocked = true;
        emergency = !(inputs & 0x80);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Silence of the board

qint64 cAxisInterface::sinceLastAnswerMs() const
{
    return ManageSerialPort::monotonicMs() - lastAnswerMs;
}

bool cAxisInterface::isSilent() const
{
    return sinceLastAnswerMs() > kSilenceMs && requestWaitingSinceMs >= 0
           && ManageSerialPort::monotonicMs() - requestWaitingSinceMs > kAnswerMs;
}

void cAxisInterface::takeArrivedAnswers()
{
    QCoreApplication::sendPostedEvents(axbPort, QEvent::MetaCall);
}

bool cAxisInterface::confirmAnswering()
{
    // A silence already known, or due by now, is refused at once until the
    // board answers again: a host polling faster than the answer time would
    // otherwise hold the program for each of its requests.
    checkSilence();
    // Before the board's first position line the axes hold no position of
    // its: nothing is taken as one.
    if (usedLines == 0)
        return false;
    if (sinceLastAnswerMs() <= kSilenceMs)
        return true;
    if (silenceTold)
        return false;
    // An older request proves nothing: its answer may wait unread, the whole
    // program having been held. The board is asked now and has its answer
    // time from now.
    slotReqAxb();
    const qint64 askedMs = ManageSerialPort::monotonicMs();
    while (sinceLastAnswerMs() > kSilenceMs && ManageSerialPort::monotonicMs() - askedMs <= kAnswerMs) {
        QThread::msleep(2);
        takeArrivedAnswers();
    }
    if (sinceLastAnswerMs() <= kSilenceMs)
        return true;
    // Asked now and not answered in time: the silence is known from here.
    tellSilence();
    return false;
}

bool cAxisInterface::positionForDnc(double &x, double &z)
{
    if (sendTableMeasure) {
        x = 0;
        z = 0;
        return true;
    }
    if (!confirmAnswering())
        return false;
    x = double(ReadX());
    z = double(ReadZ());
    return true;
}

void cAxisInterface::tellSilence()
{
    if (silenceTold)
        return;
    silenceTold = true;
    emit silenceChanged(true);
}

void cAxisInterface::checkSilence()
{
    takeArrivedAnswers();
    // A check this late finds the whole program may have been held: the
    // answer to the waiting request may not even have been read from the line
    // yet, so the request has its answer time again from now.
    const qint64 now = ManageSerialPort::monotonicMs();
    const bool held = now - lastCheckMs > kAnswerMs;
    lastCheckMs = now;
    if (held && requestWaitingSinceMs >= 0)
        requestWaitingSinceMs = now;
    if (!silenceTold && isSilent())
        tellSilence();
}

// ---------------------------------------------------------------------------
// Machine record shortcuts

bool cAxisInterface::isXIncr() const { return CurrentMachine.xIncr; }
bool cAxisInterface::isZIncr() const { return CurrentMachine.zIncr; }
bool cAxisInterface::isCIncr() const { return CurrentMachine.cIncr; }
bool cAxisInterface::isMM() const { return CurrentMachine.IsMM; }
bool cAxisInterface::isRadius() const { return CurrentMachine.isRadius; }
void cAxisInterface::SetMM(bool mm) { CurrentMachine.IsMM = mm; }
void cAxisInterface::SetRadiusMode(bool radius) { CurrentMachine.isRadius = radius; }

int cAxisInterface::AxisLockStatus() const
{
    return (CurrentMachine.zLock ? 2 : 0) + (CurrentMachine.xLock ? 1 : 0);
}
