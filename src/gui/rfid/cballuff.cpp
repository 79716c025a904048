#include "rfid/cballuff.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTcpSocket>

#include <cmath>
#include <ctime>
#include <limits>

#include "keyboard/myinputpanelcontext.h"
#include "rfid/BalluffCodec.h"
#include "rfid/qballuff.h"
#include "widgets/CheckBoxList.h"
#include "widgets/FieldEditors.h"
#include "shared/IniText.h"
#include "widgets/QExtDoubleValidator.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "shared/ValueFormat.h"
#include "shared/WholeFile.h"

namespace {
// The raw copies of the last read and write, for the service.
const char copyFolder[] = "./balluff";
const char readCopy[] = "/BalluffIn.bin";
const char writtenCopy[] = "/BalluffOut.bin";

const QColor kLockedGrey(157, 157, 157);

QString preservedText(const DatiCampo &f)
{
    return QStringLiteral("PRESERVED %1 byte(s)").arg(f.ByteLength);
}

// The text of a tag's bytes for the editor: Latin-1, without the zero bytes
// that pad it on either side.
QString charText(const QVariant &v)
{
    QString t = BalluffCodec::valueText(v);
    while (t.endsWith(QChar(0)))
        t.chop(1);
    while (t.startsWith(QChar(0)))
        t.remove(0, 1);
    return t;
}

} // namespace

cBalluffUI::cBalluffUI(QWidget *parent, MeasureServer *measureServer)
    : QWidget(parent), measureServer(measureServer), parentWindow(parent)
{
    ui.setupUi(this);
    balluff = new QBalluff(this);
    connect(balluff, &QBalluff::toggledCTS, this, &cBalluffUI::slot_toggledCTS);
    connect(balluff, &QBalluff::receiveError, this, &cBalluffUI::slot_receiveError);
    connect(balluff, &QBalluff::BnewDataReceived, this, &cBalluffUI::slot_newDataReceived);
    connect(ui.pbAbort, &QPushButton::clicked, this, &cBalluffUI::slot_abortOperation);
    connect(ui.pbDefault, &QPushButton::clicked, this, &cBalluffUI::slot_SetDefaultData);
    connect(ui.pbClose, &QPushButton::clicked, this, &cBalluffUI::slot_Close);
    connect(ui.pbWrite, &QPushButton::clicked, this, &cBalluffUI::slot_Write);
    connect(ui.pbRead, &QPushButton::clicked, this, &cBalluffUI::slot_Read);
    if (parent && parent->metaObject()->indexOfSlot("closeBalluff()") >= 0)
        connect(this, SIGNAL(closing()), parent, SLOT(closeBalluff()));
}

cBalluffUI::~cBalluffUI()
{
    if (balluff->isOpen())
        balluff->closeBalluffInterface();
    delete tcpSocket;
    delete balluff;
}

QString cBalluffUI::layoutPath() const
{
    return QStringLiteral("./balluff/") + CurrentMachine.Balluff;
}

QWidget *cBalluffUI::editor(int row) const
{
    return grid ? grid->cellWidget(row, 1) : nullptr;
}

bool cBalluffUI::ReadBallufConf(QString name)
{
    QStringList messages;
    const bool ok = layout.read(QStringLiteral("./balluff/") + name, &messages);
    fields = layout.fields;
    hasCounter = layout.hasCounter;
    for (const QString &m : messages) {
        configErrorText = m;
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("BALLUFF"), m, QMessageBox::Ok, QMessageBox::NoButton);
    }
    return ok;
}

int cBalluffUI::readWriteCounter() const
{
    return IniText(layoutPath(), IniText::Latin1).value(QStringLiteral("/SETTINGS/WriteCounter"), QStringLiteral("0")).toInt();
}

// ------------------------------------------------------------------ the grid

