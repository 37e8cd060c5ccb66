#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Database;
class FieldValue;

// Every reason the program has to refuse a question bank before anything is written: one the
// draw would loop on for ever, or one that would fail in the middle of an exam, or a results
// journal the program could not write as it must. Only the rows the
// draw can reach, ids 1 to N, are looked at. `lastRowId` is the id of the last row of
// "select * from questions"; `picturesFolder` holds the question pictures. What the program can
// show (a Null code, a kind without answers) passes.
// Whether a picture file reads as the question will read it; the windows' layer knows how.
using PictureReadable = std::function<bool(const QString &path)>;

struct BankInspection
{
    int lastId = 0;       // N; 0 when the last row's id is not one
    QStringList problems; // each names its question where it concerns one
};
BankInspection inspectBank(Database &basa, const FieldValue &lastRowId,
                           const QString &picturesFolder, const PictureReadable &readable);

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
