#include "bank_report.h"

#include "store/answers_check.h"
#include "store/bank_image.h"

#include "results_table.h"

#include "panel/question_warnings.h"
#include "screens/pictures.h"
#include "store/bank_check.h"
#include "store/bank_file.h"
#include "store/bank_warnings.h"
#include "store/counted.h"
#include "store/database.h"
#include "store/journal.h"
#include "store/runtime_error.h"
#include "store/statements.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

constexpr int ShownProblems = 50;

class Warnings final
{
public:
    Warnings(QuestionWarnings &checks, BankReport &report) : m_checks(checks), m_report(report) {}

    void question(const AskedQuestion &asked)
    {
        m_id = asked.id;
        if (!asked.showsAnswers())
            ++m_report.withoutAnswers;
        for (const QString &warning : m_checks.texts(asked))
            add(warning);
        // A picture is looked at once, with the first question that shows it.
        const QString file = QuestionWarnings::pictureFile(asked.picture);
        if (!file.isEmpty() && !m_used.contains(file)) {
            m_used.insert(file);
            add(m_checks.picture(asked.picture));
        }
    }

    QStringList used() const { return m_used.values(); }

    // Pictures in the folder that no question shows.
    void unusedPictures()
    {
        const QDir folder(m_checks.picturesFolder());
        const QStringList files =
            folder.entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name);
        for (const QString &file : files)
            if (!m_used.contains(file)) {
                m_report.warnings.push_back(QStringLiteral("рисунок %1 не нужен ни одному вопросу")
                                                .arg(folder.filePath(file)));
                m_report.warningQuestions.push_back(0);
            }
    }

private:
    void add(const QString &problem)
    {
        if (problem.isEmpty())
            return;
        m_report.warnings.push_back(QStringLiteral("вопрос %1: %2").arg(m_id).arg(problem));
        m_report.warningQuestions.push_back(m_id);
    }

    QuestionWarnings &m_checks;
    BankReport &m_report;
    int m_id = 0; // of the question being looked at
    QSet<QString> m_used;
};

// One pass over the questions the draw can reach, with their values as the program reads them.
void warn(Database &basa, int lastId, QuestionWarnings &checks, UnusedPictures unused,
          BankReport &report)
{
    Warnings found(checks, report);
    forEachAskedQuestion(basa, lastId, [&](const AskedQuestion &asked) { found.question(asked); });
    if (unused == UnusedPictures::Warned)
        found.unusedPictures();
    report.pictures = found.used();
    report.pictures.sort();
}

// What `results` would say of the journal, read by the same reader: a journal it cannot read (a
// damaged page) is a problem of the file; a cell that is not what the exam writes there is a
// warning, worded as `results` words it. A journal without a column the exam writes is named by
// the opening check; a bank without one (made by another tool) has nothing to read. Returns
// whether the answers can be read against it: it is read, or there is none.
bool readJournalAsResults(Database &basa, BankReport &report)
{
    if (!basa.HasTable(Journal::Table))
        return true;
    const QStringList present = basa.Columns(Journal::Table);
    for (const QString &column : Journal::Columns)
        if (!present.contains(column))
            return false;
    std::vector<Journal::Entry> journal;
    try {
        journal = readJournal(basa);
    } catch (const std::exception &error) {
        report.addProblem(QStringLiteral("журнал попыток (таблица attempts) не читается: ") +
                          QString::fromUtf8(error.what()));
        return false;
    }
    for (std::size_t k = 0; k < journal.size(); ++k)
        for (const Journal::Damage &damage : journal[k].damages()) {
            report.warnings.push_back(visibleText(QStringLiteral("журнал попыток: ") +
                                                  damageText(journal[k], k, damage)));
            report.warningQuestions.push_back(0);
        }
    return true;
}

// The answers the journal keeps: rows the figures would count wrongly are a warning; a table that
// cannot be read is a problem of the file.
void readAnswers(Database &basa, BankReport &report)
{
    QStringList found;
    try {
        found = answersProblems(basa);
    } catch (const RuntimeError &error) {
        report.addProblem(QStringLiteral("ответы (таблица answers) не читаются: ") +
                          error.description());
        return;
    }
    for (const QString &problem : found) {
        report.warnings.push_back(visibleText(problem));
        report.warningQuestions.push_back(0);
    }
}

// The questions that show no answers, when there are any, as the summary line counts them.
QString withoutAnswers(const BankReport &report)
{
    if (report.withoutAnswers == 0)
        return {};
    return QStringLiteral(" Вопросов без ответов (вид вопроса не 0 и не 1): %1 из %2.")
        .arg(report.withoutAnswers)
        .arg(report.lastId);
}

} // namespace

QString picturesOfBank(const QString &bankPath, const QString &programPictures)
{
    const QString beside = QFileInfo(bankPath).absoluteDir().filePath(QStringLiteral("pictures"));
    return QFileInfo(beside).isDir() ? beside : programPictures;
}

BankReport inspectBankDatabase(Database &basa, QuestionWarnings &checks, UnusedPictures unused)
{
    BankReport report;
    try {
        Recordset questions = basa.OpenRecordset(Statements::SelectQuestions);
        questions.MoveLast();
        const BankInspection inspection = inspectBank(basa, questions.Fields(QStringLiteral("id")),
                                                      checks.picturesFolder(), isReadablePicture);
        report.lastId = inspection.lastId;
        report.problems = inspection.problems;
        report.problemQuestions = inspection.problemQuestions;
        try {
            const Recordset users = basa.OpenRecordset(Statements::SelectUsers);
            report.addProblem(attemptRecordProblem(basa, users.Fields(QStringLiteral("id"))));
        } catch (const RuntimeError &error) {
            report.addProblem(QStringLiteral("запись о последнем экзаменуемом: ") +
                              error.description());
        }
        if (readJournalAsResults(basa, report))
            readAnswers(basa, report);
        if (report.lastId > 0)
            warn(basa, report.lastId, checks, unused, report);
    } catch (const RuntimeError &error) {
        report.addProblem(error.description());
    }
    return report;
}

BankReport inspectBankFile(const QString &path, const QString &picturesFolder)
{
    try {
        // Opened by the engine, a bank in write-ahead mode would get its log and index files
        // beside it, for which the keeper refuses it: its bytes are looked at instead.
        Database basa = writeAheadWithoutLog(path)
                            ? DBEngine::OpenImage(readBankImage(path), path)
                            : DBEngine::OpenDatabase(path, DBEngine::Access::ReadOnly);
        QuestionWarnings checks(picturesFolder);
        return inspectBankDatabase(basa, checks);
    } catch (const RuntimeError &error) {
        BankReport report;
        report.addProblem(error.description());
        return report;
    } catch (const std::runtime_error &error) {
        BankReport report;
        report.addProblem(QString::fromUtf8(error.what()));
        return report;
    }
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
        console.out << QStringLiteral("%1: в банке %2, рисунки из %3; программа примет этот "
                                      "банк. Предупреждений: %4.")
                           .arg(path, counted(report.lastId, Nouns::Question), picturesFolder)
                           .arg(report.warnings.size())
                    << withoutAnswers(report) << Qt::endl;
    else
        console.out << QStringLiteral("%1: программа этот банк не примет; проблем: %2, "
                                      "предупреждений: %3.")
                           .arg(path)
                           .arg(report.problems.size())
                           .arg(report.warnings.size())
                    << withoutAnswers(report) << Qt::endl;
}

void BankReport::addProblem(const QString &problem)
{
    if (problem.isEmpty())
        return;
    problems.push_back(problem);
    problemQuestions.push_back(0);
}
