#include "widgets/FieldEditors.h"

#include <QComboBox>

#include "widgets/CheckBoxList.h"
#include "widgets/FormatValidator.h"
#include "widgets/QExtDoubleValidator.h"

namespace FieldEditors {

QValidator *numberValidator(const FieldValues::Rule &r, double unboundedFloor, QObject *parent, int decimals)
{
    if (r.isInt()) {
        int low = 0, high = 0;
        FieldValues::intBounds(r, &low, &high);
        if (r.formatted() || low < 0)
            return new FormatValidator(r.formatted() ? r.format : ValueFormat(QStringLiteral("%d"), true), low, high,
                                       parent);
        return new QExtIntValidator(low, high, parent);
    }
    if (r.kind != FieldValues::Kind::Float)
        return nullptr;
    double low = 0, high = 0;
    FieldValues::floatBounds(r, unboundedFloor, &low, &high);
    if (r.formatted())
        return new FormatValidator(r.format, low, high, parent, decimals);
    auto *v = new QExtDoubleValidator(low, high, decimals < 0 ? 3 : qMin(3, decimals), parent);
    if (FieldValues::bounded(r.Min, r.Max))
        v->setNotation(QDoubleValidator::StandardNotation);
    return v;
}

void listPopup(QComboBox *combo)
{
    combo->setItemDelegate(new PopupItemDelegate(combo));
}

} // namespace FieldEditors
