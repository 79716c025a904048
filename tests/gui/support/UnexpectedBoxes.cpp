#include "support/UnexpectedBoxes.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QThread>
#include <QTimer>
#include <QtTest>

namespace {

// Fails the running test; outside a test function there is none to fail, and
// the program must not end as if all went well.
void failTest(const QString &message)
{
    if (!QTest::currentTestFunction())
        qFatal("%s (outside a test function)", qPrintable(message));
    QTest::qFail(qPrintable(message), __FILE__, __LINE__);
}

QString describe(QDialog *dialog)
{
    QString text;
    if (auto *box = qobject_cast<QMessageBox *>(dialog))
        text = box->text();
    else if (auto *input = qobject_cast<QInputDialog *>(dialog))
        text = input->labelText();
    return QStringLiteral("%1 \"%2\"%3")
        .arg(QLatin1String(dialog->metaObject()->className()), dialog->windowTitle(),
             text.isEmpty() ? QString() : QStringLiteral(": ") + text);
}

// Watches every modal dialog shown. One still open after the limit while an
// event loop runs (its exec(), or a wait of the test around it) is one nobody
// closes: the test fails and the dialog is rejected, so the program goes on.
class DialogWatchdog : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            auto *dialog = qobject_cast<QDialog *>(watched);
            if (dialog && dialog->isWindow() && dialog->isModal())
                watch(dialog);
        }
        return false;
    }

private:
    static void watch(QDialog *dialog)
    {
        static const char kName[] = "unexpectedBoxesWatch";
        auto *timer = dialog->findChild<QTimer *>(QLatin1String(kName), Qt::FindDirectChildrenOnly);
        if (!timer) {
            timer = new QTimer(dialog);
            timer->setObjectName(QLatin1String(kName));
            timer->setSingleShot(true);
            QObject::connect(timer, &QTimer::timeout, dialog, [dialog, timer] {
                if (!dialog->isVisible())
                    return;
                // Shown and looked at by the test's own code, which goes on.
                if (QThread::currentThread()->loopLevel() == 0) {
                    timer->start();
                    return;
                }
                failTest(QStringLiteral("dialog left open for %1 ms: %2")
                             .arg(UnexpectedBoxes::dialogLimitMs())
                             .arg(describe(dialog)));
                dialog->reject();
            });
        }
        timer->start(UnexpectedBoxes::dialogLimitMs());
    }
};
}

void UnexpectedBoxes::install()
{
    QMessageBoxKovra::setHandler(&fail);
    if (QCoreApplication::instance() && QCoreApplication::instance()->inherits("QApplication"))
        QCoreApplication::instance()->installEventFilter(new DialogWatchdog(QCoreApplication::instance()));
}

QMessageBox::StandardButton UnexpectedBoxes::fail(const QMessageBoxKovra::Box &box)
{
    failTest(QStringLiteral("unexpected box: %1: %2").arg(box.title, box.text));
    return defaultAnswer(box);
}

QMessageBox::StandardButton UnexpectedBoxes::defaultAnswer(const QMessageBoxKovra::Box &box)
{
    if (box.defaultButton != QMessageBox::NoButton)
        return box.defaultButton;
    for (uint bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1)
        if (box.buttons & bit)
            return QMessageBox::StandardButton(bit);
    return QMessageBox::NoButton;
}

int UnexpectedBoxes::dialogLimitMs()
{
    bool set = false;
    const int ms = qEnvironmentVariableIntValue("T8A_DIALOG_LIMIT_MS", &set);
    return set ? ms : 15000;
}

WhenModalOpens::WhenModalOpens(std::function<bool(QWidget *)> act) : m_act(std::move(act))
{
    m_timer = startTimer(10);
}

void WhenModalOpens::timerEvent(QTimerEvent *)
{
    QWidget *box = QApplication::activeModalWidget();
    if (m_done || !box || !box->isVisible())
        return;
    killTimer(m_timer);
    m_done = m_act(box);
    if (!m_done)
        m_timer = startTimer(10);
}
