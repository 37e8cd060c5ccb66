#include "pictures.h"

#include "runtime_error.h"

#include <QFileInfo>

Picture LoadPicture(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        throw Errors::fileNotFound(file.absoluteFilePath());
    Picture picture(path);
    if (picture.isNull())
        throw Errors::invalidPicture(file.absoluteFilePath());
    return picture;
}

Picture LoadResPicture(int id)
{
    Picture picture(QStringLiteral(":/bitmaps/%1.bmp").arg(id));
    if (picture.isNull())
        throw Errors::resourceNotFound(id);
    return picture;
}

Picture layoutPicture(const QString &name)
{
    const QString path = QStringLiteral(":/layout/%1").arg(name);
    Picture picture(path);
    if (picture.isNull())
        throw Errors::fileNotFound(path);
    return picture;
}
