#pragma once

#include <QString>

#include "shared/SharedStruct.h"

// Copy of a tooling table onto another machine (or the same one): the free
// name, the reference shift between the two machines and the tool values
// carried over, and the copy itself in one transaction. No widgets: the list
// panel asks the questions and reports the outcome.
class TableCopy
{
public:
    // Shift between the two machines' references in millimetres, X as a radius.
    struct Shift
    {
        float dx = 0;
        float dz = 0;
    };
    static Shift referenceShift(const s_machine &source, const s_machine &target);

    // The k-th candidate name: "(copy)", "(copy1)", ... appended to the name,
    // cut so that the whole stays within a name's length.
    static QString candidateName(const QString &name, int k);
    // The first candidate that no table of the machine carries.
    static QString freeName(int idMachine, const QString &name);

    // One length carried from the source to the target machine: to
    // millimetres (X to a radius by the source's stored mode), shifted unless
    // erased, then to the target's unit and stored mode.
    static float carryX(float x, const s_machine &source, const s_machine &target, const Shift &shift, bool erase);
    static float carryZ(float z, const s_machine &source, const s_machine &target, const Shift &shift, bool erase);
    static float carryLength(float value, const s_machine &source, const s_machine &target);

    // The tools of every table of the machine carried from its old unit and
    // stored X mode to its new ones (lengths and tolerances; angles stay), in
    // the caller's transaction; only the columns the switch changes are
    // written, and nothing when a tool's converted values are ones the tool
    // editor would refuse. False with the reason in error: the database's,
    // or the refused tools and why.
    static bool convertMachineTools(const s_machine &before, const s_machine &after, QString *error);
    // How many tools the machine's tables hold, or -1 with the database's
    // reason in error.
    static int machineToolCount(int idMachine, QString *error);

    // Writes the new table (target machine, name) and all of the source
    // table's tools, all or nothing. Returns the new table's id, or -1 with
    // the database's reason in error.
    static int copy(int idSourceTable, const s_machine &source, const s_machine &target, const QString &name,
                    bool erase, QString *error);
};
