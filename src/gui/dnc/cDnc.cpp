#include "dnc/cDnc.h"

#include <QComboBox>
#include <QHeaderView>
#include <QSettings>
#include <QSignalBlocker>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QTableWidget>

#include <cfloat>
#include <climits>

#include "app/MeasureCommands.h"
#include "axis/measureserver.h"
#include "dnc/DncScript.h"
#include "dnc/dmScanner.h"
#include "keyboard/myinputpanelcontext.h"
#include "dnc/DncValues.h"
#include "widgets/CheckBoxList.h"
#include "widgets/FieldEditors.h"
#include "shared/ValueFormat.h"
#include "widgets/QExtDoubleValidator.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"

namespace {

const char kMeasureButtonSheet[] =
    "QPushButton{ color: yellow; font-size:16pt; font-weight:bold; border: 0px solid #8f8f91; border-radius: 6px; "
    "background-color:#a0a0a0; }";
const char kAutoButtonSheet[] =
    "QPushButton{ color: green; font-size:16pt; font-weight:bold; border: 0px solid #8f8f91; border-radius: 6px; "
    "background-color:#a0a0a0;  }";

// Edited in a line editor: neither a list nor a bit group.
bool lineField(const DatiDnc &f)
{
    return !f.BitField && !f.isList;
}

} // namespace

cDnc::cDnc(cAxisInterface *axisLink, MeasureServer *measureServer, QWidget *parent)
    : QWidget(parent)
    , measure(measureServer)
    , axis(axisLink)
    , parentWindow(parent)
{
    ui.setupUi(this);
    confirmation = App::kovraSettings().value(QStringLiteral("/DataMatrix/Confirmation"), true).toBool();
    connect(ui.pbClose, &QPushButton::clicked, this, &cDnc::closeForm);
    connect(ui.pbDefault, &QPushButton::clicked, this, &cDnc::slot_SetDefaultData);
    connect(ui.pbWrite, &QPushButton::clicked, this, &cDnc::sendData);
    connect(ui.pbDataMatrix, &QPushButton::clicked, this, &cDnc::getDataMatrix);
    connect(&socket, &QTcpSocket::readyRead, this, &cDnc::readSocket);
    connect(&socket, &QAbstractSocket::errorOccurred, this, &cDnc::displayError);
    connect(&socket, &QAbstractSocket::stateChanged, this, &cDnc::updSocketStatus);
    connect(&timer, &QTimer::timeout, this, &cDnc::serverTimeout);
    connect(this, &cDnc::jsonReceived, this, &cDnc::processJson);
    timer.setInterval(6000);
    // Bytes wait in the socket while a reply's box is open: no more than a
    // reply may hold.
    socket.setReadBufferSize(DncProtocol::kMaxBuffer);
}

cDnc::~cDnc()
{
    // The socket closes as it goes, after the reply timer is gone: its last
    // state is nothing this panel shows any more.
    socket.disconnect(this);
    delete scanner;
}

QWidget *cDnc::editor(int row) const
{
    return twFields ? twFields->cellWidget(row, 1) : nullptr;
}

bool cDnc::ReadDncConf(const QString &fileName)
{
    const QSet<QString> columns = toolMode ? DncValues::storeColumns() : QSet<QString>();
    DncLayout layout;
    const bool ok = layout.read(QStringLiteral("./dnc/") + fileName, toolMode, columns);
    TotFields = layout.TotFields;
    ForceConstraints = layout.ForceConstraints;
    ScriptFunctions = layout.ScriptFunctions;
    fields = layout.fields;
    dncLabelIndex = layout.dncLabelIndex;
    if (!ok) {
        QString text = tr(layout.errorPhrase.toLatin1().constData());
        if (!layout.errorSection.isEmpty())
            text += QLatin1Char('\n') + layout.errorSection;
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("DNC"), text, QMessageBox::Ok);
    }
    return ok;
}

