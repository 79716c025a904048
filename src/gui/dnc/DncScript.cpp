#include "dnc/DncScript.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScriptEngine>
#include <QScriptValue>
#include <QTimer>
#include <QWindow>

int DncScript::timeLimitMs = 2000;

namespace {

// How often a running script looks at its time limit.
const int kTickMs = 20;

// Scripts running now (a box opened during one can start another).
int depth = 0;

QList<QPair<QPointer<QObject>, std::function<void()>>> &heldCalls()
{
    static QList<QPair<QPointer<QObject>, std::function<void()>>> calls;
    return calls;
}

class RunDepth
{
public:
    RunDepth() { ++depth; }
    ~RunDepth()
    {
        if (--depth > 0)
            return;
        const auto calls = std::move(heldCalls());
        heldCalls().clear();
        // Queued: the caller applies the script's outputs first. Those can
        // start another script, which holds the calls again.
        for (const auto &c : calls) {
            QObject *context = c.first.data();
            if (context)
                QMetaObject::invokeMethod(
                    context, [context, call = c.second] { DncScript::afterScripts(context, call); },
                    Qt::QueuedConnection);
        }
    }
};

QWindow *modalWindow()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) ? QGuiApplication::modalWindow() : nullptr;
}

// While a long script lets the event loop run (so that its time limit can
// fire), the operator's input waits: nothing may start meanwhile. A box that
// another part opens meanwhile takes the input until it is answered (the
// toolkit keeps it from every other window), or the script could never
// resume.
class InputHold : public QObject
{
public:
    InputHold() : before(modalWindow()) { QCoreApplication::instance()->installEventFilter(this); }
    ~InputHold() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool boxOpen() const
    {
        QWindow *w = modalWindow();
        return w && w != before;
    }
    bool eventFilter(QObject *, QEvent *e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Wheel:
        case QEvent::Close:
            return !boxOpen();
        default:
            return false;
        }
    }

private:
    QPointer<QWindow> before;
};

} // namespace

bool DncScript::afterScripts(QObject *context, std::function<void()> call)
{
    if (depth == 0) {
        call();
        return true;
    }
    heldCalls().append({context, std::move(call)});
    return false;
}

bool DncScript::run(const QString &script, const QVariantList &values, int fieldCount, QList<Output> &outputs,
                    QString &error)
{
    const RunDepth running;
    outputs.clear();
    error.clear();
    QScriptEngine engine;
    qScriptRegisterSequenceMetaType<QVariantList>(&engine);
    engine.globalObject().setProperty(QStringLiteral("blfVal"), engine.toScriptValue(values));
    engine.globalObject().setProperty(QStringLiteral("blfOut"), engine.newArray());

    bool interrupted = false;
    QScopedPointer<InputHold> hold;
    QTimer tick;
    QElapsedTimer clock;
    qint64 used = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 step = clock.restart();
        if (!hold->boxOpen())
            used += step;
        if (used >= timeLimitMs) {
            interrupted = true;
            tick.stop();
            engine.abortEvaluation();
        }
    });
    if (QCoreApplication::instance()) {
        hold.reset(new InputHold);
        engine.setProcessEventsInterval(50);
        clock.start();
        tick.start(kTickMs);
    }
    const QScriptValue result = engine.evaluate(script, QString(), 1);
    tick.stop();
    if (interrupted) {
        error = QCoreApplication::translate("cDnc", "script interrupted after %1 ms").arg(timeLimitMs);
        return false;
    }
    if (engine.hasUncaughtException()) {
        error = result.toString();
        return false;
    }
    const QVariantList list = result.toVariant().toList();
    for (const QVariant &v : list) {
        const QString t = v.toString();
        const int p = t.indexOf(QLatin1Char('|'));
        if (p <= 0)
            continue;
        const int k = t.left(p).toInt(); // not a number: field 0
        if (k < 0 || k >= fieldCount)
            continue;
        outputs.append({k, t.mid(p + 1)});
    }
    return true;
}
