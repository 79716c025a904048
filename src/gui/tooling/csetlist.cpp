#include "tooling/csetlist.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QStringList>

#include "machines/MachineNames.h"
#include "widgets/DialogStyle.h"
#include "shared/QExtQuery.h"
#include "widgets/QMessageBoxKovra.h"
#include "tooling/TableCopy.h"
#include "tooling/ToolingTables.h"
#include "ui_csetlist.h"

// The panels' pictures live in the static library: register them so the
// panels show them whoever creates them.
static void initToolingPictures()
{
    Q_INIT_RESOURCE(tooling);
    Q_INIT_RESOURCE(mainwin);
}

namespace {
enum { colIdTable = 0, colIdMachine = 1, colName = 2 };

cSetList::FileDialogHook fileDialogHook;
}

void cSetList::tellNotDone(const QString &title, const QString &what, const QString &error)
{
    QMessageBoxKovra::critical(this, title, what + QStringLiteral("\n\n") + error, QMessageBox::Ok);
}

bool cSetList::refusesName(const QString &name, const QString &title)
{
    if (MachineNames::fitsName(name))
        return false;
    QMessageBoxKovra::critical(this, title, tr("Tooling table name not valid"), QMessageBox::Ok);
    return true;
}

cSetList::cSetList(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::cSetList)
{
    initToolingPictures();
    ui->setupUi(this);

    model = new QSqlTableModel(this, QSqlDatabase::database());
    model->setTable(QStringLiteral("toolingTables"));
    model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    ui->twToolset->setModel(model);
    model->setSort(colName, Qt::AscendingOrder);
    model->select();

    ui->twToolset->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->twToolset->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->twToolset->hideColumn(colIdTable);
    ui->twToolset->hideColumn(colIdMachine);
    ui->twToolset->setColumnWidth(colName, 276);
    model->setHeaderData(colName, Qt::Horizontal, tr("Tooling tables"));

    connect(ui->tbEdit, &QPushButton::clicked, this, &cSetList::slotEditToolset);
    connect(ui->tbNew, &QPushButton::clicked, this, &cSetList::reqNewToolset);
    connect(ui->tbDelete, &QPushButton::clicked, this, &cSetList::slotDeleteToolset);
    connect(ui->tbRename, &QPushButton::clicked, this, &cSetList::reqRenameToolset);
    connect(ui->tbCopy, &QPushButton::clicked, this, &cSetList::reqCopyToolset);
    connect(ui->tbCsvIn, &QPushButton::clicked, this, &cSetList::slotCsvImport);
    connect(ui->tbPostPro, &QPushButton::clicked, this, &cSetList::slotOpenPostPro);
    connect(ui->tbHide, &QPushButton::clicked, this, &cSetList::sigHideList);
    connect(ui->leFilter, &QLineEdit::textChanged, this, &cSetList::updateFilter);

    // The main window asks for the names in its input box.
    if (parent && parent->metaObject()->indexOfSlot("showInputBox(QString,QString,eInputBoxType,bool)") >= 0) {
        connect(this, SIGNAL(sigNewToolset(QString, QString, eInputBoxType, bool)), parent,
                SLOT(showInputBox(QString, QString, eInputBoxType, bool)));
        connect(this, SIGNAL(sigCopyToolset(QString, QString, eInputBoxType, bool)), parent,
                SLOT(showInputBox(QString, QString, eInputBoxType, bool)));
    }
}

cSetList::~cSetList()
{
    delete ui;
}

int cSetList::currentRow() const
{
    return ui->twToolset->currentIndex().row();
}

void cSetList::selectToolset(int machine, bool clearFilter)
{
    idMachine = machine;
    ui->twToolset->setModel(model);
    ui->twToolset->hideColumn(colIdTable);
    ui->twToolset->hideColumn(colIdMachine);
    ui->twToolset->setColumnWidth(colName, 276);
    if (clearFilter) {
        // Re-enters through updateFilter when the text changes; the end state is the same.
        ui->leFilter->clear();
    }

    const QString filter = ui->leFilter->text();
    if (filter.trimmed().isEmpty()) {
        model->setFilter(QStringLiteral("idMachine=%1").arg(idMachine));
    } else {
        // The typed text only ever reaches the database as a bound value; the
        // model's filter names the matching tables by their ids. Names begin
        // with the text, whose "%" and "_" stay wildcards as in the tool search.
        QStringList ids;
        QExtQuery q;
        q.prepare(QStringLiteral(
            "SELECT idTable FROM toolingTables WHERE idMachine=:idMachine AND name LIKE :name"));
        q.bindValue(QStringLiteral(":idMachine"), idMachine);
        q.bindValue(QStringLiteral(":name"), filter + QLatin1Char('%'));
        if (q.exec())
            while (q.next())
                ids << QString::number(q.value(0).toInt());
        model->setFilter(ids.isEmpty() ? QStringLiteral("idMachine=%1 AND 0").arg(idMachine)
                                       : QStringLiteral("idMachine=%1 AND idTable IN (%2)")
                                             .arg(idMachine)
                                             .arg(ids.join(QLatin1Char(','))));
    }
    model->setSort(model->fieldIndex(QStringLiteral("name")), Qt::AscendingOrder);
    model->select();
    while (model->canFetchMore())
        model->fetchMore();

    const int rows = model->rowCount();
    ui->twToolset->setVisible(rows > 0);
    if (rows > 0)
        ui->twToolset->selectRow(0);
    ui->tbPostPro->setVisible(MachineSettings.ppEnabled);
    enableListButton(rows);
}

