#include "bank_report.h"

#include "panel_fit.h"
#include "screens/pictures.h"
#include "store/bank_check.h"
#include "store/bank_warnings.h"
#include "store/database.h"
#include "store/runtime_error.h"
#include "store/statements.h"

#include <QDir>
#include <QImageReader>
#include <QSet>

namespace {

constexpr int ShownProblems = 50;

class Warnings final
{
public:
    Warnings(const QString &picturesFolder, QStringList &out) : m_folder(picturesFolder), m_out(out)
    {}

    void question(const AskedQuestion &asked)
    {
        m_id = asked.id;
        if (!asked.question.isNull())
            add(m_fit.questionProblem(textOf(asked.question, QString())));
        if (asked.showsAnswers())
            for (int k = 0; k < 4; ++k)
                if (!asked.answers[k].isNull()) {
                    const QString problem = m_fit.answerProblem(textOf(asked.answers[k], QString()),
                                                                asked.showsCheckBoxes());
                    if (!problem.isEmpty())
                        add(QStringLiteral("ответ %1: %2").arg(k + 1).arg(problem));
                }
        for (const QString &warning : valueWarnings(asked))
            add(warning);
        picture(asked.picture);
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
    void add(const QString &problem)
    {
        if (!problem.isEmpty())
            m_out.push_back(QStringLiteral("вопрос %1: %2").arg(m_id).arg(problem));
    }

    void picture(const FieldValue &value)
    {
        if (value.isNull() || equalsText(value, QString()))
            return;
        qint16 number = -1;
        try {
            number = int16Of(value, QStringLiteral("picture"));
        } catch (const RuntimeError &) {
            return; // refused by the opening check
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
    int m_id = 0; // of the question being looked at
    QSet<QString> m_used;
};

// One pass over the questions the draw can reach, with their values as the program reads them.
void warn(Database &basa, int lastId, const QString &picturesFolder, BankReport &report)
{
    Warnings found(picturesFolder, report.warnings);
    forEachAskedQuestion(basa, lastId, [&](const AskedQuestion &asked) { found.question(asked); });
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
            Database basa = DBEngine::OpenDatabase(path, DBEngine::Access::ReadOnly);
            Recordset questions = basa.OpenRecordset(Statements::SelectQuestions);
            questions.MoveLast();
            const BankInspection inspection = inspectBank(
                basa, questions.Fields(QStringLiteral("id")), picturesFolder, isReadablePicture);
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
            if (report.lastId > 0)
                warn(basa, report.lastId, picturesFolder, report);
        }
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
