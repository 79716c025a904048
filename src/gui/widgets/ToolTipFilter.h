#pragma once

#include <QObject>

// Event filter that swallows tool-tip events and passes every other event on.
class ToolTipFilter : public QObject
{
    Q_OBJECT
public:
    explicit ToolTipFilter(QObject *parent = nullptr);
    bool eventFilter(QObject *watched, QEvent *event) override;
};
