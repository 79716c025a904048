// The tag editor's rows: editor to value, change handlers and field scripts,
// defaults, measures, the input box and the checks before a write.
#include "rfid/cballuff.h"

#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>

#include <cmath>
#include <limits>

#include "axis/measureserver.h"
#include "dnc/DncScript.h"
#include "keyboard/myinputpanelcontext.h"
#include "rfid/BalluffCodec.h"
#include "widgets/CheckBoxList.h"
#include "widgets/DialogStyle.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "shared/ValueFormat.h"

namespace {

QString listValue(const QString &item)
{
    const int dash = item.indexOf(QStringLiteral(" -"));
    return dash >= 0 ? item.left(dash) : item;
}

// The number a range check reads: a text as the operator's texts are read,
// a number kept from the tag as it is (an int field shows it truncated).
float checkedFloat(const QVariant &v)
{
    return v.type() == QVariant::String ? v.toString().toFloat() : v.toFloat();
}

int checkedInt(const QVariant &v)
{
    return v.type() == QVariant::String ? v.toString().toInt() : BalluffCodec::toInt(std::trunc(v.toDouble()));
}

int rowOf(QObject *widget)
{
    auto *w = qobject_cast<QWidget *>(widget);
    bool ok = false;
    const int row = w ? w->statusTip().toInt(&ok) : -1;
    return ok ? row : -1;
}

} // namespace

void cBalluffUI::setBalluffValue(int index, bool applyAutoDefault)
{
    if (index < 0 || index >= fields.size())
        return;
    DatiCampo &f = fields[index];
    const bool reset = applyAutoDefault && f.AutoDefault;
    QWidget *w = editor(index);
    if (auto *bits = qobject_cast<CheckBoxList *>(w)) {
        if (reset)
            bits->setValue(f.DefaultValue.toInt());
        f.value = bits->getValue();
    } else if (auto *list = qobject_cast<QComboBox *>(w)) {
        if (reset)
            list->setCurrentIndex(findItem(f.DefaultValue, list));
        f.value = listValue(list->currentText());
    } else if (auto *line = qobject_cast<QLineEdit *>(w)) {
        if (reset) {
            shown.forget(index);
            line->setText(f.DefaultValue);
        }
        // A field left as the tag read showed it keeps the value read (the
        // display may show fewer decimals); any other is what its text means.
        const QVariant held = shown.heldFor(index, line->text());
        f.value = held.isValid() ? held : editorValue(f, line->text());
    }
}

QVariant cBalluffUI::editorValue(const DatiCampo &f, const QString &text)
{
    return FieldValues::fromText(f, text);
}

int cBalluffUI::fieldDecimals(const DatiCampo &f)
{
    if (f.kind != FieldValues::Kind::Float)
        return -1;
    int decimals = BalluffCodec::heldDecimals(f);
    const QChar c = f.format.conversion;
    if (f.formatted() && (c == QLatin1Char('f') || c == QLatin1Char('F'))) {
        const int shown = f.format.precision < 0 ? 6 : f.format.precision;
        decimals = decimals < 0 ? shown : qMin(decimals, shown);
    }
    return decimals;
}

void cBalluffUI::fieldEdited(QObject *source)
{
    const int row = rowOf(source);
    if (row < 0 || row >= fields.size())
        return;
    recheckMark(row);
    if (fields.at(row).Script.isEmpty())
        return;
    QString script = fields.at(row).Script;
    executeScript(script, row);
}

void cBalluffUI::slot_listChanged(int)
{
    if (updating)
        return;
    if (auto *list = qobject_cast<QComboBox *>(sender()))
        list->setToolTip(list->currentText());
    fieldEdited(sender());
}

void cBalluffUI::slot_textChanged(const QString &)
{
    // Whatever changed the text (typing, pasting, the keypad, a script, a
    // default), even to the text it had, the field no longer holds what
    // was read from the tag.
    shown.forget(rowOf(sender()));
    if (!updating)
        fieldEdited(sender());
}

