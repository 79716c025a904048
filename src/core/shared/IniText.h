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

    // Stores one plain value (digits, letters) under key "/SECTION/Name",
    // every other byte of the file left as it is: the key's value is replaced
    // where it stands, or the key is added under its section's first header.
    // False, with the file untouched, when the section is missing, the file
    // cannot be written or any key would then read otherwise.
    static bool write(const QString &path, const QString &key, const QByteArray &value);

    // The text with the keys set, every other byte left as it is. Each value
    // comes as the toolkit's INI writer writes it (iniValue()); it replaces
    // the key's value on each of its lines, the blanks around it kept, or
    // the key is added after the last key of its section's first part, or
    // in a new section (the key's first part) at the end. A null value
    // removes every line of its key. The caller checks how the result reads.
    static QByteArray withKeys(const QByteArray &data, const QVector<QPair<QString, QByteArray>> &values);
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

    QMap<QString, Section> sections; // by name with its slash ("FIELD3/"), "" the root
    QHash<QString, int> bodies;      // where each section's first header line ends
    QHash<QString, int> tails;       // where the line of the last key of a section's first part ends
    QHash<QString, QVector<Entry>> lines; // each line of a whole key, in file order
};
