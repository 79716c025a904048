#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include "exchange/ctarnengine.h"

class QCloseEvent;
class QListWidgetItem;
class Ui_postPro;

// The post-processor panel: writes one tooling table into a CNC tool file
// through a format of "./postpro", with the tools as a tick list, a live
// preview of the text, the target folder and file name, and the machine's
// default format and folder. The text comes from the engine it derives from.
class postPro : public QWidget, public cTarnEngine
{
    Q_OBJECT

public:
    explicit postPro(QWidget *parent = nullptr);
    ~postPro() override;

    // Prepares the panel for one tooling table; the caller shows it.
    void init(int idTable, QString name);
    void previewPostPro();

    Ui_postPro *form() const { return ui; }
    // The text the last generation produced (empty after a failure).
    QString generatedText() const { return text; }
    QString folder() const { return dir; }
    QString savedPath() const { return path; }
    const QList<sRecUtensile> &toolRecords() const { return tools; }

public slots:
    void save();
    void switchPostPro(QString name);
    void checkUncheck();
    void choosePath();
    void toggleCheck(QListWidgetItem *item);
    void recToolingTable(int idTable);

signals:
    void sigPostProClosed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void fillFormatCombo();
    bool writeFile();

    Ui_postPro *ui;
    QString dir;
    QList<sRecUtensile> tools;
    QString path;
    QString text;
    // Message of the last generation when it failed; empty after a success.
    QString generationError;
    // The warning last told (tools beyond MT, values a mask cut): a tick that
    // leaves it so asks nothing.
    QString toldWarning;
};
