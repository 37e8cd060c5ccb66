#pragma once

#include "exam/keeper_protocol.h"
#include "keeper/channel.h"
#include "keeper/keeper_session.h"

#include <QDateTime>
#include <QStringList>

class BankFixture;

// A keeper session on the fixture's bank with a clock that moves only when told (or when the
// session sleeps) and a fixed random sequence.
struct FakeKeeper
{
    FakeKeeper();

    double clock = 1000;
    double slept = 0;
    int sleeps = 0;
    // The time of day the journal is given.
    QDateTime now{QDate(2024, 9, 15), QTime(10, 30, 0)};
    // What the keeper said on standard error.
    QStringList told;
    // Whether another session holds the workstation.
    bool busy = false;
    KeeperSession session;
};

Channel::Message request(std::initializer_list<const char *> fields);
// The id of the question a QUESTION reply shows, from its text "Вопрос N".
int shownId(const Channel::Message &question);
// The stored code of a question's right answers, read from the bank as the window never can.
int rightCode(const BankFixture &bank, int id);
// A code that no question of the fixture's bank has.
inline constexpr const char *WrongCode = "2";
