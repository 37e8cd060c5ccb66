#include "safe_file.h"

#include "file_descriptor.h"
#include "problem.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

QString lastReason()
{
    return qt_error_string(errno);
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("папка");
    if (S_ISFIFO(mode))
        return QStringLiteral("именованный канал (FIFO)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("устройство");
    if (S_ISSOCK(mode))
        return QStringLiteral("сокет");
    return QStringLiteral("особый файл");
}

// Non-blocking, so that a FIFO with no writer is refused rather than waited on; the descriptor
// is what is checked, so nothing swapped in after a look at the name is read. The caller owns
// the descriptor returned.
int openRegular(const QString &path)
{
    FileDescriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        if (errno == ENOENT)
            throwProblem(QStringLiteral("файла «%1» нет").arg(path));
        throwProblem(QStringLiteral("файл «%1» не открывается: %2").arg(path, lastReason()));
    }
    struct stat status;
    if (::fstat(file.get(), &status) != 0)
        throwProblem(QStringLiteral("файл «%1» не читается: %2").arg(path, lastReason()));
    if (!S_ISREG(status.st_mode))
        throwProblem(
            QStringLiteral("«%1» — %2, а не обычный файл").arg(path, kindOf(status.st_mode)));
    return file.release();
}

// Puts `name` of folder `from` into folder `to` unless something, a dangling link too, has that
// name there.
bool putNew(int from, int to, const char *name)
{
    if (::renameat2(from, name, to, name, RENAME_NOREPLACE) == 0)
        return true;
    // Filesystems without the flag: a hard link is never made over an existing name either; the
    // built name left behind goes with the private folder.
    return (errno == EINVAL || errno == ENOSYS) && ::linkat(from, name, to, name, 0) == 0;
}

// The mode and group of a file the staff did not ask a mode for: the owner's alone, or, over a
// regular file already at `name` in `folder`, that file's group with its group bits (never
// beyond read and write) where `built` can be given that group. Never others' bits.
void keepOnlyOwnersAccess(int folder, const char *name, int built, std::optional<mode_t> &mode,
                          std::optional<gid_t> &group)
{
    mode = 0600;
    struct stat replaced;
    if (::fstatat(folder, name, &replaced, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(replaced.st_mode))
        return;
    const mode_t groupBits = replaced.st_mode & 0060;
    if (groupBits == 0)
        return;
    // Not a member of that group: the file stays the owner's alone rather than open to ours.
    if (::fchown(built, static_cast<uid_t>(-1), replaced.st_gid) != 0)
        return;
    mode = 0600 | groupBits;
    group = replaced.st_gid;
}

} // namespace

void requireRegularFile(const QString &path)
{
    FileDescriptor file(openRegular(path));
}

QByteArray readRegularFile(const QString &path, qint64 limit)
{
    FileDescriptor file(openRegular(path));
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throwProblem(QStringLiteral("файл «%1» не читается: %2").arg(path, lastReason()));
        if (got == 0)
            return bytes;
        if (bytes.size() + got > limit)
            throwProblem(QStringLiteral("файл «%1» больше %2 байт").arg(path).arg(limit));
        bytes.append(buffer, got);
    }
}

QByteArray readFileStart(const QString &path, qint64 count)
{
    FileDescriptor file(openRegular(path));
    QByteArray bytes(count, Qt::Uninitialized);
    qint64 have = 0;
    while (have < count) {
        const ssize_t got = ::read(file.get(), bytes.data() + have, std::size_t(count - have));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throwProblem(QStringLiteral("файл «%1» не читается: %2").arg(path, lastReason()));
        if (got == 0)
            break;
        have += got;
    }
    bytes.truncate(have);
    return bytes;
}

