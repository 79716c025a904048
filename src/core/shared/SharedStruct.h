#pragma once

#include <QAtomicInt>
#include <QDate>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include "shared/RefLength.h"

class QUrl;

// Machine-wide options read from the settings file, plus a few run-time
// fields that the file does not hold.
struct s_MachineSettings
{
    bool isMM = true;
    bool isRadius = true;
    QString Language;
    QString Password = QStringLiteral("tavo");
    bool hasIndex = false;
    bool debug = false;
    int type = 0;
    bool isPivra = false;
    bool hasCAxis = false;
    int pulseRevC = 1000;
    bool coarseZeroSearch = false;
    bool disableAnimation = false;
    bool zeroReset = false;
    int ClearLabelMode = 2;
    // Longest wait for a still camera edge, in microseconds.
    int idleClick = 0;
    // Consecutive still camera frames: written by the capture thread, read
    // and reset by the GUI thread, hence atomic. Behaves like an int.
    QAtomicInt frameCounter = 0;
    QString axbVersion = QStringLiteral("Axb version not available");
    bool printing = false;
    bool ppEnabled = false;
    bool ppFormatLocked = false;
    bool ppDirLocked = false;
    bool balluffEnabled = false;
    QString logoPrint;
    QString custom;
    QString vendorName = QStringLiteral("Kovra");
    QString logoName;
    quint8 mmDecimals = 3;
    quint8 inchDecimals = 4;
    bool angularHead = false;
    bool automaticSpindle = false;
    bool disableRunout = false;
    int AbsRefX = 0;
    int AbsSysRefX = 0;
    int AbsRefZ = 0;
    int AbsSysRefZ = 0;
    bool hasNfc = false;

    s_MachineSettings() = default;
};

// The selected machine: a row of table machine with its references resolved
// through its masters, plus the run-time axis state.
struct s_machine
{
    int idMachine = -2;
    QString name;
    RefLength Xref;
    RefLength Zref;
    int sysXref = 0;
    int sysZref = 0;
    bool isRadius = true;
    bool isRadiusStored = true;
    bool swapXZ = false;
    bool IsMM = true;
    bool reverseX = false;
    bool reverseZ = false;
    bool linkToMasterX = false;
    bool linkToMasterZ = false;
    int idMasterX = -1;
    int idMasterZ = -1;
    RefLength smartX;
    RefLength smartZ;
    bool xLock = false;
    bool zLock = false;
    bool xIncr = false;
    bool zIncr = false;
    bool cIncr = false;
    int xIncrZero = 0;
    int zIncrZero = 0;
    float cIncrOffset = 0;
    QDate calibrationDate = QDate(2000, 1, 1);
    QString PostPro;
    QString networkPath;
    QString Balluff;
    QString dncSocket;
    QString dncFormat;
    bool toolId = false;
    QString spindleType;

    s_machine() = default;
};

// Master axis selector of countSlaveMachines.
enum eAxis { axisX = 0, axisZ = 1, axisXZ = 2 };

// Kind of question of the main window's input box, and with it the action
// of its OK button.
enum eInputBoxType {
    ibDeleteMachine = 0,     // password before deleting a machine
    ibNewMachine = 1,        // password before a new machine
    ibEditMachine = 2,       // password before editing a machine
    ibNewToolset = 3,        // name of a new tooling table
    ibRenameToolset = 4,     // new name of a tooling table
    ibConfiguration = 5,     // password before the configuration dialog
    ibCopyToolset = 6,       // machine to copy a tooling table to
    ibAngularHead = 7,       // rotation angle of an angular head
    ibImportToolset = 8      // name of a tooling table imported from CSV
};
Q_DECLARE_METATYPE(eInputBoxType)

// Camera geometry measure in progress.
enum eGeometryActive { geometryNone = 0, geometryAngle = 1, geometryCircle = 2 };

// Tooling-table type of a machine.
enum eTableType { tablePlain = 0, tableRfid = 1, tableDnc = 2, tableDncDataMatrix = 3 };

extern s_MachineSettings MachineSettings;
extern s_machine CurrentMachine;
extern bool isSuperUser;
extern bool isSuperConfigUser;
// 0 none, 1 angle or line measure, 2 circle measure (eGeometryActive).
extern int geometryActive;
// The label panel is open: the serial DNC service serves requests only then.
extern bool enableToolingup;

// Settings file ---------------------------------------------------------------

// Fills the record from the groups Machine and System of the settings file.
// Run-time fields (debug, zeroReset, frameCounter, axbVersion, printing) are
// left as they are; nothing is written back.
void loadMachineSettings(s_MachineSettings &settings);
// The translation file named by "/Machine/Language" ("name|file"), or "none".
QString GetTranslationFileName();

// Database ------------------------------------------------------------------

// Opens "/Database/Name" as the default connection and brings it up to the
// current schema. A database without any table is first given the schema of
// a new installation. When the file cannot be opened the fatal exit is taken;
// false is returned only when that exit was intercepted.
bool openDatabase();
// Runs the schema upgrade on the default connection (part of openDatabase).
void upgradeDatabase();
// Statements that create machine, toolingTables and tools of a new installation.
QStringList newInstallationStatements();
// Whether the default connection's database holds a table of that name.
bool tableExists(const QString &table);

// Machines ------------------------------------------------------------------

s_machine getMachineData(int idMachine);
int countSlaveMachines(int idMachine, eAxis axis);
int getCurrentTableType();
bool isValidSpindle();
bool isSpindleWithSpId(const QString &description);
void setSpindleWithSpId(const QString &description);

// Units and formatting --------------------------------------------------------

float XVal(float value);
float ZVal(float value);
QString MPrn(float value, bool isMM);
// The same without going through single precision.
QString MPrnExact(double value, bool isMM);
QString APrn(float value);

// Shared small functions ------------------------------------------------------

// Operator manual in "<appFolder>/doc": model word + language suffix + ".pdf",
// falling back to the English one.
bool getManualUrl(QUrl &url, const QString &appFolder);
bool getManualUrl(QUrl &url);

// User check ----------------------------------------------------------------

// The operator's password, the service code or the configuration code; sets
// isSuperUser and isSuperConfigUser to what it grants.
bool checkUser(const QString &password);

