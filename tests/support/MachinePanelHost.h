#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QWidget>

#include "machines/cmachine.h"
#include "shared/SharedStruct.h"

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
// Writes the widget's picture as <name>.png into $SCREENSHOT_DIR when set.
void screenshot(QWidget *w, const QString &name);
}
