#include "exchange/postpro.h"

#include <QBitmap>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidgetItem>
#include <QPixmap>
#include <QSettings>
#include <QTextCodec>
#include <QTextStream>
#include <QUrl>

#include <cmath>

#include "exchange/ToolRecords.h"
#include "machines/MachineRows.h"
#include "shared/App.h"
#include "widgets/DialogStyle.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "shared/WholeFile.h"
#include "ui_postpro.h"

// The panel's pictures live in the static library: register them so the
// panel shows them whoever creates it.
static void initPostProPictures()
{
    Q_INIT_RESOURCE(postpro);
    Q_INIT_RESOURCE(mainwin);
}

namespace {
const QString kTitle = QStringLiteral("TARN");
}

postPro::postPro(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui_postPro)
{
    initPostProPictures();
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground, true);

    connect(ui->pbSave, &QPushButton::clicked, this, &postPro::save);
    connect(ui->pbPath, &QPushButton::clicked, this, &postPro::choosePath);
    connect(ui->pbUncheckAll, &QPushButton::clicked, this, &postPro::checkUncheck);
    connect(ui->pbCheckAll, &QPushButton::clicked, this, &postPro::checkUncheck);
    connect(ui->pbExit, &QPushButton::clicked, this, &postPro::sigPostProClosed);
    connect(ui->lstExistingFiles, &QListWidget::itemClicked, this, &postPro::toggleCheck);
    connect(ui->cmbPostProcessor, SIGNAL(currentIndexChanged(QString)), this, SLOT(switchPostPro(QString)));
    ui->cmbPostProcessor->setMaxVisibleItems(20);
    setMask(QPixmap(QStringLiteral(":/img/maskPP.png")).mask());
}

postPro::~postPro()
{
    delete ui;
}

void postPro::closeEvent(QCloseEvent *)
{
}

void postPro::init(int idTable, QString name)
{
    setTableName(name);
    toldWarning.clear();
    recToolingTable(idTable);
    setTabAttiva(&tools);

    dir = CurrentMachine.networkPath;
    ui->lblPath->setText(dir);
    ui->leFilename->setFocus();

    if (!setPostPro(CurrentMachine.PostPro))
        QMessageBoxKovra::critical(window(), kTitle,
                                   tr("Invalid post processor") + QStringLiteral(" [") + CurrentMachine.PostPro
                                       + QLatin1Char(']'),
                                   QMessageBox::Ok);

    ui->lstExistingFiles->clear();
    for (const sRecUtensile &r : qAsConst(tools)) {
        auto *item = new QListWidgetItem(QStringLiteral("T%1 %2").arg(variableText(r.T), r.D),
                                         ui->lstExistingFiles);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(r.selected ? Qt::Checked : Qt::Unchecked);
    }

    previewPostPro();

    ui->leFilename->setText(name + App::kovraSettings().value(QStringLiteral("/Machine/defaultExt"), QString()).toString());
    fillFormatCombo();
    ui->cmbPostProcessor->setEnabled(!MachineSettings.ppFormatLocked);
    ui->pbPath->setEnabled(!MachineSettings.ppDirLocked);
}

void postPro::fillFormatCombo()
{
    QComboBox *combo = ui->cmbPostProcessor;
    disconnect(combo, SIGNAL(currentIndexChanged(QString)), this, SLOT(switchPostPro(QString)));
    combo->clear();
    combo->addItems(getPostProcessors());
    int current = -1;
    for (int i = 0; i < combo->count() && current < 0; ++i)
        if (QString::compare(combo->itemText(i), CurrentMachine.PostPro, Qt::CaseInsensitive) == 0)
            current = i;
    combo->setCurrentIndex(current);
    connect(combo, SIGNAL(currentIndexChanged(QString)), this, SLOT(switchPostPro(QString)));
}

void postPro::recToolingTable(int idTable)
{
    if (idTable == 0)
        return;
    tools = readToolRecords(idTable);
}

void postPro::previewPostPro()
{
    text.clear();
    QString result, error;
    if (GeneraFilePP(getPostProFormat(), &result, &error)) {
        text = result;
        generationError.clear();
        // The preview shows the lines; the file keeps the format's own ends.
        QString shown = text;
        shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        ui->editBox->setPlainText(shown);
        QStringList lines;
        const QList<qint64> left = leftOutByMt();
        if (!left.isEmpty()) {
            QStringList numbers;
            for (qint64 t : left)
                numbers << QString::number(t);
            lines << tr("Tools beyond MT %1 are not written: %2").arg(mt()).arg(numbers.join(QStringLiteral(", ")));
        }
        lines << cutByMask();
        const QString warning = lines.join(QLatin1Char('\n'));
        if (!warning.isEmpty() && warning != toldWarning)
            QMessageBoxKovra::warning(window(), kTitle, warning, QMessageBox::Ok);
        toldWarning = warning;
    } else {
        generationError = error;
        ui->editBox->clear();
        QMessageBoxKovra::critical(window(), kTitle, error, QMessageBox::Ok);
    }
}

