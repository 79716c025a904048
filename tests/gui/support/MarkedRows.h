#pragma once

#include <QString>

class QTableWidget;

// The labels (first column) of the rows a field table marks red, the mark
// the checks before a DNC send or a tag write leave, joined by spaces.
QString markedRows(const QTableWidget *table);
