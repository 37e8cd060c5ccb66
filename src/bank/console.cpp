#include "console.h"

#include <QDir>

QString Console::programPictures() const
{
    return QDir(programFolder).filePath(QStringLiteral("pictures"));
}
