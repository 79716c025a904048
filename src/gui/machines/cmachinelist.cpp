#include "machines/cmachinelist.h"

#include <QSqlDatabase>
#include <QSqlRecord>
#include <QSqlTableModel>

#include "machines/MachineNames.h"
#include "machines/MachineRows.h"
#include "machines/ParentLink.h"
#include "widgets/SharedWidgets.h"
#include "widgets/QMessageBoxKovra.h"
#include "ui_cmachinelist.h"

cMachineList::cMachineList(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui_cMachineList)
{
    Q_INIT_RESOURCE(machines);
    Q_INIT_RESOURCE(mainwin);
    ui->setupUi(this);

    connect(ui->tbHide, &QPushButton::clicked, this, &cMachineList::sigHideList);
    connect(ui->tbEdit, &QPushButton::clicked, this, &cMachineList::sigEdit);
    connect(ui->tbNew, &QPushButton::clicked, this, &cMachineList::sigNew);
    connect(ui->tbDelete, &QPushButton::clicked, this, &cMachineList::reqDeleteMachine);
    if (hasMember(parent, SLOT(updateMacCombo(QString))))
        connect(this, SIGNAL(sigUpdateMacCombo(QString)), parent, SLOT(updateMacCombo(QString)));
    connect(ui->lstMachine, &QListView::clicked, this, &cMachineList::slotMacCLicked);
    if (hasMember(parent, SLOT(showInputBox(QString,QString,eInputBoxType,bool))))
        connect(this, SIGNAL(sigReqDeleteMachine(QString,QString,eInputBoxType,bool)), parent,
                SLOT(showInputBox(QString,QString,eInputBoxType,bool)));

    model = new QSqlTableModel(this, QSqlDatabase::database());
    model->setTable(QStringLiteral("machine"));
    model->setSort(1, Qt::AscendingOrder);
    ui->lstMachine->setModel(model);
    ui->lstMachine->setModelColumn(1);
}

cMachineList::~cMachineList()
{
    delete ui;
}

void cMachineList::setCurrentMachine(QString name)
{
    model->setFilter(MachineNames::offeredCondition(isSuperUser));
    model->select();
    while (model->canFetchMore())
        model->fetchMore();

    const bool hasRows = model->rowCount() > 0;
    if (hasRows) {
        // An exact name first; otherwise the first name that begins with it.
        QModelIndexList found = model->match(model->index(0, 1), Qt::DisplayRole, name, 1,
                                             Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (found.isEmpty())
            found = model->match(model->index(0, 1), Qt::DisplayRole, name, 1, Qt::MatchStartsWith);
        ui->lstMachine->setCurrentIndex(found.isEmpty() ? model->index(0, 1) : found.first());
    }
    ui->tbEdit->setEnabled(hasRows);
    ui->tbDelete->setEnabled(hasRows);
}

QString cMachineList::getSelectedMachineName()
{
    return model->record(ui->lstMachine->currentIndex().row()).value(QStringLiteral("name")).toString();
}

int cMachineList::selectedMachineId() const
{
    const QModelIndex current = ui->lstMachine->currentIndex();
    if (!current.isValid())
        return -1;
    return model->record(current.row()).value(QStringLiteral("idMachine")).toInt();
}

void cMachineList::reqDeleteMachine()
{
    const int id = selectedMachineId();
    if (id < 0)
        return;
    if (countSlaveMachines(id, axisXZ) != 0) {
        QMessageBoxKovra::critical(this, tr("Delete machine"),
                                   tr("Selected machine is master for other machines") + QStringLiteral("\n") +
                                       tr("Unable to delete"),
                                   QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    if (QMessageBoxKovra::question(this, tr("Delete machine"),
                                   tr("All tooling tables for selected machine will be deleted") +
                                       QStringLiteral("\n") + tr("Confirm?"),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    emit sigReqDeleteMachine(tr("Insert password"), QString(), ibDeleteMachine, true);
}

void cMachineList::deleteMachine(QString password)
{
    // The password box belongs to the main window: so does the refusal.
    if (!ValidateUser(window(), password))
        return;
    const int id = selectedMachineId();
    // A master may have got slaves since the question was asked.
    QString error;
    const bool deleted = id < 0 || countSlaveMachines(id, axisXZ) != 0 || MachineRows::remove(id, &error);
    setCurrentMachine(QString());
    emit sigUpdateMacCombo(QString());
    if (!deleted)
        QMessageBoxKovra::critical(this, tr("Delete machine"), tr("Machine not deleted") + QStringLiteral("\n\n") + error,
                                   QMessageBox::Ok);
}

void cMachineList::slotMacCLicked(QModelIndex)
{
}
