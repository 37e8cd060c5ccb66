#pragma once

#include <QtGlobal>

#include <vector>

// The test run's variables, shared by the registration and the main window for the whole
// program run.
struct TestRunState
{
    static constexpr int TestLength = 40;
    static constexpr int PassMark = 32;
    // 181 seconds: the countdown shows 03:00 down to 00:00.
    static constexpr double QuestionTime = 181.0 / 86400.0;

    bool ExamMode = false;
    bool TestRunning = false;
    qint16 QuestionNo = 0;
    // Indices 0 to N + 1 for a bank whose last id is N; element k holds the id of question k.
    std::vector<qint16> DrawnIds;
    int RightCount = 0;
    qint16 AnswerCode = 0;
    double StartTime = 0;
    double ElapsedTime = 0;
    double TimeLeft = 0;
};
