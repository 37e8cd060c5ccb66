#pragma once

#include "keeper_link.h"
#include "store/database.h"
#include "store/field_value.h"
#include "store/journal.h"
#include "store/rules.h"

#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

// The test run's variables, shared by the registration and the main window for the whole
// program run.
struct TestRunState
{
    static constexpr int TestLength = Rules::TestLength;
    static constexpr int PassMark = Rules::PassMark;
    // A day count, as the clock's values are.
    static constexpr double QuestionTime = Rules::QuestionSeconds / 86400.0;

    bool ExamMode = false;
    bool TestRunning = false;
    qint16 QuestionNo = 0;
    // Indices 0 to N + 1 for a bank whose last id is N; element k holds the id of question k.
    std::vector<qint16> DrawnIds;
    int RightCount = 0;
    // The code of the right answers of the question on screen, as the bank holds it.
    FieldValue RightCode = FieldValue::null();
    qint16 AnswerCode = 0;
    double StartTime = 0;
    double ElapsedTime = 0;
    double TimeLeft = 0;

    // The open bank and the results of its last selects; open until the program ends.
    std::optional<Database> Basa;
    std::optional<Recordset> QuestionsRs;
    std::optional<Recordset> UsersRs;
    // The exam attempt in the bank's results journal, when the bank keeps one.
    std::optional<Journal::Attempt> JournalAttempt;

    // The keeper of a bank sealed from this account, started at registration: it opens the bank,
    // draws and scores the questions and records the attempt; the window only shows them.
    std::unique_ptr<KeeperLink> Keeper;
    // Whether the bank is sealed, and how its keeper is started; a test puts its own in.
    std::function<bool()> BankSealed = bankIsSealed;
    KeeperStart StartKeeper = [](const QString &program) { return startKeeper(program); };
};
