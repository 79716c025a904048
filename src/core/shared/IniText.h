#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVector>

// The keys of an INI file whose values are texts meant as written: the DNC
// and tag layouts and the CSV import description. Sections, keys, comments,
// quotes and escapes read as the toolkit's INI settings reader reads them,
// except that an unquoted comma stays in the text with the blanks around it
// ("Length, mm", "^[A-Z]+, [0-9]+$"), where that reader cuts a list.
class IniText
{
public:
    enum Encoding { Latin1, Utf8 }; // of the values; a UTF-8 mark in front gives UTF-8

    // An absent or unreadable file reads as a file without keys.
    IniText(const QString &path, Encoding encoding);

    // key as the settings class takes it ("/FIELD3/Label").
    QString value(const QString &key, const QString &defaultValue = QString()) const;

    // Where a key the text lacks is added: right under its section's first
    // header (the section must be there), or after the last key of the
    // section's first part (a new section, the key's first part, at the end
    // when there is none).
    enum Placement { UnderHeader, AfterLastKey };

    // The text with the keys set, every other byte left as it is. Each value
    // comes as the toolkit's INI writer writes it (iniValue()), or plain; it
    // replaces the key's value on each of its lines, the blanks around it
    // kept, or the key is added where placement says. A null value removes
    // every line of its key. False when a key has no place, or the result,
    // read in that encoding, would not hold each key set as its value and
    // every other key as before.
    static bool withKeys(const QByteArray &data, const QVector<QPair<QString, QByteArray>> &values,
                         Encoding encoding, Placement placement, QByteArray &result);
    // Stores one plain value (digits, letters) under key "/SECTION/Name" of
    // a Latin-1 file, as withKeys() does, a new key under its section's
    // header. False, with the file untouched, when withKeys() refuses or the
    // file cannot be written.
    static bool write(const QString &path, const QString &key, const QByteArray &value);
    // A value as the toolkit's INI writer writes it into a UTF-8 file; false
    // for a type that writer would keep in a binary form.
    static bool iniValue(const QVariant &value, QByteArray &text);

private:
    struct Entry
    {
        QString text;
        int begin = 0; // the value's bytes in the file
        int end = 0;
        int line = 0; // where its line begins
    };
    using Section = QHash<QString, Entry>; // by the whole key, "FIELD3/Label"

    IniText() = default;
    void parse(const QByteArray &data, Encoding encoding);
    QMap<QString, Section>::const_iterator sectionOf(const QString &key) const;
    const Entry *find(const QString &key) const;
    static QString normalized(const QString &key);
    // The keys' texts, by section.
    QMap<QString, QMap<QString, QString>> texts() const;
    // A value's text as it reads on a line of its own.
    static QString valueText(const QByteArray &value, Encoding encoding);

    QMap<QString, Section> sections; // by name with its slash ("FIELD3/"), "" the root
    QHash<QString, int> bodies;      // where each section's first header line ends
    QHash<QString, int> tails;       // where the line of the last key of a section's first part ends
    QHash<QString, QVector<Entry>> lines; // each line of a whole key, in file order
};
