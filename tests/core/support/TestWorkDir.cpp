#include "support/TestWorkDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestWorkDir::TestWorkDir()
    : m_previous(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
}

TestWorkDir::~TestWorkDir()
{
    // A successor made before this one ended has moved on already: leaving
    // its folder would send the test's files elsewhere.
    if (QDir::current() == QDir(m_dir.path()))
        QDir::setCurrent(m_previous);
}

bool TestWorkDir::writeFile(const QString &name, const QByteArray &content) const
{
    const QString full = m_dir.filePath(name);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(content) == content.size();
}

QString TestWorkDir::builtProgram(const QString &name)
{
    const QString root = QString::fromLocal8Bit(qgetenv("T8A_BUILD_DIR"));
    for (const QString &sub : {QStringLiteral(""), QStringLiteral("tools/") + name + "/", QStringLiteral("tools/")}) {
        const QString p = root + "/" + sub + name;
        if (QFileInfo(p).isExecutable())
            return p;
    }
    return QString();
}

QByteArray TestWorkDir::readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
