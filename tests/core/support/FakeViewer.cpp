#include "support/FakeViewer.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/types.h>

FakeViewer::FakeViewer(Kind kind)
    : m_oldPath(qgetenv("PATH"))
{
    if (kind == Missing) {
        qputenv("PATH", m_dir.path().toLocal8Bit());
        return;
    }
    const QString script = m_dir.filePath("xdg-open");
    QFile f(script);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("FakeViewer: cannot write %s", qPrintable(script));
    // Written to a side file first, so a reader never sees half a line.
    // One file per call, moved into place whole: calls may run at once. A
    // lingering call notes its process first and then waits, bounded, with
    // the streams it was given.
    QByteArray body = "#!/bin/sh\nd=${0%/*}\n";
    if (kind == Lingering)
        body += "echo $$ > \"$d/pid.$$\"\n";
    body += "echo \"$*\" > \"$d/tmp.$$\"\n/bin/mv \"$d/tmp.$$\" \"$d/call.$$\"\n";
    if (kind == Lingering)
        body += "exec /bin/sleep 60\n";
    f.write(body);
    f.close();
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", m_dir.path().toLocal8Bit() + ':' + m_oldPath);
}

FakeViewer::~FakeViewer()
{
    qputenv("PATH", m_oldPath);
    for (qint64 pid : pids())
        ::kill(pid_t(pid), SIGTERM);
}

// The lingering calls that still run: a number handed on to another process
// once one ended is not one of them.
QList<qint64> FakeViewer::pids() const
{
    QList<qint64> pids;
    const QDir dir(m_dir.path());
    for (const QString &name : dir.entryList({"pid.*"}, QDir::Files)) {
        bool ok = false;
        const qint64 pid = name.mid(4).toLongLong(&ok);
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!ok || pid <= 0 || !comm.open(QIODevice::ReadOnly))
            continue;
        const QByteArray command = comm.readAll().trimmed();
        if (command == "sleep" || command == "xdg-open")
            pids << pid;
    }
    return pids;
}

int FakeViewer::running() const
{
    return pids().size();
}

QStringList FakeViewer::calls() const
{
    QStringList calls;
    const QDir dir(m_dir.path());
    for (const QString &name : dir.entryList({"call.*"}, QDir::Files, QDir::Time | QDir::Reversed)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            calls << QString::fromLocal8Bit(f.readAll()).trimmed();
    }
    return calls;
}
