#include "bank_report.h"

#include "panel_fit.h"
#include "screens/runtime_error.h"
#include "sqlite_rows.h"
#include "store/bank_check.h"
#include "store/database.h"
#include "store/statements.h"

#include <QDir>
#include <QHash>
#include <QImageReader>
#include <QSet>

#include <optional>

namespace {

constexpr int ShownProblems = 50;

// A value as the number it compares as, when it is one.
std::optional<double> numberOf(const FieldValue &value)
{
    switch (value.kind()) {
    case FieldValue::Kind::Number:
        return value.asNumber();
    case FieldValue::Kind::Text: {
        bool ok = false;
        const double number =
            value.asText().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        return ok ? std::optional<double>(number) : std::nullopt;
    }
    case FieldValue::Kind::Boolean:
        return value.asBoolean() ? -1 : 0;
    case FieldValue::Kind::Null:
        break;
    }
    return std::nullopt;
}

// The codes ticks can give: one answer of a single-choice question, or any non-empty set of a
// multiple-choice one.
bool ticksCanGive(int type, double code)
{
    static const int weights[4] = {1, 4, 8, 16};
    for (int set = 1; set < 16; ++set) {
        int sum = 0;
        int count = 0;
        for (int k = 0; k < 4; ++k)
            if (set & (1 << k)) {
                sum += weights[k];
                ++count;
            }
        if ((type == 1 || count == 1) && sum == code)
            return true;
    }
    return false;
}

// The column of each value in the warnings' select.
enum Column { Id, Type, Question, FirstAnswer, Ball = FirstAnswer + 4, Picture };

class Warnings final
{
public:
    Warnings(const QString &picturesFolder, QStringList &out) : m_folder(picturesFolder), m_out(out)
    {}

    void question(const SqliteRows &row)
    {
        m_id = row.number(Id);
        const std::optional<double> type = numberAt(row, Type);
        if (!row.isNull(Question))
            add(m_fit.questionProblem(textAt(row, Question)));
        const bool answersShown = type && (*type == 0 || *type == 1);
        if (answersShown) {
            const bool checkBox = *type == 1;
            for (int k = 0; k < 4; ++k)
                if (!row.isNull(FirstAnswer + k)) {
                    const QString problem =
                        m_fit.answerProblem(textAt(row, FirstAnswer + k), checkBox);
                    if (!problem.isEmpty())
                        add(QStringLiteral("ответ %1: %2").arg(k + 1).arg(problem));
                }
            code(int(*type), numberAt(row, Ball));
        }
        picture(row);
    }

    QStringList used() const { return m_used.values(); }

    // Pictures in the folder that no question shows.
    void unusedPictures()
    {
        const QDir folder(m_folder);
        const QStringList files =
            folder.entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name);
        for (const QString &file : files)
            if (!m_used.contains(file))
                m_out.push_back(QStringLiteral("рисунок %1 не нужен ни одному вопросу")
                                    .arg(folder.filePath(file)));
    }

private:
    static std::optional<double> numberAt(const SqliteRows &row, int column)
    {
        if (row.isNumber(column))
            return row.number(column);
        return numberOf(row.value(column));
    }

    // The text of a column as the program reads it.
    QStringView textAt(const SqliteRows &row, int column)
    {
        if (row.isText(column))
            return row.text(column);
        m_other = textOf(row.value(column), QString());
        return m_other;
    }

    void add(const QString &problem)
    {
        if (!problem.isEmpty())
            m_out.push_back(QStringLiteral("вопрос %1: %2").arg(plainDecimal(m_id), problem));
    }

    void code(int type, std::optional<double> value)
    {
        if (!value)
            add(QStringLiteral("код правильного ответа (ball) пуст: ни один ответ не "
                               "засчитается"));
        else if (!ticksCanGive(type, *value))
            add(type == 0 ? QStringLiteral("код (ball) %1 нельзя набрать одним ответом "
                                           "(type 0): возможны только 1, 4, 8, 16")
                                .arg(plainDecimal(*value))
                          : QStringLiteral("код (ball) %1 нельзя набрать флажками (type 1): "
                                           "возможны суммы весов 1, 4, 8, 16")
                                .arg(plainDecimal(*value)));
    }