bool cDnc::init(bool mode, int tool)
{
    idTool = tool;
    toolMode = mode;
    building = true;
    acknowledged = false;
    touched.clear();
    layoutReady = false;
    toolCode.clear();
    dncRowMissing = false;
    if (toolMode) {
        dncRowMissing = DncValues::storeRowMissing(idTool);
        toolCode = DncValues::toolCode(idTool);
    }

    if (CurrentMachine.toolId && readDataMatrix(ReadId) == 0) {
        building = false;
        return false;
    }
    if (!ReadDncConf(CurrentMachine.dncFormat)) {
        building = false;
        return false;
    }
    ui.pbWrite->setEnabled(false);
    ui.pbDataMatrix->setEnabled(false);
    ui.pbDataMatrix->setVisible(CurrentMachine.toolId);
    // The code's place above the table exists only on DataMatrix machines.
    ui.lblIconDataMatrix->setVisible(CurrentMachine.toolId);

    // Both rows are read in either mode; stand-alone they find nothing.
    dncRow = DncValues::storeRow(idTool);
    toolRow = DncValues::toolRow(idTool);
    buildTable();
    layoutReady = true;

    building = false;
    dataChanged = false;
    ui.lblMessage->clear();
    openConnection();
    return true;
}

void cDnc::buildTable()
{
    delete twFields;
    marks.clear();
    twFields = new QTableWidget(ui.qdDnc);
    ui.lblMessage->clear();
    twFields->setRowCount(fields.size());
    twFields->setColumnCount(3);
    twFields->horizontalHeader()->hide();
    twFields->verticalHeader()->hide();
    twFields->setFocusPolicy(Qt::NoFocus);

    int total = 0;
    for (int i = 0; i < fields.size(); ++i) {
        const DatiDnc &f = fields.at(i);
        const QString row = QString::number(i);
        QTableWidgetItem *label = new QTableWidgetItem(f.Label);
        label->setToolTip(f.Label);
        label->setFlags(Qt::ItemIsEnabled);
        twFields->setItem(i, 0, label);
        twFields->setRowHeight(i, f.Visible ? 30 : 0);
        if (f.Visible)
            total += 30;

        if (!toolMode && (f.GetX || f.GetZ)) {
            QPushButton *b = new QPushButton(f.GetX ? QStringLiteral("X") : QStringLiteral("Z"));
            b->setToolTip(tr("Read") + QLatin1Char(' ') + b->text());
            b->setStyleSheet(QString::fromLatin1(kMeasureButtonSheet));
            b->setStatusTip(row);
            connect(b, &QPushButton::clicked, this, &cDnc::getMeasure);
            twFields->setCellWidget(i, 2, b);
        }
        if (f.AutoDefault) {
            QPushButton *b = new QPushButton(QStringLiteral("A"));
            b->setToolTip(tr("Autodefault"));
            b->setStyleSheet(QString::fromLatin1(kAutoButtonSheet));
            b->setStatusTip(row);
            twFields->setCellWidget(i, 2, b);
        }

        // A dnc value never stored (no row, or a column left empty) is the default.
        const bool fromDefault = toolMode && f.SqlTable == QLatin1String("dnc")
                                 && (dncRowMissing || dncRow.isNull(f.SqlField));
        if (f.BitField) {
            CheckBoxList *e = new CheckBoxList;
            e->setStatusTip(row);
            connect(e, &CheckBoxList::checkedItemsChanged, this, &cDnc::slot_bitFieldChanged);
            twFields->setCellWidget(i, 1, e);
            e->addItems(f.List);
            e->setValue((fromDefault ? f.DefaultValue : formatField(i)).toInt());
        } else if (f.isList) {
            QComboBox *e = new QComboBox;
            e->setEditable(false);
            FieldEditors::listPopup(e);
            e->setStatusTip(row);
            connect(e, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &cDnc::slot_listChanged);
            twFields->setCellWidget(i, 1, e);
            e->addItems(f.List);
            e->setCurrentIndex(findItem(fromDefault ? f.DefaultValue : formatField(i), e));
            if (toolMode && f.Locked)
                e->setEnabled(false);
        } else {
            QLineEdit *e = new QLineEdit;
            e->setStatusTip(row);
            connect(e, &QLineEdit::textChanged, this, &cDnc::slot_textChanged);
            twFields->setCellWidget(i, 1, e);
            // A float field without bounds takes no minus sign.
            if (QValidator *v = FieldEditors::numberValidator(f, DBL_MIN, e))
                e->setValidator(v);
            if (f.kind == FieldValues::Kind::String) {
                e->setMaxLength(int(f.Max));
            }
            if (toolMode)
                e->setReadOnly(f.Locked);
            e->setText(fromDefault ? f.DefaultValue : formatField(i));
        }
        paintLabel(i, false);
        if (!twFields->cellWidget(i, 2))
            twFields->setSpan(i, 1, 1, 2);
    }

    const bool dataMatrix = CurrentMachine.toolId;
    const int height = qMin(total, dataMatrix ? 360 : 420);
    twFields->setGeometry(0, dataMatrix ? 40 : 0, 375, height);
    const int w = twFields->width();
    twFields->setColumnWidth(0, int(0.4 * w));
    twFields->setColumnWidth(1, int(0.4 * w) - 1);
    twFields->setColumnWidth(2, int(0.125 * w));
    twFields->show();
}

