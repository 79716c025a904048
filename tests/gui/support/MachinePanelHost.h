#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QWidget>

#include "machines/cmachine.h"
#include "shared/SharedStruct.h"
#include "support/TestWorkDir.h"

// Stands where the main window stands for the machine panels: the parent
// whose members they connect to, recording every call.
class MachinePanelHost : public QWidget
{
    Q_OBJECT
public:
    struct InputBox
    {
        QString label;
        QString text;
        int type = -1;
        bool hidden = false;
    };

    QStringList macComboCalls;
    QStringList hideEditCalls;
    QList<InputBox> inputBoxes;

    void sendReference(cMachine::eRefType axis, int raw, const QString &gauge)
    {
        emit sigSetReference(axis, raw, gauge);
    }

signals:
    void sigSetReference(cMachine::eRefType, int, QString);

public slots:
    void updateMacCombo(QString name) { macComboCalls << name; }
    void hideEditMachine(QString name) { hideEditCalls << name; }
    void showInputBox(QString label, QString text, eInputBoxType type, bool hidden)
    {
        inputBoxes << InputBox{label, text, int(type), hidden};
    }
};

// A database made from the new-installation schema in the current working
// directory, on the default connection.
namespace MachineDb {
bool open();
void close();
bool exec(const QString &sql);
// Inserts a machine row with the given columns (name required); returns its id.
int addMachine(const QVariantMap &columns);
int addTable(int idMachine, const QString &name);
int addTool(int idTable, int t);
// First column of the first row of a statement, or an invalid variant.
QVariant value(const QString &sql);
}

// One test's machine database: a fresh working directory with fresh settings
// and the new-installation database open in it; leaving it closes both and
// drops the password grants.
class MachineDbScope
{
public:
    MachineDbScope();
    ~MachineDbScope();
    bool isOpen() const { return m_open; }
    const TestWorkDir &workDir() const { return m_wd; }

private:
    TestWorkDir m_wd;
    bool m_open = false;
};

// A panel's widget by object name; a missing one ends the test program.
template <typename T>
T *child(QWidget *panel, const char *name)
{
    T *w = panel->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}
