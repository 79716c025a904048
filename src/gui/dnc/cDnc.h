#pragma once

#include <QSet>

#include <QHash>
#include <QJsonDocument>
#include <QList>
#include <QTcpSocket>
#include <QTimer>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QWidget>

#include "dnc/DncLayout.h"
#include "dnc/DncForm.h"
#include "dnc/DncProtocol.h"
#include "shared/FieldMarks.h"

class MeasureServer;
class QComboBox;
class QTableWidget;
class cAxisInterface;
class dmScanner;

// The panel in which the operator prepares one tool's data record for the
// CNC-side server: one row per field of the machine's DNC layout, with its
// editor and an optional measure or auto-default button. Opened for a tool
// of a tooling table (values read from tools and dnc, kept in dnc) or
// stand-alone (values taken from the live measures).
class cDnc : public QWidget
{
    Q_OBJECT
public:
    using DatiDnc = ::DatiDnc;
    enum eReadingMode { ReadId = 1, ConfirmSend = 2, NoReading = 3 };
    enum eJsonPayloadType { SetValues = DncProtocol::SetValues, GetValues = DncProtocol::GetValues };

    cDnc(cAxisInterface *axis, MeasureServer *measure, QWidget *parent);
    ~cDnc() override;

    // Prepares the panel for the current machine; false: it must not be shown.
    bool init(bool toolMode, int idTool);
    bool ReadDncConf(const QString &fileName);

    QString formatField(int i);
    void setBalluffValue(int i);
    bool validateData(QString &msg);
    int findItem(const QString &value, QComboBox *combo);
    void setDefaultData();
    // Stores the values of this opening; false with why the store refused them.
    bool UpdateDb(QString &refusal);
    QString createJson(eJsonPayloadType type);
    // One DataMatrix reading: 1 when the dialog was accepted, else 0.
    int readDataMatrix(eReadingMode mode);

    // Read access for the main window's tests and the exchange.
    Ui_cDnc *form() { return &ui; }
    QTableWidget *table() const { return twFields; }
    const QList<DatiDnc> &fieldList() const { return fields; }
    bool isToolMode() const { return toolMode; }
    bool hasChangedData() const { return dataChanged; }
    QWidget *editor(int row) const;
    QTcpSocket *dncSocket() { return &socket; }
    QTimer *replyTimer() { return &timer; }
    dmScanner *currentScanner() const { return scanner; }
    eReadingMode readingMode() const { return reading; }
    int receivedBytes() const { return receiveBuffer.size(); }

signals:
    void sigCloseDncSocket(bool toolMode);
    void tidDataOk(bool ok);
    void jsonReceived(QJsonDocument document);
    void validCodeReceived(int result);

public slots:
    void setTableValue(int i);
    void closeForm();

private slots:
    void executeScript(QString &script, int idxField);
    void displayError(QAbstractSocket::SocketError error);
    void getDataMatrix();
    void processJson(QJsonDocument document);
    void readSocket();
    void sendData();
    void serverTimeout();
    void setDmCode(QString code);
    void updSocketStatus(QAbstractSocket::SocketState state);
    void getMeasure();
    void slot_SetDefaultData();
    void slot_bitFieldChanged();
    void slot_listChanged(int index);
    void slot_textChanged(const QString &text);

private:
    void buildTable();
    void rowChanged(QObject *source);
    void paintLabel(int row, bool failed);
    bool leaveUnstored(const QString &refusal);
    // The failure lines of field i as a send checks it, its value collected
    // first; uncarried: a text the plain-text line cannot carry is one.
    QStringList fieldProblems(int i, bool *uncarried);
    QVariant rawValue(const DatiDnc &f) const;
    void openConnection();
    bool receive(const QByteArray &bytes);
    void takeReplies();
    bool takeReply();
    void replyHandled();
    void writeFrame(const QString &frame);
    bool plainText() const;
    QList<QPair<QString, QString>> exchangedValues() const;

    Ui_cDnc ui;
    MeasureServer *measure = nullptr;
    cAxisInterface *axis = nullptr;
    QWidget *parentWindow = nullptr;
    int idTool = -1;
    QString toolCode;
    QTableWidget *twFields = nullptr;

    int TotFields = 0;
    bool ForceConstraints = false;
    QString ScriptFunctions;
    QList<DatiDnc> fields;
    QHash<QString, int> dncLabelIndex;

    bool toolMode = false;
    bool building = false;
    bool dataChanged = false;
    bool dncRowMissing = false;
    // The layout was read and its table built in this opening: without it
    // closing stores nothing.
    bool layoutReady = false;
    // Rows typed, measured, received or set by a script in this opening:
    // closing stores only them; a value never stored shows the layout's
    // default, so that a later default reaches the tool too.
    QSet<int> touched;
    // Rows whose label a failed send painted red, until their values pass.
    FieldMarks marks;
    QVariantList scriptValues;
    // The tool's rows of tools and dnc, read once per opening.
    QSqlRecord toolRow;
    QSqlRecord dncRow;

    // Exchange with the CNC-side server.
    QTcpSocket socket;
    QTimer timer;
    DncProtocol::ReplyBuffer receiveBuffer;
    bool acknowledged = false;
    // A reply is being handled; bytes that come meanwhile wait in the socket.
    bool handlingReply = false;
    // The buffer holds frames that came while others were handled or a script
    // ran: each is taken in turn.
    bool framesWait = false;
    // validateData found a value the plain-text dialect cannot carry.
    bool unsendable = false;
    // DataMatrix reading.
    eReadingMode reading = NoReading;
    dmScanner *scanner = nullptr;
    bool confirmation = true;
};
