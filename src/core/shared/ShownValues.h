#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

// What a panel put into its line editors and the value each text stood for.
// A display may show fewer decimals than the value: while an editor still
// shows that text, the value is taken as it was, not read back from the text.
class ShownValues
{
public:
    void clear() { shown.clear(); }
    void remember(int row, const QString &text, const QVariant &value) { shown.insert(row, {text, value}); }
    void forget(int row) { shown.remove(row); }
    // The value behind text when the row still shows what was remembered;
    // otherwise an invalid variant (the text is to be read).
    QVariant heldFor(int row, const QString &text) const;

private:
    struct Shown
    {
        QString text;
        QVariant value;
    };
    QHash<int, Shown> shown;
};
