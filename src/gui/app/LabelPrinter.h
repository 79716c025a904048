#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

#include "app/LabelPainter.h"
#include "app/PrintSpooler.h"

class AnimatedWidgets;
class CVideoDevice;
class QLineEdit;
class QPaintDevice;
class QPushButton;
class QWidget;

// Prints one tool label on the default printer, which is the label printer
// behind the print spooler. While the label is painted and spooled the GUI
// shows the printing state: wait cursor, print button off, camera capture
// paused and the camera panel frozen; every way out of that state undoes it.
class LabelPrinter : public QObject
{
    Q_OBJECT
public:
    enum class Result {
        Blank,           // nothing but a machine name: warned
        NotReady,        // the spooler does not report the label printer ready: warned
        Busy,            // a print is running: nothing done
        NoPrinter,       // no default printer: warned
        PrinterProblem,  // the job did not leave the queue (removed) or could not be painted: warned
        Printed
    };

    // window: parent of the message boxes; printButton and cameraPanel show
    // the printing state; camera is paused meanwhile; panels tells whether the
    // label panel is shown. Any of them may be null.
    LabelPrinter(QWidget *window, QPushButton *printButton, QWidget *cameraPanel, CVideoDevice *camera,
                 AnimatedWidgets *panels, QObject *parent = nullptr);
    ~LabelPrinter() override;

    void setCamera(CVideoDevice *device) { camera = device; }
    void setCameraPanel(QWidget *panel) { cameraPanel = panel; }
    // The label panel's fields, cleared after a good print in this order.
    void setLabelFields(const QList<QLineEdit *> &fields) { labelFields = fields; }

    Result print(const sLabelData &label);

    // Gives the printer in place of the default one (null: back to the
    // default printer). Lets a test keep what a print paints.
    using PrinterSource = std::function<std::shared_ptr<QPaintDevice>()>;
    static void setPrinterSource(PrinterSource source);

protected:
    // The printer of the label, null when the system has no default printer.
    virtual std::shared_ptr<QPaintDevice> openPrinter();

private:
    void enterBusyState();
    void leaveBusyState();
    void clearFieldsAfterPrint();

    QPointer<QWidget> window;
    QPointer<QPushButton> printButton;
    QPointer<QWidget> cameraPanel;
    CVideoDevice *camera = nullptr;
    AnimatedWidgets *panels = nullptr;
    QList<QLineEdit *> labelFields;
    // The capture was running and has been stopped for this print.
    bool captureStopped = false;
};
