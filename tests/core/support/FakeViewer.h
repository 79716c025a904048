#pragma once

#include <QStringList>
#include <QTemporaryDir>

// A fake desktop opener ("xdg-open") first on PATH while the object lives:
// it only logs its arguments, one text per call. Made as Lingering, each call
// then stays running, as a viewer left open does, until the object goes.
// Made as Missing, no opener can be found at all: PATH holds only an empty
// folder.
class FakeViewer
{
public:
    enum Kind { Logging, Lingering, Missing };
    explicit FakeViewer(Kind kind = Logging);
    ~FakeViewer();

    QStringList calls() const;
    // How many lingering calls still run.
    int running() const;

private:
    QList<qint64> pids() const;

    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};
