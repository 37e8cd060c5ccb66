#pragma once

#include "bank_tables.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// The text form of a bank, meant to be read and edited by people.
//
// One block per question: "[N]" (1, 2, 3 … without gaps), then the fields "type:", "picture:"
// (optional), "question:", an optional "ball:", and exactly four "answer:" lines in display
// order, "answer*:" marking a right one. Each field at most once; '#' starts a comment line.
// A value is the rest of the line, blanks around it dropped; written in double quotes it is
// taken exactly, with \" \\ \n \r \t and \uXXXX standing for a quote, a backslash, the line
// breaks, a tab and the character of that code: exactly four hexadecimal digits, a character
// beyond U+FFFF as a pair of them (\uD83D\uDE00), never half a pair. A field with nothing after
// the colon is empty (Null). No value may hold U+FFFE or U+FFFF, nor start with U+FEFF: the bank
// would not give them back.
// Without "ball:" the code is the sum of the weights 1, 4, 8, 16 of the starred answers.
// The file is UTF-8, with or without a byte-order mark, with LF or CR LF line ends.

// What the source says about each question, and every problem found, each with its line.
struct SourceProblem
{
    int line = 0; // 0: the source as a whole
    QString message;
};

struct BankSource
{
    BankTables tables;                   // the questions only
    std::vector<int> pictureLines;       // per question: the line of its picture, 0 without one
    std::vector<SourceProblem> problems; // in the order of their lines
};

// Reads a source. A text that is not UTF-8 gives one problem, at the line of its first bad byte.
BankSource parseBankSource(const QByteArray &bytes);

// Writes the questions as a source that parseBankSource reads back value for value. The values
// the form cannot hold (numbers that do not run 1, 2, 3 …, a code or kind that is not a whole
// number, a picture that is not one, a text parseBankSource would refuse) are listed in
// `problems`, one "вопрос N: …" each, and nothing is returned. Characters a person could not see
// or type (controls, separators, format characters, spaces other than the plain one) are written
// as \uXXXX.
QString bankSourceText(const BankTables &tables, QStringList &problems);

// The comment that heads a written source and explains its form.
extern const char *const BankSourceHeader;
