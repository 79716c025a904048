#include "support/FakeSpooler.h"

#include <QFile>
#include <QRegularExpression>

FakeSpooler::FakeSpooler(bool withLpq)
    : m_oldPath(qgetenv("PATH"))
{
    m_bin = m_dir.path();
    if (withLpq)
        script("lpq", "n=1\n"
                      "while [ -e \"$d/lpq.called.$n\" ]; do n=$((n+1)); done\n"
                      ": > \"$d/lpq.called.$n\"\n"
                      "echo \"lpq $*\" >> \"$d/calls\"\n"
                      "echo \"LANG=$LANG HOME=${HOME-unset} USER=${USER-unset}\" > \"$d/lpq.env\"\n"
                      "[ -e \"$d/lpq.$n.hang\" ] && exec /bin/sleep 10\n"
                      "if [ -e \"$d/lpq.$n\" ]; then exec /bin/cat \"$d/lpq.$n\"; fi\n"
                      "[ -e \"$d/lpq.out\" ] && exec /bin/cat \"$d/lpq.out\"\n");
    script("lprm", "echo \"lprm $*\" >> \"$d/calls\"\n");
    qputenv("PATH", m_bin.toLocal8Bit());
}

FakeSpooler::~FakeSpooler()
{
    qputenv("PATH", m_oldPath);
}

void FakeSpooler::answer(int call, const QByteArray &output)
{
    if (output == "hang")
        write(QString("lpq.%1.hang").arg(call), "");
    else
        write(QString("lpq.%1").arg(call), output);
}

QStringList FakeSpooler::calls() const
{
    return read("calls").split('\n', Qt::SkipEmptyParts);
}

int FakeSpooler::lpqCalls() const
{
    return calls().filter(QRegularExpression("^lpq")).size();
}

QString FakeSpooler::lpqEnvironment() const
{
    return read("lpq.env").trimmed();
}

void FakeSpooler::script(const QString &name, const QByteArray &body)
{
    write(name, "#!/bin/sh\nd=${0%/*}\n" + body);
    QFile::setPermissions(m_bin + '/' + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void FakeSpooler::write(const QString &name, const QByteArray &content)
{
    QFile f(m_bin + '/' + name);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
    else
        qFatal("FakeSpooler: cannot write %s", qPrintable(f.fileName()));
}

QString FakeSpooler::read(const QString &name) const
{
    QFile f(m_bin + '/' + name);
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}
