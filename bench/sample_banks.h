#pragma once

#include "store/bank_tables.h"

// The sample bank's questions, read from data/bank/questions.txt; throws std::runtime_error.
BankTables sampleBankTables();
// The largest bank the program takes, 32767 questions: the sample's over and over, so texts,
// kinds and pictures are as a real bank's.
BankTables largestBank(const BankTables &sample);
// The same, but every text distinct, as in a real bank: the sample's texts with the question's
// number appended ("… (115)" for a question, "… 115" for an answer).
BankTables largestDistinctBank(const BankTables &sample);
