#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

class QObject;

// Runs one script of a DNC layout field: the fields' values go in as the
// array "blfVal", the script's completion value comes out as a list of
// "<field>|<value>" texts. A script that runs too long is interrupted.
class DncScript
{
public:
    struct Output
    {
        int field;
        QString value;
    };

    // Longest run of one script before it is interrupted; time spent on a box
    // that another part opened meanwhile does not count.
    static int timeLimitMs;

    // False on an uncaught exception or an interrupted run (error holds the
    // text); outputs then stays empty. Elements that are no "<k>|<value>"
    // with k in 0..fieldCount-1 are skipped. While the script runs the
    // event loop turns only for the time limit: the operator's input waits,
    // except for a box opened meanwhile, which takes it.
    static bool run(const QString &script, const QVariantList &values, int fieldCount, QList<Output> &outputs,
                    QString &error);

    // Runs call now (true), or, while a script runs, once the outermost
    // script has returned and its caller is done (queued to context, dropped
    // with it): what arrives meanwhile is handled after the script, as it
    // would be had the event loop stood still.
    static bool afterScripts(QObject *context, std::function<void()> call);
};
