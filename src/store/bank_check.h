#pragma once

#include <QString>

class Database;
class FieldValue;

// Refuses, before anything is written, a question bank that cannot carry a whole test: one the
// draw would loop on for ever, or one that would fail in the middle of an exam. `lastRowId` is the
// id of the last row of "select * from questions"; `picturesFolder` holds the question pictures.
// What the program can show (a Null code, a kind without answers) passes. Returns the last id, N.
int checkBank(Database &basa, const FieldValue &lastRowId, const QString &picturesFolder);

// Refuses an attempt record whose first row, the one the name is compared with, is not the row
// with id 1, the one the name and the result are written to: the rule would never see a repeat.
// `firstRowId` is the id of the first row of "select * from users".
void checkAttemptRecord(const Database &basa, const FieldValue &firstRowId);
