#include "DialogStyle.h"

#include <QDialog>
#include <QListView>

namespace {

const char kSheet[] =
    "QDialog { background-color: rgb(240, 240, 240); }\n"
    "QLabel, QCheckBox, QRadioButton { color: black; background: transparent; font-size: 16px; }\n"
    "QPushButton { color: black; background-color: white; font-size: 20px; border: 1px solid gray;"
    " border-radius: 6px; padding: 5px 10px; }\n"
    "QPushButton:pressed { background-color: rgb(255, 198, 51); }\n"
    "QPushButton:disabled { color: gray; }\n"
    "QToolButton { background: transparent; border: none; }\n"
    "QLineEdit, QSpinBox, QDoubleSpinBox, QComboBox { color: black; background-color: white;"
    " font-size: 16px; border: 1px solid gray; border-radius: 4px; min-height: 28px;"
    " selection-background-color: rgb(6, 81, 2); selection-color: white; }\n"
    "QAbstractItemView { color: black; background-color: white; font-size: 14px;"
    " selection-background-color: rgb(6, 81, 2); selection-color: white; }\n"
    // Rows a finger can pick, as high as the program's own table rows.
    "QAbstractItemView::item { min-height: 30px; }\n"
    "QHeaderView::section { background-color: rgb(70, 70, 70); color: white; font-size: 12pt; height: 22px;"
    " border: none; border-radius: 0px; padding-left: 4px; }\n";

} // namespace

void styleStandardDialog(QDialog *dialog)
{
    if (!dialog)
        return;
    dialog->setStyleSheet(QLatin1String(kSheet));
    // A file chooser's side bar shows its places' names whole.
    if (auto *places = dialog->findChild<QListView *>(QStringLiteral("sidebar"))) {
        places->ensurePolished();
        places->setMinimumWidth(places->sizeHintForColumn(0) + 2 * places->frameWidth());
    }
}
