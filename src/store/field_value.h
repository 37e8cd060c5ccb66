#pragma once

#include <QString>

#include <optional>
#include <variant>

// A value read from a field, tagged with its kind as the engine delivers it.
class FieldValue final
{
public:
    enum class Kind { Null, Text, Number, Boolean };

    static FieldValue null() { return FieldValue(std::monostate{}); }
    static FieldValue text(QString value) { return FieldValue(std::move(value)); }
    static FieldValue number(double value) { return FieldValue(value); }
    static FieldValue boolean(bool value) { return FieldValue(value); }

    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    bool isNull() const { return kind() == Kind::Null; }
    // Reading a value as a kind it does not have is a programming error: std::bad_variant_access.
    const QString &asText() const { return std::get<QString>(m_value); }
    double asNumber() const { return std::get<double>(m_value); }
    bool asBoolean() const { return std::get<bool>(m_value); }

private:
    // Alternatives in the order of Kind, so the index is the kind.
    using Value = std::variant<std::monostate, QString, double, bool>;
    explicit FieldValue(Value value) : m_value(std::move(value)) {}

    Value m_value;
};

// How the program compares and converts values. Null never equals anything.

// Compared with a text literal: as text, exact and case-sensitive; a number as its plain decimal
// text, a Boolean as "True" or "False".
bool equalsText(const FieldValue &value, const QString &literal);
// Compared with a number: numerically. Text must read as a number (blanks around it allowed,
// '.' or ',' as the decimal mark), else Errors::typeMismatch; True is -1 and False 0.
bool equalsNumber(const FieldValue &value, double number);
// The number a value compares as: a number, a text that reads as one, True as -1 and False as 0;
// none for Null and for a text that is no number.
std::optional<double> numberOf(const FieldValue &value);
// The text shown for a value; Null is error 94 naming `what`.
QString textOf(const FieldValue &value, const QString &what);
// The value as a 16-bit integer, rounded half to even; `what` names it in the errors.
qint16 int16Of(const FieldValue &value, const QString &what);

// A number in plain decimal: no ".0" on whole numbers, up to 15 significant digits.
QString plainDecimal(double number);
