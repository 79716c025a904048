#pragma once

#include <QString>

// True when no pointing device but touch controllers is attached: the entries
// "*-mouse" of the by-id folder of the input devices all name a
// "TouchController" (or there is none at all, or no such folder).
bool onlyTouchPointers(const QString &byIdFolder);