bool cBalluffUI::init()
{
    initializing = true;
    configError = false;
    if (!ReadBallufConf(CurrentMachine.Balluff))
        configError = true;

    delete grid;
    shown.clear();
    marks.clear();
    grid = new QTableWidget(int(fields.size()), 3, ui.qdBalluff);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setFocusPolicy(Qt::NoFocus);
    // Any PRESERVE field makes the write read the tag first, whatever its editor.
    hasPreserve = false;
    for (const DatiCampo &f : fields)
        if (f.Type == QLatin1String("PRESERVE"))
            hasPreserve = true;

    int total = 0;
    for (int i = 0; i < fields.size(); ++i) {
        buildRow(i);
        if (fields.at(i).Visible)
            total += 30;
    }
    const int width = 375;
    grid->setGeometry(0, 0, width, total <= 420 ? total + 2 : 420);
    grid->setColumnWidth(0, int(width * 0.4));
    grid->setColumnWidth(1, int(width * 0.4 - 1));
    grid->setColumnWidth(2, int(width * 0.125));
    grid->setVisible(!configError);

    ui.qdMessage->move(0, 200);
    ui.qdMessage->hide();
    ShowGrid();
    initializing = false;

    if (!balluff->openBalluffInterface(layout.Com, BAUD9600, DATA_8, PAR_EVEN, STOP_1, FLOW_OFF)) {
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("BALLUFF"), balluff->getError(), QMessageBox::Ok,
                                   QMessageBox::NoButton);
        emit closing();
        return false;
    }
    balluff->setBisM(layout.TagType == QLatin1String("M"));
    return true;
}

void cBalluffUI::buildRow(int i)
{
    DatiCampo &f = fields[i];
    const QString row = QString::number(i);

    auto *label = new QTableWidgetItem(f.Label);
    label->setFlags(Qt::ItemIsEnabled);
    label->setToolTip(f.Label);
    grid->setItem(i, 0, label);
    grid->setRowHeight(i, f.Visible ? 30 : 0);

    QPushButton *button = nullptr;
    auto makeButton = [&](const QString &text, const QString &sheet, const QString &tip) {
        delete button;
        button = new QPushButton(text, grid);
        button->setStyleSheet(sheet);
        button->setToolTip(tip);
        button->setStatusTip(row);
        button->setFocusPolicy(Qt::NoFocus);
    };
    if (f.AutoDefault) {
        makeButton(QStringLiteral("A"),
                   QStringLiteral("QPushButton{ color: green; font-size:16pt; font-weight:bold; border: 0px solid "
                                  "#8f8f91; border-radius: 6px; background-color:#a0a0a0; }"),
                   tr("Autodefault"));
        connect(button, &QPushButton::clicked, this, &cBalluffUI::slot_showDefault);
    }
    if (f.GetX || f.GetZ) {
        const QString text = f.GetX ? QStringLiteral("X") : QStringLiteral("Z");
        makeButton(text,
                   QStringLiteral("QPushButton{ color: yellow; font-size:16pt; font-weight:bold; border: 0px solid "
                                  "#8f8f91; border-radius: 6px; background-color:#a0a0a0; }"),
                   tr("Read") + " " + text);
        connect(button, &QPushButton::clicked, this, &cBalluffUI::getMeasure);
    }
    if (f.HasInputBox) {
        makeButton(QStringLiteral("I"), QStringLiteral("QPushButton{color:blue;}"), tr("Insert value"));
        connect(button, &QPushButton::clicked, this, &cBalluffUI::slot_inputBox);
    }
    if (button)
        grid->setCellWidget(i, 2, button);

    if (f.BitField) {
        auto *bits = new CheckBoxList(grid);
        bits->addItems(f.List);
        bits->setStatusTip(row);
        connect(bits, &CheckBoxList::checkedItemsChanged, this, &cBalluffUI::slot_bitFieldChanged);
        grid->setCellWidget(i, 1, bits);
        bits->setValue(0);
    } else if (f.hasList) {
        auto *list = new QComboBox(grid);
        connect(list, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &cBalluffUI::slot_listChanged);
        list->addItems(f.List);
        list->setEditable(false);
        FieldEditors::listPopup(list);
        list->setStatusTip(row);
        list->setCurrentIndex(findItem(QString(), list));
        list->setEnabled(!f.Locked);
        grid->setCellWidget(i, 1, list);
    } else {
        auto *line = new QLineEdit(grid);
        line->setStatusTip(row);
        connect(line, &QLineEdit::textChanged, this, &cBalluffUI::slot_textChanged);
        // No more decimals than the tag gives back: what is shown is what it holds.
        if (QValidator *v = FieldEditors::numberValidator(f, -std::numeric_limits<double>::max(), line,
                                                          fieldDecimals(f)))
            line->setValidator(v);
        if (f.kind == FieldValues::Kind::String) {
            line->setMaxLength(qMax(0, f.ByteLength));
        }
        line->setReadOnly(f.Locked || f.HasInputBox);
        line->setText(QString());
        grid->setCellWidget(i, 1, line);
        if (f.Type == QLatin1String("COUNTER"))
            f.value = readWriteCounter() + 1;
        else if (f.Type == QLatin1String("PRESERVE"))
            line->setText(preservedText(f));
    }

    if (f.Locked) {
        label->setBackground(kLockedGrey);
        label->setForeground(Qt::black);
    } else {
        if (!f.BackgroundColor.isEmpty())
            label->setBackground(QColor(f.BackgroundColor));
        if (!f.ForegroundColor.isEmpty())
            label->setForeground(QColor(f.ForegroundColor));
        QFont font = label->font();
        if (f.FontSize > 0)
            font.setPointSize(f.FontSize);
        font.setWeight(f.FontBold ? QFont::Bold : QFont::Normal);
        font.setItalic(f.FontItalic);
        label->setFont(font);
    }
    if (!button)
        grid->setSpan(i, 1, 1, 2);
}

