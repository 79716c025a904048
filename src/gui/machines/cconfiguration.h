#pragma once

#include <QDialog>
#include <QMap>
#include <QMessageBox>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVector>

#include "camera/VideoDevice.h"
#include "shared/SharedStruct.h"

class QCloseEvent;
class Ui_cConfiguration;
class cAxisInterface;

// The panel in which an authorised user edits the machine-wide settings
// (units, password, language, label, post-processor and machine options,
// customization), tunes the camera sensor live and calibrates the pixel size.
// A new one is made for each opening; it deletes itself when it closes. Form
// edits change nothing until saved; the sensor, the scan line, "Debug" and
// "Enable zero reset" act at once and are undone by Discard.
class cConfiguration : public QDialog
{
    Q_OBJECT

public:
    cConfiguration(CVideoDevice *camera, cAxisInterface *axis, QWidget *parent);
    ~cConfiguration() override;

    // The settings record as the form now states it.
    s_MachineSettings getMacSettings();
    // The language setting ("name|file") of a listed display name, else "English|none".
    QString createIniLang(const QString &name) const;

    Ui_cConfiguration *form() const { return ui; }

signals:
    void updGui();

public slots:
    void toggleDebug(bool on);
    void toggleEnableZeroReset(bool on);
    void setGain(int value);
    void setExposure(int value);
    void toggleScanline(bool on);
    void toggleEnablePP(bool on);
    void setScanline(int row);
    void setBiasB(int value);
    void setBiasGB(int value);
    void setBiasR(int value);
    void setBiasGR(int value);
    bool writeSettings();
    void slotCalibrationWizard();
    void saveAxisCalibration();
    void activateCustomization(QString name);
    void exitConfig();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    using SensorSet = CVideoDevice::SensorSet;

    SensorSet &sensorSet() const;
    bool sensorUnchanged() const;
    // "/sensorMeasure/" or "/sensorInspection/" (suffix "1/" for other cameras).
    QString sensorGroup() const;
    void fillLanguages();
    void fillCustomizations();
    void showSpindleButtons();
    // Writes the keys to the settings file; false (and the box saying so)
    // when the file did not take them, which leaves them as they were.
    bool writeKeys(const QVector<QPair<QString, QVariant>> &values);
    // A wizard box over the camera view (parent: the main window).
    QMessageBox::StandardButton cameraBox(QMessageBox::Icon kind, const QString &text,
                                          QMessageBox::StandardButtons buttons);
    void endWizard();
    void showCalibration();

    Ui_cConfiguration *ui;
    CVideoDevice *camera;
    cAxisInterface *axis;
    int sensorMode = 0;
    int cameraId = 0;
    SensorSet sensorSnapshot;
    s_MachineSettings settingsSnapshot;
    QMap<QString, QString> languages;
};
