#include "sealed_folder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

QString sealForKeeper(const QString &folder, uid_t owner, gid_t group)
{
    const QByteArray path = QFile::encodeName(folder);
    const QByteArray bank = QFile::encodeName(QDir(folder).filePath(QStringLiteral("data.mdb")));
    // The owner first: a change of owner clears the set-group-id bit.
    for (const QByteArray &name : {path, bank})
        if (chown(name.constData(), owner, group) != 0)
            return QStringLiteral("chown %1: %2").arg(QFile::decodeName(name), strerror(errno));
    if (chmod(path.constData(), 02770) != 0 || chmod(bank.constData(), 0660) != 0)
        return QStringLiteral("chmod %1: %2").arg(folder, strerror(errno));
    return {};
}
