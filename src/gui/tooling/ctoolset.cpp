#include "tooling/ctoolset.h"

#include <QFontMetrics>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSqlDatabase>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlRelationalTableModel>

#include "axis/cAxisInterface.h"
#include "axis/measureserver.h"
#include "keyboard/myinputpanelcontext.h"
#include "widgets/QExtDoubleValidator.h"
#include "widgets/QMessageBoxKovra.h"
#include "app/MeasureCommands.h"
#include "shared/CheckedStore.h"
#include "shared/SharedStruct.h"
#include "tooling/ToolRules.h"
#include "tooling/ToolTableReport.h"
#include "tooling/ToolTolerance.h"
#include "tooling/ToolingTables.h"
#include "tooling/ctoolsearch.h"
#include "tooling/lineeditdelegate.h"
#include "ui_ctoolset.h"

// The panels' pictures live in the static library: register them so the
// panels show them whoever creates them.
static void initToolingPictures()
{
    Q_INIT_RESOURCE(tooling);
    Q_INIT_RESOURCE(mainwin);
}

namespace {

// The editor's table model: the tools of one table in the list's order.
// Rows with equal values in the sort column are ordered by their id, exactly
// as in the list, so the form's row and the list's row always agree.
class ToolTableModel : public QSqlRelationalTableModel
{
public:
    ToolTableModel(QObject *parent, const QSqlDatabase &db)
        : QSqlRelationalTableModel(parent, db)
    {
    }

    QString sortBy = QStringLiteral("t");

protected:
    QString orderByClause() const override
    {
        return QStringLiteral("ORDER BY \"%1\" ASC, \"idTool\" ASC").arg(sortBy);
    }
};

void fetchAll(QAbstractItemModel *m)
{
    while (m->canFetchMore(QModelIndex()))
        m->fetchMore(QModelIndex());
}

// A column the list may be ordered by; anything else orders by tool number.
QString sortColumnOf(int section)
{
    switch (section) {
    case 3:
        return QStringLiteral("x");
    case 4:
        return QStringLiteral("z");
    case 5:
        return QStringLiteral("code");
    default:
        return QStringLiteral("t");
    }
}

} // namespace

cToolset::cToolset(cAxisInterface *axis, MeasureServer *measure, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::cToolset)
    , measureServer(measure)
    , axisInterface(axis)
{
    initToolingPictures();
    ui->setupUi(this);

    connect(ui->tbDelTool, &QPushButton::clicked, this, &cToolset::slotDelTool);
    connect(ui->tbInsertTool, &QPushButton::clicked, this, &cToolset::slotInsTool);
    connect(ui->tbOkTool, &QPushButton::clicked, this, &cToolset::slotOk);
    connect(ui->tbExitTool, &QPushButton::clicked, this, &cToolset::slotExit);
    connect(ui->tbSaveXset, &QPushButton::clicked, this, &cToolset::slotReadmeasure);
    connect(ui->tbSaveZset, &QPushButton::clicked, this, &cToolset::slotReadmeasure);
    connect(ui->leT, &QLineEdit::textChanged, this, &cToolset::adjustFont);
    connect(ui->leCode, &QLineEdit::textChanged, this, &cToolset::adjustFont);
    // What the operator types or pastes is what they mean, even the text shown.
    for (const auto &m : mappedFields()) {
        const QString column = QString::fromLatin1(m.second);
        connect(m.first, &QLineEdit::textEdited, this, [this, column] { shown.forget(model->fieldIndex(column)); });
    }
    connect(ui->tbLabelPrint, &QPushButton::clicked, this, &cToolset::slotLabelPrint);
    connect(ui->tbListPrint, &QPushButton::clicked, this, &cToolset::printTable);
    connect(ui->tbSearch, &QPushButton::clicked, this, &cToolset::searchTool);
    connect(ui->tbDnc, &QPushButton::clicked, this, &cToolset::openDncSocket);
    connect(ui->tbAngleSet, &QPushButton::clicked, this, &cToolset::slotSetAngle);
    connect(ui->tbCircleSet, &QPushButton::clicked, this, &cToolset::slotSetCircle);
    if (parent) {
        const QMetaObject *mo = parent->metaObject();
        if (mo->indexOfSlot("printLabel(QString,QString,QString,QString,QString,QString,QString,QString,bool)") >= 0)
            connect(this, SIGNAL(reqPrintLabel(QString, QString, QString, QString, QString, QString, QString, QString, bool)),
                    parent, SLOT(printLabel(QString, QString, QString, QString, QString, QString, QString, QString, bool)));
        if (mo->indexOfSlot("slotDncSocket(bool,int)") >= 0)
            connect(this, SIGNAL(sigOpenDncSocket(bool, int)), parent, SLOT(slotDncSocket(bool, int)));
    }
    connect(ui->twTools->horizontalHeader(), &QHeaderView::sectionClicked, this, &cToolset::slotSortColumn);
    // Column widths fit the rows in sight; measuring every row of a long
    // table at each store would cost more than the store itself.
    ui->twTools->horizontalHeader()->setResizeContentsPrecision(0);

    model = new ToolTableModel(this, QSqlDatabase::database());
    model->setTable(QStringLiteral("tools"));
    model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    ui->tbOkTool->hide();

    limitFields(3);
    ui->leCode->setMaxLength(ToolRules::codeLength());

    toolSearch = new cToolSearch(this);
    toolSearch->hide();
    toolSearch->move(0, 280);
    connect(toolSearch, &cToolSearch::closeSearch, this, &cToolset::slotCloseSearch);
    connect(toolSearch, &cToolSearch::searchTool, this, &cToolset::slotSearchTool);
}

