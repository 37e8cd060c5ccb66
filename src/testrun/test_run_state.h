#pragma once

#include "exam/exam_session.h"
#include "exam/keeper_link.h"
#include "store/rules.h"

#include <QtGlobal>

#include <functional>
#include <memory>

// The test run's variables, shared by the registration and the main window for the whole
// program run. The bank's own (Basa, the recordsets, DrawnIds, RightCode) are the session's: the
// window holds no bank.
struct TestRunState
{
    static constexpr int TestLength = Rules::TestLength;
    static constexpr int PassMark = Rules::PassMark;
    // A day count, as the clock's values are.
    static constexpr double QuestionTime = Rules::QuestionSeconds / 86400.0;

    bool ExamMode = false;
    bool TestRunning = false;
    qint16 QuestionNo = 0;
    // The id of the last question of the bank, N, as the session opened it: DrawnIds, where the
    // bank is, has indices 0 to N + 1.
    int LastId = 0;
    int RightCount = 0;
    qint16 AnswerCode = 0;
    double StartTime = 0;
    double ElapsedTime = 0;
    double TimeLeft = 0;

    // The exam's session, from OpenBasa until the program ends: on the bank opened in this
    // process, or through the keeper of a bank sealed from this account.
    std::unique_ptr<ExamSession> Session;
    // Whether the bank is sealed, and how its keeper is started; a test puts its own in.
    std::function<bool()> BankSealed = bankIsSealed;
    KeeperStart StartKeeper = connectKeeper;
};