// Label cell: the layout's look, the locked tint in tool mode, red after a
// failed validation.
void cDnc::paintLabel(int row, bool failed)
{
    marks.set(row, failed);
    QTableWidgetItem *label = twFields->item(row, 0);
    const DatiDnc &f = fields.at(row);
    const bool locked = toolMode && f.Locked;
    if (failed) {
        label->setBackground(QColor(Qt::red));
        return;
    }
    if (building) {
        if (locked) {
            label->setBackground(QColor(255, 255, 210));
            label->setForeground(QColor(Qt::black));
            return;
        }
        if (!f.BackgroundColor.isEmpty())
            label->setBackground(QColor(f.BackgroundColor));
        if (!f.ForegroundColor.isEmpty())
            label->setForeground(QColor(f.ForegroundColor));
        QFont font;
        if (f.FontSize > 0)
            font.setPointSize(f.FontSize);
        font.setWeight(f.FontBold ? 75 : 50);
        font.setItalic(f.FontItalic);
        label->setFont(font);
        return;
    }
    label->setBackground(locked ? QColor(255, 238, 221) : QColor(f.BackgroundColor));
}

QVariant cDnc::rawValue(const DatiDnc &f) const
{
    if (!toolMode)
        return QVariant();
    const QSqlRecord *rec = nullptr;
    if (f.SqlTable == QLatin1String("tools"))
        rec = &toolRow;
    else if (f.SqlTable == QLatin1String("dnc"))
        rec = &dncRow;
    if (!rec || rec->indexOf(f.SqlField) < 0)
        return QVariant();
    return DncValues::fromStore(f, rec->value(f.SqlField));
}

QString cDnc::formatField(int i)
{
    const DatiDnc &f = fields.at(i);
    const QVariant raw = rawValue(f);
    // A counter shows what the store kept for it, else its current value.
    if (f.kind == FieldValues::Kind::Counter)
        return (raw.isValid() ? raw : f.value).toString();
    return DncValues::format(f, raw, CurrentMachine.IsMM);
}

void cDnc::setTableValue(int i)
{
    static bool running = false;
    if (running || i < 0 || i >= fields.size() || !twFields)
        return;
    running = true;
    const DatiDnc &f = fields.at(i);
    const QString text = DncValues::format(f, f.value, CurrentMachine.IsMM);
    QWidget *e = editor(i);
    if (f.BitField) {
        if (CheckBoxList *c = qobject_cast<CheckBoxList *>(e))
            c->setValue(f.value.toInt());
    } else if (f.isList) {
        if (QComboBox *c = qobject_cast<QComboBox *>(e))
            c->setCurrentIndex(findItem(text, c));
    } else if (QLineEdit *l = qobject_cast<QLineEdit *>(e)) {
        l->setText(text);
    }
    running = false;
}

void cDnc::setBalluffValue(int i)
{
    DatiDnc &f = fields[i];
    QWidget *e = editor(i);
    if (f.BitField) {
        CheckBoxList *c = qobject_cast<CheckBoxList *>(e);
        if (!c)
            return;
        if (f.AutoDefault)
            c->setValue(f.DefaultValue.toInt());
        f.value = uint(c->getValue());
    } else if (f.isList) {
        QComboBox *c = qobject_cast<QComboBox *>(e);
        if (!c)
            return;
        if (f.AutoDefault)
            c->setCurrentIndex(findItem(f.DefaultValue, c));
        f.value = c->currentIndex() < 0 ? QString() : DncValues::itemKey(c->currentText());
    } else if (QLineEdit *l = qobject_cast<QLineEdit *>(e)) {
        if (f.AutoDefault)
            l->setText(f.DefaultValue);
        // The text as its Format prints it is what is sent and stored, the
        // first time as at every later send.
        const QString text = l->text();
        if (text.isEmpty() && f.isNumber())
            f.value = 0;
        else
            f.value = DncValues::collected(f, text);
    }
}

