// Widgets helpers every screen shares: the measure button's wait, combos
// filled from a list, pictures fitted into a label, the password box.
#include "widgets/SharedWidgets.h"

#include "shared/SharedStruct.h"
#include "widgets/QMessageBoxKovra.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QRect>
#include <QThread>
#include <QVariant>
#include <QWidget>

QPixmap *logo = nullptr;

void freezeMeasureButton(QWidget *w)
{
    if (w) {
        w->blockSignals(true);
        w->repaint();
    }
    QCoreApplication::processEvents();
    MachineSettings.frameCounter = 0;
    unsigned elapsed = 0;
    for (;;) {
        QThread::usleep(100000);
        if (unsigned(int(MachineSettings.frameCounter)) > 8u)
            break;
        elapsed += 100000;
        if (unsigned(MachineSettings.idleClick) < elapsed)
            break;
    }
    if (w)
        w->blockSignals(false);
}

void populateCombo(QComboBox *combo, const QList<QPair<QString, int>> &entries)
{
    combo->clear();
    for (const auto &e : entries)
        combo->addItem(e.first, e.second);
    combo->setVisible(combo->count() > 0);
}

void PicUpdate(const QString &file, const QString &folder, QLabel *label, const QRect &rect)
{
    const QString path = folder + QLatin1Char('/') + file;
    label->hide();
    if (file.isEmpty() || !QFileInfo::exists(path))
        return;
    QPixmap pic(path);
    if (pic.isNull())
        return;
    pic = pic.scaled(rect.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    label->setPixmap(pic);
    label->resize(pic.size());
    label->move(rect.x() + (rect.width() - pic.width()) / 2, rect.y() + (rect.height() - pic.height()) / 2);
    label->show();
}

bool ValidateUser(QWidget *parent, const QString &password)
{
    if (checkUser(password))
        return true;
    QMessageBoxKovra::critical(parent, QCoreApplication::translate("SharedStruct", "ERROR"),
                               QCoreApplication::translate("SharedStruct", "Invalid password"), QMessageBox::Ok);
    return false;
}
