#include "bank_source.h"

#include "counted.h"
#include "rules.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <optional>

const char *const BankSourceHeader =
    "# Банк вопросов для программы Quorvane (источник для quorvane-bank make).\n"
    "#\n"
    "# Каждый вопрос — отдельный блок; блоки разделяются пустой строкой.\n"
    "# Строки, начинающиеся с #, — комментарии. Кодировка UTF-8.\n"
    "#\n"
    "#   [N]        номер вопроса: 1, 2, 3 … подряд, без пропусков\n"
    "#   type:      0 — один верный ответ (переключатели),\n"
    "#              1 — один или несколько верных ответов (флажки),\n"
    "#              другое число или пусто — ответы не показываются\n"
    "#   picture:   необязательно: номер n рисунка, файл pictures/n.bmp\n"
    "#   question:  текст вопроса\n"
    "#   answer:    ответ; ровно четыре строки в порядке показа,\n"
    "#   answer*:   звёздочкой отмечается верный ответ\n"
    "#   ball:      необязательно: код верного ответа числом (или пусто);\n"
    "#              тогда звёздочки не ставятся. Без него код — сумма весов\n"
    "#              1, 4, 8, 16 отмеченных ответов\n"
    "#\n"
    "# Значение — остаток строки без пробелов по краям. В двойных кавычках оно\n"
    "# берётся точно как написано: \\\" — кавычка, \\\\ — обратная косая черта,\n"
    "# \\n и \\r — переводы строки, \\t — табуляция, \\uXXXX — знак с этим\n"
    "# шестнадцатеричным кодом (ровно четыре цифры; знак с кодом больше FFFF —\n"
    "# парой, например \\uD83D\\uDE00); знаки U+FFFE и U+FFFF не допускаются;\n"
    "# \"\" — пустой текст. Поле без значения после двоеточия — пусто (Null).\n";

namespace {

using Rules::LargestPicture;
using Rules::TestLength;

const QString AnswerColumns[4] = {"answ1", "answ2", "answ3", "answ4"};

// A field's value as written: nothing, a plain text, or a quoted one.
struct Value
{
    bool empty = true;
    bool quoted = false;
    QString text;
};

// Digits with an optional minus: a whole number as the source writes it.
bool isWholeNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^-?[0-9]+$"));
    return digits.match(text).hasMatch();
}

// Such a number as the bank keeps it, a 64-bit integer: none for a text that is no whole number
// or one out of that range.
std::optional<qlonglong> wholeNumber(const QString &text)
{
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    if (!ok || !isWholeNumber(text))
        return std::nullopt;
    return number;
}

// A picture as the program reads it: a whole number from 0 to 32767, blanks around it allowed,
// or the empty text.
bool isPictureText(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    const QString number = text.trimmed();
    if (text.isEmpty())
        return true;
    if (!digits.match(number).hasMatch())
        return false;
    bool ok = false;
    const int value = number.toInt(&ok);
    return ok && value <= LargestPicture;
}

// The line and character of the first byte that is not UTF-8, as a problem.
SourceProblem notUtf8(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return {1, QStringLiteral("файл в кодировке UTF-16; сохраните его в кодировке UTF-8")};
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(lines[i]);
        if (decoder.hasError())
            return {int(i + 1),
                    QStringLiteral("текст не в кодировке UTF-8 (неверный байт около знака %1); "
                                   "сохраните файл в кодировке UTF-8")
                        .arg(text.indexOf(QChar::ReplacementCharacter) + 1)};
    }
    return {1, QStringLiteral("текст не в кодировке UTF-8")};
}

const QString PairAdvice =
    QStringLiteral("знак с кодом больше FFFF пишется парой, например \\uD83D\\uDE00 — это U+1F600");

// The code unit written by the four hexadecimal digits at `at`, if there are four.
std::optional<char16_t> hexUnit(QStringView written, qsizetype at)
{
    if (at < 0 || at + 4 > written.size())
        return std::nullopt;
    char16_t unit = 0;
    for (const QChar c : written.mid(at, 4)) {
        const char16_t u = c.unicode();
        int digit = 0;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        else
            return std::nullopt;
        unit = char16_t(unit * 16 + digit);
    }
    return unit;
}

QString codeName(char32_t code)
{
    return QStringLiteral("U+%1").arg(QString::number(code, 16).toUpper().rightJustified(4, u'0'));
}

