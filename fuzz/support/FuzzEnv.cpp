#include "FuzzEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

// Both live until the process ends (the fuzzer ends it with exit() from
// anywhere, with the targets' objects still in use): never destroyed, only
// the folder removed.
QCoreApplication *app = nullptr;
QTemporaryDir *dir = nullptr;

void removeDir()
{
    if (dir)
        QDir(dir->path()).removeRecursively();
}
}

namespace FuzzEnv {

void init()
{
    if (app)
        return;
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("T8A_FUZZ_VERBOSE"))
        qInstallMessageHandler(quietHandler);
    app = new QCoreApplication(argc, argv);
    dir = new QTemporaryDir();
    dir->setAutoRemove(false);
    QDir::setCurrent(dir->path());
    std::atexit(removeDir);
}

QString workPath()
{
    init();
    return dir->path();
}

}
