#pragma once

// Animations run on one clock, each of its turns moving all of them alike.
// Waits until an animation started now has run ms of that clock: one started
// before, by the code under test, has then run as long and moved what it
// animates, however slow the machine. False if the clock did not get so far
// within 10 s.
bool animationsTurned(int ms = 50);
