#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPaintDevice>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTransform>

#include <functional>
#include <memory>

class RecordingPaintEngine;

// A paint device that keeps what was painted on it instead of pixels: each
// text with its baseline point, font, pen colour and painter transform, and
// each rectangle with its pens and brush. Lets a test check a layout exactly.
class RecordingPaintDevice : public QPaintDevice
{
public:
    struct Text
    {
        QString text;
        QPointF baseline;  // painter coordinates
        QTransform transform;
        QFont font;
        QColor color;
        // Where the baseline point lands on the device.
        QPointF deviceBaseline() const { return transform.map(baseline); }
    };
    struct Rect
    {
        QRectF rect;
        QTransform transform;
        QColor pen;
        QColor brush;
        Qt::BrushStyle brushStyle = Qt::NoBrush;
    };

    explicit RecordingPaintDevice(QSize size = QSize(600, 600), int dpi = 96);
    ~RecordingPaintDevice() override;

    QPaintEngine *paintEngine() const override;

    QList<Text> texts;
    QList<Rect> rects;
    int begins = 0;
    int ends = 0;
    // Called when a painter begins on the device.
    std::function<void()> onBegin;
    // Makes the painter's begin fail (a printer that cannot be opened).
    bool failBegin = false;

    // The texts in painting order.
    QStringList textList() const;
    // The first text equal to text, or null.
    const Text *find(const QString &text) const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    int m_dpi;
    std::unique_ptr<RecordingPaintEngine> m_engine;
};
