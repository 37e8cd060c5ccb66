#include "bank_report.h"

#include "panel_fit.h"
#include "screens/runtime_error.h"
#include "store/bank_check.h"
#include "store/database.h"
#include "store/statements.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QMap>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

#include <optional>

namespace {

constexpr int ShownProblems = 50;
const QSize PictureBox(586, 127);

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

class Warnings final
{
public:
    Warnings(const QString &picturesFolder, QStringList &out) : m_folder(picturesFolder), m_out(out)
    {}

    void question(const std::vector<FieldValue> &row)
    {
        const QString id = plainDecimal(row[0].asNumber());
        const std::optional<double> type = numberOf(row[1]);
        if (row[2].kind() != FieldValue::Kind::Null)
            add(id, m_fit.questionProblem(textOf(row[2], QStringLiteral("question"))));
        const bool answersShown = type && (*type == 0 || *type == 1);
        if (answersShown)
            for (int k = 0; k < 4; ++k)
                if (!row[3 + k].isNull()) {
                    const QString problem =
                        m_fit.answerProblem(textOf(row[3 + k], QString()), *type == 1);
                    if (!problem.isEmpty())
                        add(id, QStringLiteral("ответ %1: %2").arg(k + 1).arg(problem));
                }
        if (answersShown)
            code(id, int(*type), row[7]);
        picture(id, row[8]);
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
    void add(const QString &id, const QString &problem)
    {
        if (!problem.isEmpty())
            m_out.push_back(QStringLiteral("вопрос %1: %2").arg(id, problem));
    }

    void code(const QString &id, int type, const FieldValue &ball)
    {
        const std::optional<double> value = numberOf(ball);
        if (!value)
            add(id, QStringLiteral("код правильного ответа (ball) пуст: ни один ответ не "
                                   "засчитается"));
        else if (!ticksCanGive(type, *value))
            add(id, type == 0 ? QStringLiteral("код (ball) %1 нельзя набрать одним ответом "
                                               "(type 0): возможны только 1, 4, 8, 16")
                                    .arg(plainDecimal(*value))
                              : QStringLiteral("код (ball) %1 нельзя набрать флажками (type 1): "
                                               "возможны суммы весов 1, 4, 8, 16")
                                    .arg(plainDecimal(*value)));
    }

    void picture(const QString &id, const FieldValue &value)
    {
        if (value.isNull() || equalsText(value, QString()))
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
        if (size.width() > PictureBox.width() || size.height() > PictureBox.height())
            add(id, QStringLiteral("рисунок %1 размером %2 × %3 больше места для рисунка (%4 × "
                                   "%5): края обрежутся")
                        .arg(name)
                        .arg(size.width())
                        .arg(size.height())
                        .arg(PictureBox.width())
                        .arg(PictureBox.height()));
    }

    QString m_folder;
    QStringList &m_out;
    PanelFit m_fit;
    QSet<QString> m_used;
};

// A value as the program's engine layer delivers it.
FieldValue fieldValue(const QVariant &value)
{
    if (value.isNull())
        return FieldValue::null();
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        return FieldValue::number(value.toDouble());
    case QMetaType::QByteArray:
        return FieldValue::text(QString::fromUtf8(value.toByteArray()));
    default:
        return FieldValue::text(value.toString());
    }
}

// One pass over the questions the draw can reach, on a read-only connection of its own: the
// program's row reader keeps every row, which costs most of the time on a large bank.
void warn(const QString &path, int lastId, const QString &picturesFolder, BankReport &report)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(
            QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
            QStringLiteral("?mode=ro"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (db.open() &&
            query.exec(QStringLiteral("select id, type, question, answ1, answ2, answ3, answ4, "
                                      "ball, picture from questions where id between 1 and %1 "
                                      "and id = round(id) order by id")
                           .arg(lastId))) {
            Warnings found(picturesFolder, report.warnings);
            std::vector<FieldValue> row(9, FieldValue::null());
            double previous = 0;
            while (query.next()) {
                // The question's select finds the first row of an id.
                const double id = query.value(0).toDouble();
                if (id == previous)
                    continue;
                previous = id;
                for (int i = 0; i < 9; ++i)
                    row[std::size_t(i)] = fieldValue(query.value(i));
                found.question(row);
            }
            found.unusedPictures();
            report.pictures = found.used();
            report.pictures.sort();
        }
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

BankReport inspectBankFile(const QString &path, const QString &picturesFolder)
{
    BankReport report;
    try {
        Database basa = DBEngine::OpenDatabase(path);
        Recordset questions = basa.OpenRecordset(Statements::SelectQuestions);
        questions.MoveLast();
        const BankInspection inspection =
            inspectBank(basa, questions.Fields(QStringLiteral("id")), picturesFolder);
        report.lastId = inspection.lastId;
        report.problems = inspection.problems;
        try {
            const Recordset users = basa.OpenRecordset(Statements::SelectUsers);
            const QString problem = attemptRecordProblem(basa, users.Fields(QStringLiteral("id")));
            if (!problem.isEmpty())
                report.problems.push_back(problem);
        } catch (const RuntimeError &error) {
            report.problems.push_back(QStringLiteral("запись о последнем экзаменуемом: ") +
                                      error.description());
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
