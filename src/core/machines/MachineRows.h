#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "shared/SharedStruct.h"

class CheckedStore;

// The machine rows as the machine list and the machine editor read and
// change them, on the default connection.
namespace MachineRows {

// Name and id of a machine, as the lists offer them.
using Entry = QPair<QString, int>;

// The machine with its tooling tables, their tools and the tools' DNC
// values, all or nothing; false with the store's error.
bool remove(int idMachine, QString *error = nullptr);

// The machines by name; the factory zero only when asked for.
QList<Entry> names(bool withFactoryZero);
// The machines that may be the master of the machine's axis (X or Z): not
// the machine itself, not the factory zero, none linked on that axis.
QList<Entry> masters(int idMachine, eAxis axis);
// The spindle types of table NFC_Spindle, each once.
QStringList spindleTypes();

// Whether a machine other than the one of exceptId (any, when none is
// given) has that name.
bool nameTaken(const QString &name, int exceptId);
bool nameTaken(const QString &name);
// Writes the machine's row within the caller's store: a new row, or the row
// of m.idMachine. The micrometre columns as older programs read them, the
// tenths beside. A statement that writes no row refuses the store.
bool write(CheckedStore &store, const s_machine &m, bool asNew);

// The machine's post-processor format and output folder; false with the
// store's error.
bool storeOutputDefaults(int idMachine, const QString &format, const QString &folder, QString *error = nullptr);

// Each machine's post-processor output folder as stored (empty: the working
// directory) and tag layout file name, each distinct one once.
QStringList outputFolders();
QStringList tagLayouts();

}
