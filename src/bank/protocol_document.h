#pragma once

#include "attempt_list.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

class QPdfWriter;

// A bank the protocol names: the exam was taken on its questions.
struct ProtocolBank
{
    QString file;
    int questions = 0;
    // SHA-256 over its questions (questionsDigest), in hexadecimal.
    QString digest;
};

// What the commission's protocol says. Empty texts are left as lines to fill in by hand.
struct Protocol
{
    QString organisation;
    QString number;
    QDate date;
    AttemptDays days;
    std::vector<ProtocolBank> banks;
    // The attempts in the order `results` lists them, repeats marked.
    std::vector<ResultRow> rows;
    QString chair;
    QStringList members;
};

// Draws the protocol on A4 pages of `writer`: the heading, the exam's form and banks, a table of
// the attempts whose column headings and running heading repeat on every page, the totals and the
// commission's signature lines, «стр. K из N» at each page's foot. When rows are damaged, the first
// page says which. Returns the number of pages; false from QPainter::begin (the file cannot be
// written) gives 0.
int drawProtocol(const Protocol &protocol, QPdfWriter &writer);

// Row numbers of the protocol's table (from 1) with their damaged columns, as its first page
// names them.
QString damagedRowsNote(const std::vector<ResultRow> &rows);
