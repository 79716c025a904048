#include "app/LabelPrinter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QThread>

#include "camera/VideoDevice.h"
#include "shared/App.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "widgets/animatedwidgets.h"

namespace
{
// The texts belong to the main window's translation.
QString mwText(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

LabelPrinter::PrinterSource &printerSource()
{
    static LabelPrinter::PrinterSource source;
    return source;
}
} // namespace

LabelPrinter::LabelPrinter(QWidget *window, QPushButton *printButton, QWidget *cameraPanel, CVideoDevice *camera,
                           AnimatedWidgets *panels, QObject *parent)
    : QObject(parent), window(window), printButton(printButton), cameraPanel(cameraPanel), camera(camera),
      panels(panels)
{
}

LabelPrinter::~LabelPrinter() = default;

void LabelPrinter::setPrinterSource(PrinterSource source)
{
    printerSource() = std::move(source);
}

std::shared_ptr<QPaintDevice> LabelPrinter::openPrinter()
{
    if (printerSource())
        return printerSource()();
    auto printer = std::make_shared<QPrinter>(QPrinter::ScreenResolution);
    if (printer->printerName().isEmpty())
        return nullptr;
    return printer;
}

void LabelPrinter::enterBusyState()
{
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    MachineSettings.printing = true;
    if (printButton)
        printButton->setEnabled(false);
    // Show the printing state before the GUI thread blocks.
    if (cameraPanel)
        cameraPanel->repaint();
    if (printButton)
        printButton->repaint();
}

void LabelPrinter::leaveBusyState()
{
    QApplication::restoreOverrideCursor();
    if (cameraPanel)
        cameraPanel->setUpdatesEnabled(true);
    // Start again only a capture that this print stopped: one that was not
    // running (camera panel never shown) stays off.
    if (captureStopped && camera)
        camera->StartCapture();
    captureStopped = false;
    if (printButton)
        printButton->setEnabled(true);
    MachineSettings.printing = false;
}

LabelPrinter::Result LabelPrinter::print(const sLabelData &label)
{
    if (label.isBlank()) {
        QMessageBoxKovra::warning(window, MachineSettings.vendorName, mwText("Label data are empty"), QMessageBox::Ok);
        return Result::Blank;
    }

    PrintSpooler spooler;
    QString queue;
    // A spooler that cannot be asked (no lpq, no answer) is no ready printer.
    if (!spooler.queryQueue(queue) || !PrintSpooler::isReady(queue)) {
        QMessageBoxKovra::critical(window, MachineSettings.vendorName, mwText("Printer is not ready"), QMessageBox::Ok);
        return Result::NotReady;
    }

    if (MachineSettings.printing)
        return Result::Busy;

    enterBusyState();

    QSettings &settings = App::kovraSettings();
    const int offsetX = settings.value(QStringLiteral("/Printer/offsetX"), 0).toInt();
    const int offsetY = settings.value(QStringLiteral("/Printer/offsetY"), 0).toInt();

    std::shared_ptr<QPaintDevice> printer = openPrinter();
    if (!printer) {
        leaveBusyState();
        QMessageBoxKovra::critical(window, mwText("Error"), mwText("No printer available"), QMessageBox::Ok);
        return Result::NoPrinter;
    }

    if (camera && camera->isRunning()) {
        camera->StopCapture();
        captureStopped = true;
    }
    if (cameraPanel)
        cameraPanel->setUpdatesEnabled(false);

    QPainter painter;
    if (!painter.begin(printer.get())) {
        // Nothing reached the spooler; an empty queue must not pass for a print.
        leaveBusyState();
        QMessageBoxKovra::critical(window, MachineSettings.vendorName, mwText("Printer problem. Check printer"),
                                   QMessageBox::Ok);
        return Result::PrinterProblem;
    }
    LabelPainter::paint(painter, label, offsetX, offsetY,
                        LabelPainter::footer(MachineSettings.logoPrint, QDateTime::currentDateTime()));
    painter.end();
    // Hand the job over now rather than when the printer goes.
    printer.reset();

    // Presses of the print button made while the GUI thread was busy are dropped.
    if (printButton)
        QCoreApplication::removePostedEvents(printButton);

    const int delay = settings.value(QStringLiteral("/Printer/Delay"), 4500).toInt();
    if (delay > 0)
        QThread::msleep(ulong(delay));

    // Whether lpq answered or not, only "no entries" tells the job has gone.
    spooler.queryQueue(queue);
    MachineSettings.printing = false;

    if (PrintSpooler::isEmptyQueue(queue)) {
        leaveBusyState();
        clearFieldsAfterPrint();
        return Result::Printed;
    }

    spooler.removeJobs();
    leaveBusyState();
    QMessageBoxKovra::critical(window, MachineSettings.vendorName, mwText("Printer problem. Check printer"),
                               QMessageBox::Ok);
    return Result::PrinterProblem;
}

void LabelPrinter::clearFieldsAfterPrint()
{
    if (!panels || !panels->isEnlarged(QStringLiteral("labelPrint")))
        return;
    bool clear = false;
    if (MachineSettings.ClearLabelMode == 1)
        clear = true;
    else if (MachineSettings.ClearLabelMode == 2)
        clear = QMessageBoxKovra::question(window, MachineSettings.vendorName, mwText("Clear label data?"),
                                           QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    if (!clear)
        return;
    for (QLineEdit *field : qAsConst(labelFields))
        if (field)
            field->setText(QString());
}
