#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "rfid/DatiCampo.h"

// A tag layout file ("./balluff/<name>", INI): the head link settings, the tag
// capacity, the BCD letters, the layout id and the fields that cut the tag
// into values. The reader checks the file the way the tag editor needs it and
// hands back every message the operator is to see, in order.
struct BalluffLayout
{
    QString Customer;
    QString Com;
    QString Parameter;
    QString Device;
    int Head = 1;
    QString TagType;
    int TagSize = 512;
    bool ForceConstraints = false;
    qint8 formatId = 0;
    QString ScriptFunctions;
    bool scriptsRead = false;
    int TotFields = 0;
    char BCDdot = 'E';
    char BCDminus = 'D';
    char BCDplus = 'B';
    bool hasCounter = false;
    QList<DatiCampo> fields;

    // Reads the file at path into this layout. Every message (warnings that
    // let reading go on, then the refusal if any) is appended to messages;
    // the last one is the layout's configuration error text. Members read
    // before a refusal keep their new values, fields appended before it stay.
    bool read(const QString &path, QStringList *messages);

    // The largest address or count a telegram can carry (four digits).
    static const int kMaxTelegramNumber = 9999;

    // Parses the field's FieldType and takes its Format and its FormatNum
    // (for BitMask's argument) as the reader does (a pattern it finds
    // unusable is none): for records made otherwise.
    static void takeRules(DatiCampo &field);
};
