#pragma once

#include "store/bank_tables.h"

// The sample bank's questions, read from data/bank/questions.txt; throws std::runtime_error.
BankTables sampleBankTables();
// The largest bank the program takes, 32767 questions: the sample's over and over, so texts,
// kinds and pictures are as a real bank's.
BankTables largestBank(const BankTables &sample);