void cBalluffUI::setTableValue(int row)
{
    if (row < 0 || row >= fields.size() || !grid)
        return;
    const DatiCampo &f = fields.at(row);
    const QVariant &v = f.value;
    QString t;
    // A script's text is read as the editor's text is: through the Format.
    const QVariant number = v.type() == QVariant::String ? editorValue(f, v.toString()) : v;
    if (f.isInt()) {
        const int n = BalluffCodec::toInt(std::trunc(number.toDouble()));
        // The editor's text is what a write takes: a pattern the formatter
        // cannot take shows the value as an empty pattern would.
        if (f.formatted())
            t = f.format.print(n);
        else
            t = QString::number(n);
    } else if (f.kind == FieldValues::Kind::Float) {
        t = floatText(f, number.toDouble());
    } else if (f.kind == FieldValues::Kind::Date) {
        t = ValueFormat::printDate(f.Format, number.toLongLong());
    } else {
        t = charText(v);
    }

    // A value shown from inside the showing of another (a script's output
    // whose field's own script sets further fields) reaches its editor
    // without a change signal, so that no further script runs: two fields
    // that set each other stop after one nested run.
    QWidget *w = editor(row);
    const bool nested = showingValue;
    const QSignalBlocker quiet(nested ? w : nullptr);
    showingValue = true;
    if (auto *bits = qobject_cast<CheckBoxList *>(w))
        bits->setValue(v.toInt());
    else if (auto *list = qobject_cast<QComboBox *>(w))
        list->setCurrentIndex(findItem(t, list));
    else if (auto *line = qobject_cast<QLineEdit *>(w)) {
        // A value put in here is written as the editor shows it, even when
        // the text stays as it was (no change signal then); only the read
        // flow keeps the values behind the texts it shows.
        shown.forget(row);
        line->setText(f.Type == QLatin1String("PRESERVE") ? preservedText(f) : t);
    }
    // Without its change signal the value's mark follows it here.
    if (nested)
        recheckMark(row);
    showingValue = nested;
}

QString cBalluffUI::floatText(const DatiCampo &f, double value)
{
    if (f.formatted())
        return f.format.print(value);
    return MPrn(float(value), CurrentMachine.IsMM);
}

void cBalluffUI::LoadTableData()
{
    for (int i = 0; i < fields.size(); ++i)
        setTableValue(i);
}

void cBalluffUI::rememberTagValues()
{
    for (int i = 0; i < fields.size(); ++i)
        if (auto *line = qobject_cast<QLineEdit *>(editor(i)))
            shown.remember(i, line->text(), fields.at(i).value);
}

int cBalluffUI::findItem(QString value, QComboBox *list)
{
    if (!list)
        return -1;
    const int n = value.toInt();
    for (int k = 0; k < list->count(); ++k) {
        QString item = list->itemText(k);
        const int dash = item.indexOf(QStringLiteral(" -"));
        if (dash >= 0)
            item = item.left(dash);
        if (item.toInt() == n)
            return k;
    }
    return -1;
}

