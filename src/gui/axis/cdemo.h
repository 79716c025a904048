#pragma once

#include <QDialog>
#include <QImage>
#include <QMutex>
#include <QString>
#include <QTimer>
#include <QVector>

#include <memory>

class Ui_cDemo;
class QCloseEvent;

// "Demo control panel": a tool window that can play the axis board (a
// position line every 300 ms) and the camera (sample pictures from
// "./demoImages" moved under the 1280 x 1024 window, blurred as by a turning
// spindle). Nothing in the program opens it; the demo run uses axb-sim and
// the PNG-folder camera instead.
class cDemo : public QDialog
{
    Q_OBJECT
public:
    explicit cDemo(QWidget *parent = nullptr);
    ~cDemo() override;

    // Makes the first frame.
    void start();
    // The current frame (1280 x 1024, 8-bit indexed grey).
    QImage getDemoImage();
    int hasDemoImages() const;
    // 2 while the vacuum flag is set, else 1.
    int isVacuumOk() const { return vacuum ? 2 : 1; }
    // Shows the "-I.png" pictures and hides the spindle controls when on.
    void setInspection(bool on);

signals:
    void updAxis(QString line);

public slots:
    // Selects the sample "tool0<n>" when there is one.
    void slotSelectSample(int n);

private slots:
    void offsetChanged(int);
    void switchImage(QString name);
    void resetCAxis();
    void slotTimUpdAxis();

private:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

    // The sample's picture as the camera would see it (a blank frame, after
    // a box, when it is missing or too small), with its description and
    // pictures shown in the form.
    QImage loadSample(const QString &name);
    // Ranges and values of the X and Z controls for the current picture.
    void showOffsets();
    void fillFrames();

    std::unique_ptr<Ui_cDemo> ui;
    QImage sample;
    QVector<QImage> frames;
    int frameIndex = 0;
    int xOffset = 0;
    int zOffset = 0;
    float cValue = 0;
    bool inspection = false;
    bool vacuum = true;
    // Set while the controls are given the picture's offsets: no new frame then.
    bool settingControls = false;
    QMutex mutex;
    QTimer timer;
};
