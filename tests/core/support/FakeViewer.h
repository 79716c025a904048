#pragma once

#include <QStringList>
#include <QTemporaryDir>

// A fake desktop opener ("xdg-open") first on PATH while the object lives:
// it only logs its arguments, one text per call. Made as Missing, no opener
// can be found at all: PATH holds only an empty folder.
class FakeViewer
{
public:
    enum Kind { Logging, Missing };
    explicit FakeViewer(Kind kind = Logging);
    ~FakeViewer();

    QStringList calls() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};