void cSetList::updateFilter(QString)
{
    selectToolset(idMachine, false);
}

void cSetList::enableListButton(int n)
{
    const bool any = n != 0;
    for (QPushButton *b : {ui->tbCopy, ui->tbEdit, ui->tbDelete, ui->tbRename, ui->tbPostPro})
        b->setEnabled(any);
    for (QPushButton *b : {ui->tbNew, ui->tbCsvIn, ui->tbHide})
        b->setEnabled(true);
}

void cSetList::updGui()
{
    ui->tbPostPro->setVisible(MachineSettings.ppEnabled);
}

void cSetList::slotEditToolset()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QSqlRecord rec = model->record(row);
    emit sigEditToolset(rec.value(QStringLiteral("idTable")).toInt(), rec.value(QStringLiteral("name")).toString());
}

void cSetList::slotOpenPostPro()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QSqlRecord rec = model->record(row);
    emit sigPostProToolset(rec.value(QStringLiteral("idTable")).toInt(),
                           rec.value(QStringLiteral("name")).toString());
}

void cSetList::reqNewToolset()
{
    emit sigNewToolset(tr("Insert tooling table name"), QString(), ibNewToolset, false);
}

void cSetList::reqRenameToolset()
{
    const int row = currentRow();
    const QString name = row < 0 ? QString() : model->record(row).value(QStringLiteral("name")).toString();
    emit sigNewToolset(tr("Rename tooling table name"), name, ibRenameToolset, false);
}

void cSetList::reqCopyToolset()
{
    emit sigCopyToolset(tr("Copy tooling table") + QStringLiteral("\n") + tr("Select target machine"), QString(),
                        ibCopyToolset, false);
}

bool cSetList::toolsetExists(QString tsName)
{
    return ToolingTables::exists(idMachine, tsName);
}

bool cSetList::insertToolset(QString tsName, QString *error)
{
    return ToolingTables::insert(idMachine, tsName, error);
}

void cSetList::selectRowWhere(const QString &column, const QVariant &value, bool open)
{
    const int col = model->fieldIndex(column);
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, col).data() == value) {
            ui->twToolset->selectRow(row);
            if (open)
                slotEditToolset();
            return;
        }
    }
}

void cSetList::newToolset(QString name)
{
    if (refusesName(name, tr("Insert tooling table")))
        return;
    if (toolsetExists(name)) {
        QMessageBoxKovra::critical(this, tr("Insert tooling table"), tr("Tooling table name already exixting"),
                                   QMessageBox::Ok);
        return;
    }
    QString error;
    const bool made = insertToolset(name, &error);
    selectToolset(idMachine, true);
    if (made)
        selectRowWhere(QStringLiteral("name"), name, true);
    else
        tellNotDone(tr("Insert tooling table"), tr("Tooling table not created"), error);
}

void cSetList::renameToolset(QString name)
{
    const int row = currentRow();
    if (row < 0 || refusesName(name, tr("Rename tooling table")))
        return;
    const int idTable = model->record(row).value(QStringLiteral("idTable")).toInt();
    QString error;
    const bool renamed = ToolingTables::rename(idTable, name, &error);
    selectToolset(idMachine, true);
    selectRowWhere(QStringLiteral("idTable"), idTable, false);
    if (!renamed)
        tellNotDone(tr("Rename tooling table"), tr("Tooling table not renamed"), error);
}

