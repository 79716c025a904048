#include "dnc/DncScript.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScriptEngine>
#include <QScriptValue>
#include <QTimer>

int DncScript::timeLimitMs = 2000;

namespace {

// While a long script lets the event loop run (so that its time limit can
// fire), the operator's input waits: nothing may start meanwhile.
class InputHold : public QObject
{
public:
    InputHold() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputHold() override { QCoreApplication::instance()->removeEventFilter(this); }
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
            return true;
        default:
            return false;
        }
    }
};

} // namespace

bool DncScript::run(const QString &script, const QVariantList &values, int fieldCount, QList<Output> &outputs,
                    QString &error)
{
    outputs.clear();
    error.clear();
    QScriptEngine engine;
    qScriptRegisterSequenceMetaType<QVariantList>(&engine);
    engine.globalObject().setProperty(QStringLiteral("blfVal"), engine.toScriptValue(values));
    engine.globalObject().setProperty(QStringLiteral("blfOut"), engine.newArray());

    bool interrupted = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] {
        interrupted = true;
        engine.abortEvaluation();
    });
    QScopedPointer<InputHold> hold;
    if (QCoreApplication::instance()) {
        hold.reset(new InputHold);
        engine.setProcessEventsInterval(50);
        limit.start(timeLimitMs);
    }
    const QScriptValue result = engine.evaluate(script, QString(), 1);
    limit.stop();
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
