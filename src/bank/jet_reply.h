#pragma once

#include "store/bank_tables.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What the reading helper answers on its standard output: the tables it read, or the Russian
// reason it refused the file.
struct JetReply
{
    BankTables tables;
    QString refusal; // empty when the tables were read
};

QByteArray jetReplyBytes(const JetReply &reply);
// The reply in `bytes`; nullopt unless they are one whole reply and nothing more.
std::optional<JetReply> parseJetReply(const QByteArray &bytes);
