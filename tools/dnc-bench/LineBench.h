#pragma once

#include <QStringList>

// The serial DNC line's figures (see LineBench.cpp); args after "line".
int runLineBench(const QStringList &args);