cToolset::~cToolset()
{
    delete ui;
}

int cToolset::lengthDecimals()
{
    return CurrentMachine.IsMM ? MachineSettings.mmDecimals : MachineSettings.inchDecimals;
}

// Opening and moving --------------------------------------------------------

void cToolset::setCurrentTable(int table, QString machine, QString name)
{
    idTable = table;
    machineName = machine;
    tableName = name;
    if (selectionModel) {
        disconnect(ui->twTools, &QTableView::clicked, this, &cToolset::slotViewClicked);
        for (QLineEdit *e : {ui->leX, ui->leZ, ui->leCode, ui->leT})
            disconnect(e, &QLineEdit::editingFinished, this, qOverload<>(&cToolset::updateList));
        delete selectionModel;
        selectionModel = nullptr;
    }

    const int d = lengthDecimals();
    limitFields(d);

    sortColumn = QStringLiteral("t");
    static_cast<ToolTableModel *>(model)->sortBy = sortColumn;
    model->setFilter(QStringLiteral("idTable=%1").arg(idTable));
    model->select();
    fetchAll(model);

    viewModel.setDecimals(char(d));
    refreshView();
    selectionModel = new QItemSelectionModel(&viewModel, this);

    ui->twTools->setModel(&viewModel);
    ui->twTools->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->twTools->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->twTools->setSelectionModel(selectionModel);
    ui->twTools->setWordWrap(true);
    ui->twTools->setTextElideMode(Qt::ElideRight);
    applyColumnLayout();
    ui->twTools->resizeColumnsToContents();
    ui->twTools->setColumnWidth(model->fieldIndex(QStringLiteral("code")), 120);

    mapper.setModel(model);
    if (!qobject_cast<lineEditDelegate *>(mapper.itemDelegate())) {
        auto *delegate = new lineEditDelegate(&mapper);
        delegate->recordInto(&shown);
        mapper.setItemDelegate(delegate);
    }
    addMappings();
    mapper.setSubmitPolicy(QDataWidgetMapper::ManualSubmit);

    if (model->rowCount() == 0) {
        slotInsTool();
        ui->tbDnc->hide();
    } else {
        disableInsert();
        ui->twTools->selectRow(0);
        mapper.toFirst();
        currentIdTool = toolIdAt(0);
        const int number = toolNumberAt(0);
        lastT = -1;
        lastIdTool = currentIdTool;
        gotoTool(number);
        ui->tbDnc->setVisible(!CurrentMachine.dncFormat.isEmpty());
    }

    // No transaction is held open: every store commits by itself.
    connect(ui->twTools, &QTableView::clicked, this, &cToolset::slotViewClicked, Qt::UniqueConnection);
    for (QLineEdit *e : {ui->leX, ui->leZ, ui->leCode, ui->leT})
        connect(e, &QLineEdit::editingFinished, this, qOverload<>(&cToolset::updateList), Qt::UniqueConnection);
}

