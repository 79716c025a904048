#include "exchange/ctarnengine.h"

#include "exchange/TarnNumbers.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QVarLengthArray>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

using TarnNumbers::canonicalInt;
using TarnNumbers::decimalsOf;
using TarnNumbers::fixedText;
using TarnNumbers::generalText;
using TarnNumbers::maskValue;
using TarnNumbers::readFloat;
using TarnNumbers::roundedAsWritten;
using TarnNumbers::truncToInt;

namespace {

const char kMaskLetters[] = "RLXZI23456789";
const char kNumberChars[] = "0123456789.-";
const char kOperandChars[] = "-0123456789.";

bool isOneOf(QChar c, const char *set)
{
    return c.unicode() < 128 && c.unicode() != 0 && std::strchr(set, char(c.unicode())) != nullptr;
}

bool onlyZeros(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c == QLatin1Char('0'); });
}

// Index of the ")" that balances the "(" at open, counting every "(" and ")";
// -1 when the text ends first.
int balancing(const QString &s, int open)
{
    int level = 0;
    for (int i = open; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('('))
            ++level;
        else if (s[i] == QLatin1Char(')') && --level == 0)
            return i;
    }
    return -1;
}

struct DepthGuard
{
    explicit DepthGuard(int &d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
    int &depth;
};

} // namespace

cTarnEngine::cTarnEngine()
{
    resetSetup();
}

cTarnEngine::~cTarnEngine() = default;

// Format file -----------------------------------------------------------------

bool cTarnEngine::setPostPro(QString name)
{
    formatName = name;
    QFile file(QStringLiteral("./postpro/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        formatText.clear();
        return false;
    }
    QTextStream in(&file);
    formatText = in.readAll().replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return true;
}

QStringList cTarnEngine::getPostProcessors()
{
    return QDir(QStringLiteral("./postpro"))
        .entryList(QStringList(QStringLiteral("*.pp")), QDir::Files, QDir::Name | QDir::IgnoreCase);
}

void cTarnEngine::resetSetup()
{
    MT = 99999;
    EB = QStringLiteral("\r\n");
    SN = 10;
    PN = 10;
    DE = QStringLiteral(".");
    AL = false;
    SE = false;
    ZE = false;
    NA.clear();
    IM = false;
    FN = QStringLiteral("###0.000");
}

bool cTarnEngine::CaricaRighe(QString text, QStringList *header, QStringList *body, QStringList *footer,
                              QString *error)
{
    header->clear();
    body->clear();
    footer->clear();
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n')))
        if (!line.startsWith(QLatin1String("//")))
            lines.append(line);
    resetSetup();

    const QString invalid = tr("Invalid post-processor format");
    int i = 0;
    if (!lines.isEmpty() && lines.first().contains(QLatin1String("<SD>"))) {
        for (++i;; ++i) {
            if (i >= lines.size()) {
                *error = invalid;
                return false;
            }
            if (lines[i].contains(QLatin1String("<ED>")))
                break;
            if (!ImpVarAmbientale(&lines[i], error))
                return false;
        }
        ++i;
    }
    for (; i < lines.size() && !lines[i].contains(QLatin1String("<S>")); ++i)
        header->append(lines[i]);
    for (++i; i < lines.size() && !lines[i].contains(QLatin1String("<E>")); ++i)
        body->append(lines[i]);
    if (i >= lines.size() || body->isEmpty()) {
        *error = invalid;
        return false;
    }
    for (++i; i < lines.size(); ++i)
        footer->append(lines[i]);
    return true;
}

bool cTarnEngine::ImpVarAmbientale(QString *line, QString *error)
{
    if (line->isEmpty())
        return true;
    const QString setup = line->trimmed();
    const QString key = setup.left(2).toUpper();
    const QString value = setup.mid(3);
    const int number = value.toInt(); // no success check: what does not convert is 0
    bool accepted = true;

    auto setFlag = [&](bool &flag) {
        accepted = number >= -1 && number <= 1;
        if (accepted)
            flag = number != 0;
    };

    if (key == QLatin1String("EB")) {
        EB.clear();
        for (int pos = 0; pos < value.size() && accepted;) {
            int colon = value.indexOf(QLatin1Char(':'), pos);
            if (colon < 0)
                colon = value.size();
            const QString item = value.mid(pos, colon - pos);
            pos = colon + 1;
            if (item.isEmpty()) {
                EB += QChar(0);
                continue;
            }
            bool ok = false;
            const int code = item.toInt(&ok);
            accepted = ok && code >= 1 && code <= 255;
            if (accepted)
                EB += QChar(code);
        }
    } else if (key == QLatin1String("DE")) {
        accepted = value.size() == 1 && value != QLatin1String(":");
        if (accepted)
            DE = value;
    } else if (key == QLatin1String("FN")) {
        if (!CheckFormat(value, error))
            return false;
        FN = value;
    } else if (key == QLatin1String("SN") || key == QLatin1String("PN")) {
        accepted = number >= 0;
        if (accepted)
            (key == QLatin1String("SN") ? SN : PN) = number;
    } else if (key == QLatin1String("ZE")) {
        setFlag(ZE);
    } else if (key == QLatin1String("AL")) {
        setFlag(AL);
    } else if (key == QLatin1String("SE")) {
        setFlag(SE);
    } else if (key == QLatin1String("IM")) {
        setFlag(IM);
    } else if (key == QLatin1String("MT")) {
        // The lowest integer has no absolute value in 32 bits.
        accepted = number != 0 && number != INT_MIN;
        if (accepted)
            MT = std::abs(number);
    } else if (key == QLatin1String("NA")) {
        NA = value;
    } else {
        accepted = false;
    }
    if (!accepted)
        *error = setup + tr(" invalid configuration");
    return accepted;
}

bool cTarnEngine::CheckFormat(QString mask, QString *error)
{
    bool dot = false;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == QLatin1Char('#') || c == QLatin1Char('*') || c == QLatin1Char('0'))
            continue;
        if ((c == QLatin1Char('+') || c == QLatin1Char('/')) && i == 0)
            continue;
        if (c == QLatin1Char('.') && !dot) {
            dot = true;
            continue;
        }
        *error = mask + tr(" invalid format");
        return false;
    }
    return true;
}