// Why the bank would not give a text back as it is, or nothing. SQLite reads U+FFFE and U+FFFF
// back as U+FFFD and cannot hold half a surrogate pair; a text bound at the start of a U+FEFF or
// U+FFFE is taken for a byte-order mark, dropped or with the rest byte-swapped.
QString unstorable(QStringView text)
{
    if (text.startsWith(QChar(0xFEFF)))
        return QStringLiteral("знак U+FEFF в начале текста база примет за метку порядка байтов "
                              "и отбросит");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return QStringLiteral("половина суррогатной пары %1 без второй: база её не "
                                  "сохранит")
                .arg(codeName(c.unicode()));
        if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            return QStringLiteral("знак %1 — несимвол Юникода: база его не сохранит")
                .arg(codeName(c.unicode()));
    }
    return QString();
}

class Parser final
{
public:
    BankSource run(const QByteArray &bytes)
    {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(bytes);
        if (decoder.hasError()) {
            m_result.problems.push_back(notUtf8(bytes));
            return std::move(m_result);
        }
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i)
            take(lines[i].trimmed(), int(i + 1));
        finish();
        const auto count = m_result.tables.questions.size();
        if (count < TestLength)
            problem(0, QStringLiteral("в источнике %1, а для теста нужно не меньше %2")
                           .arg(counted(qint64(count), Nouns::Question))
                           .arg(TestLength));
        std::stable_sort(m_result.problems.begin(), m_result.problems.end(),
                         [](const SourceProblem &a, const SourceProblem &b) {
                             return (a.line == 0 ? INT_MAX : a.line) <
                                    (b.line == 0 ? INT_MAX : b.line);
                         });
        return std::move(m_result);
    }

