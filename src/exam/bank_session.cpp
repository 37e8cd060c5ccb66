#include "bank_session.h"

#include "store/question_digest.h"
#include "store/rules.h"
#include "store/runtime_error.h"
#include "store/statements.h"

#include <algorithm>
#include <stdexcept>

namespace {

// A result the file would not take is told with the error, so that the staff can write it down:
// the record still says "not passed".
RuntimeError resultNotRecorded(const RuntimeError &error, const QString &examinee, bool passed,
                               int rightCount)
{
    return RuntimeError(
        error.number(),
        error.description() +
            QStringLiteral("\r\n\r\nРезультат теста НЕ ЗАПИСАН в базу. Сообщите его "
                           "экзаменатору: %1 — %2, правильных ответов %3 из %4.")
                .arg(examinee,
                     passed ? QStringLiteral("тест сдан") : QStringLiteral("тест не сдан"))
                .arg(rightCount)
                .arg(Rules::TestLength),
        error.detail());
}

void expect(bool condition, const char *what)
{
    if (!condition)
        throw std::logic_error(what);
}

} // namespace

BankSession::BankSession(BankServices services, std::optional<PictureFiles> pictureFiles)
    : m_services(std::move(services)), m_pictureFiles(std::move(pictureFiles))
{}

int BankSession::open(bool examMode)
{
    expect(!m_run.Basa, "the bank is opened once");
    m_run.ExamMode = examMode;
    m_run.Basa = m_services.openBank();
    m_run.QuestionsRs = m_run.Basa->OpenRecordset(Statements::SelectQuestions);
    m_run.QuestionsRs->MoveLast();
    // A bank the test cannot be taken from is refused now, before the attempt is recorded: first
    // for what the bank holds, then for the picture files it names, where they are read.
    const BankInspection inspection =
        inspectBankValues(*m_run.Basa, m_run.QuestionsRs->Fields(QStringLiteral("id")));
    if (!inspection.problems.isEmpty())
        throw bankRefusal(m_run.Basa->path(), inspection.problems.front());
    m_pictures = inspection.pictures;
    if (m_pictureFiles)
        checkPictureFiles(m_run.Basa->path(), m_pictures, *m_pictureFiles);
    m_run.DrawnIds.assign(static_cast<std::size_t>(inspection.lastId) + 2, 0);
    return inspection.lastId;
}

std::optional<bool> BankSession::registerExaminee(const QString &fullName)
{
    expect(m_run.Basa && m_run.ExamMode && m_run.FullName.isNull(),
           "an examinee registers once, in an exam");
    refuseLongFullName(fullName);
    std::optional<bool> repeatPassed;
    // The name is compared and the new one written in one transaction: no second session can
    // register between the two.
    m_run.Basa->WriteTransaction([&] {
        m_run.UsersRs = m_run.Basa->OpenRecordset(Statements::SelectUsers);
        checkAttemptRecord(*m_run.Basa, m_run.UsersRs->Fields(QStringLiteral("id")));
        if (equalsText(m_run.UsersRs->Fields(QStringLiteral("username")), fullName)) {
            repeatPassed = recordsPass(m_run.UsersRs->Fields(QStringLiteral("chek")));
            return;
        }
        // The attempt counts from here; a bank that keeps a journal gets its row in the same
        // transaction, after the record's change.
        std::optional<Journal::Attempt> attempt;
        std::optional<Database::Change> journal;
        if (m_run.Basa->HasTable(Journal::Table)) {
            attempt = Journal::Attempt{fullName, m_services.now(),
                                       static_cast<int>(m_run.DrawnIds.size()) - 2,
                                       m_services.hostName, std::nullopt, std::nullopt};
            if (m_run.Basa->Columns(Journal::Table).contains(Journal::AccountColumn))
                attempt->account = m_services.account;
            journal = Journal::start(*attempt);
        }
        const std::optional<qint64> row =
            m_run.Basa->ExecuteWithJournal({Statements::RecordExaminee, {fullName}}, journal);
        if (attempt)
            attempt->id = row;
        m_run.JournalAttempt = attempt;
        m_run.KeepsAnswers = row && m_run.Basa->HasTable(Journal::AnswersTable);
    });
    m_run.FullName = fullName;
    return repeatPassed;
}

