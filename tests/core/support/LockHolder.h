#pragma once

// The second process of the single-instance tests: a test program starts
// itself again with T8A_HOLD_LOCK_IN naming a folder; that copy takes the
// instance lock there, prints "locked" and holds it until its input closes.
// Returns that copy's exit code, or -1 in a process that is no such copy.
int holdLockWhenAsked(int argc, char *argv[]);
