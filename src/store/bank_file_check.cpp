#include "bank_file_check.h"

#include "engine_errors.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace BankFileCheck {

namespace {

// The fields of the file's header that the engine checks on opening. A damaged one would
// otherwise pass as a read-only file or show only at the first read.
bool isSoundHeader(const QByteArray &header)
{
    if (header.size() < 100)
        return false;
    const auto byte = [&](int i) { return static_cast<unsigned char>(header[i]); };
    const unsigned pageSize = byte(16) << 8 | byte(17);
    const bool pageSizeOk = pageSize == 1 || (pageSize >= 512 && (pageSize & (pageSize - 1)) == 0);
    const bool versionsOk = (byte(18) == 1 || byte(18) == 2) && (byte(19) == 1 || byte(19) == 2);
    const bool fractionsOk = byte(21) == 64 && byte(22) == 32 && byte(23) == 32;
    return pageSizeOk && versionsOk && fractionsOk;
}

// Opened without waiting, so a FIFO planted in the file's place cannot hold the program, and
// checked on the descriptor, so what is read is what was checked.
QByteArray header(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw EngineErrors::cannotOpen(path, QStringLiteral("файл нельзя прочитать"),
                                       QString::fromLocal8Bit(strerror(errno)));
    struct stat status
    {};
    QByteArray bytes(100, '\0');
    ssize_t got = -1;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        got = ::read(fd, bytes.data(), bytes.size());
    ::close(fd);
    if (!S_ISREG(status.st_mode))
        throw EngineErrors::notADatabase(path, QStringLiteral("это не обычный файл"));
    if (got < 0)
        throw EngineErrors::cannotOpen(path, QStringLiteral("файл нельзя прочитать"));
    bytes.truncate(got);
    return bytes;
}

void checkSideFiles(const QString &path, Access access)
{
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        const QString side = path + QLatin1String(suffix);
        struct stat status
        {};
        if (::lstat(QFile::encodeName(side).constData(), &status) != 0)
            continue;
        if (!S_ISREG(status.st_mode))
            throw EngineErrors::foreignSideFile(
                path, side, QStringLiteral("это не обычный файл (ссылка, канал или папка)"));
        // A reader that changes nothing could neither undo a write cut short nor see one under
        // way: the bank is read when it stands alone.
        if (access == Access::ReadOnly)
            throw EngineErrors::foreignSideFile(
                path, side,
                QStringLiteral("значит, банк сейчас открыт программой (идёт экзамен) или запись в "
                               "него прервана; прочитайте его, когда экзамен закончится, или "
                               "откройте его программой, чтобы прерванная запись отменилась"));
        if (access == Access::ReadWrite &&
            ::access(QFile::encodeName(side).constData(), R_OK | W_OK) != 0)
            throw EngineErrors::foreignSideFile(
                path, side,
                QStringLiteral("программа не может его изменить (он принадлежит другой "
                               "учётной записи или защищён от записи)"));
    }
}

} // namespace

void check(const QString &path, Access access)
{
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink())
        throw EngineErrors::fileMissing(file.fileName(), file.absolutePath());
    if (file.isDir())
        throw EngineErrors::notADatabase(path, QStringLiteral("это папка, а не файл"));
    if (!file.isFile())
        throw EngineErrors::notADatabase(path, QStringLiteral("это не обычный файл"));

    const QByteArray bytes = header(path);
    if (bytes.mid(4, 15) == QByteArrayLiteral("Standard Jet DB") ||
        bytes.mid(4, 15) == QByteArrayLiteral("Standard ACE DB"))
        throw EngineErrors::notADatabase(
            path, QStringLiteral("это база данных Microsoft Access (Jet), а программа читает банк "
                                 "только в своём формате. Переведите банк командой "
                                 "«quorvane-bank import СТАРЫЙ.mdb data.mdb»"));
    if (!bytes.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        throw EngineErrors::notADatabase(path, QStringLiteral("файл не является базой данных"));
    if (!isSoundHeader(bytes))
        throw EngineErrors::notADatabase(path, QStringLiteral("заголовок файла повреждён"));
    checkSideFiles(path, access);
    if (access == Access::ReadOnly)
        return;

    // The owner, group and other bits are read as stored: for the superuser every file counts as
    // writable by the effective user.
    const QFile::Permissions writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!file.isWritable() || !(file.permissions() & writeBits))
        throw EngineErrors::readOnly(path, QStringLiteral("файл доступен только для чтения"));
    const QFileInfo folder(file.absolutePath());
    if (!folder.isWritable())
        throw EngineErrors::readOnly(
            path, QStringLiteral("в папке «%1» нельзя создать файл журнала изменений")
                      .arg(folder.absoluteFilePath()));
}

} // namespace BankFileCheck