QList<QPair<QLineEdit *, const char *>> cToolset::mappedFields() const
{
    return {
        {ui->leT, "t"},           {ui->leCode, "code"},         {ui->leX, "x"},
        {ui->leZ, "z"},           {ui->leAngle, "angle"},       {ui->leCr, "cr"},
        {ui->leXTh, "Xth"},       {ui->leZTh, "Zth"},           {ui->leXTolMinus, "XtolMinus"},
        {ui->leXTolPlus, "XtolPlus"}, {ui->leZTolMinus, "ZtolMinus"}, {ui->leZTolPlus, "ZtolPlus"}};
}

void cToolset::limitFields(int decimals)
{
    for (const auto &m : mappedFields()) {
        QLineEdit *e = m.first;
        if (e == ui->leCode)
            continue;
        const ToolRules::Range r = ToolRules::range(QLatin1String(m.second), CurrentMachine.IsMM);
        const int places = e == ui->leAngle ? 2 : decimals;
        if (e == ui->leT) {
            // Tool numbers are the same in either unit.
            if (!e->validator())
                e->setValidator(new QExtIntValidator(int(r.low), int(r.high), this));
        } else if (auto *v = qobject_cast<QDoubleValidator *>(const_cast<QValidator *>(e->validator()))) {
            v->setRange(r.low, r.high, places);
        } else {
            e->setValidator(new QExtDoubleValidator(r.low, r.high, places, this));
        }
    }
}

void cToolset::addMappings()
{
    for (const auto &m : mappedFields())
        mapper.addMapping(m.first, model->fieldIndex(QString::fromLatin1(m.second)));
}

void cToolset::refreshView()
{
    viewModel.setQuery(ToolingTables::toolList(idTable, sortColumn));
    fetchAll(&viewModel);
    applyColumnLayout();
}

void cToolset::applyColumnLayout()
{
    for (const char *column : {"idTool", "idTable", "angle", "cr", "Xth", "Zth", "XtolPlus", "XtolMinus", "ZtolPlus",
                               "ZtolMinus"}) {
        const int c = model->fieldIndex(QString::fromLatin1(column));
        if (c >= 0)
            ui->twTools->setColumnHidden(c, true);
    }
}

void cToolset::reloadModels(int storedRow)
{
    auto *tools = static_cast<ToolTableModel *>(model);
    // After a store only the stored row changed: read alone, it keeps its
    // place while its value in the sort column does.
    const int sortField = model->fieldIndex(sortColumn);
    const QVariant before = model->index(storedRow, sortField).data();
    if (storedRow < 0 || tools->sortBy != sortColumn || !model->selectRow(storedRow)
        || model->index(storedRow, sortField).data() != before) {
        tools->sortBy = sortColumn;
        model->select();
        fetchAll(model);
    }
    refreshView();
}

int cToolset::toolNumberAt(int row) const
{
    return model->index(row, model->fieldIndex(QStringLiteral("t"))).data().toInt();
}

int cToolset::toolIdAt(int row) const
{
    return model->index(row, model->fieldIndex(QStringLiteral("idTool"))).data().toInt();
}

QString cToolset::codeAt(int row) const
{
    return model->index(row, model->fieldIndex(QStringLiteral("code"))).data().toString();
}

int cToolset::rowOfNumber(int t) const
{
    const int col = model->fieldIndex(QStringLiteral("t"));
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, col).data().toInt() == t)
            return row;
    return -1;
}

int cToolset::rowOfToolId(int idTool) const
{
    const int col = model->fieldIndex(QStringLiteral("idTool"));
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, col).data().toInt() == idTool)
            return row;
    return -1;
}

