#pragma once

class QDialog;

// The toolkit's own dialogs (folder and file choosers, value inputs) opened
// over the dark panels. Each panel's style sheet colours labels, buttons and
// fields for its dark ground, and a dialog inherits it; a dialog's own sheet
// wins over every inherited one, so this one gives it dark text on a light
// ground throughout, as the message boxes have, with buttons and lists sized
// for the touch screen.
void styleStandardDialog(QDialog *dialog);
