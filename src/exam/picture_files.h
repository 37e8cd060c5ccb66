#pragma once

#include "store/bank_check.h"

#include <QString>

#include <vector>

// Where the question pictures are and how they are read. The window reads them, so their files
// are checked where it runs, whether it opened the bank itself or its keeper did.
struct PictureFiles
{
    QString folder;
    PictureReadable readable;
};

// Refuses the bank at `bankPath` (error 3000) for the first of its pictures whose file is missing
// or does not read as the question will read it.
void checkPictureFiles(const QString &bankPath, const std::vector<BankPicture> &pictures,
                       const PictureFiles &files);
