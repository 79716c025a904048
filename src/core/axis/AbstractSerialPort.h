#pragma once

#include <QIODevice>
#include <QString>

// Line settings of a serial port. The numeric values are the ones stored by
// callers and peers (for example BAUD9600 = 12, DATA_8 = 3, PAR_EVEN = 2).
enum BaudRateType {
    BAUD50, BAUD75, BAUD110, BAUD134, BAUD150, BAUD200, BAUD300, BAUD600,
    BAUD1200, BAUD1800, BAUD2400, BAUD4800, BAUD9600, BAUD14400, BAUD19200,
    BAUD38400, BAUD56000, BAUD57600, BAUD76800, BAUD115200, BAUD128000,
    BAUD256000
};

// Bits per second of a BaudRateType value (0 for a value outside the list).
uint baudRateValue(BaudRateType rate);
// The BaudRateType of a rate in bits per second; false when the list has none.
bool baudRateFromValue(uint bitsPerSecond, BaudRateType *rate);

enum DataBitsType { DATA_5, DATA_6, DATA_7, DATA_8 };

enum ParityType { PAR_NONE, PAR_ODD, PAR_EVEN, PAR_MARK, PAR_SPACE };

enum StopBitsType { STOP_1, STOP_1_5, STOP_2 };

enum FlowType { FLOW_OFF, FLOW_HARDWARE, FLOW_XONXOFF };

// Error codes reported by lastError().
enum {
    E_NO_ERROR = 0,
    E_INVALID_FD = 1,
    E_NO_MEMORY = 2,
    E_CAUGHT_NON_BLOCKED_SIGNAL = 3,
    E_PORT_TIMEOUT = 4,
    E_INVALID_DEVICE = 5,
    E_BREAK_CONDITION = 6,
    E_FRAMING_ERROR = 7,
    E_IO_ERROR = 8,
    E_BUFFER_OVERRUN = 9,
    E_RECEIVE_OVERFLOW = 10,
    E_RECEIVE_PARITY_ERROR = 11,
    E_TRANSMIT_OVERFLOW = 12,
    E_READ_FAILED = 13,
    E_WRITE_FAILED = 14
};

// Bits of lineStatus().
enum {
    LS_CTS = 0x01,
    LS_DSR = 0x02,
    LS_DCD = 0x04,
    LS_RI = 0x08,
    LS_RTS = 0x10,
    LS_DTR = 0x20,
    LS_ST = 0x40,
    LS_SR = 0x80
};

// What the port manager needs of a serial port. The real device is
// QextSerialPort; tests may put a scripted port in its place.
// bytesAvailable, lineStatus, read, write and flush are called from the
// manager's worker threads, everything else from the thread that owns it.
class AbstractSerialPort
{
public:
    virtual ~AbstractSerialPort() = default;

    virtual void setPortName(const QString &name) = 0;
    virtual QString portName() const = 0;
    virtual void setBaudRate(BaudRateType rate) = 0;
    virtual BaudRateType baudRate() const = 0;
    virtual void setDataBits(DataBitsType bits) = 0;
    virtual DataBitsType dataBits() const = 0;
    virtual void setParity(ParityType parity) = 0;
    virtual ParityType parity() const = 0;
    virtual void setStopBits(StopBitsType bits) = 0;
    virtual StopBitsType stopBits() const = 0;
    virtual void setFlowControl(FlowType flow) = 0;
    virtual FlowType flowControl() const = 0;
    virtual void setTimeout(ulong sec, ulong millisec) = 0;

    virtual bool open(QIODevice::OpenMode mode) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Bytes waiting to be read; -1 with lastError() set when the port fails.
    virtual qint64 bytesAvailable() = 0;
    // LS_* bits of the modem lines; 0 when the device has no such lines.
    virtual ulong lineStatus() = 0;
    // Reads up to maxSize bytes without waiting; -1 on failure.
    virtual qint64 read(char *data, qint64 maxSize) = 0;
    // Writes all bytes (waiting while the driver is full); -1 on failure.
    virtual qint64 write(const char *data, qint64 size) = 0;
    // Waits (bounded) until the driver has sent what it holds.
    virtual void flush() = 0;
    // Waits at most `microseconds` for input; may return earlier when bytes
    // arrive or the line fails. The plain port just sleeps. A port that knows
    // it has no modem lines to watch may wait longer, until input, a failure
    // or wakeWaiter().
    virtual void waitForInput(unsigned long microseconds);
    // Ends a waitForInput in progress (or the next one) at once.
    virtual void wakeWaiter() {}

    virtual ulong lastError() const = 0;
    // Why the last open() failed, in plain words (may be empty).
    virtual QString errorString() const = 0;
    // The last open() failed because another program holds the device.
    virtual bool isInUse() const { return false; }
    // Names the link this port serves ("AXB", "DNC", ...), so that another
    // link of this program opening the same device can be told which holds it.
    virtual void setLinkName(const QString &) {}
    // The last open() failed because this program's link of that name holds
    // the device; empty otherwise.
    virtual QString heldBy() const { return QString(); }
};
