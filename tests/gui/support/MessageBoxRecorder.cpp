#include "support/MessageBoxRecorder.h"

#include "support/UnexpectedBoxes.h"

MessageBoxRecorder::MessageBoxRecorder()
{
    m_found = QMessageBoxKovra::setHandler([this](const QMessageBoxKovra::Box &box) {
        m_boxes << box;
        return m_answers.isEmpty() ? UnexpectedBoxes::defaultAnswer(box) : m_answers.takeFirst();
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    QMessageBoxKovra::setHandler(m_found);
}