QuestionValues BankSession::question()
{
    expect(m_run.Basa && !m_answerDue && m_run.Asked < Rules::TestLength &&
               (!m_run.ExamMode || !m_run.FullName.isNull()),
           "a question is asked after the last one is answered, 40 at most");
    ++m_run.Asked;
    const qint16 id = drawUnaskedId(m_services.random, m_run.DrawnIds, m_run.Asked - 1);
    m_run.DrawnIds[static_cast<std::size_t>(m_run.Asked)] = id;
    m_run.QuestionsRs = m_run.Basa->OpenRecordset(Statements::SelectQuestion(id));
    m_run.RightCode = m_run.QuestionsRs->Fields(QStringLiteral("ball"));
    QuestionValues shown = QuestionValues::fromRecord(*m_run.QuestionsRs);
    if (m_run.KeepsAnswers) {
        if (const std::optional<QByteArray> digest = shownDigest(id)) {
            m_run.Answers.push_back({m_run.Asked, id, 0, false, 0, *digest});
            m_run.QuestionShown = m_services.now();
        } else {
            // Only the answers are lost, never the exam.
            m_run.KeepsAnswers = false;
            m_run.Answers.clear();
        }
    }
    m_answerDue = true;
    return shown;
}

std::optional<QByteArray> BankSession::shownDigest(qint16 id)
{
    // Read apart from the question's own select, which gives the values as the exam compares
    // them, not as they are stored.
    try {
        const std::vector<QVariantList> rows =
            m_run.Basa->StoredRows(QStringLiteral("select %1 from questions where id=%2")
                                       .arg(QuestionDigest::Columns)
                                       .arg(id));
        if (!rows.empty())
            return QuestionDigest::of(rows.front());
    } catch (const RuntimeError &) {
    }
    return std::nullopt;
}

void BankSession::score(qint16 answerCode)
{
    const double seconds =
        m_run.KeepsAnswers ? m_run.QuestionShown.msecsTo(m_services.now()) / 1000.0 : 0;
    score(answerCode, seconds);
}

void BankSession::score(qint16 answerCode, double seconds)
{
    expect(m_answerDue, "an answer is scored once, after its question");
    const bool right = equalsNumber(m_run.RightCode, answerCode);
    if (right)
        ++m_run.RightCount;
    answered(answerCode, right, seconds);
}

void BankSession::countAsWrong(qint16 answerCode, double seconds)
{
    expect(m_answerDue, "an answer is scored once, after its question");
    answered(answerCode, false, seconds);
}

void BankSession::answered(qint16 answerCode, bool right, double seconds)
{
    if (m_run.KeepsAnswers) {
        Journal::Answer &answer = m_run.Answers.back();
        answer.code = answerCode;
        answer.scored = right;
        // A clock set back meanwhile would give a negative time.
        answer.seconds = std::max(seconds, 0.0);
    }
    m_run.RightCode = FieldValue::null();
    m_answerDue = false;
}

int BankSession::rightCount()
{
    return m_run.RightCount;
}

void BankSession::recordResult()
{
    expect(m_run.ExamMode && !m_run.FullName.isNull() && m_run.Asked == Rules::TestLength &&
               !m_answerDue,
           "the result is recorded in an exam, after the 40th answer");
    const bool passed = m_run.RightCount >= Rules::PassMark;
    std::optional<Database::Change> journal;
    std::optional<Database::Change> answers;
    if (m_run.JournalAttempt) {
        journal =
            Journal::finish(*m_run.JournalAttempt, m_services.now(), m_run.RightCount, passed);
        if (m_run.KeepsAnswers)
            answers = Journal::answers(*m_run.JournalAttempt, m_run.Answers);
    }
    try {
        m_run.Basa->ExecuteWithJournal(
            {passed ? Statements::RecordPass : Statements::RecordFail, {}}, journal, answers);
    } catch (const RuntimeError &error) {
        throw resultNotRecorded(error, m_run.FullName, passed, m_run.RightCount);
    }
}
