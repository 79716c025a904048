#pragma once

#include <QModelIndex>

class QAbstractItemView;
class QFileDialog;

// The first row of the folder a file chooser shows, in whichever of its two
// file views (list or details) is on screen; waits for the folder to be read.
// Invalid when no row comes; *view is the view shown (null when none).
QModelIndex firstChooserRow(QFileDialog *chooser, QAbstractItemView **view);
