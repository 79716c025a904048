#pragma once

#include <QString>
#include <QTemporaryDir>

// Moves the test process into a fresh temporary working directory for its
// lifetime, so settings, database and data folders never touch a real one.
class TestWorkDir
{
public:
    TestWorkDir();
    ~TestWorkDir();

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // Writes text into a file below the working directory (folders made as needed).
    bool writeFile(const QString &name, const QByteArray &content) const;
    // The whole content of a file, empty when it cannot be read.
    static QByteArray readFile(const QString &path);

    // Path of a program built by this build tree (tools and the main program).
    static QString builtProgram(const QString &name);

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