void cBalluffUI::slot_bitFieldChanged()
{
    if (!updating)
        fieldEdited(sender());
}

void cBalluffUI::executeScript(QString &script, int row)
{
    if (initializing || updating)
        return;
    scriptValues.clear();
    // A script reads the numbers the fields hold, the texts the editors show.
    for (int i = 0; i < fields.size(); ++i) {
        setBalluffValue(i, false);
        const DatiCampo &f = fields.at(i);
        auto *line = qobject_cast<QLineEdit *>(editor(i));
        scriptValues.append(line && !f.isNumber() ? QVariant(line->text())
                                                  : FieldValues::scriptInput(f, line != nullptr, f.value));
    }
    QList<DncScript::Output> outputs;
    QString error;
    if (!DncScript::run(script, scriptValues, int(fields.size()), outputs, error)) {
        QMessageBoxKovra::critical(parentWindow, QStringLiteral("SCRIPT ERROR"),
                                   QStringLiteral("[FIELD %1] %2").arg(row).arg(error), QMessageBox::Ok,
                                   QMessageBox::NoButton);
    } else {
        // A field shown here runs its own script in turn; setTableValue
        // keeps that to one nested run.
        for (const DncScript::Output &o : outputs) {
            DatiCampo &f = fields[o.field];
            f.value = FieldValues::scriptValue(f, qobject_cast<QLineEdit *>(editor(o.field)) != nullptr, o.value);
            setTableValue(o.field);
        }
    }
}

void cBalluffUI::slot_showDefault()
{
    const int row = rowOf(sender());
    if (row < 0 || row >= fields.size())
        return;
    QMessageBoxKovra::information(parentWindow, QStringLiteral("BALLUFF"),
                                  tr("Writing operation will replace current value with: ")
                                      + fields.at(row).DefaultValue,
                                  QMessageBox::Ok, QMessageBox::NoButton);
}

