#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include "rfid/DatiCampo.h"

// The tag image and the field values of a layout, both ways: the decoder
// turns a tag read from address 0 into every field's value, the encoder turns
// the values into the bytes a CNC machine reads from the tag. A value written
// and read back with the same layout comes back equal (to the field's
// resolution), except where a type keeps no such promise (see the notes on
// MODSIGN with a negative Div, CHAR with RightJustify and FORMATNUM patterns,
// and UBIN words of three or four bytes, which read signed).
class BalluffCodec
{
public:
    BalluffCodec(char bcdPlus = 'B', char bcdMinus = 'D', char bcdDot = 'E', int formatId = 0);

    // Sets the value of every field the image describes; never fails.
    void decode(const QByteArray &image, QList<DatiCampo> &fields) const;

    // Builds the image (byte i = tag address i) from the fields' values.
    // tagBytes are the tag's current bytes, copied into PRESERVE fields.
    // False when a field is refused: error = the message, a line break and
    // the field's label; image is then left alone. Values that are not
    // numbers become 0 in the field list, as they are written.
    bool encode(QList<DatiCampo> &fields, const QByteArray &tagBytes, QByteArray *image,
                QString *error) const;

    // The image is written from the first field's address: bytes below it
    // are not the layout's and stay on the tag as they are.
    static int writeAddress(const QList<DatiCampo> &fields);
    static QByteArray writeBytes(const QByteArray &image, const QList<DatiCampo> &fields);

    // Shared byte and text helpers (kept under their usual names).
    static void Byte2(int *value, int *b1, int *b2, int mode, bool isSigned);
    static void Byte3(int *value, int *b1, int *b2, int *b3, int mode);
    static int UDECBCD(int v);
    static QByteArray UBCDDEC(int b);
    static QByteArray HEX00(int v);
    static QByteArray removeChar(QByteArray a, QChar c);
    static bool isNumeric(const QString &s);
    static bool isNumeric(const QVariant &v);
    // The field's value is encoded as a number (one that is no number goes as 0).
    static bool takesNumber(const DatiCampo &f);
    // The number as text of exactly length characters (cut at the end).
    static QByteArray StrNumChar(double number, bool withSign, int decimals, QString separator,
                                 int length);
    // Conversions that keep out-of-range numbers defined: a limit or value
    // beyond the target type takes the type's nearest bound (NaN gives 0).
    static int toInt(double v);
    static qint64 toInt64(double v);
    static float toFloat(double v);
    // A value's text; bytes (CHAR fields) are Latin-1.
    static QString valueText(const QVariant &v);
    // False when the field's value would go to the tag as bytes the decoder
    // reads back as another number (a binary, sign-and-magnitude or packed
    // decimal word too small for it, a FORMATNUM int pattern that prints
    // a negative word unsigned, a number beyond single precision); lo and hi
    // then hold the values the bytes keep (after Div). Text fields and bit
    // groups are not checked here.
    static bool fitsBytes(const DatiCampo &f, double *lo = nullptr, double *hi = nullptr);
    // The decimals of a value that the field's bytes give back as written
    // (after Div): a Div of 100 over a binary word keeps 2; -1 when the
    // bytes set no such limit (IEEE, exponent patterns, fields that are no
    // number).
    static int heldDecimals(const DatiCampo &f);

private:
    bool encodeField(DatiCampo &f, const QByteArray &tagBytes, QByteArray &image,
                     QString *message) const;

    char bcdPlus;
    char bcdMinus;
    char bcdDot;
    int formatId;
};
