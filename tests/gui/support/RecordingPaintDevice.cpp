#include "support/RecordingPaintDevice.h"

#include <QPaintEngine>
#include <QStringList>

class RecordingPaintEngine : public QPaintEngine
{
public:
    explicit RecordingPaintEngine(RecordingPaintDevice *device)
        : QPaintEngine(QPaintEngine::AllFeatures), m_device(device)
    {
    }

    bool begin(QPaintDevice *) override
    {
        ++m_device->begins;
        if (m_device->onBegin)
            m_device->onBegin();
        return !m_device->failBegin;
    }
    bool end() override
    {
        ++m_device->ends;
        return true;
    }
    void updateState(const QPaintEngineState &state) override
    {
        if (state.state() & DirtyTransform)
            m_transform = state.transform();
        if (state.state() & DirtyPen)
            m_pen = state.pen();
        if (state.state() & DirtyBrush)
            m_brush = state.brush();
    }
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        RecordingPaintDevice::Text t;
        t.text = item.text();
        t.baseline = p;
        t.transform = m_transform;
        t.font = item.font();
        t.color = m_pen.color();
        m_device->texts << t;
    }
    void drawRects(const QRectF *rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            RecordingPaintDevice::Rect r;
            r.rect = rects[i];
            r.transform = m_transform;
            r.pen = m_pen.color();
            r.brush = m_brush.color();
            r.brushStyle = m_brush.style();
            m_device->rects << r;
        }
    }
    void drawRects(const QRect *rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QRectF r(rects[i]);
            drawRects(&r, 1);
        }
    }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    Type type() const override { return QPaintEngine::User; }

private:
    RecordingPaintDevice *m_device;
    QTransform m_transform;
    QPen m_pen;
    QBrush m_brush;
};

RecordingPaintDevice::RecordingPaintDevice(QSize size, int dpi)
    : m_size(size), m_dpi(dpi), m_engine(std::make_unique<RecordingPaintEngine>(this))
{
}

RecordingPaintDevice::~RecordingPaintDevice() = default;

QPaintEngine *RecordingPaintDevice::paintEngine() const
{
    return m_engine.get();
}

QStringList RecordingPaintDevice::textList() const
{
    QStringList list;
    for (const Text &t : texts)
        list << t.text;
    return list;
}

const RecordingPaintDevice::Text *RecordingPaintDevice::find(const QString &text) const
{
    for (const Text &t : texts)
        if (t.text == text)
            return &t;
    return nullptr;
}

int RecordingPaintDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_size.width();
    case PdmHeight:
        return m_size.height();
    case PdmWidthMM:
        return qRound(m_size.width() * 25.4 / m_dpi);
    case PdmHeightMM:
        return qRound(m_size.height() * 25.4 / m_dpi);
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return m_dpi;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    }
    return 0;
}
