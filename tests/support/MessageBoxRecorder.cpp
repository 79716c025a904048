#include "MessageBoxRecorder.h"

MessageBoxRecorder::MessageBoxRecorder()
{
    QMessageBoxKovra::setHandler([this](const QMessageBoxKovra::Box &box) {
        m_boxes << box;
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        if (box.defaultButton != QMessageBox::NoButton)
            return box.defaultButton;
        for (uint bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1)
            if (box.buttons & bit)
                return QMessageBox::StandardButton(bit);
        return QMessageBox::NoButton;
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    QMessageBoxKovra::setHandler({});
}
