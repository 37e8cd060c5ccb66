#include "exam_folder.h"

#include "store/problem.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

QString accountName(uid_t owner)
{
    const passwd *account = ::getpwuid(owner);
    return account ? QString::fromLocal8Bit(account->pw_name) : QString::number(owner);
}

QString octal(mode_t mode)
{
    return QString::number(mode & 07777, 8).rightJustified(4, QLatin1Char('0'));
}

// A descriptor of the folder itself, so that what is checked is what is changed.
class Folder final
{
public:
    explicit Folder(const QString &path)
        : m_path(path), m_descriptor(::open(QFile::encodeName(path).constData(),
                                            O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_descriptor < 0)
            throwProblem(QStringLiteral("папка экзамена «%1» не открывается: %2")
                             .arg(path, qt_error_string(errno)));
    }
    ~Folder() { ::close(m_descriptor); }
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    int get() const { return m_descriptor; }

    // The checks of requireSealableFolder, on the open folder.
    void requireSealable(const QString &bank, gid_t group) const
    {
        struct stat status;
        if (::fstat(m_descriptor, &status) != 0)
            throwProblem(QStringLiteral("папка экзамена «%1» не читается: %2")
                             .arg(m_path, qt_error_string(errno)));
        const QString aside =
            QStringLiteral("Перенесите её со всем содержимым в сторону (sudo mv «%1» «%1.open») "
                           "и повторите prepare: папка будет создана заново и запечатана.")
                .arg(m_path);
        // Who owns a folder, or may write it, may rename the sealed bank away and put another.
        if (status.st_uid != ::geteuid())
            throwProblem(
                QStringLiteral("папка экзамена «%1» принадлежит пользователю %2, а не %3: "
                               "банк в ней не запечатать. %4")
                    .arg(m_path, accountName(status.st_uid), accountName(::geteuid()), aside));
        if ((status.st_mode & S_IWOTH) || ((status.st_mode & S_IWGRP) && status.st_gid != group))
            throwProblem(
                QStringLiteral("папка экзамена «%1» открыта для записи другим пользователям "
                               "(права %2): банк в ней не запечатать, и в ней ничего не меняется. "
                               "%3")
                    .arg(m_path, octal(status.st_mode), aside));
        // An access list could let others in whatever the mode bits say; the keeper refuses it.
        for (const char *acl : {"system.posix_acl_access", "system.posix_acl_default"})
            if (::fgetxattr(m_descriptor, acl, nullptr, 0) >= 0)
                throwProblem(QStringLiteral("у папки экзамена «%1» есть список доступа (ACL): по "
                                            "нему банк могут открыть другие, и хранитель её не "
                                            "откроет. Уберите его: sudo setfacl -b -k %1")
                                 .arg(m_path));
        for (const char *suffix : {"-journal", "-wal", "-shm"}) {
            const QByteArray name = QFile::encodeName(bank) + suffix;
            struct stat left;
            if (::fstatat(m_descriptor, name.constData(), &left, AT_SYMLINK_NOFOLLOW) == 0)
                throwProblem(
                    QStringLiteral("«%1»: рядом с банком осталась незаконченная запись базы "
                                   "(идёт экзамен или запись прервана), с ней новый банк "
                                   "испортится; банк не поставлен. Закончите экзамен или "
                                   "перенесите этот файл вместе с %2 в другую папку.")
                        .arg(QDir(m_path).filePath(QFile::decodeName(name)), bank));
        }
    }

private:
    QString m_path;
    int m_descriptor;
};

} // namespace

std::optional<gid_t> groupNamed(const QString &name)
{
    const QByteArray encoded = name.toLocal8Bit();
    std::vector<char> buffer(16384);
    group entry;
    group *found = nullptr;
    while (::getgrnam_r(encoded.constData(), &entry, buffer.data(), buffer.size(), &found) ==
           ERANGE)
        buffer.resize(buffer.size() * 2);
    if (!found)
        return std::nullopt;
    return found->gr_gid;
}

bool isExamFolder(const QString &folder)
{
    const QByteArray exam = QFile::encodeName(QStringLiteral(QUORVANE_EXAM_DIR));
    struct stat ours;
    struct stat given;
    if (::stat(exam.constData(), &ours) == 0 &&
        ::stat(QFile::encodeName(folder).constData(), &given) == 0)
        return ours.st_dev == given.st_dev && ours.st_ino == given.st_ino;
    return QDir::cleanPath(QDir(folder).absolutePath()) == QStringLiteral(QUORVANE_EXAM_DIR);
}

QString examFolderPath()
{
    return QStringLiteral(QUORVANE_EXAM_DIR);
}

void requireSealableFolder(const QString &folder, const QString &bank, gid_t group)
{
    struct stat status;
    if (::stat(QFile::encodeName(folder).constData(), &status) != 0 && errno == ENOENT)
        return;
    Folder(folder).requireSealable(bank, group);
}

void sealFolder(const QString &folder, const QString &bank, gid_t group)
{
    if (!QDir().mkpath(folder))
        throwProblem(QStringLiteral("не удалось создать папку экзамена «%1»").arg(folder));
    const Folder opened(folder);
    opened.requireSealable(bank, group);
    // The group first: changing it clears the set-group-id bit.
    if (::fchown(opened.get(), static_cast<uid_t>(-1), group) != 0 ||
        ::fchmod(opened.get(), SealedFolderMode) != 0)
        throwProblem(QStringLiteral("папку экзамена «%1» не удалось запечатать: %2")
                         .arg(folder, qt_error_string(errno)));
}
