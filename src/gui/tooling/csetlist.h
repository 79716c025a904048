#pragma once

#include <QString>
#include <QWidget>

#include <functional>

#include "exchange/io_CSV_T8AM.h"
#include "shared/SharedStruct.h"

class QFileDialog;
class QSqlTableModel;

namespace Ui {
class cSetList;
}

// Side panel listing the tooling tables of the selected machine: filter by
// the beginning of a name, new, rename, delete, and open one in the editor or
// the post-processor, copy one to another machine, import one from a CSV
// file. Names and the target machine are asked through the main window's
// input box.
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
    void importToolset(QString name);

    void enableListButton(int n);
    int machineId() const { return idMachine; }
    Ui::cSetList *form() const { return ui; }
    QSqlTableModel *tableModel() const { return model; }

    // Stands in for the operator at the CSV file dialog (tests): gets the
    // prepared dialog and returns the chosen path, a null text for Cancel.
    using FileDialogHook = std::function<QString(QFileDialog &)>;
    static void setFileDialogHook(FileDialogHook hook);

public slots:
    void updGui();
    void updateFilter(QString filter);
    void slotEditToolset();
    void slotOpenPostPro();
    void slotDeleteToolset();
    void reqNewToolset();
    void reqRenameToolset();
    void reqCopyToolset();
    void slotCsvImport();
    bool insertToolset(QString tsName, QString *error = nullptr);
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
    // A change the database refused, with its error.
    void tellNotDone(const QString &title, const QString &what, const QString &error);
    // A name no table may have (a file's name may give one), refused with a
    // box under the title.
    bool refusesName(const QString &name, const QString &title);

    Ui::cSetList *ui;
    QSqlTableModel *model;
    int idMachine = -1;
    // The import description and the rows read, from the file choice to the
    // confirmation of the table name.
    io_CSV_T8AM csvReader;
};
