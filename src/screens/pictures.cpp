#include "pictures.h"

#include "bitmap_file.h"
#include "store/runtime_error.h"

#include <QFile>
#include <QFileInfo>
#include <QResource>

#include <map>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// The bytes of a file; a picture built into the program is read where it lies, without a copy.
QByteArray fileBytes(const QString &path)
{
    const QResource resource(path);
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression)
        return QByteArray::fromRawData(reinterpret_cast<const char *>(resource.data()),
                                       static_cast<qsizetype>(resource.size()));
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A bitmap file, by the fast path where it is the usual kind, else by the general reader.
Picture readPicture(const QString &path)
{
    const QByteArray bytes = fileBytes(path);
    Picture picture = decodeBitmap24(bytes);
    if (picture.isNull())
        picture.loadFromData(bytes);
    return picture;
}

// The layout pictures are compiled into the program, so their bytes stay mapped from the
// program file. Decoded once, they are not read again: their pages are handed back instead of
// being counted in the program's memory for the rest of the run (the skin alone is 1 MB). Should
// they be read again, they come back from the file.
void releaseCompiledBytes(const QResource &resource)
{
#ifdef __linux__
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression)
        return;
    const auto page = static_cast<quintptr>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<quintptr>(resource.data());
    const quintptr begin = (start + page - 1) & ~(page - 1);
    const quintptr end = (start + static_cast<quintptr>(resource.size())) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_DONTNEED);
#else
    Q_UNUSED(resource);
#endif
}

} // namespace

Picture LoadPicture(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        throw Errors::fileNotFound(file.absoluteFilePath());
    Picture picture = readPicture(path);
    if (picture.isNull())
        throw Errors::invalidPicture(file.absoluteFilePath());
    return picture;
}

bool isReadablePicture(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (bitmap24Layout(file.read(54), file.size()))
        return true;
    file.close();
    return !readPicture(path).isNull();
}

Picture LoadResPicture(int id)
{
    // The faces change at every press and release; each is read once. Pictures are shared, so
    // handing out the kept one costs nothing.
    static std::map<int, Picture> loaded;
    if (const auto found = loaded.find(id); found != loaded.end())
        return found->second;
    Picture picture = readPicture(QStringLiteral(":/bitmaps/%1.bmp").arg(id));
    if (picture.isNull())
        throw Errors::resourceNotFound(id);
    return loaded[id] = picture;
}

Picture layoutPicture(const QString &name)
{
    const QString path = QStringLiteral(":/layout/%1").arg(name);
    Picture picture = readPicture(path);
    if (picture.isNull())
        throw Errors::fileNotFound(path);
    releaseCompiledBytes(QResource(path));
    return picture;
}
