#pragma once

#include "console.h"

#include <QString>
#include <QStringList>

#include <vector>

class Database;
class QuestionWarnings;

// What the staff learn about a bank file: why the program would refuse it (its own opening check
// and the attempt-record check, every problem, not only the first), what `results` would find
// wrong in its journal, and what would hurt an examinee although the exam can run.
struct BankReport
{
    int lastId = 0;
    // The questions the draw can reach whose kind shows no answers (neither 0 nor 1): the
    // examinee has nothing to tick in them.
    int withoutAnswers = 0;
    QStringList problems;
    QStringList warnings;
    QStringList pictures; // the files of pictures/ the questions show, each once
    // The question each problem and each warning concerns, in their order; 0 for the whole bank.
    std::vector<int> problemQuestions;
    std::vector<int> warningQuestions;

    bool accepted() const { return problems.isEmpty(); }
    // A problem of the whole bank; none when empty.
    void addProblem(const QString &problem);
};

// Whether the pictures in the folder that no question shows are warned of: not for a bank that
// has no file yet, whose save gives it a pictures folder of its own.
enum class UnusedPictures { Warned, NotWarned };

// The pictures folder of the bank at `bankPath`: pictures/ beside it where there is one, as the
// staff keep a bank they work on and as prepare copies it, else `programPictures`, the folder
// the installed exam reads.
QString picturesOfBank(const QString &bankPath, const QString &programPictures);

// Looks at the bank at `path` as the program opens it, with the question pictures in
// `picturesFolder`. Measuring texts needs a graphical application object.
BankReport inspectBankFile(const QString &path, const QString &picturesFolder);
// The same for an open bank, with the pictures of `checks`' folder.
BankReport inspectBankDatabase(Database &basa, QuestionWarnings &checks,
                               UnusedPictures unused = UnusedPictures::Warned);

// Problems on the console's error stream, warnings and the verdict on its output.
void printReport(const QString &path, const QString &picturesFolder, const BankReport &report,
                 Console &console);