bool somethingAt(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

FileReplacement::FileReplacement(const QString &target) : m_target(target)
{
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    m_name = QFile::encodeName(info.fileName());
    if (m_name.isEmpty())
        throwProblem(QStringLiteral("«%1»: не указано имя файла").arg(target));
    try {
        m_folder =
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_folder < 0)
            throwProblem(QStringLiteral("папка «%1» не открывается: %2").arg(folder, lastReason()));
        QByteArray pattern = QFile::encodeName(folder) + "/." + m_name + ".XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throwProblem(QStringLiteral("в папке «%1» не создаётся временная папка: %2")
                             .arg(folder, lastReason()));
        m_privateName = pattern.mid(pattern.lastIndexOf('/') + 1);
        // Another account may rename names in the folder: the folder opened must be the one
        // made, this account's and closed to others.
        m_private = ::openat(m_folder, m_privateName.constData(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat status;
        if (m_private < 0 || ::fstat(m_private, &status) != 0 || status.st_uid != ::geteuid() ||
            (status.st_mode & 077) != 0)
            throwProblem(QStringLiteral("временная папка «%1» в папке «%2» подменена")
                             .arg(QFile::decodeName(m_privateName), folder));
        m_path = folder + QLatin1Char('/') + QFile::decodeName(m_privateName) + QLatin1Char('/') +
                 info.fileName();
    } catch (...) {
        release();
        throw;
    }
}

FileReplacement::~FileReplacement()
{
    release();
}

void FileReplacement::release()
{
    if (m_private >= 0) {
        // Whatever a builder left: the file, SQLite's journal.
        std::vector<QByteArray> names;
        const int listing = ::dup(m_private);
        if (DIR *entries = listing >= 0 ? ::fdopendir(listing) : nullptr) {
            while (const dirent *entry = ::readdir(entries))
                if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                    names.emplace_back(entry->d_name);
            ::closedir(entries);
        } else if (listing >= 0) {
            ::close(listing);
        }
        for (const QByteArray &name : names)
            ::unlinkat(m_private, name.constData(), 0);
        ::close(m_private);
        m_private = -1;
    }
    if (m_folder >= 0) {
        if (!m_privateName.isEmpty())
            ::unlinkat(m_folder, m_privateName.constData(), AT_REMOVEDIR);
        ::close(m_folder);
        m_folder = -1;
    }
}

void FileReplacement::write(const QByteArray &bytes)
{
    FileDescriptor file(::openat(m_private, m_name.constData(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.get() < 0)
        throwProblem(QStringLiteral("«%1» не записывается: %2").arg(m_target, lastReason()));
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t put = ::write(file.get(), bytes.constData() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            throwProblem(QStringLiteral("«%1» не записывается: %2").arg(m_target, lastReason()));
        done += put;
    }
}

void FileReplacement::commit(bool replace, std::optional<mode_t> mode, std::optional<gid_t> group)
{
    FileDescriptor file(
        ::openat(m_private, m_name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status;
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        throwProblem(QStringLiteral("«%1» не записан: новый файл не построен").arg(m_target));
    if (!mode)
        keepOnlyOwnersAccess(m_folder, m_name.constData(), file.get(), mode, group);
    // The group first: changing it clears the set-id bits a mode may hold.
    if (group && ::fchown(file.get(), static_cast<uid_t>(-1), *group) != 0)
        throwProblem(
            QStringLiteral("«%1»: не удалось задать группу: %2").arg(m_target, lastReason()));
    if (mode && ::fchmod(file.get(), *mode) != 0)
        throwProblem(QStringLiteral("«%1»: не удалось задать права доступа: %2")
                         .arg(m_target, lastReason()));
    if (::fsync(file.get()) != 0)
        throwProblem(QStringLiteral("«%1» не записан на диск: %2").arg(m_target, lastReason()));

    const char *name = m_name.constData();
    if (replace) {
        if (::renameat(m_private, name, m_folder, name) != 0)
            throwProblem(
                QStringLiteral("не удалось заменить «%1»: %2").arg(m_target, lastReason()));
    } else if (!putNew(m_private, m_folder, name)) {
        if (errno == EEXIST)
            throwProblem(
                QStringLiteral("«%1» уже есть (файл или ссылка) и не заменяется").arg(m_target));
        throwProblem(QStringLiteral("«%1» не записан: %2").arg(m_target, lastReason()));
    }
    // The new name itself survives a power cut only once its folder is on disk.
    ::fsync(m_folder);
}