void cBalluffUI::slot_SetDefaultData()
{
    if (QMessageBoxKovra::question(parentWindow, QStringLiteral("Balluff"),
                                   tr("Replace current data with default values?"),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    for (int i = 0; i < fields.size(); ++i) {
        const DatiCampo &f = fields.at(i);
        QWidget *w = editor(i);
        if (auto *bits = qobject_cast<CheckBoxList *>(w))
            bits->setValue(f.DefaultValue.toInt());
        else if (auto *list = qobject_cast<QComboBox *>(w))
            list->setCurrentIndex(findItem(f.DefaultValue, list));
        else if (auto *line = qobject_cast<QLineEdit *>(w)) {
            shown.forget(i);
            line->setText(f.Type == QLatin1String("PRESERVE")
                              ? QStringLiteral("PRESERVED %1 byte(s)").arg(f.ByteLength)
                              : f.DefaultValue);
        }
    }
}

void cBalluffUI::getMeasure()
{
    auto *button = qobject_cast<QPushButton *>(sender());
    const int row = rowOf(button);
    if (row < 0 || row >= fields.size() || !measureServer)
        return;
    // A measure button on a list or bit editor has no text to fill.
    auto *target = qobject_cast<QLineEdit *>(editor(row));
    if (!target)
        return;
    const DatiCampo &f = fields.at(row);
    // A measure fills the field: the keys leave before the measure server's boxes.
    MyInputPanelContext::fieldDone(this);
    QString text;
    double value = 0;
    if (f.GetX) {
        if (!measureServer->getX(text, button))
            return;
        value = text.toDouble();
        if (!CurrentMachine.isRadius)
            value *= 0.5;
        value *= f.diaMpy;
    } else {
        if (!measureServer->getZ(text, button))
            return;
        value = text.toDouble();
    }
    const QString question =
        FieldValues::measureQuestion(f, f.Label, value, tr("Data out of bounds"), tr("Overwrite?"));
    if (!question.isEmpty()) {
        if (QMessageBoxKovra::warning(parentWindow, QStringLiteral("Balluff"), question,
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes)
            return;
    }
    shown.forget(row);
    // An int field shows it in its Format, as the DNC panel does: the
    // number truncated, and that is what the tag gets.
    if (f.isInt()) {
        target->setText(FieldValues::intText(f, value));
        return;
    }
    // A float field no more decimals than its bytes give back, so the text
    // shown is the one the tag reads back.
    const int decimals = fieldDecimals(f);
    if (decimals >= 0 && decimals < (CurrentMachine.IsMM ? MachineSettings.mmDecimals : MachineSettings.inchDecimals))
        value = QString::number(value, 'f', decimals).toDouble();
    target->setText(MPrn(float(value), CurrentMachine.IsMM));
}

void cBalluffUI::slot_inputBox()
{
    const int row = rowOf(sender());
    if (row < 0 || row >= fields.size())
        return;
    auto *target = qobject_cast<QLineEdit *>(editor(row));
    if (!target)
        return;
    const DatiCampo &f = fields.at(row);
    // The toolkit's input dialog, readable over the editor's dark panel.
    QInputDialog ask(this);
    ask.setWindowTitle(tr("Insert value"));
    ask.setLabelText(f.Label + QLatin1Char(' ') + FieldValues::rangeText(f));
    if (f.kind == FieldValues::Kind::Float) {
        double lo = 0, hi = 0;
        FieldValues::floatBounds(f, -std::numeric_limits<double>::max(), &lo, &hi);
        ask.setInputMode(QInputDialog::DoubleInput);
        ask.setDoubleRange(lo, hi);
        // No more decimals than the field keeps and shows.
        int decimals = fieldDecimals(f);
        if (!f.formatted()) {
            const int machine = CurrentMachine.IsMM ? MachineSettings.mmDecimals : MachineSettings.inchDecimals;
            decimals = decimals < 0 ? machine : qMin(decimals, machine);
        }
        ask.setDoubleDecimals(decimals < 0 ? 5 : qMin(5, decimals));
        // The value the editor's text stands for, through its Format.
        const QVariant current = editorValue(f, target->text());
        ask.setDoubleValue(current.type() == QVariant::String ? 0.0 : current.toDouble());
    } else if (f.isInt()) {
        // The bounds the editor takes, in the Format's base, and the number
        // typed in that base too.
        int lo = 0, hi = 0;
        FieldValues::intBounds(f, &lo, &hi);
        ask.setLabelText(f.Label + QLatin1Char(' ') + FieldValues::intBoundsText(f));
        ask.setInputMode(QInputDialog::IntInput);
        ask.setIntRange(lo, hi);
        if (auto *spin = ask.findChild<QSpinBox *>())
            spin->setDisplayIntegerBase(f.formatted() ? f.format.base() : 10);
        const QVariant current = editorValue(f, target->text());
        ask.setIntValue(current.type() == QVariant::String ? 0 : ValueFormat::clampedInt(current.toDouble()));
    } else if (f.kind == FieldValues::Kind::String) {
        QStringList items = f.List;
        if (!items.contains(f.DefaultValue))
            items.prepend(f.DefaultValue);
        ask.setLabelText(f.Label);
        ask.setComboBoxItems(items);
        ask.setComboBoxEditable(false);
    } else {
        return;
    }
    styleStandardDialog(&ask);
    // The start as the box shows it (rounded to its decimals, within its range).
    const double start = ask.doubleValue();
    if (ask.exec() != QDialog::Accepted)
        return;
    // A number left as it started: the editor keeps its text and the value
    // behind it (a tag's value may have more decimals than it shows).
    const bool unchanged = ask.inputMode() == QInputDialog::DoubleInput && ask.doubleValue() == start;
    QString result;
    if (ask.inputMode() == QInputDialog::DoubleInput)
        result = floatText(f, ask.doubleValue());
    else if (ask.inputMode() == QInputDialog::IntInput)
        result = f.formatted() ? FieldValues::shownInt(f, ask.intValue()) : QString::number(ask.intValue());
    else
        result = ask.textValue();
    if (!unchanged) {
        shown.forget(row);
        target->setText(result);
    }
    if (!f.Script.isEmpty()) {
        QString script = f.Script;
        executeScript(script, row);
    }
}

void cBalluffUI::paintLabel(int row, const QColor &background)
{
    if (QTableWidgetItem *item = grid ? grid->item(row, 0) : nullptr)
        item->setData(Qt::BackgroundRole, background);
}

void cBalluffUI::paintChecked(int row, bool failed)
{
    marks.set(row, failed);
    const DatiCampo &f = fields.at(row);
    paintLabel(row, failed ? QColor(Qt::red) : f.Locked ? QColor(157, 157, 157) : QColor(f.BackgroundColor));
}

void cBalluffUI::recheckMark(int row)
{
    bool unwritableValue = false;
    if (marks.changed(fields.at(row), row, [&] { return fieldProblems(row, &unwritableValue).isEmpty(); }))
        paintChecked(row, false);
}

QStringList cBalluffUI::fieldProblems(int i, bool *unwritableValue)
{
    setBalluffValue(i, true);
    const DatiCampo &f = fields.at(i);
    QStringList problems;
    *unwritableValue = false;
    // Texts are checked as the editor shows them, numbers as they go to
    // the tag.
    auto *line = qobject_cast<QLineEdit *>(editor(i));
    const QString text = line ? line->text() : BalluffCodec::valueText(f.value);
    const double v = f.isInt() ? double(checkedInt(f.value)) : double(checkedFloat(f.value));
    const QString outside = FieldValues::boundsLine(f, f.Label, v, MPrn(float(v), CurrentMachine.IsMM), text);
    if (!outside.isEmpty())
        problems << outside;
    // A text a number field cannot read would go to the tag as 0, and a
    // character beyond Latin-1 as "?".
    if (!text.isEmpty() && BalluffCodec::takesNumber(f) && !BalluffCodec::isNumeric(f.value)) {
        problems << f.Label + QStringLiteral(" is not a number [") + text + "]";
        *unwritableValue = true;
    } else if ((f.Type == QLatin1String("CHAR") || f.Type == QLatin1String("CHARSPACE"))
               && QString::fromLatin1(text.toLatin1()) != text) {
        problems << f.Label + QStringLiteral(" contains characters the tag cannot hold [") + text + "]";
        *unwritableValue = true;
    }
    double lo = 0, hi = 0;
    if (!BalluffCodec::fitsBytes(f, &lo, &hi)) {
        problems << f.Label + " " + text
                        + QStringLiteral(" does not fit %1 byte(s) [%2,%3]")
                              .arg(f.ByteLength)
                              .arg(QString::number(lo, 'g', 12), QString::number(hi, 'g', 12));
        *unwritableValue = true;
    }
    if (f.hasList && text.isEmpty())
        problems << f.Label + " value not in list";
    if (!f.RegExp.isEmpty()) {
        const QRegularExpression re(QRegularExpression::anchoredPattern(f.RegExp));
        if (!re.match(text).hasMatch())
            problems << f.Label + " contains invalid chars [" + text + "]";
    }
    return problems;
}

bool cBalluffUI::validateData(QString &message)
{
    message.clear();
    unwritable = false;
    updating = true;
    QStringList problems;
    int firstRow = -1;
    for (int i = 0; i < fields.size(); ++i) {
        bool unwritableValue = false;
        const QStringList lines = fieldProblems(i, &unwritableValue);
        unwritable = unwritable || unwritableValue;
        problems += lines;
        paintChecked(i, !lines.isEmpty());
        if (!lines.isEmpty() && firstRow < 0)
            firstRow = i;
    }
    updating = false;
    if (problems.isEmpty())
        return true;
    message = problems.join(QLatin1Char('\n'));
    if (QWidget *w = editor(firstRow))
        w->setFocus();
    return false;
}
