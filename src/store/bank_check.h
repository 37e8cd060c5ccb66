#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "field_value.h"

class Database;
class RuntimeError;

// Every reason the program has to refuse a question bank before anything is written: one the
// draw would loop on for ever, or one that would fail in the middle of an exam, or a results
// journal the program could not write as it must. Only the rows the
// draw can reach, ids 1 to N, are looked at. `lastRowId` is the id of the last row of
// "select * from questions"; `picturesFolder` holds the question pictures. What the program can
// show (a Null code, a kind without answers) passes.
// Whether a picture file reads as the question will read it; the windows' layer knows how.
using PictureReadable = std::function<bool(const QString &path)>;

// A picture value of the bank and the first question that shows it.
struct BankPicture
{
    int firstId = 0;
    FieldValue value = FieldValue::null();
};

struct BankInspection
{
    int lastId = 0;       // N; 0 when the last row's id is not one
    QStringList problems; // each names its question where it concerns one
    // The question each problem concerns, in the same order; 0 for the whole bank.
    std::vector<int> problemQuestions;
    // The sound picture values of the questions the draw can reach, by first question.
    std::vector<BankPicture> pictures;
};
BankInspection inspectBank(Database &basa, const FieldValue &lastRowId,
                           const QString &picturesFolder, const PictureReadable &readable);
// The same without looking at the picture files, for a program that cannot read them (the
// keeper): `pictures` lists what the one that shows them must check (pictureFileProblem).
BankInspection inspectBankValues(Database &basa, const FieldValue &lastRowId);
// The problem of a picture's file (missing, or not read as the question will read it), empty
// when it is sound.
QString pictureFileProblem(const BankPicture &picture, const QString &picturesFolder,
                           const PictureReadable &readable);

// The refusal of the bank at `bankPath` for `problem`: error 3000 naming both.
RuntimeError bankRefusal(const QString &bankPath, const QString &problem);
// Whether a question of this type shows its answers, as option buttons (0) or check boxes (1);
// a type that is no number shows none.
bool showsAnswers(const FieldValue &type);

// The program's refusal: error 3000 naming the bank and its first problem. Returns N.
int checkBank(Database &basa, const FieldValue &lastRowId, const QString &picturesFolder,
              const PictureReadable &readable);

// The attempt record's problem, empty when there is none: its first row, the one the name is
// compared with, must be the row with id 1, the one the name and the result are written to, or
// the rule would never see a repeat. `firstRowId` is the id of the first row of
// "select * from users".
QString attemptRecordProblem(Database &basa, const FieldValue &firstRowId);
// The program's refusal of such a record: error 3000 naming the bank.
void checkAttemptRecord(Database &basa, const FieldValue &firstRowId);

// Whether the attempt record's `chek` says the examinee passed: any non-zero number is a pass, as
// a Boolean column stores it; a column declared as a plain number keeps the 1 written for a pass.
bool recordsPass(const FieldValue &chek);
