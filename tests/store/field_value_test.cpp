#include "expect_error.h"

#include "store/counted.h"
#include "store/field_value.h"

#include <gtest/gtest.h>

namespace {

struct TextCase
{
    const char *label;
    FieldValue value;
    QString literal;
    bool equal;
};

TEST(FieldValueTest, ComparesWithTextLiteralAsText)
{
    const TextCase cases[] = {
        {"Null with empty text", FieldValue::null(), QString(), false},
        {"Null with a name", FieldValue::null(), QStringLiteral("Иванов"), false},
        {"same name", FieldValue::text(QStringLiteral("Иванов Пётр Сидорович")),
         QStringLiteral("Иванов Пётр Сидорович"), true},
        {"other letter case", FieldValue::text(QStringLiteral("Иванов Пётр Сидорович")),
         QStringLiteral("Иванов пётр Сидорович"), false},
        {"extra blank", FieldValue::text(QStringLiteral("Иванов Пётр Сидорович")),
         QStringLiteral("Иванов  Пётр Сидорович"), false},
        {"trailing blank", FieldValue::text(QStringLiteral("a ")), QStringLiteral("a"), false},
        {"empty text with empty text", FieldValue::text(QString()), QString(), true},
        {"whole number", FieldValue::number(12), QStringLiteral("12"), true},
        {"whole number has no fraction", FieldValue::number(12), QStringLiteral("12.0"), false},
        {"fraction", FieldValue::number(2.5), QStringLiteral("2.5"), true},
        {"True", FieldValue::boolean(true), QStringLiteral("True"), true},
        {"True is not -1", FieldValue::boolean(true), QStringLiteral("-1"), false},
        {"False", FieldValue::boolean(false), QStringLiteral("False"), true},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(equalsText(c.value, c.literal), c.equal);
    }
}

struct NumberCase
{
    const char *label;
    FieldValue value;
    double number;
    bool equal;
};

TEST(FieldValueTest, ComparesWithNumberNumerically)
{
    const NumberCase cases[] = {
        {"Null with 0", FieldValue::null(), 0, false},
        {"equal number", FieldValue::number(4), 4, true},
        {"other number", FieldValue::number(4), 5, false},
        {"text 4", FieldValue::text(QStringLiteral("4")), 4, true},
        {"text with blanks", FieldValue::text(QStringLiteral(" 4 ")), 4, true},
        {"leading zeros", FieldValue::text(QStringLiteral("007")), 7, true},
        {"decimal point", FieldValue::text(QStringLiteral("4.5")), 4.5, true},
        {"decimal comma", FieldValue::text(QStringLiteral("4,5")), 4.5, true},
        {"signed text", FieldValue::text(QStringLiteral("-3")), -3, true},
        {"text of another number", FieldValue::text(QStringLiteral("5")), 4, false},
        {"True is -1", FieldValue::boolean(true), -1, true},
        {"True is not 1", FieldValue::boolean(true), 1, false},
        {"False is 0", FieldValue::boolean(false), 0, true},
    };
    for (const NumberCase &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(equalsNumber(c.value, c.number), c.equal);
    }
}

TEST(FieldValueTest, TextThatIsNoNumberCannotBeComparedWithNumber)
{
    for (const QString &text :
         {QStringLiteral("abc"), QString(), QStringLiteral("  "), QStringLiteral("4 5"),
          QStringLiteral("1.2.3"), QStringLiteral("4abc")}) {
        SCOPED_TRACE(text.toStdString());
        const RuntimeError error = errorFrom([&] { equalsNumber(FieldValue::text(text), 4); });
        EXPECT_TRUE(isError(error, 13, {QStringLiteral("«%1»").arg(text)}));
    }
}

struct CaptionCase
{
    FieldValue value;
    QString text;
};

TEST(FieldValueTest, TextOfValueForCaptions)
{
    const CaptionCase cases[] = {
        {FieldValue::text(QStringLiteral(" как есть ")), QStringLiteral(" как есть ")},
        {FieldValue::text(QString()), QString()},
        {FieldValue::number(12), QStringLiteral("12")},
        {FieldValue::number(-3), QStringLiteral("-3")},
        {FieldValue::number(0), QStringLiteral("0")},
        {FieldValue::number(2.5), QStringLiteral("2.5")},
        {FieldValue::number(0.1 + 0.2), QStringLiteral("0.3")},
        {FieldValue::number(1e20), QStringLiteral("1E+20")},
        {FieldValue::boolean(true), QStringLiteral("True")},
        {FieldValue::boolean(false), QStringLiteral("False")},
    };
    for (const CaptionCase &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(textOf(c.value, QStringLiteral("поле")), c.text);
    }
}

TEST(FieldValueTest, NullHasNoText)
{
    const RuntimeError error =
        errorFrom([] { textOf(FieldValue::null(), QStringLiteral("поле question")); });
    EXPECT_TRUE(isError(
        error, 94,
        {QStringLiteral("Недопустимое использование Null"), QStringLiteral("поле question")}));
}

struct IntegerCase
{
    FieldValue value;
    qint16 integer;
};

TEST(FieldValueTest, ConvertsTo16BitIntegerRoundingHalfToEven)
{
    const IntegerCase cases[] = {
        {FieldValue::number(32767), 32767},
        {FieldValue::number(-32768), -32768},
        {FieldValue::number(2.5), 2},
        {FieldValue::number(3.5), 4},
        {FieldValue::number(-2.5), -2},
        {FieldValue::number(0.5), 0},
        {FieldValue::number(2.6), 3},
        {FieldValue::number(-32768.5), -32768},
        {FieldValue::text(QStringLiteral("007")), 7},
        {FieldValue::text(QStringLiteral(" 12 ")), 12},
        {FieldValue::text(QStringLiteral("2,5")), 2},
        {FieldValue::text(QStringLiteral("32767")), 32767},
        {FieldValue::boolean(true), -1},
        {FieldValue::boolean(false), 0},
    };
    for (const IntegerCase &c : cases) {
        SCOPED_TRACE(c.integer);
        EXPECT_EQ(int16Of(c.value, QStringLiteral("picture")), c.integer);
    }
}

struct ConversionErrorCase
{
    const char *label;
    FieldValue value;
    int number;
};

TEST(FieldValueTest, ConversionTo16BitIntegerFailsOutsideRangeAndForNonNumbers)
{
    const ConversionErrorCase cases[] = {
        {"32768", FieldValue::number(32768), 6},
        {"-32769", FieldValue::number(-32769), 6},
        {"32767.5 rounds up out of range", FieldValue::number(32767.5), 6},
        {"text 32768", FieldValue::text(QStringLiteral("32768")), 6},
        {"text abc", FieldValue::text(QStringLiteral("abc")), 13},
        {"empty text", FieldValue::text(QString()), 13},
        {"Null", FieldValue::null(), 94},
    };
    for (const ConversionErrorCase &c : cases) {
        SCOPED_TRACE(c.label);
        const RuntimeError error = errorFrom([&] { int16Of(c.value, QStringLiteral("picture")); });
        EXPECT_TRUE(isError(error, c.number, {QStringLiteral("picture")}));
    }
}

struct CountCase
{
    qint64 count;
    const char *text;
};

// Every count our texts write agrees with its noun, as Russian has it after the number's last
// digits: 1 and 21 but not 11; 2 to 4 and 22 to 24 but not 12 to 14.
TEST(CountedTest, TheNounTakesTheFormItsNumberWants)
{
    const CountCase cases[] = {
        {0, "0 вопросов"},         {1, "1 вопрос"},       {2, "2 вопроса"},
        {3, "3 вопроса"},          {4, "4 вопроса"},      {5, "5 вопросов"},
        {11, "11 вопросов"},       {12, "12 вопросов"},   {14, "14 вопросов"},
        {20, "20 вопросов"},       {21, "21 вопрос"},     {22, "22 вопроса"},
        {25, "25 вопросов"},       {101, "101 вопрос"},   {111, "111 вопросов"},
        {112, "112 вопросов"},     {114, "114 вопросов"}, {122, "122 вопроса"},
        {32767, "32767 вопросов"}, {-1, "-1 вопрос"},     {-12, "-12 вопросов"},
    };
    for (const CountCase &c : cases)
        EXPECT_EQ(counted(c.count, Nouns::Question), QString::fromUtf8(c.text)) << c.count;
    EXPECT_EQ(counted(1, Nouns::Problem), QStringLiteral("1 проблема"));
    EXPECT_EQ(counted(3, Nouns::Warning), QStringLiteral("3 предупреждения"));
    EXPECT_EQ(counted(7, Nouns::Answer), QStringLiteral("7 ответов"));
    EXPECT_EQ(counted(601, Nouns::Point), QStringLiteral("601 точка"));
}

} // namespace