int cDnc::findItem(const QString &value, QComboBox *combo)
{
    const int n = value.toInt();
    for (int i = 0; i < combo->count(); ++i)
        if (DncValues::itemKey(combo->itemText(i)).toInt() == n)
            return i;
    return -1;
}

void cDnc::executeScript(QString &script, int idxField)
{
    if (building)
        return;
    // Every run hands the values of this moment, not those of earlier runs.
    scriptValues.clear();
    for (int j = 0; j < fields.size(); ++j) {
        setBalluffValue(j);
        scriptValues.append(FieldValues::scriptInput(fields.at(j), lineField(fields.at(j)), fields.at(j).value));
    }
    QList<DncScript::Output> outputs;
    QString error;
    if (!DncScript::run(script, scriptValues, fields.size(), outputs, error)) {
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("SCRIPT ERROR"),
                                   QStringLiteral("[FIELD %1] %2").arg(idxField).arg(error), QMessageBox::Ok);
        return;
    }
    for (const DncScript::Output &o : outputs) {
        fields[o.field].value = FieldValues::scriptValue(fields.at(o.field), lineField(fields.at(o.field)), o.value);
        setTableValue(o.field);
    }
}

void cDnc::rowChanged(QObject *source)
{
    dataChanged = true;
    QWidget *w = qobject_cast<QWidget *>(source);
    if (!w)
        return;
    const int row = w->statusTip().toInt();
    if (!building)
        touched.insert(row);
    if (row < 0 || row >= fields.size())
        return;
    bool uncarried = false;
    if (!building && marks.changed(fields.at(row), row, [&] { return fieldProblems(row, &uncarried).isEmpty(); }))
        paintLabel(row, false);
    if (fields.at(row).Script.isEmpty())
        return;
    QString script = fields.at(row).Script;
    executeScript(script, row);
}

void cDnc::slot_listChanged(int)
{
    if (QComboBox *c = qobject_cast<QComboBox *>(sender()))
        c->setToolTip(c->currentText());
    rowChanged(sender());
}

void cDnc::slot_textChanged(const QString &)
{
    rowChanged(sender());
}

void cDnc::slot_bitFieldChanged()
{
    rowChanged(sender());
}

bool cDnc::validateData(QString &msg)
{
    msg.clear();
    unsendable = false;
    QStringList messages;
    QList<int> failing;
    for (int i = 0; i < fields.size(); ++i) {
        bool uncarried = false;
        const QStringList lines = fieldProblems(i, &uncarried);
        const DatiDnc &f = fields.at(i);
        // What is sent is what the operator sees.
        if (QLineEdit *l = qobject_cast<QLineEdit *>(editor(i))) {
            const QSignalBlocker quiet(l);
            if (!f.value.isNull() && l->text() != f.value.toString() && !l->text().isEmpty())
                l->setText(f.value.toString());
        }
        unsendable = unsendable || uncarried;
        messages += lines;
        if (!lines.isEmpty())
            failing << i;
        if (twFields)
            paintLabel(i, !lines.isEmpty());
    }
    if (messages.isEmpty())
        return true;
    msg = messages.join(QLatin1Char('\n'));
    if (QWidget *e = editor(failing.first()))
        e->setFocus();
    return false;
}

QStringList cDnc::fieldProblems(int i, bool *uncarried)
{
    setBalluffValue(i);
    const DatiDnc &f = fields.at(i);
    QStringList lines = DncValues::check(f, CurrentMachine.IsMM);
    *uncarried = plainText() && !f.DncLabel.isEmpty() && !DncProtocol::plainTextCarries(f.value.toString());
    if (*uncarried)
        lines << f.Label + tr(" contains characters that cannot be sent");
    return lines;
}