bool cTarnEngine::isNumeric(QString text)
{
    bool ok = false;
    readFloat(text, &ok);
    return ok;
}

bool cTarnEngine::isInteger(QString text)
{
    int v = 0;
    return canonicalInt(QStringRef(&text), &v);
}

QString cTarnEngine::numberText(float value, char format, int precision)
{
    if (format == 'g' && precision == 6)
        return generalText(value);
    if (format == 'f')
        return fixedText(value, precision);
    return QString::number(double(value), format, precision);
}

float cTarnEngine::readNumber(const QString &text, bool *ok)
{
    return readFloat(text, ok);
}

QString cTarnEngine::variableText(double value)
{
    // Six digits written as a float always showed them: such values keep
    // their text byte for byte.
    const QString general = generalText(float(value));
    bool ok = false;
    if (general.toDouble(&ok) == value && ok)
        return general;
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

// Generation ------------------------------------------------------------------

void cTarnEngine::loadPosition(qint64 position, const sRecUtensile *record)
{
    vT = position;
    vP = vO = vF = vS = vV = 0;
    vC.clear();
    vU.clear();
    if (record) {
        vR = record->R;
        vX = record->X;
        vL = record->L;
        vZ = record->Z;
        vI = record->I;
        vA = record->A;
        vD = record->D;
        vSelected = record->selected;
    } else {
        vR = vX = vL = vZ = vI = vA = 0;
        vD.clear();
        vSelected = false;
    }
}

bool cTarnEngine::tooLarge(qint64 length, QString *error)
{
    if (length <= maxTextLength)
        return false;
    *error = tr("Generated text too large");
    return true;
}

bool cTarnEngine::appendLine(const QString &line, QString *text, QString *error)
{
    column = 0;
    QString value;
    if (!Interpreta(line, &value, error))
        return false;
    text->append(value);
    return !tooLarge(text->size(), error);
}

bool cTarnEngine::GeneraFilePP(QString format, QString *text, QString *error)
{
    text->clear();
    leftOut.clear();
    cuts.clear();
    if (format.isEmpty()) {
        *error = tr("Empty postprocessor format");
        return false;
    }
    QStringList header, body, footer;
    if (!CaricaRighe(format, &header, &body, &footer, error))
        return false;
    if (AL) {
        if (MT == 99999) {
            *error = tr("Missing MT parameter");
            return false;
        }
        ZE = true;
        if (MT > maxPositions) {
            *error = tr("Generated text too large");
            return false;
        }
    }
    N = SN;
    depth = 0;
    loadPosition(0, nullptr);

    for (int i = 0; i < header.size(); ++i) {
        if (i > 0)
            text->append(EB);
        if (!appendLine(header[i], text, error))
            return false;
    }

    if (!toolList || toolList->isEmpty()) {
        *error = tr("Empty tooling set");
        return false;
    }
    const QList<sRecUtensile> &list = *toolList;
    const int count = list.size();
    // The position a record stands at; a number no position can hold fails.
    auto positionOf = [&](int index, int *position) {
        if (truncToInt(list[index].T, position))
            return true;
        *error = variableText(list[index].T) + tr(" invalid number");
        return false;
    };
    auto writeBody = [&]() {
        for (const QString &line : body) {
            if (!appendLine(line, text, error))
                return false;
            text->append(EB);
        }
        return !tooLarge(text->size(), error);
    };

    int next = 0;
    int number = 0;
    if (!AL) {
        // Only tool positions are written: jump from record to record.
        qint64 position = 1;
        for (;;) {
            if (next < count && !positionOf(next, &number))
                return false;
            if (next < count && position == number) {
                const sRecUtensile &r = list[next++];
                loadPosition(position, &r);
                const bool zero = r.R == 0 && r.L == 0;
                if (((!zero && (r.selected || IM)) || (ZE && zero)) && !writeBody())
                    return false;
            } else {
                loadPosition(position, nullptr);
            }
            if (next >= count)
                break;
            if (!positionOf(next, &number))
                return false;
            if (number > MT)
                break;
            position = number;
        }
    } else {
        for (qint64 position = 1; position <= MT; ++position) {
            bool holds = false;
            if (next < count) {
                if (!positionOf(next, &number))
                    return false;
                holds = position == number;
            }
            const sRecUtensile *r = holds ? &list[next++] : nullptr;
            loadPosition(position, r && (r->selected || IM) ? r : nullptr);
            if (!writeBody())
                return false;
        }
    }

    // Records the loop never reached because their number lies beyond MT.
    for (; next < count; ++next)
        if (truncToInt(list[next].T, &number) && number > MT)
            leftOut << number;

    for (int i = 0; i < footer.size(); ++i) {
        if (i > 0)
            text->append(EB);
        if (!appendLine(footer[i], text, error))
            return false;
    }
    return true;
}

bool cTarnEngine::Interpreta(QString line, QString *result, QString *error)
{
    result->clear();
    DepthGuard guard(depth);
    if (depth > kMaxNesting) {
        *error = line + tr(" invalid expression");
        return false;
    }
    // Token by token from the left; a loop rather than recursion on the rest
    // of the line, so a long line cannot exhaust the stack.
    const int n = line.size();
    result->reserve(n + 16);
    int pos = 0;
    while (pos < n) {
        const QChar c = line[pos];
        int open = -1;
        int end = qMin(pos + 2, n);
        if (c == QLatin1Char('@')) {
            if (n - pos >= 3 && line[pos + 2] == QLatin1Char('('))
                open = pos + 2;
        } else if (c == QLatin1Char('^') || c == QLatin1Char('?')) {
            if (n - pos >= 2 && line[pos + 1] == QLatin1Char('('))
                open = pos + 1;
        } else if (c == QLatin1Char('~')) {
            int k = pos + 1;
            while (k < n && isOneOf(line[k], kNumberChars))
                ++k;
            if (n - pos > 2 && k < n && line[k] == QLatin1Char('('))
                open = k;
        } else {
            end = pos + 1;
            while (end < n && !isOneOf(line[end], "@^?~"))
                ++end;
        }
        if (open >= 0) {
            const int close = balancing(line, open);
            if (close < 0) {
                *error = tr("Impossible evaluate ") + line.mid(pos);
                return false;
            }
            end = close + 1;
        }
        if (open < 0 && !isOneOf(c, "@^?~")) {
            // Literal text stands for itself.
            result->append(line.constData() + pos, end - pos);
            column += end - pos;
            pos = end;
            continue;
        }
        const QString token = line.mid(pos, end - pos);
        QString value;
        if (!eval(token, &value, error))
            return false;
        if (token.size() >= 2 && c == QLatin1Char('@') && isOneOf(token[1], kMaskLetters)) {
            // The value through the default mask, as "^(value:FN)" would
            // give it; straight to the mask when that reads the same.
            QString masked;
            const bool plain = !FN.isEmpty() && !value.isEmpty() && !value.contains(QLatin1Char(':'))
                               && !value.at(0).isSpace() && !value.at(value.size() - 1).isSpace()
                               && !isOneOf(value.at(0), "@^?~");
            if (plain ? !FormattaNumero(value, FN, &masked, error, token)
                      : !eval(QStringLiteral("^(") + value + QLatin1Char(':') + FN + QLatin1Char(')'), &masked,
                              error))
                return false;
            value = masked;
        }
        column += value.size();
        result->append(value);
        if (tooLarge(result->size(), error))
            return false;
        pos = end;
    }
    return true;
}

bool cTarnEngine::numericVariable(QChar letter, QString *value, QString *error)
{
    double v = 0;
    switch (letter.unicode()) {
    case 'T':
        // A tool number is a whole number, written with all its digits.
        *value = QString::number(vT);
        return true;
    case 'A': v = vA; break;
    case 'R': v = vR; break;
    case 'X': v = vX; break;
    case 'L': v = vL; break;
    case 'Z': v = vZ; break;
    case 'I': v = vI; break;
    case 'O': v = vO; break;
    case 'F': v = vF; break;
    case 'S': v = vS; break;
    case 'V': v = vV; break;
    case 'P': v = vP; break;
    case 'N':
        if (N > INT_MAX) {
            *error = QStringLiteral("@N") + tr(" invalid number");
            return false;
        }
        *value = QString::number(N);
        return true;
    default:
        return false;
    }
    *value = variableText(v);
    return true;
}

bool cTarnEngine::eval(QString token, QString *result, QString *error)
{
    result->clear();
    if (token.isEmpty())
        return true;
    DepthGuard guard(depth);
    auto invalid = [&]() {
        *error = token + tr(" invalid expression");
        return false;
    };
    if (depth > kMaxNesting)
        return invalid();
    const QChar first = token[0];

    if (first == QLatin1Char('@')) {
        const QChar letter = token.size() >= 2 ? token[1] : QChar();
        if (token.size() == 2) {
            // "@N" out of reach of 32 bits reports its own error.
            if (letter == QLatin1Char('N')) {
                if (!numericVariable(letter, result, error))
                    return false;
                N += PN;
                return true;
            }
            return numericVariable(letter, result, error) || invalid();
        }
        if (token.size() < 3 || token[2] != QLatin1Char('('))
            return invalid();
        // What Estrai1Arg gives for the token without its "@".
        const QStringRef arg = token.midRef(3, token.size() - 4).trimmed();
        switch (letter.unicode()) {
        case 'C':
        case 'D':
        case 'U':
        case 'W': {
            int n = 0;
            if (!canonicalInt(arg, &n) || n == 0)
                return invalid();
            const QString &v = letter == QLatin1Char('C') ? vC
                               : letter == QLatin1Char('D') ? vD
                               : letter == QLatin1Char('U') ? vU
                                                            : tableName;
            *result = v.toUpper();
            if (n > 0 && n < result->size())
                result->truncate(n);
            return true;
        }
        case 'B': {
            int n = 0;
            if (!canonicalInt(arg, &n))
                return invalid();
            // A column beyond the bound is refused like one already passed.
            if (n <= column || n > kMaxTab) {
                *error = token + tr(" invalid TAB");
                return false;
            }
            *result = QString(n - column - 1, QLatin1Char(' '));
            return true;
        }
        case '$': {
            bool ok = false;
            const int n = arg.toInt(&ok);
            if (!ok)
                return invalid();
            *result = QString(QChar(uchar(n & 0xFF)));
            return true;
        }
        case '&': {
            QString count, code;
            bool okCount = false, okCode = false;
            const bool two = Estrai2Arg(token.mid(1), &count, &code);
            const int c = count.toInt(&okCount);
            const int k = code.toInt(&okCode);
            if (!two || !okCount || !okCode)
                return invalid();
            const qint8 times = qint8(quint8(c & 0xFF));
            if (times > 0)
                *result = QString(times, QChar(ushort(k & 0xFFFF)));
            return true;
        }
        default:
            if (isOneOf(letter, "ATRXLZIOFSVNP"))
                return variableOperation(token, result, error);
            return invalid();
        }
    }

    if (first == QLatin1Char('^')) {
        QString expr, mask;
        if (!Estrai2Arg(token, &expr, &mask))
            return invalid();
        QString value;
        if (!eval(expr, &value, error))
            return false;
        return FormattaNumero(value, mask, result, error, expr);
    }

    if (first == QLatin1Char('?')) {
        QString condition, then, otherwise;
        int truth = 0;
        if (!Estrai3Arg(token, &condition, &then, &otherwise, &truth))
            return invalid();
        // The branch's text counts once in the column: the caller adds the
        // conditional's whole value.
        const int before = column;
        const bool ok = Interpreta(truth ? then : otherwise, result, error);
        column = before;
        return ok;
    }

    if (first == QLatin1Char('~'))
        return constantOperation(token, result, error);

    *result = token;
    return true;
}

bool cTarnEngine::variableOperation(const QString &token, QString *result, QString *error)
{
    QString inner;
    Estrai1Arg(token.mid(1), &inner);
    if (inner.isEmpty()) {
        *error = token + tr(" invalid expression");
        return false;
    }
    QString value;
    if (!numericVariable(token[1], &value, error))
        return false;
    QString operand;
    if (!eval(inner.mid(1), &operand, error))
        return false;
    const QString operation = inner.left(1) + operand;
    for (int i = 1; i < operation.size(); ++i) {
        if (!isOneOf(operation[i], kOperandChars)) {
            *error = operation + tr(" invalid operation");
            return false;
        }
    }
    if (DE != QLatin1String(".")) {
        const int at = value.indexOf(DE);
        if (at >= 0)
            value.replace(at, DE.size(), QLatin1Char('.'));
    }
    return OpRazionale(value, operation, result, error);
}

bool cTarnEngine::constantOperation(const QString &token, QString *result, QString *error)
{
    QString number;
    const int k = extractNumber(token, number);
    if (k >= token.size() || token[k] != QLatin1Char('(')) {
        *result = number;
        return true;
    }
    QString inner;
    Estrai1Arg(token, &inner);
    if (inner.isEmpty()) {
        *error = token + tr(" invalid expression");
        return false;
    }
    QString operand;
    if (!eval(inner.mid(1), &operand, error))
        return false;
    const QString operation = inner.left(1) + operand;
    for (int i = 1; i < operation.size(); ++i) {
        if (!isOneOf(operation[i], kOperandChars)) {
            *error = operation + tr(" invalid expression");
            return false;
        }
    }
    return OpRazionale(number, operation, result, error);
}

bool cTarnEngine::Estrai1Arg(QString token, QString *argument)
{
    int start = 2;
    if (token.startsWith(QLatin1Char('~'))) {
        QString number;
        start = extractNumber(token, number) + 1;
    }
    const int length = token.size() - start - 1;
    *argument = length > 0 ? token.mid(start, length).trimmed() : QString();
    return length >= 0;
}

bool cTarnEngine::Estrai2Arg(QString token, QString *first, QString *second)
{
    first->clear();
    second->clear();
    const int colon = token.indexOf(QLatin1Char(':'), 2);
    if (colon < 0)
        return false;
    *first = token.mid(2, colon - 2).trimmed();
    const int length = token.size() - colon - 2;
    if (length > 0)
        *second = token.mid(colon + 1, length).trimmed();
    return !first->isEmpty() && !second->isEmpty();
}

bool cTarnEngine::Estrai3Arg(QString token, QString *condition, QString *then, QString *otherwise, int *truth)
{
    const int bar = token.indexOf(QLatin1Char('|'));
    const int semicolon = token.indexOf(QLatin1Char(';'));
    if (bar < 2 || semicolon < bar)
        return false;
    *condition = token.mid(2, bar - 2).trimmed();
    *then = token.mid(bar + 1, semicolon - bar - 1).trimmed();
    const int length = token.size() - semicolon - 2;
    *otherwise = length > 0 ? token.mid(semicolon + 1, length).trimmed() : QString();
    if (condition->isEmpty())
        return false;

    int at = -1;
    QChar op;
    for (const char c : {'=', '<', '>', '%'}) {
        at = condition->indexOf(QLatin1Char(c));
        if (at >= 0) {
            op = QLatin1Char(c);
            break;
        }
    }
    if (at < 0)
        return false;
    QString left, right;
    QString ignored;
    if (!eval(condition->left(at), &left, &ignored) || !eval(condition->mid(at + 1), &right, &ignored))
        return false;

    bool okLeft = false, okRight = false;
    const float a = readFloat(left, &okLeft);
    const float b = readFloat(right, &okRight);
    bool result;
    if (okLeft && okRight) {
        switch (op.unicode()) {
        case '=': result = a == b; break;
        case '<': result = a < b; break;
        case '>': result = a > b; break;
        default: result = a != b; break;
        }
    } else {
        // Texts compare the other way round for the two order operators.
        const int cmp = QString::compare(left, right, Qt::CaseSensitive);
        switch (op.unicode()) {
        case '=': result = cmp == 0; break;
        case '<': result = cmp > 0; break;
        case '>': result = cmp < 0; break;
        default: result = cmp != 0; break;
        }
    }
    *truth = result ? 1 : 0;
    return true;
}

int cTarnEngine::extractNumber(QString token, QString &number)
{
    if (token.size() == 1)
        token += QLatin1Char('0');
    int k = 1;
    while (k < token.size() && isOneOf(token[k], kNumberChars))
        ++k;
    number = token.mid(1, k - 1);
    return k;
}

QString cTarnEngine::String(int count, char c)
{
    return count > 0 ? QString(count, QLatin1Char(c)) : QString();
}

// Masks and arithmetic ----------------------------------------------------------

void cTarnEngine::noteCut(QString subject, const QString &number, const QString &mask)
{
    if (subject.startsWith(QLatin1Char('@')))
        subject.remove(0, 1);
    const QString told = tr("T%1 %2 %3 does not fit %4").arg(vT).arg(subject, number, mask);
    if (!cuts.contains(told))
        cuts << told;
}

bool cTarnEngine::FormattaNumero(QString number, QString mask, QString *result, QString *error,
                                 const QString &subject)
{
    if (!CheckFormat(mask, error))
        return false;
    // A number written with DE as its separator is read as the same number.
    bool ok = false;
    bool asWritten = false;
    const int de = DE != QLatin1String(".") ? number.indexOf(DE) : -1;
    const QString plain = de >= 0 ? QString(number).replace(de, DE.size(), QLatin1Char('.')) : number;
    const double value = maskValue(plain, &ok, &asWritten);
    if (!ok || !std::isfinite(value)) {
        *error = number + tr(" invalid number");
        return false;
    }

    // The integer part: the number rewritten with the decimal mask's places
    // (rounding), or the number itself truncated when the mask has no ".".
    const int dot = mask.indexOf(QLatin1Char('.'));
    int integer = 0;
    bool negative = false;
    bool nonZero = false;
    QString rewritten;
    int decimalsAt = -1;
    if (dot >= 0) {
        const int decimals = mask.size() - dot - 1;
        if (asWritten)
            rewritten = roundedAsWritten(plain, decimals);
        if (rewritten.isEmpty())
            rewritten = asWritten ? QString::number(value, 'f', decimals) : fixedText(float(value), decimals);
        // Read back exactly: its integer digits come from a float.
        const QChar *p = rewritten.constData();
        const int n = rewritten.size();
        const bool minus = n > 0 && p[0] == QLatin1Char('-');
        qint64 magnitude = 0;
        int i = minus ? 1 : 0;
        for (; i < n && p[i] != QLatin1Char('.'); ++i) {
            magnitude = magnitude * 10 + p[i].digitValue();
            if (magnitude > qint64(INT_MAX) + 1) {
                *error = number + tr(" invalid number");
                return false;
            }
        }
        if (i < n)
            decimalsAt = i;
        nonZero = magnitude != 0;
        for (int k = i + 1; k < n && !nonZero; ++k)
            nonZero = p[k] != QLatin1Char('0');
        if (!minus && magnitude > INT_MAX) {
            *error = number + tr(" invalid number");
            return false;
        }
        integer = int(minus ? -magnitude : magnitude);
        negative = minus && nonZero;
    } else {
        if (!truncToInt(value, &integer)) {
            *error = number + tr(" invalid number");
            return false;
        }
        negative = value < 0;
        nonZero = integer != 0;
    }

    // The integer text, with room in front for a sign to be added.
    QChar intText[16];
    int intBegin = 2;
    int intEnd = 2;
    {
        qint64 v = integer;
        if (v < 0) {
            intText[intEnd++] = QLatin1Char('-');
            v = -v;
        }
        QChar digits[12];
        int d = 0;
        do {
            digits[d++] = QLatin1Char(char('0' + v % 10));
            v /= 10;
        } while (v > 0);
        while (d > 0)
            intText[intEnd++] = digits[--d];
    }
    const bool hasMinus = intText[intBegin] == QLatin1Char('-');
    auto dropMinus = [&]() {
        if (hasMinus)
            ++intBegin;
    };
    auto prepend = [&](char c) { intText[--intBegin] = QLatin1Char(c); };

    const QChar *m = mask.constData();
    int intMaskBegin = 0;
    const int intMaskEnd = dot < 0 ? mask.size() : dot;
    auto intMaskOnlyZeros = [&]() {
        for (int i = intMaskBegin; i < intMaskEnd; ++i)
            if (m[i] != QLatin1Char('0'))
                return false;
        return true;
    };
    const bool plusFirst = intMaskEnd > 0 && m[0] == QLatin1Char('+');
    QChar sign;
    if (plusFirst) {
        intMaskBegin = 1;
        if (negative) {
            sign = QLatin1Char('-');
            dropMinus();
        } else {
            sign = SE ? QLatin1Char('+') : QLatin1Char(' ');
        }
    } else if (negative) {
        if (intMaskOnlyZeros()) {
            sign = QLatin1Char('-');
            dropMinus();
        } else if (!hasMinus) {
            prepend('-');
        }
    } else if (SE) {
        if (intMaskOnlyZeros())
            sign = QLatin1Char('+');
        else if (m[0] == QLatin1Char('/'))
            intMaskBegin = 1;
        else
            prepend('+');
    }

    result->clear();
    result->reserve(mask.size() + 2);
    // A sign takes a place like a digit; one that finds no place left is
    // written in front all the same, so that an offset never changes its sign
    // (with SE on a "+" as much as a "-"). A number shown as zero has no sign
    // to keep: its "0" shows and the sign is dropped with the surplus digits.
    const int intLength = intEnd - intBegin;
    const QChar first = intText[intBegin];
    if (sign.isNull() && nonZero && intLength > intMaskEnd - intMaskBegin
        && (first == QLatin1Char('-') || first == QLatin1Char('+')))
        sign = first;
    if (!sign.isNull())
        result->append(sign);
    const int digitsAt = result->size();
    // Digits beyond the mask's places are dropped as the rule says, but the
    // value written is then another one: told, never silently.
    for (int i = 0; i < intLength - (intMaskEnd - intMaskBegin); ++i) {
        const QChar c = intText[intBegin + i];
        if (c.isDigit() && c != QLatin1Char('0')) {
            noteCut(subject, number, mask);
            break;
        }
    }
    maskInt(intText + intBegin, intLength, m + intMaskBegin, intMaskEnd - intMaskBegin, result);
    if (dot >= 0)
        maskDec(decimalsAt >= 0 ? rewritten.constData() + decimalsAt : nullptr,
                decimalsAt >= 0 ? rewritten.size() - decimalsAt : 0, m + dot, mask.size() - dot, result);
    // A result with no digit carries no sign: the sign place of a "+" mask
    // shows a blank then, whichever sign the number had.
    if (plusFirst) {
        bool digit = false;
        for (int i = digitsAt; i < result->size() && !digit; ++i)
            digit = result->at(i).isDigit();
        if (!digit)
            (*result)[0] = QLatin1Char(' ');
    }
    return true;
}

// From the right: each mask place takes the last digit left, or shows its
// fill. Digits beyond the mask are dropped from the left. A loop rather than
// one recursion per mask character: masks come from the format file.
void cTarnEngine::maskInt(const QChar *digits, int digitCount, const QChar *mask, int maskLength, QString *out)
{
    QVarLengthArray<QChar, 64> reversed;
    int left = digitCount;
    for (int m = maskLength - 1; m >= 0; --m) {
        if (left == 1 && digits[0] == QLatin1Char('0'))
            left = 0; // a zero integer part shows only the mask's fill
        if (left > 0)
            reversed.append(digits[--left]);
        else if (mask[m] == QLatin1Char('0'))
            reversed.append(QLatin1Char('0'));
        else if (mask[m] == QLatin1Char('*'))
            reversed.append(QLatin1Char(' '));
    }
    for (int i = reversed.size() - 1; i >= 0; --i)
        out->append(reversed[i]);
}

void cTarnEngine::maskDec(const QChar *digits, int digitCount, const QChar *mask, int maskLength, QString *out)
{
    for (int m = 0; m < maskLength; ++m) {
        if (mask[m] == QLatin1Char('.'))
            out->append(DE);
        else if (m < digitCount)
            out->append(digits[m]);
        else if (mask[m] == QLatin1Char('0'))
            out->append(QLatin1Char('0'));
        else if (mask[m] == QLatin1Char('*'))
            out->append(QLatin1Char(' '));
    }
}

QString cTarnEngine::MaskInt(QString digits, QString mask)
{
    QString out;
    maskInt(digits.constData(), digits.size(), mask.constData(), mask.size(), &out);
    return out;
}

QString cTarnEngine::MaskDec(QString digits, QString mask)
{
    QString out;
    maskDec(digits.constData(), digits.size(), mask.constData(), mask.size(), &out);
    return out;
}

bool cTarnEngine::OpRazionale(QString a, QString operation, QString *result, QString *error)
{
    const QChar op = operation.isEmpty() ? QChar() : operation[0];
    const QString b = operation.mid(1);
    bool okA = false, okB = false;
    const float fa = readFloat(a, &okA);
    const float fb = readFloat(b, &okB);
    if (!okA || !okB || !std::isfinite(fa) || !std::isfinite(fb)) {
        *error = a + tr(" invalid number");
        return false;
    }
    const int d = std::max(decimalsOf(a), decimalsOf(b));

    float raw = 0;
    QString mask;
    switch (op.unicode()) {
    case '*':
        raw = fa * fb;
        mask = QStringLiteral("#######0.00000");
        break;
    case '+':
    case '-':
        raw = op == QLatin1Char('+') ? fa + fb : fa - fb;
        mask = QStringLiteral("#######0") + (d > 0 ? QStringLiteral(".") + String(d, '0') : QString());
        break;
    case '/':
    case '\\':
        raw = fa / fb;
        mask = op == QLatin1Char('/') ? QStringLiteral("########.00000") : QStringLiteral("#######0");
        break;
    default:
        *error = QString(op) + tr(" invalid operator") + QStringLiteral(" [") + a + operation + QLatin1Char(']');
        return false;
    }
    // Division by zero and overflow give no number a mask can hold.
    QString rawText;
    int quotient = 0;
    if (!std::isfinite(raw) || (op == QLatin1Char('\\') && !truncToInt(raw, &quotient))) {
        *error = a + operation + tr(" invalid number");
        return false;
    }
    rawText = op == QLatin1Char('\\') ? QString::number(quotient) : fixedText(raw, 5);
    if (!FormattaNumero(rawText, mask, result, error, a + operation))
        return false;
    result->replace(QLatin1Char('.'), DE);
    return true;
}
