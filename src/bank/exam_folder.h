#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>

// The exam folder sealed to the keeper's group: root's (whoever prepares), group-owned by the
// keeper's group, mode 2771, so an examinee may pass through it but neither list, read nor
// create anything there. Every function throws std::runtime_error with the reason in Russian,
// naming the folder or file.

// The folder's mode once sealed: the keeper's group writes the bank's journal beside it, and new
// files take the group.
constexpr mode_t SealedFolderMode = 02771;

// The group named `name`, or nothing when the system has none.
std::optional<gid_t> groupNamed(const QString &name);

// Refuses a folder a bank cannot be sealed in: one another account owns or others than `group`
// may write (who could swap what is sealed there), or one holding what SQLite left of a write on
// the old bank (`bank`-journal, -wal, -shm), which would be played onto the new bank. A folder
// not there yet passes.
// Whether `folder` is the exam folder the keeper's unit serves (the same folder, by device and
// inode, or by its path where it is not made yet), and that folder's path.
bool isExamFolder(const QString &folder);
QString examFolderPath();

void requireSealableFolder(const QString &folder, const QString &bank, gid_t group);

// Makes the folder when it is not there, then, checked as requireSealableFolder checks it, gives
// it `group` and SealedFolderMode, set on its descriptor.
void sealFolder(const QString &folder, const QString &bank, gid_t group);
