#pragma once

#include <QStringList>
#include <QTemporaryDir>

// A fake desktop opener ("xdg-open") first on PATH while the object lives:
// it only logs its arguments, one text per call.
class FakeViewer
{
public:
    FakeViewer();
    ~FakeViewer();

    QStringList calls() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};
