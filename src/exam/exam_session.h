#pragma once

#include "store/field_value.h"
#include "store/question_values.h"

#include <QString>

#include <array>
#include <optional>

// The bank's part of one exam or demonstration run: the steps that touch the bank, in the order
// the window's handlers take them. The window runs it in its own process for a bank
// it can open (BankSession) and through the keeper for a sealed one (KeeperLink); it holds no
// bank of its own either way. Every step throws RuntimeError when it cannot be taken; after that
// the run goes no further.
class ExamSession
{
public:
    virtual ~ExamSession() = default;

    // Opening: opens data.mdb in the working folder, selects the questions and
    // refuses a bank the exam cannot be taken from, before anything is written. Returns the id
    // of the last question, N.
    virtual int open(bool examMode) = 0;
    // In an exam only: the attempt rule. A full name other than the recorded
    // one is recorded as a new attempt that has not passed, with its journal row begun, and none
    // comes back; for the recorded name nothing is written and whether that attempt passed comes
    // back, after which the run is over.
    virtual std::optional<bool> registerExaminee(const QString &fullName) = 0;
    // The next question: draws a question not asked yet and selects it; its
    // code is kept here for the answer. Called once per question, at most 40 times.
    virtual QuestionValues question() = 0;
    // Scoring: compares the code of the ticked answers with the question's and counts a
    // right one.
    virtual void score(qint16 answerCode) = 0;
    // The number of right answers, once the 40th answer is scored.
    virtual int rightCount() = 0;
    // In an exam only, after the 40th answer: writes the result into the attempt
    // record and finishes the attempt's journal row, with its answers where the journal keeps
    // them. A result the file refuses is an error whose text tells the result, for the staff to
    // write it down.
    virtual void recordResult() = 0;
};

// The refusal of a full name longer than Rules::LongestFullName (error 5), before anything is
// written: what every session does with one.
void refuseLongFullName(const QString &fullName);
