#pragma once

#include <QString>
#include <QWidget>

#include "shared/SharedStruct.h"

class QSqlTableModel;

namespace Ui {
class cSetList;
}

// Side panel listing the tooling tables of the selected machine: filter by
// the beginning of a name, new, rename, delete, and open one in the editor or
// the post-processor, copy one to another machine. Names and the target
// machine are asked through the main window's input box.
class cSetList : public QWidget
{
    Q_OBJECT
public:
    explicit cSetList(QWidget *parent = nullptr);
    ~cSetList() override;

    void selectToolset(int idMachine, bool clearFilter);
    void newToolset(QString name);
    void renameToolset(QString name);
    void copyToolset(int idMachine);

    void enableListButton(int n);
    int machineId() const { return idMachine; }
    Ui::cSetList *form() const { return ui; }
    QSqlTableModel *tableModel() const { return model; }

    // Deletes a tooling table with its tools and their DNC values, all or nothing.
    static bool deleteTable(int idTable);

public slots:
    void updGui();
    void updateFilter(QString filter);
    void slotEditToolset();
    void slotOpenPostPro();
    void slotDeleteToolset();
    void reqNewToolset();
    void reqRenameToolset();
    void reqCopyToolset();
    void insertToolset(QString tsName);
    bool toolsetExists(QString tsName);

signals:
    void sigHideList();
    void sigEditToolset(int idTable, QString name);
    void sigPostProToolset(int idTable, QString name);
    void sigNewToolset(QString label, QString text, eInputBoxType type, bool password);
    void sigCopyToolset(QString label, QString text, eInputBoxType type, bool password);

private:
    int currentRow() const;
    void selectRowWhere(const QString &column, const QVariant &value, bool open);

    Ui::cSetList *ui;
    QSqlTableModel *model;
    int idMachine = -1;
};
