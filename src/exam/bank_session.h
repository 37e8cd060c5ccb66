#pragma once

#include "exam_session.h"
#include "picture_files.h"
#include "store/bank_check.h"
#include "store/database.h"
#include "store/journal.h"
#include "store/question_draw.h"

#include <QDateTime>

#include <functional>
#include <optional>
#include <vector>

// What a session on the bank takes from the program it runs in, given to it so that a test can
// fix each.
struct BankServices
{
    // Opens data.mdb; throws RuntimeError when it may not or cannot.
    std::function<Database()> openBank;
    // The draw's random numbers, from a generator re-seeded before each.
    ReseededRandom random;
    // The time of day and the machine's name, as the journal records an attempt.
    std::function<QDateTime()> now;
    QString hostName;
    // The examinee's account, as the journal records it: the window's own, or the keeper's
    // peer's, as the kernel names it.
    QString account;
};

// The exam session on a bank this process opens: the window's for an open bank, and the
// keeper's, which serves it to the window of a sealed one. The only code that runs the exam's
// statements.
class BankSession final : public ExamSession
{
public:
    // `pictureFiles`: where the files of the pictures the questions show are checked when the
    // bank is opened; none in the keeper, which cannot read them and hands them to the window
    // (pictures()).
    BankSession(BankServices services, std::optional<PictureFiles> pictureFiles);

    int open(bool examMode) override;
    // A full name longer than Rules::LongestFullName is refused before anything is written
    // (error 5): the window refuses it before it comes here.
    std::optional<bool> registerExaminee(const QString &fullName) override;
    QuestionValues question() override;
    // The answer is timed on the session's clock (BankServices::now).
    void score(qint16 answerCode) override;
    // The same timed by the caller: the keeper times answers on its own clock.
    void score(qint16 answerCode, double seconds);
    // Here the count so far, at any time.
    int rightCount() override;
    void recordResult() override;

    // The pictures the questions the draw can reach show, sound in the bank: the window checks
    // their files.
    const std::vector<BankPicture> &pictures() const { return m_pictures; }
    // The keeper's guard: the answer to the question asked counts as wrong, whatever its code.
    void countAsWrong(qint16 answerCode, double seconds);

    // The run's variables on the bank's side, under the names the window's code once gave them.
    struct Run
    {
        bool ExamMode = false;
        // The open bank and the results of its last selects, open until the session ends.
        std::optional<Database> Basa;
        std::optional<Recordset> QuestionsRs;
        std::optional<Recordset> UsersRs;
        // Indices 0 to N + 1 for a bank whose last id is N; element k holds the id of question k.
        std::vector<qint16> DrawnIds;
        // How many questions have been drawn; the one asked is DrawnIds[Asked].
        int Asked = 0;
        // The code of the right answers of the question asked, as the bank holds it, until its
        // answer is scored.
        FieldValue RightCode = FieldValue::null();
        int RightCount = 0;
        // The examinee as registered, and the attempt's row in the bank's results journal when
        // the bank keeps one.
        QString FullName;
        std::optional<Journal::Attempt> JournalAttempt;
        // The answers so far, for a bank whose journal keeps them (an `answers` table), and when
        // the question asked was shown.
        bool KeepsAnswers = false;
        std::vector<Journal::Answer> Answers;
        QDateTime QuestionShown;
    };
    const Run &run() const { return m_run; }

private:
    void answered(qint16 answerCode, bool right, double seconds);
    std::optional<QByteArray> shownDigest(qint16 id);

    BankServices m_services;
    std::optional<PictureFiles> m_pictureFiles;
    std::vector<BankPicture> m_pictures;
    Run m_run;
    bool m_answerDue = false;
};