void cSetList::slotDeleteToolset()
{
    if (QMessageBoxKovra::warning(this, tr("Delete tooling table"), tr("Delete current tooling table?"),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::No)
        return;
    const int row = currentRow();
    QString error;
    const bool deleted = row < 0 || ToolingTables::remove(model->record(row).value(QStringLiteral("idTable")).toInt(), &error);
    selectToolset(idMachine, true);
    if (!deleted)
        tellNotDone(tr("Delete tooling table"), tr("Tooling table not deleted"), error);
}

void cSetList::copyToolset(int idTarget)
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QSqlRecord rec = model->record(row);
    const int idTable = rec.value(QStringLiteral("idTable")).toInt();
    const QString name = rec.value(QStringLiteral("name")).toString();
    const s_machine source = CurrentMachine;
    const s_machine target = getMachineData(idTarget);

    // Measures taken on axes that differ in swap or reversal mean nothing on
    // the target: the operator may carry the table over with them erased.
    bool erase = false;
    const struct
    {
        bool differs;
        const char *reason;
    } checks[] = {{source.swapXZ != target.swapXZ, QT_TR_NOOP("Axis are swapped")},
                  {source.reverseX != target.reverseX, QT_TR_NOOP("X axis is reversed")},
                  {source.reverseZ != target.reverseZ, QT_TR_NOOP("Z axis is reversed")}};
    for (const auto &check : checks) {
        if (!check.differs)
            continue;
        if (QMessageBoxKovra::warning(this, tr("Copy tooling table"),
                                      tr(check.reason) + QStringLiteral("\n") + tr("Axis measures will be erased")
                                          + QStringLiteral("\n") + tr("Continue?"),
                                      QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel)
            == QMessageBox::Cancel)
            return;
        erase = true;
    }

    QString error;
    if (TableCopy::copy(idTable, source, target, TableCopy::freeName(target.idMachine, name), erase, &error) < 0)
        tellNotDone(tr("Copy tooling table"), tr("Tooling table not copied"), error);
    selectToolset(idMachine, true);
}

// CSV import ------------------------------------------------------------------

void cSetList::setFileDialogHook(FileDialogHook hook)
{
    fileDialogHook = std::move(hook);
}

void cSetList::slotCsvImport()
{
    csvReader = io_CSV_T8AM();
    csvReader.setMetric(CurrentMachine.IsMM);
    QString error;
    if (!csvReader.setFormat(QStringLiteral("./csv-import.cfg"), error)) {
        QMessageBoxKovra::critical(this, tr("CSV import"),
                                   tr("Unable to read CSV configuration file") + QStringLiteral("\n\n") + error,
                                   QMessageBox::Ok);
        return;
    }

    QFileDialog dialog(this, QString(), QString(), QString());
    dialog.setSidebarUrls({QUrl::fromLocalFile(QStringLiteral("/")), QUrl::fromLocalFile(QStringLiteral("/media")),
                           QUrl::fromLocalFile(QDir::homePath())});
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOptions(QFileDialog::DontResolveSymlinks | QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(csvReader.getDir());
    // The file is picked in the list: no typing on the touch screen.
    if (QWidget *w = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        w->hide();
    if (QWidget *w = dialog.findChild<QLabel *>(QStringLiteral("fileNameLabel")))
        w->hide();
    dialog.setGeometry(20, 200, 600, 400);
    styleStandardDialog(&dialog);

    QString path;
    if (fileDialogHook) {
        path = fileDialogHook(dialog);
        if (path.isNull())
            return;
    } else {
        if (dialog.exec() != QDialog::Accepted)
            return;
        path = dialog.selectedFiles().value(0);
    }
    if (!csvReader.setDataByFile(path)) {
        QMessageBoxKovra::critical(this, tr("CSV import"), tr("Unable to read file") + QStringLiteral(" ") + path,
                                   QMessageBox::Ok);
        return;
    }
    emit sigNewToolset(tr("Insert tooling table name"), QFileInfo(path).baseName(), ibImportToolset, false);
}

void cSetList::importToolset(QString name)
{
    if (refusesName(name, tr("CSV import")))
        return;
    if (toolsetExists(name)) {
        QMessageBoxKovra::critical(this, tr("CSV import"), tr("Tooling table name already exixting"), QMessageBox::Ok);
        return;
    }
    const QList<QStringList> statements = csvReader.createImportQuery(QStringLiteral("tools"));
    if (statements.isEmpty()) {
        QMessageBoxKovra::critical(this, tr("CSV import"), tr("Invalid data"), QMessageBox::Ok);
        return;
    }

    int imported = 0;
    QString error;
    if (!ToolingTables::import(idMachine, name, statements, &imported, &error)) {
        QMessageBoxKovra::critical(this, tr("CSV import"), tr("Import failed") + QStringLiteral("\n") + error,
                                   QMessageBox::Ok);
        return;
    }
    if (imported < csvReader.dataRowCount()) {
        QString text = tr("%1 of %2 rows imported").arg(imported).arg(csvReader.dataRowCount());
        // The first rows refused and how many more: the box must fit the screen.
        const QStringList refused = csvReader.refusedRowTexts();
        const int shown = 15;
        if (!refused.isEmpty())
            text += QStringLiteral("\n\n") + tr("Not imported:") + QLatin1Char('\n')
                    + refused.mid(0, shown).join(QLatin1Char('\n'));
        if (refused.size() > shown)
            text += QLatin1Char('\n') + tr("and %1 more").arg(refused.size() - shown);
        QMessageBoxKovra::information(this, tr("CSV import"), text, QMessageBox::Ok);
    }
    selectToolset(idMachine, true);
    selectRowWhere(QStringLiteral("name"), name, true);
}
