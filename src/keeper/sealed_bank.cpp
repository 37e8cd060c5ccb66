#include "sealed_bank.h"

#include "store/engine_errors.h"
#include "store/file_descriptor.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

const char BankName[] = "data.mdb";

void checkFolder(int folderFd, const QString &folder, uid_t keeperUid, gid_t keeperGid)
{
    struct stat status
    {};
    if (::fstat(folderFd, &status) != 0 || !S_ISDIR(status.st_mode))
        throw EngineErrors::cannotOpen(folder, QStringLiteral("это не папка"));
    if (status.st_uid != 0 && status.st_uid != keeperUid)
        throw EngineErrors::cannotOpen(
            folder, QStringLiteral("папка банка принадлежит другой учётной записи"));
    if ((status.st_mode & S_IWOTH) || ((status.st_mode & S_IWGRP) && status.st_gid != keeperGid))
        throw EngineErrors::cannotOpen(
            folder, QStringLiteral("в папку банка могут писать другие учётные записи"));
}

void checkBankFile(int bankFd, const QString &path, uid_t keeperUid, gid_t keeperGid)
{
    struct stat status
    {};
    if (::fstat(bankFd, &status) != 0 || !S_ISREG(status.st_mode))
        throw EngineErrors::notADatabase(path, QStringLiteral("это не обычный файл"));
    if ((status.st_uid != 0 && status.st_uid != keeperUid) || status.st_gid != keeperGid)
        throw EngineErrors::cannotOpen(
            path, QStringLiteral("файл банка принадлежит другой учётной записи или группе"));
    if (status.st_mode & S_IRWXO)
        throw EngineErrors::cannotOpen(
            path, QStringLiteral("файл банка доступен всем: ключи ответов может прочитать любой"));
    struct statvfs fileSystem
    {};
    if (::fstatvfs(bankFd, &fileSystem) != 0 || (fileSystem.f_flag & ST_NOSUID))
        throw EngineErrors::cannotOpen(
            path, QStringLiteral("файл банка лежит на съёмном или чужом носителе (nosuid)"));
    unsigned char header[100] = {};
    if (::pread(bankFd, header, sizeof header, 0) != ssize_t(sizeof header))
        throw EngineErrors::notADatabase(path, QStringLiteral("файл короче заголовка"));
    // The write-ahead log would keep changes in side files the engine makes for whoever opens
    // the bank, which the keeper cannot check.
    if (header[18] == 2 || header[19] == 2)
        throw EngineErrors::notADatabase(
            path, QStringLiteral("банк в режиме журнала упреждающей записи (WAL)"));
}

// The engine reads a hot journal back into the bank when it opens it, so one planted by another
// account would change the questions; a WAL's side files are not expected at all.
void checkSideFiles(int folderFd, const QString &path, uid_t keeperUid)
{
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        const QByteArray name = QByteArray(BankName) + suffix;
        const QString side = path + QLatin1String(suffix);
        struct stat status
        {};
        if (::fstatat(folderFd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            throw EngineErrors::foreignSideFile(path, side,
                                                QString::fromLocal8Bit(strerror(errno)));
        }
        if (std::strcmp(suffix, "-journal") != 0)
            throw EngineErrors::foreignSideFile(path, side,
                                                QStringLiteral("банк не должен быть в режиме WAL"));
        if (!S_ISREG(status.st_mode))
            throw EngineErrors::foreignSideFile(
                path, side, QStringLiteral("это не обычный файл (ссылка, канал или папка)"));
        if (status.st_uid != keeperUid)
            throw EngineErrors::foreignSideFile(
                path, side, QStringLiteral("его создала другая учётная запись"));
    }
}

} // namespace

void checkSealedBank(int folderFd, const QString &folder, uid_t keeperUid, gid_t keeperGid)
{
    checkFolder(folderFd, folder, keeperUid, keeperGid);
    const QString path = QDir(folder).filePath(QLatin1String(BankName));
    const FileDescriptor bank(
        ::openat(folderFd, BankName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (bank.get() < 0) {
        if (errno == ENOENT)
            throw EngineErrors::fileMissing(QLatin1String(BankName), folder);
        throw EngineErrors::cannotOpen(path,
                                       errno == ELOOP ? QStringLiteral("это ссылка, а не файл")
                                                      : QStringLiteral("файл нельзя прочитать"),
                                       QString::fromLocal8Bit(strerror(errno)));
    }
    checkBankFile(bank.get(), path, keeperUid, keeperGid);
    checkSideFiles(folderFd, path, keeperUid);
}