int cToolset::showRow(int row)
{
    if (row < 0) {
        // Not in the table (any more): stay on the tool that was shown.
        row = rowOfToolId(lastIdTool);
        if (row < 0 && model->rowCount() > 0)
            row = 0;
    }
    if (row >= 0) {
        mapper.setCurrentIndex(row);
        currentIdTool = toolIdAt(row);
        ui->twTools->selectRow(row);
        lastT = toolNumberAt(row);
        lastIdTool = currentIdTool;
    }

    QTableView *view = ui->twTools;
    view->resizeColumnsToContents();
    const int ct = model->fieldIndex(QStringLiteral("t"));
    const int cx = model->fieldIndex(QStringLiteral("x"));
    const int cz = model->fieldIndex(QStringLiteral("z"));
    for (int c : {ct, cx, cz})
        view->setColumnWidth(c, view->columnWidth(c) + 10);
    const int code = model->fieldIndex(QStringLiteral("code"));
    view->setColumnWidth(code,
                         view->width() - 24 - view->columnWidth(ct) - view->columnWidth(cx) - view->columnWidth(cz));
    // One type for the whole column, in which every code fits it.
    viewModel.setCodeWidth(view->columnWidth(code));
    return row;
}

int cToolset::gotoTool(int t, int storedRow)
{
    gotoBusy = true;
    reloadModels(storedRow);
    const int row = showRow(rowOfNumber(t));
    gotoBusy = false;
    return row;
}

int cToolset::gotoToolId(int idTool, int storedRow)
{
    gotoBusy = true;
    reloadModels(storedRow);
    const int row = showRow(rowOfToolId(idTool));
    gotoBusy = false;
    return row;
}

// Store step ------------------------------------------------------------------

bool cToolset::toolNumberRefused(int n)
{
    return ui->leT->text().trimmed().isEmpty() || isDuplicated(n, lastIdTool);
}

void cToolset::updateList(QString)
{
    updateList();
}

void cToolset::updateList()
{
    if (insertMode || gotoBusy || sorting || viewClicking)
        return;
    const int viewRow = ui->twTools->currentIndex().row();
    if (viewRow < 0)
        return;
    const int n = ui->leT->text().toInt(nullptr, 10);
    currentIdTool = toolIdAt(viewRow);
    if (toolNumberRefused(n)) {
        gotoTool(lastT);
        return;
    }
    // A store that failed keeps the editor's values, for the operator to try again.
    const int row = mapper.currentIndex();
    if (!updateRecord())
        return;
    gotoTool(n, row);
}

void cToolset::slotViewClicked(QModelIndex)
{
    if (gotoBusy)
        return;
    viewClicking = true;
    const int row = ui->twTools->currentIndex().row();
    int target = lastIdTool;
    if (row >= 0) {
        target = toolIdAt(row);
        currentIdTool = target;
    }
    const int n = ui->leT->text().toInt(nullptr, 10);
    if (toolNumberRefused(n)) {
        gotoTool(lastT);
    } else if (updateRecord()) {
        gotoToolId(target, mapper.currentIndex());
    } else {
        // The list marks the tool whose values the editor still holds.
        currentIdTool = lastIdTool;
        ui->twTools->selectRow(rowOfToolId(lastIdTool));
    }
    viewClicking = false;
}

void cToolset::slotSortColumn(int section)
{
    updateList();
    sortColumn = sortColumnOf(section);
    if (insertMode || model->rowCount() == 0)
        return;
    sorting = true;
    refreshView();
    ui->twTools->selectRow(0);
    ui->twTools->scrollToTop();
    mapper.toFirst();
    const int id = toolIdAt(0);
    const int number = toolNumberAt(0);
    currentIdTool = id;
    sorting = false;
    lastIdTool = id;
    lastT = number;
    gotoTool(number);
}

void cToolset::disableInsert()
{
    for (QWidget *w : {ui->tbDelTool, ui->tbInsertTool, ui->tbLabelPrint, ui->tbSearch, ui->tbListPrint})
        w->show();
    ui->tbDnc->setVisible(!CurrentMachine.dncFormat.isEmpty());
    ui->tbOkTool->hide();
    ui->twTools->setEnabled(true);
    mapper.clearMapping();
    addMappings();
    insertMode = false;
}

