#pragma once

#include <QList>
#include <QMessageBox>

#include "widgets/QMessageBoxKovra.h"

// Stands in for every message box while it lives: records each box and
// answers with the scripted buttons in order, then with the box's default
// button (or, without one, its first button). The handler found is put back
// when it goes.
class MessageBoxRecorder
{
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    void answer(QMessageBox::StandardButton button) { m_answers << button; }
    const QList<QMessageBoxKovra::Box> &boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }

private:
    QList<QMessageBoxKovra::Box> m_boxes;
    QList<QMessageBox::StandardButton> m_answers;
    QMessageBoxKovra::Handler m_found;
};
