#include "app/PrintSpooler.h"

PrintSpooler::PrintSpooler()
{
    process.setEnvironment(QStringList{QStringLiteral("LANG=en")});
}

PrintSpooler::~PrintSpooler()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(kTimeoutMs);
    }
}

bool PrintSpooler::run(const QString &program, const QStringList &arguments, QString *output)
{
    process.start(program, arguments, QIODevice::ReadWrite);
    const bool finished = process.waitForFinished(kTimeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (output) {
        // Text up to a first NUL byte.
        QByteArray data = process.readAllStandardOutput();
        const int nul = data.indexOf('\0');
        if (nul >= 0)
            data.truncate(nul);
        *output = QString::fromLocal8Bit(data);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(kTimeoutMs);
    }
    return finished;
}

bool PrintSpooler::queryQueue(QString &output)
{
    return run(QStringLiteral("lpq"), {}, &output);
}

bool PrintSpooler::removeJobs()
{
    return run(QStringLiteral("lprm"), {QStringLiteral("-U"), QStringLiteral("kovra")}, nullptr);
}

bool PrintSpooler::isReady(const QString &queueState)
{
    const QStringList lines = queueState.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        if (line.contains(QLatin1String("LabelWriter")) && line.contains(QLatin1String("is ready")))
            return true;
    return false;
}

bool PrintSpooler::isEmptyQueue(const QString &queueState)
{
    return queueState.contains(QLatin1String("no entries"));
}
