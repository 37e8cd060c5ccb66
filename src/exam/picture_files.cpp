#include "picture_files.h"

#include "store/runtime_error.h"

void checkPictureFiles(const QString &bankPath, const std::vector<BankPicture> &pictures,
                       const PictureFiles &files)
{
    for (const BankPicture &picture : pictures) {
        const QString problem = pictureFileProblem(picture, files.folder, files.readable);
        if (!problem.isEmpty())
            throw bankRefusal(bankPath, problem);
    }
}
