#pragma once

#include "exchange/io_CSV.h"

// The CSV import into this system's table "tools": one INSERT per data row,
// the new tooling table's id bound to ":idTable".
class io_CSV_T8AM : public io_CSV
{
public:
    QList<QStringList> createImportQuery(QString table) override;
};
