#pragma once

#include <QString>

// The checks made before SQLite is given a bank file, for the exam and the staff's tools alike:
// the engine would create a missing file, block on a FIFO, fall back to reading a read-only file,
// and report a damaged header or another engine's file obscurely. Throws the engine's
// RuntimeError naming the file.
namespace BankFileCheck {

enum class Access { ReadWrite, ReadOnly };

// `path` is absolute. Also refuses side files of the engine (the `-journal`, `-wal` and `-shm`
// beside it) that are not regular files; for reading only, any side file; for writing, one that
// this account cannot write.
void check(const QString &path, Access access);

} // namespace BankFileCheck
