#include "editor_rows.h"

#include <QStringList>

namespace {

bool sameValue(const QVariant &a, const QVariant &b)
{
    return a.isNull() == b.isNull() && a.typeId() == b.typeId() && (a.isNull() || a == b);
}

QString shown(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("Null");
    if (value.typeId() == QMetaType::QString)
        return QStringLiteral("«%1»").arg(value.toString());
    return value.toString();
}

} // namespace

QuestionRow storedRow(QVariant id, const QString &question)
{
    QuestionRow row;
    row.id = std::move(id);
    row.question = question;
    for (int k = 0; k < 4; ++k)
        row.answers[std::size_t(k)] = QStringLiteral("%1: ответ %2").arg(question).arg(k + 1);
    row.ball = qlonglong(1);
    row.type = qlonglong(0);
    return row;
}

QString rowDifferences(const std::vector<QuestionRow> &expected,
                       const std::vector<QuestionRow> &actual)
{
    if (expected.size() != actual.size())
        return QStringLiteral("%1 rows instead of %2").arg(actual.size()).arg(expected.size());
    QStringList differences;
    for (std::size_t r = 0; r < expected.size(); ++r) {
        const QuestionRow &e = expected[r];
        const QuestionRow &a = actual[r];
        const std::vector<std::pair<const char *, std::pair<QVariant, QVariant>>> fields{
            {"id", {e.id, a.id}},
            {"question", {e.question, a.question}},
            {"answ1", {e.answers[0], a.answers[0]}},
            {"answ2", {e.answers[1], a.answers[1]}},
            {"answ3", {e.answers[2], a.answers[2]}},
            {"answ4", {e.answers[3], a.answers[3]}},
            {"ball", {e.ball, a.ball}},
            {"picture", {e.picture, a.picture}},
            {"type", {e.type, a.type}}};
        for (const auto &[name, values] : fields)
            if (!sameValue(values.first, values.second))
                differences << QStringLiteral("row %1 %2: %3 instead of %4")
                                   .arg(r)
                                   .arg(QLatin1String(name), shown(values.second),
                                        shown(values.first));
    }
    return differences.join(QLatin1Char('\n'));
}

QString idsOf(const std::vector<QuestionRow> &rows)
{
    QStringList ids;
    for (const QuestionRow &row : rows)
        ids << shown(row.id);
    return ids.join(QLatin1Char(' '));
}

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
