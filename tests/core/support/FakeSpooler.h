#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Fake spooler tools in a folder of their own, which becomes the whole PATH
// while the object lives. The child sees only LANG=en, so the fakes find their
// canned answers beside themselves: lpq answers its n-th call with the file
// "lpq.<n>" (or "lpq.out"), hangs when "lpq.<n>.hang" exists, and records its
// environment; both tools log their calls.
class FakeSpooler
{
public:
    explicit FakeSpooler(bool withLpq = true);
    ~FakeSpooler();

    // Answer of the n-th lpq call (1-based); "hang" makes it never finish.
    void answer(int call, const QByteArray &output);
    // The calls made, one "<tool> <arguments>" line each.
    QStringList calls() const;
    int lpqCalls() const;
    // "LANG=... HOME=... USER=..." as the last lpq saw them ("unset" when absent).
    QString lpqEnvironment() const;

private:
    void script(const QString &name, const QByteArray &body);
    void write(const QString &name, const QByteArray &content);
    QString read(const QString &name) const;

    QTemporaryDir m_dir;
    QString m_bin;
    QByteArray m_oldPath;
};