    void picture(const SqliteRows &row)
    {
        if (row.isNull(Picture))
            return;
        // A stored text seen before has been dealt with: skipped, or its file taken as used.
        QByteArray stored;
        if (row.isText(Picture)) {
            const QByteArrayView view = row.storedText(Picture);
            if (m_pictures.contains(QByteArray::fromRawData(view.data(), view.size())))
                return;
            stored = view.toByteArray();
            m_pictures.insert(stored);
        }
        const FieldValue value = row.value(Picture);
        if (equalsText(value, QString()))
            return;
        qint16 number = -1;
        try {
            number = int16Of(value, QStringLiteral("picture"));
        } catch (const RuntimeError &) {
            return;
        }
        const QString name = QString::number(number) + QStringLiteral(".bmp");
        if (m_used.contains(name))
            return;
        m_used.insert(name);
        const QSize size = QImageReader(QDir(m_folder).filePath(name)).size();
        const QSize box = m_fit.pictureBox();
        if (size.width() > box.width() || size.height() > box.height())
            add(QStringLiteral("рисунок %1 размером %2 × %3 больше места для рисунка (%4 × "
                               "%5): края обрежутся")
                    .arg(name)
                    .arg(size.width())
                    .arg(size.height())
                    .arg(box.width())
                    .arg(box.height()));
    }

    QString m_folder;
    QStringList &m_out;
    PanelFit m_fit;
    double m_id = 0; // of the question being looked at
    QString m_other; // a value stored as something else than a text, as text
    QSet<QByteArray> m_pictures;
    QSet<QString> m_used;
};

// One pass over the questions the draw can reach, on a read-only connection of its own.
void warn(const QString &path, int lastId, const QString &picturesFolder, BankReport &report)
{
    SqliteRows rows(path, QStringLiteral("select id, type, question, answ1, answ2, answ3, answ4, "
                                         "ball, picture from questions where id between 1 and %1 "
                                         "and id = round(id) order by id")
                              .arg(lastId));
    if (!rows.ok())
        return;
    Warnings found(picturesFolder, report.warnings);
    double previous = 0;
    while (rows.next()) {
        // The question's select finds the first row of an id.
        const double id = rows.number(Id);
        if (id == previous)
            continue;
        previous = id;
        found.question(rows);
    }
    found.unusedPictures();
    report.pictures = found.used();
    report.pictures.sort();
}

} // namespace

BankReport inspectBankFile(const QString &path, const QString &picturesFolder)
{
    BankReport report;
    try {
        {
            // Closed before the warnings read the file through a connection of their own.
            Database basa = DBEngine::OpenDatabase(path);
            Recordset questions = basa.OpenRecordset(Statements::SelectQuestions);
            questions.MoveLast();
            const BankInspection inspection =
                inspectBank(basa, questions.Fields(QStringLiteral("id")), picturesFolder);
            report.lastId = inspection.lastId;
            report.problems = inspection.problems;
            try {
                const Recordset users = basa.OpenRecordset(Statements::SelectUsers);
                const QString problem =
                    attemptRecordProblem(basa, users.Fields(QStringLiteral("id")));
                if (!problem.isEmpty())
                    report.problems.push_back(problem);
            } catch (const RuntimeError &error) {
                report.problems.push_back(QStringLiteral("запись о последнем экзаменуемом: ") +
                                          error.description());
            }
        }
        if (report.lastId > 0)
            warn(path, report.lastId, picturesFolder, report);
    } catch (const RuntimeError &error) {
        report.problems.push_back(error.description());
    }
    return report;
}

void printReport(const QString &path, const QString &picturesFolder, const BankReport &report,
                 Console &console)
{
    for (qsizetype i = 0; i < report.problems.size() && i < ShownProblems; ++i)
        console.err << path << QStringLiteral(": ") << report.problems[i] << Qt::endl;
    if (report.problems.size() > ShownProblems)
        console.err
            << path
            << QStringLiteral(": и ещё проблем: %1").arg(report.problems.size() - ShownProblems)
            << Qt::endl;
    for (const QString &warning : report.warnings)
        console.out << QStringLiteral("предупреждение: ") << warning << Qt::endl;
    if (report.accepted())
        console.out << QStringLiteral("%1: вопросов %2, рисунки из %3; программа примет этот "
                                      "банк. Предупреждений: %4.")
                           .arg(path)
                           .arg(report.lastId)
                           .arg(picturesFolder)
                           .arg(report.warnings.size())
                    << Qt::endl;
    else
        console.out << QStringLiteral("%1: программа этот банк не примет; проблем: %2, "
                                      "предупреждений: %3.")
                           .arg(path)
                           .arg(report.problems.size())
                           .arg(report.warnings.size())
                    << Qt::endl;
}
