#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <QWidget>

#include "rfid/BalluffForm.h"
#include "rfid/BalluffLayout.h"
#include "rfid/DatiCampo.h"
#include "shared/FieldMarks.h"
#include "shared/ShownValues.h"

class MeasureServer;
class QBalluff;
class QComboBox;
class QTableWidget;
class QTcpSocket;

// The tag editor: reads a tool's RFID tag through the head, shows its bytes
// as the fields of the current machine's tag layout, lets the operator edit
// them (lists, bit fields, measures, input boxes, defaults, scripts) and
// writes them back; a write can be reported to a customer's server.
class cBalluffUI : public QWidget
{
    Q_OBJECT
public:
    cBalluffUI(QWidget *parent, MeasureServer *measureServer);
    ~cBalluffUI() override;

    bool init();
    bool ReadBallufConf(QString name);
    void setTableValue(int row);
    void LoadTableData();
    int findItem(QString value, QComboBox *list);
    void ShowGrid();
    void ShowMessage(QString text);

    void DecodeTelegram(QByteArray telegram, QList<DatiCampo> &fields);
    bool EncodeTelegram(QByteArray *image, QByteArray &tagBytes);
    void setBalluffValue(int index, bool applyAutoDefault);
    bool validateData(QString &message);
    void executeScript(QString &script, int row);
    void saveTelegram(QByteArray data, QString name);
    // "./balluff": the layouts with their write counters, the raw copies.
    static QString folder();
    bool checkFormatId();
    void sendTcpMessage();

    // The flag digit of the requests: of a read or a write, and of the read
    // that keeps a tag's preserved bytes before a write.
    static int requestFlag(const QString &tagType, int tagSize);
    static int preserveFlag(int tagSize);

    // Read access for the main window and the tests.
    Ui_cBalluffUI *form() { return &ui; }
    QTableWidget *table() const { return grid; }
    QList<DatiCampo> &fieldList() { return fields; }
    const BalluffLayout &layoutSettings() const { return layout; }
    QBalluff *head() const { return balluff; }
    QWidget *editor(int row) const;
    bool hasConfigError() const { return configError; }
    bool preservesBytes() const { return hasPreserve; }

signals:
    void closing();

private slots:
    void slot_toggledCTS(bool present);
    void slot_receiveError();
    void slot_newDataReceived(const QByteArray &data);
    void slot_Read();
    void slot_Write();
    void slot_abortOperation();
    void slot_Close();
    void getMeasure();
    void slot_showDefault();
    void slot_listChanged(int index);
    void slot_textChanged(const QString &text);
    void slot_bitFieldChanged();
    void slot_inputBox();
    void slot_SetDefaultData();
    void displayError(QAbstractSocket::SocketError err);

private:
    void buildRow(int row);
    // The values just read from the tag stand behind the texts shown for
    // them until the field is changed in any way.
    void rememberTagValues();
    void fieldEdited(QObject *source);
    // The value an editor's text stands for: a number through the field's
    // Format, a date's seconds, else the text.
    static QVariant editorValue(const DatiCampo &f, const QString &text);
    // A float field's text of a value: through its Format, else in the
    // machine's unit decimals.
    static QString floatText(const DatiCampo &f, double value);
    // The decimals a float field takes: what its bytes give back (Div and
    // type) and its Format shows; -1 for no such limit.
    static int fieldDecimals(const DatiCampo &f);
    QString layoutPath() const;
    int readWriteCounter() const;
    void paintLabel(int row, const QColor &background);
    // A row's label as the checks left it: red when it failed, else the
    // layout's look.
    void paintChecked(int row, bool failed);
    // Row's value changed: its red mark goes once the value passes.
    void recheckMark(int row);
    // The failure lines of field i as a write checks it, its value collected
    // (its default forced) first; unwritableValue: its bytes cannot carry it.
    QStringList fieldProblems(int i, bool *unwritableValue);

    Ui_cBalluffUI ui;
    MeasureServer *measureServer = nullptr;
    bool updating = false;
    bool hasCounter = false;
    bool initializing = false;
    QTableWidget *grid = nullptr;
    QString operationText;
    bool configError = false;
    QString configErrorText;
    QWidget *parentWindow = nullptr;
    // The layout's settings (Com, Head, TagSize, TagType, formatId, BCD
    // letters, Customer ...) as the reader left them.
    BalluffLayout layout;
    bool hasPreserve = false;
    QList<DatiCampo> fields;
    QBalluff *balluff = nullptr;
    QByteArray rxBuffer;
    QList<QVariant> scriptValues;
    QTcpSocket *tcpSocket = nullptr;
    // setTableValue is running: a nested call runs no scripts.
    bool showingValue = false;
    // validateData found a value its bytes cannot carry: no write goes on.
    bool unwritable = false;
    // The line editors' texts as the last tag read showed them, with the
    // values read; a row is forgotten as soon as anything changes it.
    ShownValues shown;
    // Rows whose label a failed write painted red, until their values pass.
    FieldMarks marks;
};
