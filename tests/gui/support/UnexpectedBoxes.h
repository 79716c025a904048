#pragma once

#include <QMessageBox>
#include <QObject>

#include <functional>

#include "widgets/QMessageBoxKovra.h"

class QWidget;

// No test waits for ever on a box. Every test program starts with
// installUnexpectedBoxes() (tests/gui/support/EveryTestProgram.cpp): a message
// box no handler of the test expected fails the running test at once and is
// answered with its default button, and a dialog left open in its own event
// loop (exec()) for longer than dialogLimitMs() fails the test and is rejected.
namespace UnexpectedBoxes {
void install();
// The default handler: fails the running test, answers defaultAnswer().
QMessageBox::StandardButton fail(const QMessageBoxKovra::Box &box);
// What pressing Enter on the box gives: its default button, else its first.
QMessageBox::StandardButton defaultAnswer(const QMessageBoxKovra::Box &box);
// 15 s, or T8A_DIALOG_LIMIT_MS.
int dialogLimitMs();
}

// While it lives the toolkit's own boxes are shown (no handler); the handler
// found is put back when it goes.
class RealBoxes
{
public:
    RealBoxes() : m_found(QMessageBoxKovra::setHandler({})) {}
    ~RealBoxes() { QMessageBoxKovra::setHandler(m_found); }
    RealBoxes(const RealBoxes &) = delete;
    RealBoxes &operator=(const RealBoxes &) = delete;

private:
    QMessageBoxKovra::Handler m_found;
};

// Acts on a modal box once it is open and shown: act gets the active modal
// widget every 10 ms and returns true once it acted. Made before the call that
// opens the box; done() tells afterwards whether it acted, and the retries
// stop when the object goes.
class WhenModalOpens : public QObject
{
public:
    explicit WhenModalOpens(std::function<bool(QWidget *)> act);
    bool done() const { return m_done; }

protected:
    void timerEvent(QTimerEvent *) override;

private:
    std::function<bool(QWidget *)> m_act;
    bool m_done = false;
    int m_timer = 0;
};