private:
    // The fields given once per block, and the line each was given on.
    enum Field { Type, Picture, Question, Ball, FieldCount };

    struct Block
    {
        int line = 0;
        qlonglong id = 0;
        QuestionRow row;
        int fieldLines[FieldCount] = {};
        int answers = 0;
        std::array<bool, 4> right{};
        std::array<int, 4> answerLines{};
        bool unreadable = false;
    };

    void problem(int line, const QString &message) { m_result.problems.push_back({line, message}); }

    void take(const QString &line, int number)
    {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            return;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            finish();
            startBlock(line.mid(1, line.size() - 2).trimmed(), number);
            return;
        }
        if (!m_block) {
            problem(number, QStringLiteral("строка вне блока вопроса (блок начинается с [N])"));
            return;
        }
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            problem(number, QStringLiteral("нет двоеточия после имени поля"));
            return;
        }
        const QString key = line.left(colon).trimmed();
        std::optional<Value> value = read(line.mid(colon + 1).trimmed(), number);
        if (!value) {
            // Told already; what the block lacks because of it would only repeat it.
            m_block->unreadable = true;
            return;
        }
        if (key == QLatin1String("answer") || key == QLatin1String("answer*"))
            takeAnswer(*value, key.endsWith(QLatin1Char('*')), number);
        else if (key == QLatin1String("type"))
            takeField(Type, key, number) && takeNumber(m_block->row.type, *value, key, number);
        else if (key == QLatin1String("ball"))
            takeField(Ball, key, number) && takeNumber(m_block->row.ball, *value, key, number);
        else if (key == QLatin1String("question"))
            takeField(Question, key, number) && takeText(m_block->row.question, *value);
        else if (key == QLatin1String("picture"))
            takeField(Picture, key, number) && takePicture(*value, number);
        else
            problem(number, QStringLiteral("неизвестное поле «%1»").arg(key));
    }

    void startBlock(const QString &idText, int number)
    {
        const qlonglong expected = qlonglong(m_result.tables.questions.size()) + 1;
        m_block = Block{};
        m_block->line = number;
        m_block->id = expected;
        const std::optional<qlonglong> id = wholeNumber(idText);
        if (!id)
            problem(number, QStringLiteral("номер вопроса «%1» — не целое число").arg(idText));
        else if (*id != expected)
            problem(number, QStringLiteral("номер вопроса %1, ожидался %2").arg(*id).arg(expected));
    }

    // The value after the colon; a quoted one with its escapes undone.
    std::optional<Value> read(const QString &written, int number)
    {
        Value value;
        value.empty = written.isEmpty();
        if (!written.startsWith(QLatin1Char('"'))) {
            value.text = written;
            return storable(std::move(value), number);
        }
        value.quoted = true;
        // The empty text, which a null QString would not be once stored.
        value.text = QStringLiteral("");
        for (qsizetype i = 1; i < written.size(); ++i) {
            const QChar c = written[i];
            if (c == QLatin1Char('"')) {
                if (i != written.size() - 1) {
                    problem(number, QStringLiteral("после закрывающей кавычки есть ещё текст; "
                                                   "кавычка внутри пишется как \\\""));
                    return std::nullopt;
                }
                return storable(std::move(value), number);
            }
            if (c != QLatin1Char('\\')) {
                value.text += c;
                continue;
            }
            const QChar next = i + 1 < written.size() ? written[i + 1] : QChar();
            i += 1;
            switch (next.unicode()) {
            case '"':
            case '\\':
                value.text += next;
                break;
            case 'n':
                value.text += QLatin1Char('\n');
                break;
            case 'r':
                value.text += QLatin1Char('\r');
                break;
            case 't':
                value.text += QLatin1Char('\t');
                break;
            case 'u':
                if (!takeUnicodeEscape(written, i, value.text, number))
                    return std::nullopt;
                break;
            default:
                problem(number, QStringLiteral("неизвестное сочетание «\\%1» в кавычках; "
                                               "допустимы \\\" \\\\ \\n \\r \\t \\uXXXX")
                                    .arg(next));
                return std::nullopt;
            }
        }
        problem(number, QStringLiteral("нет закрывающей кавычки"));
        return std::nullopt;
    }

    // A \uXXXX at `i` (its "u") added to `text`, `i` left at its last digit; a character beyond
    // U+FFFF is a pair of them, high half first.
    bool takeUnicodeEscape(const QString &written, qsizetype &i, QString &text, int number)
    {
        const std::optional<char16_t> unit = hexUnit(written, i + 1);
        if (!unit) {
            problem(number, QStringLiteral("после \\u нужны ровно четыре шестнадцатеричные цифры "
                                           "(0–9, A–F), а написано «\\u%1»")
                                .arg(written.mid(i + 1, 4).section(QLatin1Char('"'), 0, 0)));
            return false;
        }
        const QString escape = written.mid(i - 1, 6);
        i += 4;
        if (QChar::isLowSurrogate(*unit)) {
            problem(number, QStringLiteral("«%1» — вторая половина суррогатной пары, а перед ней "
                                           "нет первой; %2")
                                .arg(escape, PairAdvice));
            return false;
        }
        if (QChar::isHighSurrogate(*unit)) {
            const bool escapeFollows = written.mid(i + 1, 2) == QLatin1String("\\u");
            const std::optional<char16_t> low =
                escapeFollows ? hexUnit(written, i + 3) : std::nullopt;
            if (!low || !QChar::isLowSurrogate(*low)) {
                problem(number, QStringLiteral("«%1» — первая половина суррогатной пары, а за "
                                               "ней нет второй (\\uDC00…\\uDFFF); %2")
                                    .arg(escape, PairAdvice));
                return false;
            }
            text += QChar(*unit);
            text += QChar(*low);
            i += 6;
            return true;
        }
        text += QChar(*unit);
        return true;
    }

    // The value, unless the bank could not keep its text as it is.
    std::optional<Value> storable(Value value, int number)
    {
        const QString unkept = unstorable(value.text);
        if (unkept.isEmpty())
            return value;
        problem(number, unkept);
        return std::nullopt;
    }

    bool takeField(Field field, const QString &key, int number)
    {
        int &line = m_block->fieldLines[field];
        if (line != 0) {
            problem(number, QStringLiteral("поле «%1» уже задано в строке %2").arg(key).arg(line));
            return false;
        }
        line = number;
        return true;
    }

    bool takeNumber(QVariant &into, const Value &value, const QString &key, int number)
    {
        if (value.empty)
            return true;
        const std::optional<qlonglong> n = value.quoted ? std::nullopt : wholeNumber(value.text);
        if (!n) {
            problem(number, !value.quoted && isWholeNumber(value.text)
                                ? QStringLiteral("%1 «%2» — целое число, которого банк не "
                                                 "сохранит: он хранит целые от "
                                                 "-9223372036854775808 до 9223372036854775807")
                                      .arg(key, value.text)
                                : QStringLiteral("%1 «%2» — не целое число").arg(key, value.text));
            return false;
        }
        into = *n;
        return true;
    }

    static bool takeText(QVariant &into, const Value &value)
    {
        if (!value.empty)
            into = value.text;
        return true;
    }

    bool takePicture(const Value &value, int number)
    {
        if (value.empty)
            return true;
        if (!isPictureText(value.text)) {
            problem(number, QStringLiteral("номер рисунка «%1» — не целое число от 0 до %2")
                                .arg(value.text)
                                .arg(LargestPicture));
            return false;
        }
        m_block->row.picture = value.text;
        return true;
    }

    void takeAnswer(const Value &value, bool right, int number)
    {
        if (m_block->answers == 4) {
            problem(number, QStringLiteral("больше четырёх ответов"));
            return;
        }
        const int k = m_block->answers++;
        takeText(m_block->row.answers[k], value);
        m_block->right[k] = right;
        m_block->answerLines[k] = number;
    }

    void finish()
    {
        if (!m_block)
            return;
        Block &b = *m_block;
        QuestionRow &row = b.row;
        row.id = b.id;
        auto blockProblem = [&](int line, const QString &message) {
            if (b.unreadable)
                return;
            problem(line ? line : b.line, QStringLiteral("вопрос %1: %2").arg(b.id).arg(message));
        };
        if (!b.fieldLines[Type])
            blockProblem(b.line, QStringLiteral("нет поля type"));
        if (!b.fieldLines[Question])
            blockProblem(b.line, QStringLiteral("нет поля question"));
        else if (row.question.isNull())
            blockProblem(b.fieldLines[Question], QStringLiteral("нет текста вопроса"));
        if (b.answers != 4)
            blockProblem(b.line, counted(b.answers, Nouns::Answer) + QStringLiteral(", а нужно 4"));
        const bool showsAnswers =
            !row.type.isNull() && (row.type.toLongLong() == Rules::OptionButtons ||
                                   row.type.toLongLong() == Rules::CheckBoxes);
        for (int k = 0; k < b.answers; ++k)
            if (showsAnswers && row.answers[k].isNull())
                blockProblem(
                    b.answerLines[k],
                    QStringLiteral("пустой ответ %1: у вопроса с ответами (вид вопроса 0 или 1) "
                                   "текст ответа обязателен; пустой текст — \"\"")
                        .arg(k + 1));
        const int rightCount = int(std::count(b.right.begin(), b.right.end(), true));
        if (b.fieldLines[Ball]) {
            if (rightCount > 0)
                blockProblem(b.fieldLines[Ball],
                             QStringLiteral("задан код ball, и отмечены верные ответы; "
                                            "нужно что-то одно"));
        } else {
            row.ball = qlonglong(Rules::codeOfTicks(b.right));
            if (row.type == QVariant(qlonglong(Rules::OptionButtons)) && rightCount != 1)
                blockProblem(b.line, QStringLiteral("у вопроса с одним ответом отмечено "
                                                    "верных: %1")
                                         .arg(rightCount));
            if (row.type == QVariant(qlonglong(Rules::CheckBoxes)) && rightCount == 0)
                blockProblem(b.line, QStringLiteral("не отмечен ни один верный ответ"));
        }
        m_result.pictureLines.push_back(b.fieldLines[Picture]);
        m_result.tables.questions.push_back(std::move(row));
        m_block.reset();
    }

    BankSource m_result;
    std::optional<Block> m_block;
};

