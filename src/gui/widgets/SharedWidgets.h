#pragma once

// Widget helpers every screen shares; the records and rules they serve are in
// shared/SharedStruct.h.

#include <QList>
#include <QPair>
#include <QString>

class QComboBox;
class QLabel;
class QPixmap;
class QRect;
class QWidget;

// Logo picture of screens and reports. Null until the main window loads it
// (a picture needs the GUI application).
extern QPixmap *logo;
// Waits (at least 100 ms) until the camera saw the edge still for more than 8
// frames or the configured idle time passed; w's signals are blocked meanwhile.
void freezeMeasureButton(QWidget *w);
// The entries (text, id as the item's data) in place of what the combo
// held; shown only when there is one.
void populateCombo(QComboBox *combo, const QList<QPair<QString, int>> &entries);
void PicUpdate(const QString &file, const QString &folder, QLabel *label, const QRect &rect);
bool ValidateUser(QWidget *parent, const QString &password);