void cToolset::slotExit()
{
    MyInputPanelContext::fieldDone(this);
    if (insertMode) {
        if (model->rowCount() > 0) {
            disableInsert();
            gotoTool(lastT);
            return;
        }
    } else {
        const int n = ui->leT->text().toInt(nullptr, 10);
        if (isDuplicated(n, lastIdTool))
            return;
        if (n != 0 && !updateRecord(true))
            return;
    }
    emit sigCloseToolset();
    emit sigShowKeyboard(false);
}

void cToolset::adjustFont(QString text)
{
    QLineEdit *edit = qobject_cast<QLineEdit *>(sender());
    if (!edit)
        return;
    const QString style = QStringLiteral("QLineEdit{font-size:%1px;}");
    edit->setStyleSheet(style.arg(18));
    if (edit != ui->leT && edit != ui->leCode)
        return;
    QFont font = edit->font();
    int size = 18;
    auto widthAt = [&](int px) {
        font.setPixelSize(px);
        return QFontMetrics(font).boundingRect(text).width() + 5;
    };
    // Shrinks in 1 px steps until the text fits; 6 px is the floor.
    while (size > 6 && widthAt(size) > edit->width())
        --size;
    if (size != 18)
        edit->setStyleSheet(style.arg(size));
}

// Tool rows -------------------------------------------------------------------

// A field still showing the text it was filled with stands for the stored
// number, which may hold more decimals than the field shows; only a changed
// text is read.
QVariant cToolset::fieldValue(const QLineEdit *e, const char *column, bool zeroWhenEmpty) const
{
    const QVariant held = shown.heldFor(model->fieldIndex(QLatin1String(column)), e->text());
    if (held.isValid())
        return held;
    return zeroWhenEmpty && e->text().isEmpty() ? QStringLiteral("0") : e->text();
}

void cToolset::putText(QLineEdit *e, const char *column, const QString &text)
{
    shown.forget(model->fieldIndex(QLatin1String(column)));
    e->setText(text);
}

void cToolset::putMeasure(QLineEdit *e, const char *column, const QString &text)
{
    MyInputPanelContext::fieldDone(this);
    putText(e, column, text);
}

QSqlRecord cToolset::formTool(int t, const QVariant &code) const
{
    QSqlRecord tool;
    for (const auto &m : mappedFields()) {
        const QString column = QString::fromLatin1(m.second);
        tool.append(QSqlField(column));
        tool.setValue(column, m.first == ui->leT      ? QVariant(t)
                              : m.first == ui->leCode ? code
                                                      : fieldValue(m.first, m.second, m.first != ui->leAngle && m.first != ui->leCr));
    }
    return tool;
}

void cToolset::slotInsTool()
{
    // The shown tool is stored (or refused with a box) and the form emptied.
    MyInputPanelContext::fieldDone(this);
    if (model->rowCount() > 0) {
        const int n = ui->leT->text().toInt(nullptr, 10);
        if (!insertMode) {
            if (toolNumberRefused(n) || !updateRecord())
                return;
        }
    }
    insertMode = true;
    for (QWidget *w : {ui->tbDelTool, ui->tbInsertTool, ui->tbLabelPrint, ui->tbListPrint, ui->tbDnc, ui->tbSearch})
        w->hide();
    ui->tbOkTool->show();
    ui->twTools->setEnabled(false);
    mapper.clearMapping();
    shown.clear();
    for (QLineEdit *e : {ui->leT, ui->leCode, ui->leX, ui->leZ, ui->leAngle, ui->leCr, ui->leXTh, ui->leZTh,
                         ui->leXTolMinus, ui->leXTolPlus, ui->leZTolMinus, ui->leZTolPlus})
        e->clear();
    ui->leCode->setMaxLength(ToolRules::codeLength());
    ui->leT->setFocus();
}