void cDnc::getMeasure()
{
    QPushButton *button = qobject_cast<QPushButton *>(sender());
    if (!button || !measure)
        return;
    const int row = button->statusTip().toInt();
    if (row < 0 || row >= fields.size())
        return;
    QLineEdit *target = qobject_cast<QLineEdit *>(editor(row));
    if (!target)
        return;
    const DatiDnc &f = fields.at(row);
    // A measure fills the field: the keys leave before the measure server's boxes.
    MyInputPanelContext::fieldDone(this);
    QString text;
    if (!(f.GetX ? measure->getX(text, button) : measure->getZ(text, button)))
        return;
    double v = text.toDouble();
    // As the tooling editor stores it: one X whichever way the panel was opened.
    if (f.GetX)
        v = MeasureCommands::storedX(v, CurrentMachine.isRadius, CurrentMachine.isRadiusStored);
    const QString q = FieldValues::measureQuestion(f, f.Label, v, tr("Data out of bounds"), tr("Overwrite?"));
    if (!q.isEmpty()) {
        if (QMessageBoxKovra::warning(parentWindow, QStringLiteral("Balluff"), q, QMessageBox::Yes | QMessageBox::No,
                                      QMessageBox::No)
            == QMessageBox::No)
            return;
    }
    // Shown as the field shows any value: an int field never takes decimals.
    target->setText(DncValues::format(f, v, CurrentMachine.IsMM));
}

void cDnc::slot_SetDefaultData()
{
    if (QMessageBoxKovra::question(parentWindow, QStringLiteral("DNC"), tr("Replace current data with default values?"),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::No)
        setDefaultData();
}

void cDnc::setDefaultData()
{
    for (int i = 0; i < fields.size(); ++i) {
        const DatiDnc &f = fields.at(i);
        if (toolMode && f.SqlTable == QLatin1String("tools"))
            continue;
        QWidget *e = editor(i);
        if (CheckBoxList *c = qobject_cast<CheckBoxList *>(e))
            c->setValue(f.DefaultValue.toInt());
        else if (QComboBox *c = qobject_cast<QComboBox *>(e))
            c->setCurrentIndex(findItem(f.DefaultValue, c));
        else if (QLineEdit *l = qobject_cast<QLineEdit *>(e))
            l->setText(f.DefaultValue);
    }
}

bool cDnc::UpdateDb(QString &refusal)
{
    refusal.clear();
    // A layout refused (or a reading given up) in this opening shows nothing to store.
    if (!layoutReady)
        return true;
    // Only what was typed, set, measured or received in this opening is
    // kept: a default shown is not stored, and nothing kept adds no row.
    QSet<int> kept;
    QStringList refused;
    for (int i = 0; i < fields.size(); ++i) {
        setBalluffValue(i);
        const DatiDnc &f = fields.at(i);
        if (!touched.contains(i) || f.SqlTable != QLatin1String("dnc"))
            continue;
        kept.insert(i);
        // Nothing is stored while one value cannot be: the store keeps Latin-1.
        if (!DncValues::storable(f))
            refused << f.Label + tr(" contains characters that cannot be stored [") + f.value.toString()
                           + QLatin1Char(']');
    }
    if (!refused.isEmpty()) {
        refusal = refused.join(QLatin1Char('\n'));
        return false;
    }
    QString error;
    // Without the row the update alone would match nothing and still succeed.
    if (!DncValues::storeValues(idTool, fields, kept, dncRowMissing, &error)) {
        refusal = error.isEmpty() ? tr("The store added no row") : error;
        return false;
    }
    if (!kept.isEmpty())
        dncRowMissing = false;
    return true;
}

// The operator leaves without the values the store refused, or stays in the
// panel with them, where closing again stores them once the store takes them.
bool cDnc::leaveUnstored(const QString &refusal)
{
    return QMessageBoxKovra::critical(parentWindow, tr("Error"),
                                      tr("The tool's DNC values could not be stored") + QStringLiteral("\n\n")
                                          + refusal + QStringLiteral("\n\n")
                                          + tr("Close the panel without keeping them?"),
                                      QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Cancel)
           == QMessageBox::Discard;
}

void cDnc::closeForm()
{
    QString refusal;
    if (toolMode && !UpdateDb(refusal) && !leaveUnstored(refusal)) {
        // The panel stays: a reply to a later send is handled again.
        acknowledged = false;
        return;
    }
    socket.abort();
    timer.stop();
    if (scanner) {
        scanner->disconnect(this);
        delete scanner;
        scanner = nullptr;
    }
    ui.lblDataMatrixCode->clear();
    emit sigCloseDncSocket(toolMode);
}
