#pragma once

#include <QString>

#include <sys/types.h>

// Gives `folder` and its data.mdb to `owner` and `group` as the package seals them for the keeper:
// the folder 2770, closed to others, the bank 0660. The reason in words when any step fails,
// empty when all went through.
QString sealForKeeper(const QString &folder, uid_t owner, gid_t group);
