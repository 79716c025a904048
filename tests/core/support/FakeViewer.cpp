#include "support/FakeViewer.h"

#include <QDir>
#include <QFile>

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
    // One file per call, moved into place whole: calls may run at once.
    f.write("#!/bin/sh\nd=${0%/*}\necho \"$*\" > \"$d/tmp.$$\"\n/bin/mv \"$d/tmp.$$\" \"$d/call.$$\"\n");
    f.close();
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", m_dir.path().toLocal8Bit() + ':' + m_oldPath);
}

FakeViewer::~FakeViewer()
{
    qputenv("PATH", m_oldPath);
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
