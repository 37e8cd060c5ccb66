#pragma once

#include "store/runtime_error.h"

struct SqliteError;

// The errors of the database engine layer, numbered as the engine the program was written for
// numbers them, each with a Russian description that names the file or the statement concerned.
namespace EngineErrors {
RuntimeError fileMissing(const QString &name, const QString &folder);
// `detail` is the engine's own message, kept out of the description (RuntimeError::detail).
RuntimeError notADatabase(const QString &path, const QString &reason, const QString &detail = {});
RuntimeError fileInUse(const QString &path, const QString &detail = {});
RuntimeError readOnly(const QString &path, const QString &reason, const QString &detail = {});
// A file beside the bank that the engine would use and must not: `why` says what it is.
RuntimeError foreignSideFile(const QString &path, const QString &side, const QString &why);
RuntimeError cannotOpen(const QString &path, const QString &reason, const QString &detail = {});
// A failure while opening: locked, read-only or damaged files get their own numbers.
RuntimeError openFailed(const QString &path, const SqliteError &error);
// A statement the engine refused or could not run.
RuntimeError statementFailed(const QString &path, const QString &statement,
                             const SqliteError &error);
RuntimeError notASelect(const QString &statement);
RuntimeError selectExecuted(const QString &statement);
RuntimeError noCurrentRecord(const QString &statement);
RuntimeError noSuchField(const QString &field, const QString &statement);
} // namespace EngineErrors
