#include "FatalExit.h"

#include "QMessageBoxKovra.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::function<void(int)> &hook()
{
    static std::function<void(int)> h;
    return h;
}
}

void setFatalExitHook(std::function<void(int)> h)
{
    hook() = std::move(h);
}

void fatalExit(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBoxKovra::critical(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    if (hook()) {
        hook()(0);
        return;
    }
    std::fflush(nullptr);
    std::exit(0);
}
