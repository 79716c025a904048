#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

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

    // Longest run of one script before it is interrupted.
    static int timeLimitMs;

    // False on an uncaught exception or an interrupted run (error holds the
    // text); outputs then stays empty. Elements that are no "<k>|<value>"
    // with k in 0..fieldCount-1 are skipped.
    static bool run(const QString &script, const QVariantList &values, int fieldCount, QList<Output> &outputs,
                    QString &error);
};
