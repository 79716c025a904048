#pragma once

class QObject;

// True when obj has the signal or slot written with SIGNAL()/SLOT(); the
// panels connect to their parent's members only when the parent has them,
// so that they also live under a plain widget.
bool hasMember(const QObject *obj, const char *member);
