#include "FatalExit.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::function<void(int)> &hook()
{
    static std::function<void(int)> h;
    return h;
}

FatalExitBox &box()
{
    static FatalExitBox b = nullptr;
    return b;
}
}

void setFatalExitHook(std::function<void(int)> h)
{
    hook() = std::move(h);
}

void setFatalExitBox(FatalExitBox b)
{
    box() = b;
}

void fatalExit(QObject *parent, const QString &title, const QString &text)
{
    if (box())
        box()(parent, title, text);
    else
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    if (hook()) {
        hook()(0);
        return;
    }
    std::fflush(nullptr);
    std::exit(0);
}
