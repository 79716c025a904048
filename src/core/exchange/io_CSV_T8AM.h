#pragma once

#include "exchange/io_CSV.h"

// The CSV import into this system's table "tools": one INSERT per data row,
// the new tooling table's id bound to ":idTable". A row the tooling-table
// editor would refuse (tool number, lengths, angle, tolerances, code) gives
// no statement and is named among the refused rows.
class io_CSV_T8AM : public io_CSV
{
public:
    QList<QStringList> createImportQuery(QString table) override;
    // The unit of the machine the table is for: it bounds the tolerances.
    void setMetric(bool mm) { metric = mm; }

private:
    bool metric = true;
};