void cToolset::slotOk()
{
    MyInputPanelContext::fieldDone(this);
    const int t = ui->leT->text().toInt(nullptr, 10);
    if (!insertMode) {
        gotoTool(t);
        return;
    }
    if (isDuplicated(t, -1))
        return;
    if (t == 0) {
        QMessageBoxKovra::warning(this, tr("Warning"), tr("Invalid tool number"), QMessageBox::Ok);
        return;
    }
    const QSqlRecord tool = formTool(t, ui->leCode->text().trimmed());
    const QString why = ToolRules::toolRefusal(tool, CurrentMachine.IsMM);
    if (!why.isEmpty()) {
        QMessageBoxKovra::warning(this, tr("Warning"), why, QMessageBox::Ok);
        return;
    }
    if (!ToolingTables::addTool(idTable, tool)) {
        // The typed tool stays in the form so the operator can try again.
        QMessageBoxKovra::warning(this, tr("Warning"), tr("Unable to store tool"), QMessageBox::Ok);
        return;
    }
    disableInsert();
    gotoTool(t);
}

bool cToolset::updateRecord(bool leaving)
{
    const int t = ui->leT->text().toInt(nullptr, 10);
    if (t == 0) {
        QMessageBoxKovra::warning(this, tr("Warning"), tr("Invalid tool number"), QMessageBox::Ok);
        return false;
    }
    // An unedited code is the stored one (NULL, or longer than the field takes).
    const QSqlRecord tool = formTool(t, fieldValue(ui->leCode, "code"));
    // A form equal to its row is not written: nothing for a full or
    // read-only disk to refuse.
    if (ToolingTables::holdsTool(lastIdTool, tool))
        return true;
    // The one check of a tool that every road into the table passes.
    const QString why = ToolRules::toolRefusal(tool, CurrentMachine.IsMM);
    if (why.isEmpty() && ToolingTables::storeTool(lastIdTool, tool))
        return true;
    const QString refusal = why.isEmpty() ? tr("Unable to store tool") : why;
    if (!leaving) {
        QMessageBoxKovra::warning(this, tr("Warning"), refusal, QMessageBox::Ok);
        return false;
    }
    // The way out when the store is refused every time: the table stays as it was.
    return QMessageBoxKovra::question(this, tr("Warning"), refusal + QStringLiteral("\n") + tr("Discard the changes?"),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

void cToolset::slotDelTool()
{
    if (QMessageBoxKovra::warning(this, tr("Delete tool"), tr("Delete current tool?"), QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No)
        == QMessageBox::No)
        return;
    int removed = -1;
    CheckedStore store;
    bool ok = store.begin();
    const QModelIndexList rows = ui->twTools->selectionModel()->selectedRows();
    for (const QModelIndex &index : rows) {
        ok = ok && ToolingTables::removeTools(store, ToolingTables::Tools::One, toolIdAt(index.row()));
        removed = index.row();
    }
    if (!ok || !store.commit()) {
        QMessageBoxKovra::critical(this, tr("Delete tool"),
                                   tr("Tool not deleted") + QStringLiteral("\n\n") + store.error(), QMessageBox::Ok);
        gotoToolId(lastIdTool);
        return;
    }
    model->select();
    fetchAll(model);
    if (model->rowCount() > 0) {
        const int target = removed > 0 ? removed - 1 : 0;
        const int number = toolNumberAt(target);
        refreshView();
        gotoTool(number);
    } else {
        slotInsTool();
    }
}

bool cToolset::isDuplicated(int t, int idTool)
{
    if (ToolingTables::numberTaken(idTable, t, idTool)) {
        QMessageBoxKovra::warning(this, tr("Warning"), tr("Duplicated tool number"), QMessageBox::Ok);
        return true;
    }
    return false;
}

// Measures and requests -------------------------------------------------------

bool cToolset::takeMeasure(bool isX, const QString &text)
{
    bool ok = false;
    double value = text.trimmed().toDouble(&ok);
    if (!ok)
        return true; // nothing measured: the field stays as it is
    if (isX)
        value = MeasureCommands::storedX(value, CurrentMachine.isRadius, CurrentMachine.isRadiusStored);
    const double nominal = (isX ? fieldValue(ui->leXTh, "Xth") : fieldValue(ui->leZTh, "Zth")).toDouble();
    const double plus = (isX ? fieldValue(ui->leXTolPlus, "XtolPlus") : fieldValue(ui->leZTolPlus, "ZtolPlus")).toDouble();
    const double minus =
        (isX ? fieldValue(ui->leXTolMinus, "XtolMinus") : fieldValue(ui->leZTolMinus, "ZtolMinus")).toDouble();
    const int d = lengthDecimals();
    if (isOutOfTolerance(value, nominal, plus, minus, d)) {
        if (QMessageBoxKovra::question(this, isX ? tr("Measure X") : tr("Measure Z"),
                                       tr("Measure out of tolerance, overwrite?"), QMessageBox::Yes | QMessageBox::No,
                                       QMessageBox::No)
            != QMessageBox::Yes)
            return false;
    }
    putMeasure(isX ? ui->leX : ui->leZ, isX ? "x" : "z", QString::number(value, 'f', d));
    return true;
}

void cToolset::slotReadmeasure()
{
    QPushButton *button = qobject_cast<QPushButton *>(sender());
    const bool isX = button == ui->tbSaveXset;
    const bool isZ = button == ui->tbSaveZset;
    if ((isX || isZ) && measureServer) {
        // Before the measure server's boxes.
        MyInputPanelContext::fieldDone(this);
        QString text;
        const bool got = isX ? measureServer->getX(text, button) : measureServer->getZ(text, button);
        if (got && !takeMeasure(isX, text))
            return;
    }
    updateList();
}

void cToolset::slotSetAngle()
{
    QString text;
    if (axisInterface && axisInterface->hasAutoAngle(text)) {
        putMeasure(ui->leAngle, "angle", text);
        return;
    }
    ui->leAngle->setFocus();
    emit sigShowKeyboard(true);
}

void cToolset::slotSetCircle()
{
    QString text;
    if (axisInterface && axisInterface->hasAutoCircle(text)) {
        putMeasure(ui->leCr, "cr", text);
        return;
    }
    ui->leCr->setFocus();
    emit sigShowKeyboard(true);
}

void cToolset::setX(QString text)
{
    putMeasure(ui->leX, "x", text);
}

void cToolset::setZ(QString text)
{
    putMeasure(ui->leZ, "z", text);
}

void cToolset::setCr(QString text)
{
    putMeasure(ui->leCr, "cr", text);
}

void cToolset::setAngle(QString text)
{
    putMeasure(ui->leAngle, "angle", text);
}

void cToolset::slotLabelPrint()
{
    emit reqPrintLabel(machineName, tableName, ui->leT->text(), ui->leX->text(), ui->leZ->text(), ui->leAngle->text(),
                       ui->leCr->text(), ui->leCode->text(), CurrentMachine.isRadiusStored);
}

void cToolset::openDncSocket()
{
    emit sigOpenDncSocket(true, currentIdTool);
}

void cToolset::searchTool()
{
    ui->twTools->setEnabled(false);
    toolSearch->showSearch(idTable);
}

void cToolset::slotSearchTool(int t)
{
    gotoTool(t);
    ui->twTools->setEnabled(true);
}

void cToolset::slotCloseSearch()
{
    ui->twTools->setEnabled(true);
}

void cToolset::printTable()
{
    const QString path = ToolTableReport::reportPath(tableName);
    setEnabled(false);
    updateList();
    ToolTableReport::prepareFolder();
    const QString written =
        ToolTableReport::write(path, idTable, CurrentMachine.name, tableName, lengthDecimals());
    if (!written.isEmpty())
        ToolTableReport::pruneFolder(written);
    if (written.isEmpty())
        // No file to show: the viewer would only complain about a missing one.
        QMessageBoxKovra::critical(this, tr("Print list"), tr("Unable to write the report") + QStringLiteral("\n") + path,
                                   QMessageBox::Ok);
    else if (!ToolTableReport::openInViewer(written))
        // Without a viewer the report would go nowhere the operator sees.
        QMessageBoxKovra::information(this, tr("Print list"),
                                      tr("No PDF viewer could be started. The report was written to") +
                                          QStringLiteral("\n") + QFileInfo(written).absoluteFilePath(),
                                      QMessageBox::Ok);
    setEnabled(true);
}
