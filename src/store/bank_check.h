#pragma once

#include <QString>

class Database;
class FieldValue;

// Refuses, before anything is written, a question bank that cannot carry a whole test: one the
// draw would loop on for ever, or one that would fail in the middle of an exam. `lastRowId` is the
// id of the last row of "select * from questions"; `picturesFolder` holds the question pictures.
// What the program can show (a Null code, a kind without answers) passes. Returns the last id, N.
int checkBank(Database &basa, const FieldValue &lastRowId, const QString &picturesFolder);
