#pragma once

#include <QButtonGroup>
#include <QString>
#include <QWidget>

#include "shared/SharedStruct.h"

class QComboBox;
class QLineEdit;
class QExtDoubleValidator;
class Ui_cMachine;

// The machine editor: creates a row of table machine or edits one (name,
// unit, radius/diameter, axis reversal and swap, references taken on a gauge,
// master/slave links with smart offsets, output option and spindle type).
// Every use ends with hideMachine(name of the machine to select afterwards).
class cMachine : public QWidget
{
    Q_OBJECT

public:
    // Axis of a reference request.
    enum eRefType { X = 0, Z = 1 };
    Q_ENUM(eRefType)

    // parent: the main window, whose hideEditMachine(QString) and
    // sigSetReference(cMachine::eRefType,int,QString) the editor uses.
    explicit cMachine(QWidget *parent = nullptr);
    ~cMachine() override;

    void setInsertMode();
    void setEditMode();
    bool isInsertMode() const { return insertMode; }
    // Copies the widgets into the edited record (references and smart
    // offsets are kept as they are).
    void setMachineDataFromGui();

    const s_machine &editedMachine() const { return editingMachine; }
    Ui_cMachine *form() const { return ui; }

public slots:
    void setReference(cMachine::eRefType axis, int rawCount, QString gauge);
    void setEditMachine(s_machine machine, QString name);

signals:
    void hideMachine(QString name);
    void getReference(cMachine::eRefType axis, QString gauge);

private slots:
    void measureReference();
    void toggledMM(bool mm);
    void toggledRadius(bool radius);
    void showAdvanced(bool on);
    void slotSmartChanged(QString text);
    void slotMasterXtoggled(bool master);
    void slotMasterZtoggled(bool master);
    void slotChkSmartX(bool on);
    void slotChkSmartZ(bool on);
    void slotPostBalluff(int);
    void saveData();
    void closeMachine();

private:
    QString lengthText(qint64 tenths, bool isX) const;
    qint64 typedTenths(double value, bool isX) const;
    void showSmart(QLineEdit *field, qint64 tenths, bool isX);
    void setSmartValidators();
    void setupLinks();
    void setupAxisLink(bool linked, int idMaster, qint64 smart, eAxis axis);
    void refuse(const QString &text);

    Ui_cMachine *ui = nullptr;
    QButtonGroup groupX;
    QButtonGroup groupZ;
    s_machine editingMachine;
    s_machine openedMachine;
    bool insertMode = false;
    QString returnName;
    // The output kind and file shown at opening: the record's output fields
    // change only when the operator changes these.
    Qt::CheckState openedKind = Qt::Unchecked;
    QString openedFile;
    // The spindle list's entry shown at opening (-1: the stored type is not
    // listed, or the list is hidden).
    int openedSpindle = -1;
    QExtDoubleValidator *smartXValidator = nullptr;
    QExtDoubleValidator *smartZValidator = nullptr;
};
