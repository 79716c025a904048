#pragma once

#include <QString>

// The machine rows as the machine list changes them, on the default
// connection.
namespace MachineRows {

// The machine with its tooling tables, their tools and the tools' DNC
// values, all or nothing; false with the store's error.
bool remove(int idMachine, QString *error = nullptr);

}