// ---------------------------------------------------------------------------------------------
// Writing

// Characters a person could not see or type in the source, or that would end its line: controls,
// line and paragraph separators, format characters (byte-order mark, zero-width and direction
// marks, soft hyphen), spaces other than the plain one, noncharacters and unpaired halves.
bool writtenAsEscape(char32_t code)
{
    if (code == u' ')
        return false;
    switch (QChar::category(code)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Separator_Space:
        return true;
    default:
        return (code & 0xFFFE) == 0xFFFE || (code >= 0xFDD0 && code <= 0xFDEF);
    }
}

// Calls `take` with each character of `text` and the code units that write it.
template <typename Take> void forEachCharacter(QStringView text, Take take)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            take(QChar::surrogateToUcs4(c, text[i + 1]), text.mid(i, 2));
            ++i;
        } else {
            take(char32_t(c.unicode()), text.mid(i, 1));
        }
    }
}

bool needsQuotes(const QString &text)
{
    if (text.isEmpty() || text.startsWith(QLatin1Char('"')) || text.front().isSpace() ||
        text.back().isSpace())
        return true;
    bool escapes = false;
    forEachCharacter(text, [&](char32_t code, QStringView) { escapes |= writtenAsEscape(code); });
    return escapes;
}

QString quoted(const QString &text)
{
    QString out = QStringLiteral("\"");
    forEachCharacter(text, [&](char32_t code, QStringView units) {
        switch (code) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (!writtenAsEscape(code)) {
                out += units;
                break;
            }
            // Beyond U+FFFF as the pair of halves the reader puts together again.
            for (const QChar unit : units)
                out += QStringLiteral("\\u%1").arg(
                    QString::number(unit.unicode(), 16).toUpper().rightJustified(4, u'0'));
        }
    });
    return out + QLatin1Char('"');
}

