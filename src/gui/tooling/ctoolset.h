#pragma once

#include <QDataWidgetMapper>
#include <QModelIndex>
#include <QString>
#include <QWidget>

#include "shared/ShownValues.h"
#include "tooling/QExtSqlQueryModel.h"

class QSqlRecord;

class MeasureServer;
class QItemSelectionModel;
class QLineEdit;
class QSqlRelationalTableModel;
class cAxisInterface;
class cToolSearch;

namespace Ui {
class cToolset;
}

// Panel on which the operator edits the tools of one tooling table: the list
// of the table's tools above a form with the shown tool's values, measures
// taken from the machine, label and DNC requests and the tool search.
//
// Every tool row is written (and committed) when it is stored, so nothing the
// operator stored is lost when the program ends with the editor open.
class cToolset : public QWidget
{
    Q_OBJECT
public:
    cToolset(cAxisInterface *axis, MeasureServer *measure, QWidget *parent);
    ~cToolset() override;

    // Values from the main window (camera picks, its input box): the text goes
    // into the field as it is; the next store step writes it.
    void setX(QString text);
    void setZ(QString text);
    void setCr(QString text);
    void setAngle(QString text);

    bool isInsertMode() const { return insertMode; }
    int currentTable() const { return idTable; }
    int currentToolId() const { return currentIdTool; }
    int shownToolId() const { return lastIdTool; }
    QString currentSortColumn() const { return sortColumn; }
    const QExtSqlQueryModel *listModel() const { return &viewModel; }

    // Decimals of lengths on the current machine (millimetre or inch).
    static int lengthDecimals();

signals:
    void sigCloseToolset();
    void reqPrintLabel(QString prnMachine, QString prnToolset, QString prnT, QString prnX, QString prnZ,
                       QString prnA, QString prnCr, QString prnCode, bool radiusMode);
    void sigShowKeyboard(bool show);
    void sigOpenDncSocket(bool fromTable, int toolId);

public slots:
    void setCurrentTable(int idTable, QString machineName, QString tableName);

private slots:
    void slotDelTool();
    void slotInsTool();
    void slotOk();
    void slotExit();
    void slotReadmeasure();
    void slotSortColumn(int section);
    void slotLabelPrint();
    void slotSetAngle();
    void slotSetCircle();
    void updateList(QString);
    void updateList();
    void slotViewClicked(QModelIndex index);
    void searchTool();
    void slotCloseSearch();
    void slotSearchTool(int t);
    void openDncSocket();
    void adjustFont(QString text);
    void printTable();

private:
    // storedRow: the only row changed since the last reading, if any.
    int gotoTool(int t, int storedRow = -1);
    int gotoToolId(int idTool, int storedRow = -1);
    int showRow(int row);
    void reloadModels(int storedRow = -1);
    void refreshView();
    void applyColumnLayout();
    void disableInsert();
    void addMappings();
    // Stores the form into the shown tool's row, unless the row holds it
    // already. Leaving, a refused store may be given up.
    bool updateRecord(bool leaving = false);
    bool isDuplicated(int t, int idTool);
    bool takeMeasure(bool isX, const QString &text);
    int toolNumberAt(int row) const;
    int toolIdAt(int row) const;
    QString codeAt(int row) const;
    int rowOfNumber(int t) const;
    int rowOfToolId(int idTool) const;
    bool toolNumberRefused(int n);
    // The form's line edits and the tools columns they show.
    QList<QPair<QLineEdit *, const char *>> mappedFields() const;
    // Each field takes what the store takes of its column in the current
    // machine's unit; lengths with `decimals` decimals, the angle with two.
    void limitFields(int decimals);
    // The tool the form stores (tool number and code as given), each column
    // as the store binds it; bound by the columns' lower-case names.
    QSqlRecord formTool(int t, const QVariant &code) const;
    QVariant fieldValue(const QLineEdit *e, const char *column, bool zeroWhenEmpty = true) const;
    void putText(QLineEdit *e, const char *column, const QString &text);
    // A measured value into a field: the keys typing into the editor leave.
    void putMeasure(QLineEdit *e, const char *column, const QString &text);

    Ui::cToolset *ui;
    MeasureServer *measureServer;
    cAxisInterface *axisInterface;
    cToolSearch *toolSearch;
    QSqlRelationalTableModel *model;
    QDataWidgetMapper mapper;
    // The stored numbers behind the form's number fields, by column.
    ShownValues shown;
    QItemSelectionModel *selectionModel = nullptr;
    QExtSqlQueryModel viewModel;
    bool insertMode = false;
    int idTable = 0;
    bool gotoBusy = false;
    int currentIdTool = 0;
    int lastT = -1;
    int lastIdTool = 0;
    bool sorting = false;
    bool viewClicking = false;
    QString sortColumn = QStringLiteral("t");
    QString machineName;
    QString tableName;
};