void cBalluffUI::ShowGrid()
{
    ui.qdMessage->hide();
    ui.qdBalluff->show();
    show();
}

void cBalluffUI::ShowMessage(QString text)
{
    ui.qdMessage->show();
    ui.qdBalluff->hide();
    ui.lblMessage->setText(text);
    if (!configError)
        slot_toggledCTS(balluff->isCtsOn());
}

void cBalluffUI::slot_Close()
{
    balluff->setState(QBalluff::BC_IDLE);
    if (balluff->isOpen())
        balluff->closeBalluffInterface();
    emit closing();
}

// ------------------------------------------------------------- the head

int cBalluffUI::requestFlag(const QString &tagType, int tagSize)
{
    return tagType == QLatin1String("C") && tagSize >= 1024 ? 0 : 1;
}

int cBalluffUI::preserveFlag(int tagSize)
{
    return tagSize <= 1023 ? 1 : 0;
}

void cBalluffUI::DecodeTelegram(QByteArray telegram, QList<DatiCampo> &list)
{
    BalluffCodec(layout.BCDplus, layout.BCDminus, layout.BCDdot, layout.formatId).decode(telegram, list);
}

bool cBalluffUI::EncodeTelegram(QByteArray *image, QByteArray &tagBytes)
{
    updating = true;
    for (int i = 0; i < fields.size(); ++i)
        setBalluffValue(i, true);
    updating = false;
    // The tag carries the write count: the layout's counter as it will be
    // once this write succeeds (the editor stays blank).
    const int counter = readWriteCounter() + 1;
    for (DatiCampo &f : fields)
        if (f.Type == QLatin1String("COUNTER"))
            f.value = counter;
    QString error;
    if (!BalluffCodec(layout.BCDplus, layout.BCDminus, layout.BCDdot, layout.formatId)
             .encode(fields, tagBytes, image, &error)) {
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("BALLUFF"), error, QMessageBox::Ok,
                                   QMessageBox::NoButton);
        return false;
    }
    return true;
}

void cBalluffUI::saveTelegram(QByteArray data, QString name)
{
    // A copy for the service of the last attempt: one the disk refuses takes
    // the earlier one away, which would describe another attempt, or says so.
    const QString path = QLatin1String(copyFolder) + name;
    QString error;
    if (!WholeFile::replace(path, data, &error) && !QFile::remove(path) && QFile::exists(path))
        QMessageBoxKovra::warning(parentWindow, QStringLiteral("BALLUFF"),
                                  tr("Unable to replace %1").arg(QFileInfo(path).absoluteFilePath()) + QStringLiteral("\n")
                                      + error,
                                  QMessageBox::Ok, QMessageBox::NoButton);
}

QString cBalluffUI::folder()
{
    return QLatin1String(copyFolder);
}

bool cBalluffUI::checkFormatId()
{
    for (const DatiCampo &f : fields)
        if (f.Type == QLatin1String("FORMATID"))
            return f.value.toInt() == int(layout.formatId);
    return false;
}

void cBalluffUI::slot_Read()
{
    rxBuffer.clear();
    operationText = tr("Reading...");
    ShowMessage(operationText);
    if (configError) {
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("BALLUFF"), configErrorText, QMessageBox::Ok,
                                   QMessageBox::NoButton);
        return;
    }
    updating = true;
    QByteArray data;
    QPointer<cBalluffUI> self(this);
    const bool ok = balluff->readBalluff(&data, 0, layout.TagSize, layout.Head, requestFlag(layout.TagType, layout.TagSize));
    if (!self)
        return; // the editor went away while the head was waited for
    if (!ok) {
        operationText = tr("Error ") + balluff->getError();
        ui.lblMessage->setText(operationText);
    } else {
        saveTelegram(data, QLatin1String(readCopy));
        DecodeTelegram(data, fields);
        if (layout.formatId != 0 && !checkFormatId()) {
            ui.lblMessage->setText(tr("Invalid balluff format"));
            if (!fields.isEmpty())
                fields.last().value = 0;
            QMessageBoxKovra::warning(parentWindow, tr("Invalid balluff format"),
                                      tr("Balluf format on tag doesn't match selected format"), QMessageBox::Ok,
                                      QMessageBox::NoButton);
        }
        LoadTableData();
        rememberTagValues();
        // Every value is the tag's now.
        for (int i = 0; i < fields.size(); ++i)
            recheckMark(i);
        ShowGrid();
    }
    updating = false;
    balluff->setState(QBalluff::BC_IDLE);
}

