#include "field_value.h"

#include "runtime_error.h"

#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace {

RuntimeError invalidUseOfNull(const QString &what)
{
    return {94, QStringLiteral("Недопустимое использование Null: %1").arg(what)};
}

// Text that reads as a number: blanks around it, an optional sign, digits with '.' or ',' as the
// decimal mark, an optional exponent. The empty text is not a number.
std::optional<double> numberFromText(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)([eE][+-]?[0-9]+)?$)"));
    QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

double numberOfBoolean(bool value)
{
    return value ? -1.0 : 0.0;
}

QString booleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

QString plainDecimal(double number)
{
    if (number == std::trunc(number) && std::fabs(number) < 1e15)
        return QString::number(static_cast<qint64>(number));
    QString text = QString::number(number, 'g', 15);
    return text.replace(QLatin1Char('e'), QLatin1Char('E'));
}

std::optional<double> numberOf(const FieldValue &value)
{
    switch (value.kind()) {
    case FieldValue::Kind::Null:
        return std::nullopt;
    case FieldValue::Kind::Text:
        return numberFromText(value.asText());
    case FieldValue::Kind::Number:
        return value.asNumber();
    case FieldValue::Kind::Boolean:
        return numberOfBoolean(value.asBoolean());
    }
    return std::nullopt;
}

bool equalsText(const FieldValue &value, const QString &literal)
{
    switch (value.kind()) {
    case FieldValue::Kind::Null:
        return false;
    case FieldValue::Kind::Text:
        return value.asText() == literal;
    case FieldValue::Kind::Number:
        return plainDecimal(value.asNumber()) == literal;
    case FieldValue::Kind::Boolean:
        return booleanText(value.asBoolean()) == literal;
    }
    return false;
}

bool equalsNumber(const FieldValue &value, double number)
{
    switch (value.kind()) {
    case FieldValue::Kind::Null:
        return false;
    case FieldValue::Kind::Text: {
        const std::optional<double> read = numberFromText(value.asText());
        if (!read)
            throw Errors::typeMismatch(QStringLiteral("текст «%1» сравнивается с числом %2")
                                           .arg(value.asText(), plainDecimal(number)));
        return *read == number;
    }
    case FieldValue::Kind::Number:
        return value.asNumber() == number;
    case FieldValue::Kind::Boolean:
        return numberOfBoolean(value.asBoolean()) == number;
    }
    return false;
}

QString textOf(const FieldValue &value, const QString &what)
{
    switch (value.kind()) {
    case FieldValue::Kind::Null:
        throw invalidUseOfNull(what);
    case FieldValue::Kind::Text:
        return value.asText();
    case FieldValue::Kind::Number:
        return plainDecimal(value.asNumber());
    case FieldValue::Kind::Boolean:
        return booleanText(value.asBoolean());
    }
    return {};
}

qint16 int16Of(const FieldValue &value, const QString &what)
{
    double number = 0;
    switch (value.kind()) {
    case FieldValue::Kind::Null:
        throw invalidUseOfNull(what);
    case FieldValue::Kind::Text: {
        const std::optional<double> read = numberFromText(value.asText());
        if (!read)
            throw Errors::typeMismatch(
                QStringLiteral("%1 = «%2» не читается как число").arg(what, value.asText()));
        number = *read;
        break;
    }
    case FieldValue::Kind::Number:
        number = value.asNumber();
        break;
    case FieldValue::Kind::Boolean:
        number = numberOfBoolean(value.asBoolean());
        break;
    }
    // The default rounding mode rounds half to even, as the conversion to an integer must.
    const double rounded = std::nearbyint(number);
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        throw Errors::overflow(QStringLiteral("%1 = %2 не помещается в 16-битное целое")
                                   .arg(what, plainDecimal(number)));
    return static_cast<qint16>(rounded);
}