void postPro::switchPostPro(QString name)
{
    if (name == getPostProName())
        return;
    if (setPostPro(name))
        previewPostPro();
    else
        QMessageBoxKovra::critical(window(), kTitle,
                                   tr("Invalid post processor") + QStringLiteral(" [") + name + QLatin1Char(']'),
                                   QMessageBox::Ok);
}

void postPro::toggleCheck(QListWidgetItem *item)
{
    const int row = ui->lstExistingFiles->row(item);
    if (row < 0 || row >= tools.size())
        return;
    // A click on the tick mark has flipped the item already: one click is
    // one change whichever part of the row it hit.
    const bool was = tools[row].selected;
    const bool shown = item->checkState() == Qt::Checked;
    const bool now = shown != was ? shown : !was;
    tools[row].selected = now;
    item->setCheckState(now ? Qt::Checked : Qt::Unchecked);
    previewPostPro();
}

void postPro::checkUncheck()
{
    const bool all = sender() == ui->pbCheckAll;
    for (int i = 0; i < ui->lstExistingFiles->count(); ++i)
        ui->lstExistingFiles->item(i)->setCheckState(all ? Qt::Checked : Qt::Unchecked);
    for (sRecUtensile &r : tools)
        r.selected = all;
    previewPostPro();
}

void postPro::choosePath()
{
    QFileDialog chooser(this);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly);
    chooser.setOption(QFileDialog::DontResolveSymlinks);
    chooser.setDirectory(dir);
    chooser.setSidebarUrls({QUrl::fromLocalFile(QStringLiteral("/")), QUrl::fromLocalFile(QStringLiteral("/media")),
                            QUrl::fromLocalFile(QDir::homePath())});
    chooser.setGeometry(20, 200, 600, 400);
    for (const char *name : {"fileNameEdit", "fileNameLabel"})
        if (QWidget *w = chooser.findChild<QWidget *>(QLatin1String(name)))
            w->hide();
    styleStandardDialog(&chooser);
    if (chooser.exec() != QDialog::Accepted)
        return;
    // A tapped folder is the one chosen (its name would stand in the hidden
    // name field); with none, the folder shown.
    const QString chosen = QFileInfo(chooser.selectedFiles().value(0)).canonicalFilePath();
    if (chosen.isEmpty())
        return;
    dir = chosen;
    ui->lblPath->setText(dir);
}

bool postPro::writeFile()
{
    // Bytes as a text stream on the file would give them. The old file is
    // replaced only by a whole new one: a file cut short on a full disk
    // would reach the CNC without its end block.
    const QTextCodec *codec = QTextCodec::codecForLocale();
    return WholeFile::replace(path, codec ? codec->fromUnicode(text) : text.toLocal8Bit());
}

void postPro::save()
{
    QString folder = dir.isEmpty() ? QStringLiteral("./") : dir;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    path = folder + ui->leFilename->text();

    if (ui->leFilename->text().isEmpty()) {
        QMessageBoxKovra::critical(this, kTitle, tr("Invalid filename "), QMessageBox::Ok);
        return;
    }
    if (ui->cmbPostProcessor->currentText().isEmpty()) {
        QMessageBoxKovra::critical(this, kTitle, tr("No post-processor selected"), QMessageBox::Ok);
        return;
    }
    // After a failed generation there is no text: an empty file would reach
    // the CNC as if it were the table.
    if (!generationError.isEmpty()) {
        QMessageBoxKovra::critical(this, kTitle, generationError, QMessageBox::Ok);
        return;
    }
    if (QFile::exists(path)
        && QMessageBoxKovra::warning(this, kTitle, tr("File already exists.Overwrite?"),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
               != QMessageBox::Yes)
        return;
    if (!writeFile()) {
        QMessageBoxKovra::critical(this, kTitle, tr("Could not write to %1").arg(path), QMessageBox::Ok);
        return;
    }
    QMessageBoxKovra::information(this, kTitle, tr("%1 saved successfully").arg(path), QMessageBox::Ok);

    const QString format = ui->cmbPostProcessor->currentText();
    const QString network = ui->lblPath->text();
    if ((format != CurrentMachine.PostPro || network != CurrentMachine.networkPath)
        && QMessageBoxKovra::question(window(), tr("Post processor configuration"),
                                      tr("Save current configuration as default?"),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
               == QMessageBox::Yes) {
        QString error;
        // The machine takes the new default only when the store took it.
        if (MachineRows::storeOutputDefaults(CurrentMachine.idMachine, format, network, &error)) {
            CurrentMachine.PostPro = format;
            CurrentMachine.networkPath = network;
        } else {
            QMessageBoxKovra::critical(window(), tr("Post processor configuration"),
                                       tr("The configuration could not be stored") + QStringLiteral("\n\n") + error,
                                       QMessageBox::Ok);
        }
    }
    emit sigPostProClosed();
}
