#pragma once

#include <QModelIndex>
#include <QString>
#include <QWidget>

#include "shared/SharedStruct.h"

class QSqlTableModel;
class Ui_cMachineList;

// The panel that lists the machines by name and offers new, edit, delete and
// close. New and edit go to the main window, which asks for the password and
// opens the machine editor; deletion is checked and done here.
class cMachineList : public QWidget
{
    Q_OBJECT

public:
    // parent: the main window, whose updateMacCombo(QString) and
    // showInputBox(QString,QString,eInputBoxType,bool) the list calls.
    explicit cMachineList(QWidget *parent = nullptr);
    ~cMachineList() override;

    // Re-reads the table and selects the machine name (else the first row).
    void setCurrentMachine(QString name);
    QString getSelectedMachineName();
    // Confirmation of the password box of a deletion.
    void deleteMachine(QString password);

    Ui_cMachineList *form() const { return ui; }

signals:
    void sigHideList();
    void sigEdit();
    void sigNew();
    void sigUpdateMacCombo(QString name);
    void sigReqDeleteMachine(QString label, QString text, eInputBoxType type, bool hidden);

private slots:
    void reqDeleteMachine();
    void slotMacCLicked(QModelIndex index);

private:
    int selectedMachineId() const;

    Ui_cMachineList *ui = nullptr;
    QSqlTableModel *model = nullptr;
};
