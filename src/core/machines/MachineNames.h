#pragma once

#include <QString>

// The machines the system keeps for itself, which machine rows a list
// offers, and the rule every machine and tooling-table name keeps.
namespace MachineNames {

// The most characters of a machine or tooling-table name.
constexpr int kNameLength = 20;

// Whether a name may be given to a machine or a tooling table as it is: at
// most kNameLength characters, none of them a control character (a NUL ends
// the stored text, a CR or line feed splits the lists the serial line sends).
inline bool fitsName(const QString &name)
{
    if (name.size() > kNameLength)
        return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

// The built-in machine (id -1, no row) whose references come from the
// settings file.
inline QString defaultMachine()
{
    return QStringLiteral("*DEFAULT MACHINE*");
}

// The factory's own row: listed for the super user alone, offered to nobody
// as a master.
inline QString factoryZero()
{
    return QStringLiteral("*FACTORY ZERO*");
}

// The condition on column name of the rows a list offers: every row to the
// super user (empty), every row but the factory zero otherwise.
inline QString offeredCondition(bool superUser)
{
    return superUser ? QString() : QStringLiteral("name<> '%1'").arg(factoryZero());
}

// The machines a list offers, name and id, in name order.
inline QString offeredQuery(bool superUser)
{
    const QString condition = offeredCondition(superUser);
    return QStringLiteral("SELECT name,idMachine FROM machine ")
           + (condition.isEmpty() ? QString() : QStringLiteral("WHERE ") + condition) + QStringLiteral(" ORDER BY name");
}

// A row of the system's own, the factory zero among them: its name begins
// with "*". The serial line neither lists nor selects one.
inline bool isSystemRow(const QString &name)
{
    return name.startsWith(QLatin1Char('*'));
}

}
