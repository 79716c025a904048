#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>

class QPropertyAnimation;
class QWidget;

// One named panel: where it stands in use (enlarged) and out of the way
// (shrunk), and the group of panels it excludes.
struct sAnimatedWidget
{
    QString id;
    QPointer<QWidget> widget;
    QPropertyAnimation *animation = nullptr;
    QRect enlarged;
    QRect shrunk;
    int group = 0;
};

// The registry of the main window's panels, which slide between their two
// geometries. Panels of one non-zero group exclude each other. It keeps
// enableToolingup (label panel open) and resets geometryActive when a camera
// measuring panel shrinks.
class AnimatedWidgets : public QObject
{
    Q_OBJECT
public:
    explicit AnimatedWidgets(QObject *parent = nullptr);
    ~AnimatedWidgets() override;

    // The enlarged geometry is position with the widget's present size.
    void addWidget(const QString &id, QWidget *widget, QPoint position, QRect shrunk, int group);
    void enableAnimation(bool enable);

    void setStatus(const QString &id, bool status);
    void setStatus(QWidget *widget, bool status);
    void setParentStatus(QWidget *widget, bool status);

    bool isEnlarged(const QString &id) const;
    bool isEnlarged(QWidget *widget) const;
    // Whether a panel of that id is registered (a panel some machines lack).
    bool hasPanel(const QString &id) const { return findId(id) >= 0; }
    // The panel registered under that id (null for none).
    QWidget *widget(const QString &id) const
    {
        const int i = findId(id);
        return i < 0 ? nullptr : widgets.at(i).widget.data();
    }

    // Shrinks the enlarged panels of group (every panel for 0); always animated.
    void shrinkByGroup(int group);

signals:
    void statusChanged(const QString &widgetId, bool status);

private:
    int findId(const QString &id) const;
    int findWidget(const QWidget *widget) const;
    bool enlargedNow(const sAnimatedWidget &entry) const;
    void animate(sAnimatedWidget &entry, const QRect &from, const QRect &to);

    QList<sAnimatedWidget> widgets;
    bool animationOff = false;
};
