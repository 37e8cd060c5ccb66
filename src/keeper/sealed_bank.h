#pragma once

#include <QString>

#include <sys/types.h>

// Whether the bank in a folder is sealed for the keeper, whose account is `keeperUid` and
// `keeperGid`: only the superuser or that account can change the folder, data.mdb is a regular
// file of that account (or the superuser's) in its group that others cannot read, neither of them
// with an access control list, in the rollback-journal mode, with no side file of the
// engine another account could have planted. Decided from the descriptors opened, never from a
// path looked at twice. `folderFd` is the folder opened with O_DIRECTORY, `folder` its name for
// the messages. Throws RuntimeError naming what is wrong.
void checkSealedBank(int folderFd, const QString &folder, uid_t keeperUid, gid_t keeperGid);
