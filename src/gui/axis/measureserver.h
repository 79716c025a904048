#pragma once

#include <QObject>
#include <QString>

class AnimatedWidgets;
class QPushButton;
class QWidget;
class cAxisInterface;

// Hands the X or Z measure to a dialog's field: warns about display modes,
// offers the camera's line intersection or circle centre when one is being
// measured, and lets the camera image settle before the value is read.
class MeasureServer : public QObject
{
    Q_OBJECT
public:
    enum eAxisType { X = 0, Z = 1 };

    MeasureServer(cAxisInterface *axis, AnimatedWidgets *panels, QWidget *widget, QObject *parent);
    ~MeasureServer() override;

    // True when a value was taken (it is in value), false when the operator
    // declined (value is then empty).
    bool getX(QString &value, QPushButton *button);
    bool getZ(QString &value, QPushButton *button);
    bool getMeasure(eAxisType axisType, QString &value, QPushButton *button);

    // Every place that takes the live axes as a measure asks this first: true
    // (after one box) when the board no longer answers and nothing may be taken.
    static bool refusedForSilence(cAxisInterface *axis, QWidget *parent = nullptr);

protected:
    // Where the values come from; the measuring rules above do not change
    // with the source.
    virtual QString liveValue(eAxisType axisType) const;
    virtual bool hasIntersection(eAxisType axisType, QString &text) const;
    virtual QString intersection(eAxisType axisType) const;
    virtual bool hasCenter(eAxisType axisType, QString &text) const;
    virtual QString center(eAxisType axisType) const;
    // Whether that panel is registered and enlarged.
    virtual bool isPanelEnlarged(const QString &id) const;
    // Waits for a still camera image with the pressed button blocked.
    virtual void settle(QPushButton *button);

private:
    // settle(), then false (after the box) when the board went silent meanwhile.
    bool settleWhileAnswered(QPushButton *button);
    bool takeGeometry(eAxisType axisType, QString &value, QPushButton *button, bool circle);
    bool offerLiveValue(eAxisType axisType, QString &value, QPushButton *button, bool circle, bool settled);

    cAxisInterface *axis = nullptr;
    AnimatedWidgets *panels = nullptr;
};
