#pragma once

#include <QStringList>

// The serial DNC line's figures (see LineBench.cpp); args after "line".
int runLineBench(const QStringList &args);
// Requests behind a table, and floods of a host that does not read.
int runBacklogBench(const QStringList &args);
int runFloodBench(const QStringList &args);
int runTriggerBench(const QStringList &args);