// "key: value", the value plain where that reads back the same, else quoted; a Null is nothing.
QString field(const QString &key, const QVariant &value)
{
    if (value.isNull())
        return key + QLatin1String(":\n");
    const QString text = value.toString();
    return key + QLatin1String(": ") + (needsQuotes(text) ? quoted(text) : text) +
           QLatin1Char('\n');
}

// A whole number or Null as the source writes it; empty when the value is neither.
std::optional<QVariant> wholeOrNull(const QVariant &value)
{
    if (value.isNull())
        return QVariant();
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        return value.toLongLong();
    if (const std::optional<qlonglong> number = wholeNumber(value.toString().trimmed()))
        return *number;
    return std::nullopt;
}

// The right answers a kind can be scored with by ticks, when the code is such a set.
std::optional<Rules::Ticks> ticksFor(const QVariant &type, const QVariant &ball)
{
    if (type.isNull() || ball.isNull())
        return std::nullopt;
    const qlonglong kind = type.toLongLong();
    if (kind != Rules::OptionButtons && kind != Rules::CheckBoxes)
        return std::nullopt;
    return Rules::ticksGiving(int(kind), double(ball.toLongLong()));
}

} // namespace

BankSource parseBankSource(const QByteArray &bytes)
{
    return Parser().run(bytes);
}

QString bankSourceText(const BankTables &tables, QStringList &problems)
{
    QString out = QString::fromUtf8(BankSourceHeader);
    bool misplaced = false;
    for (std::size_t i = 0; i < tables.questions.size(); ++i) {
        const QuestionRow &row = tables.questions[i];
        const QString where = QStringLiteral("вопрос %1: ").arg(row.id.toString());
        const std::optional<QVariant> id = wholeOrNull(row.id);
        if (!id || id->isNull() || id->toLongLong() != qlonglong(i + 1)) {
            // Every row after a misplaced one is misplaced too: the first says it all.
            if (!misplaced)
                problems.push_back(
                    QStringLiteral("строка %1 таблицы questions: номер (id) «%2» не на "
                                   "своём месте; источник держит только номера 1, 2, "
                                   "3 … подряд, в этом порядке")
                        .arg(i + 1)
                        .arg(row.id.isNull() ? QStringLiteral("пусто") : row.id.toString()));
            misplaced = true;
        }
        const std::optional<QVariant> type = wholeOrNull(row.type);
        const std::optional<QVariant> ball = wholeOrNull(row.ball);
        if (!type)
            problems.push_back(
                where +
                QStringLiteral("вид вопроса «%1» — не целое число").arg(row.type.toString()));
        if (!ball)
            problems.push_back(where +
                               QStringLiteral("код правильного ответа «%1» — не целое число")
                                   .arg(row.ball.toString()));
        if (!row.picture.isNull() && !isPictureText(row.picture.toString()))
            problems.push_back(where + QStringLiteral("номер рисунка «%1» — не целое число "
                                                      "от 0 до %2")
                                           .arg(row.picture.toString())
                                           .arg(LargestPicture));
        // What make would refuse, said here rather than written.
        const QString unkept = unstorable(row.question.toString());
        if (!unkept.isEmpty())
            problems.push_back(where + QStringLiteral("текст вопроса: ") + unkept);
        for (int k = 0; k < 4; ++k) {
            const QString answerUnkept = unstorable(row.answers[k].toString());
            if (!answerUnkept.isEmpty())
                problems.push_back(where + QStringLiteral("ответ %1: ").arg(k + 1) + answerUnkept);
        }
        if (!type || !ball || !problems.isEmpty())
            continue;

        out += QStringLiteral("\n[%1]\n").arg(i + 1);
        out += field(QStringLiteral("type"), *type);
        if (!row.picture.isNull())
            out += field(QStringLiteral("picture"), row.picture);
        out += field(QStringLiteral("question"), row.question);
        const std::optional<std::array<bool, 4>> right = ticksFor(*type, *ball);
        if (!right)
            out += field(QStringLiteral("ball"), *ball);
        for (int k = 0; k < 4; ++k)
            out +=
                field(right && (*right)[k] ? QStringLiteral("answer*") : QStringLiteral("answer"),
                      row.answers[k]);
    }
    return problems.isEmpty() ? out : QString();
}
