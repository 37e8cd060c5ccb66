#include "sealed_bank.h"

#include "store/engine_errors.h"
#include "store/file_descriptor.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const char BankName[] = "data.mdb";

// An access control list grants what the mode bits do not show: another account reading the
// keys, or writing into the folder. The keeper's folder and bank have none.
bool carriesAcl(int fd, bool folder)
{
    for (const char *name : {"system.posix_acl_access", "system.posix_acl_default"}) {
        if (!folder && std::strcmp(name, "system.posix_acl_default") == 0)
            continue;
        if (::fgetxattr(fd, name, nullptr, 0) >= 0 || (errno != ENODATA && errno != ENOTSUP))
            return true;
    }
    return false;
}

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
    if (carriesAcl(folderFd, true))
        throw EngineErrors::cannotOpen(
            folder, QStringLiteral("у папки банка есть список доступа (ACL): он может открыть её "
                                   "другим учётным записям; уберите его (setfacl -b -k)"));
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
    if (carriesAcl(bankFd, false))
        throw EngineErrors::cannotOpen(
            path, QStringLiteral("у файла банка есть список доступа (ACL): по нему ключи ответов "
                                 "могут прочитать другие; уберите его (setfacl -b)"));
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
