#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Talks to the print spooler through its command-line tools, started by
// program name (found on PATH) with the child environment "LANG=en" only, so
// the spooler answers with the English phrases matched here.
class PrintSpooler
{
public:
    // Longest wait for one spooler command.
    static constexpr int kTimeoutMs = 2000;

    PrintSpooler();
    ~PrintSpooler();

    // Runs "lpq" and gives its standard output. False when it could not be
    // started or did not finish in time (output is then what it had written).
    bool queryQueue(QString &output);
    // Runs "lprm -U kovra": cancels the job queued by the system user.
    bool removeJobs();

    // Ready: one line names the label printer and says it is ready.
    static bool isReady(const QString &queueState);
    // The queue has no job left.
    static bool isEmptyQueue(const QString &queueState);

private:
    bool run(const QString &program, const QStringList &arguments, QString *output);

    QProcess process;
};
