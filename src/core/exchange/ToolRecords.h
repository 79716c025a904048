#pragma once

#include <QList>

#include "exchange/ctarnengine.h"

// The tools of one tooling table as the post-processor reads them, in
// ascending tool number; a value that is NULL or not a number reads as 0.
QList<sRecUtensile> readToolRecords(int idTable);
