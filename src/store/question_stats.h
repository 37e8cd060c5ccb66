#pragma once

#include "database.h"
#include "journal_entry.h"
#include "rules.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// Each question's figures from the answers the exams kept in table `answers`: how often it was
// answered, the share answered right (facility), whether those who did better on the rest of the
// test got it right more often (discrimination: the Pearson correlation of its 0/1 score with the
// attempt's other right answers), how often each answer was ticked and how long it took. Answers
// count for the text they were given to, known by their `shown` digest: never by id, which the
// editor renumbers, so no figure ever describes another text.
namespace QuestionStats {

inline const QString Table = QStringLiteral("answers");

// Which attempts count: finished ones, started on the days given (the workstation's own date),
// and unless `allAttempts` only the first under each full name.
struct Selection
{
    std::optional<QDate> since;
    std::optional<QDate> until;
    bool allAttempts = false;
};

// Flags are raised only from this many answers on: fewer say little of a question.
inline constexpr int FewestForFlags = 30;

// One question text's figures, merged over the banks holding it.
struct Figures
{
    QStringList ids;    // the ids it has in the banks, each once, in the order read
    qint64 firstId = 0; // the first of them as a number, for the order of the list
    QString text;
    QByteArray shown;
    // Rules::OptionButtons, Rules::CheckBoxes, or another stored kind (no answers to tick).
    int type = -1;
    std::optional<Rules::Ticks> key; // the right answers, where the stored code gives ticks

    int answered = 0;
    int right = 0;
    std::array<int, 4> ticks{};           // answers in which each answer was ticked
    double seconds = 0;                   // in all
    std::optional<double> discrimination; // none where answered < 2 or a side has no spread
    QStringList flags;

    std::optional<double> facility() const;
    std::optional<double> tickedShare(int answer) const;
    std::optional<double> meanSeconds() const;
};

// The flags of a question's figures, in the words the staff read in `stats` and the editor.
QStringList flagsOf(const Figures &figures);

// What the answers of the banks give.
struct Result
{
    // Every question of the banks read, each text once, in the order of the first id.
    std::vector<Figures> questions;
    // Answers to a text no bank holds any more, left out.
    qint64 earlierText = 0;
    // Answers left out as damaged, one a line, each with its bank.
    QStringList problems;
};

// «N ответов на прежний текст не учтены»; empty when there are none.
QString earlierTextNote(qint64 answers);

// Number texts as the staff read them, with a decimal comma.
QString percentText(double share); // "66,7 %"
QString decimalText(double value, int decimals);

// The banks' answers, read one bank after another and counted together.
class Tally final
{
public:
    explicit Tally(Selection selection);
    ~Tally();
    Tally(const Tally &) = delete;
    Tally &operator=(const Tally &) = delete;

    // An entry of a bank's journal left out as damaged, with its row from 0.
    struct DamagedEntry
    {
        std::size_t row;
        Journal::Entry entry;
    };
    // Reads a bank's questions, journal (readJournal) and answers, without changing it; `name`
    // names it in the problems. Throws std::runtime_error with the reason in Russian when the
    // bank cannot be read (no journal, no answers table, a column missing); nothing of it is then
    // counted. Returns the journal's damaged entries, left out, for the caller to name.
    std::vector<DamagedEntry> addBank(Database &db, const QString &name);

    Result result() const;

private:
    struct Bank;
    // The number of a text known by its digest in hexadecimal, the same for every bank.
    int textIndex(const QString &shownHex);

    Selection m_selection;
    std::vector<Bank> m_banks;
    QHash<QString, int> m_textIndex;
};

} // namespace QuestionStats