void cBalluffUI::slot_Write()
{
    MyInputPanelContext::fieldDone(this);
    if (configError) {
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("BALLUFF"), configErrorText, QMessageBox::Ok,
                                   QMessageBox::NoButton);
        return;
    }
    if (fields.isEmpty()) {
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("BALLUFF"), tr("The tag layout has no fields"),
                                   QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    QString message;
    if (!validateData(message)) {
        const QString head = tr("One ore more field(s) are out of bounds") + "\n\n" + message + "\n\n";
        // A value the tag would hand back as another number is never written.
        if (layout.ForceConstraints || unwritable) {
            QMessageBoxKovra::critical(parentWindow, QStringLiteral("Balluff"), head + tr("Unable to continue"),
                                       QMessageBox::Ok, QMessageBox::NoButton);
            return;
        }
        if (QMessageBoxKovra::warning(parentWindow, QStringLiteral("Balluff"), head + tr("Confirm writing?"),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes)
            return;
    }
    rxBuffer.clear();
    operationText = tr("Writing...");
    ShowMessage(operationText);

    QPointer<cBalluffUI> self(this);
    QByteArray tagBytes;
    bool ok = true;
    if (hasPreserve) {
        ok = balluff->readBalluff(&tagBytes, 0, layout.TagSize, layout.Head, preserveFlag(layout.TagSize));
        if (!self)
            return;
        if (!ok) {
            operationText = tr("Error ") + balluff->getError();
            ui.lblMessage->setText(operationText);
        }
    }
    QByteArray image;
    if (ok && layout.scriptsRead && EncodeTelegram(&image, tagBytes)) {
        saveTelegram(image, QLatin1String(writtenCopy));
        // Written from the first field's address: tag bytes below it are not
        // the layout's and stay as they are.
        const QByteArray bytes = BalluffCodec::writeBytes(image, fields);
        ok = balluff->writeBalluff(bytes, BalluffCodec::writeAddress(fields), bytes.size(), layout.Head,
                                   requestFlag(layout.TagType, layout.TagSize));
        if (!self)
            return;
        if (ok) {
            // Only the counter's value changes: the settings class would
            // write the whole layout anew, its texts with commas among them.
            const bool counted = !hasCounter
                                 || IniText::write(layoutPath(), QStringLiteral("/SETTINGS/WriteCounter"),
                                                   QByteArray::number(readWriteCounter() + 1));
            if (counted)
                QMessageBoxKovra::information(parentWindow, QStringLiteral("BALLUFF"), tr("Tag written with success"),
                                              QMessageBox::Ok, QMessageBox::NoButton);
            else
                // The next write would give the tag the same count again.
                QMessageBoxKovra::warning(parentWindow, QStringLiteral("BALLUFF"),
                                          tr("Tag written, but the layout's write counter could not be stored"),
                                          QMessageBox::Ok, QMessageBox::NoButton);
            ShowGrid();
            if (layout.Customer == QLatin1String("Vuzedu"))
                sendTcpMessage();
        } else {
            operationText = tr("Error ") + balluff->getError();
            ui.lblMessage->setText(operationText);
        }
    }
    balluff->setState(QBalluff::BC_IDLE);
}

void cBalluffUI::slot_abortOperation()
{
    balluff->setState(QBalluff::BC_ERROR);
    balluff->abortOperation();
    ShowGrid();
}

void cBalluffUI::slot_toggledCTS(bool present)
{
    ui.lblTagMessage->setText(tr("Tag ") + (present ? tr("present") : tr("not present")));
    ui.lblMessage->setText(present ? operationText : tr("Approach tag to the R/W head"));
}

void cBalluffUI::slot_newDataReceived(const QByteArray &data)
{
    rxBuffer.append(data);
}

void cBalluffUI::slot_receiveError() {}
