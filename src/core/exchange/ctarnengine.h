#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>

// One tool as the post-processor writes it: the dialog fills it from a row of
// table tools; the list is kept in ascending order of T. Values as stored:
// a CNC file gets every digit the table holds.
struct sRecUtensile
{
    double T = 0;  // tool number (position; its integer part counts)
    double P = 0;
    double R = 0;  // X value
    double X = 0;  // nominal X
    double L = 0;  // Z value
    double Z = 0;  // nominal Z
    double I = 0;  // corner radius
    double O = 0;
    double F = 0;
    double S = 0;
    double V = 0;
    double A = 0;  // angle
    QString C;
    QString D;    // tool code
    QString U;
    bool selected = true;
};

// The post-processor format engine: reads a format file of "./postpro" (setup
// section, header, body, footer) and turns a tool list into the text of a CNC
// tool file through the format's template language, number masks and decimal
// arithmetic. Text in, text out: the output is what the CNC reads, byte for
// byte, whatever the process locale.
//
// Whatever a format holds, generation ends with the text or an error message,
// never a crash: nesting, tabs, integer conversions and the size of the
// output are bounded.
class cTarnEngine
{
    Q_DECLARE_TR_FUNCTIONS(cTarnEngine)

public:
    cTarnEngine();
    virtual ~cTarnEngine();

    // Format file ----------------------------------------------------------
    bool setPostPro(QString name);
    QString getPostProFormat() const { return formatText; }
    QString getPostProName() const { return formatName; }
    static QStringList getPostProcessors();
    void setTabAttiva(QList<sRecUtensile> *list) { toolList = list; }
    void setTableName(QString &name) { tableName = name; }

    bool CaricaRighe(QString text, QStringList *header, QStringList *body, QStringList *footer, QString *error);
    bool ImpVarAmbientale(QString *line, QString *error);
    bool CheckFormat(QString mask, QString *error);
    static bool isNumeric(QString text);
    static bool isInteger(QString text);
    // The toolkit's number texts (QString::number of the float as a double)
    // and its float reading (QString::toFloat), as the engine uses them.
    static QString numberText(float value, char format, int precision);
    static float readNumber(const QString &text, bool *ok);
    // A variable's text: the general format of 6 digits when that is the
    // value exactly, else every digit the value holds.
    static QString variableText(double value);

    // Generation -----------------------------------------------------------
    bool GeneraFilePP(QString format, QString *text, QString *error);
    // Tool numbers of the last generation that MT left out.
    QList<qint64> leftOutByMt() const { return leftOut; }
    // Values of the last generation whose digits a mask dropped on the left,
    // each as "T3 Z 99999.9999 does not fit ###0.000".
    QStringList cutByMask() const { return cuts; }
    bool Interpreta(QString line, QString *result, QString *error);
    bool eval(QString token, QString *result, QString *error);
    static bool Estrai1Arg(QString token, QString *argument);
    static bool Estrai2Arg(QString token, QString *first, QString *second);
    bool Estrai3Arg(QString token, QString *condition, QString *then, QString *otherwise, int *truth);
    static int extractNumber(QString token, QString &number);
    static QString String(int count, char c);

    // Masks and arithmetic -------------------------------------------------
    // subject names what is written (a variable, an expression) in a cut's report.
    bool FormattaNumero(QString number, QString mask, QString *result, QString *error,
                        const QString &subject = QString());
    QString MaskInt(QString digits, QString mask);
    QString MaskDec(QString digits, QString mask);
    bool OpRazionale(QString a, QString operation, QString *result, QString *error);

    // Setup values of the last format read (defaults before any).
    int mt() const { return MT; }
    QString eb() const { return EB; }
    int sn() const { return SN; }
    int pn() const { return PN; }
    QString de() const { return DE; }
    bool al() const { return AL; }
    bool se() const { return SE; }
    bool ze() const { return ZE; }
    bool im() const { return IM; }
    QString fn() const { return FN; }
    QString na() const { return NA; }

    // Bounds that keep any format file from exhausting the stack or memory.
    static constexpr int kMaxNesting = 64;
    static constexpr int kMaxTab = 1000;
    // Output size and the positions written with AL: far beyond any tool
    // magazine, they keep a preview from running for minutes. A fuzzing run
    // lowers them to keep each input quick.
    static inline int maxTextLength = 64 * 1024 * 1024;
    static inline int maxPositions = 1000 * 1000;

private:
    void resetSetup();
    void noteCut(QString subject, const QString &number, const QString &mask);
    void loadPosition(qint64 position, const sRecUtensile *record);
    bool numericVariable(QChar letter, QString *value, QString *error);
    bool variableOperation(const QString &token, QString *result, QString *error);
    bool constantOperation(const QString &token, QString *result, QString *error);
    bool appendLine(const QString &line, QString *text, QString *error);
    bool tooLarge(qint64 length, QString *error);
    void maskInt(const QChar *digits, int digitCount, const QChar *mask, int maskLength, QString *out);
    void maskDec(const QChar *digits, int digitCount, const QChar *mask, int maskLength, QString *out);

    QString formatText;
    QString formatName;
    QList<sRecUtensile> *toolList = nullptr; // not owned
    QString tableName;

    // Setup section.
    int MT = 99999;
    QString EB;
    int SN = 10;
    int PN = 10;
    QString DE;
    bool AL = false;
    bool SE = false;
    bool ZE = false;
    QString FN;
    bool IM = false;
    QString NA;

    // Variables of the current position.
    qint64 vT = 0;
    double vR = 0, vX = 0, vL = 0, vZ = 0, vI = 0, vA = 0;
    double vP = 0, vO = 0, vF = 0, vS = 0, vV = 0;
    QList<qint64> leftOut;
    QStringList cuts;
    QString vC, vD, vU;
    bool vSelected = false;
    // Block number: wider than the 32 bits it is written with, so growing
    // past them is noticed instead of wrapping.
    qint64 N = 10;
    int column = 0;
    int depth = 0;
};
