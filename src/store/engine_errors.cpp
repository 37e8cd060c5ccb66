#include "engine_errors.h"

#include <QSqlError>

namespace {

// Primary result codes of SQLite; extended codes carry them in the low byte.
enum SqliteCode {
    Busy = 5,
    Locked = 6,
    ReadOnly = 8,
    IoError = 10,
    Corrupt = 11,
    Full = 13,
    CantOpen = 14,
    Constraint = 19,
    NotADatabase = 26,
};

int primaryCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

// What the engine said, in its own words: the driver's step and SQLite's message.
QString engineMessage(const QSqlError &error)
{
    const QString driver = error.driverText();
    const QString database = error.databaseText();
    if (database.isEmpty() || database == QLatin1String("not an error"))
        return driver;
    if (driver.isEmpty())
        return database;
    return QStringLiteral("%1: %2").arg(driver, database);
}

// The name after "no such table: " or "no such column: ", empty when the message is another.
QString namedIn(const QSqlError &error, const QString &prefix)
{
    const QString message = error.databaseText();
    if (!message.startsWith(prefix))
        return {};
    return message.mid(prefix.size()).trimmed();
}

} // namespace

namespace EngineErrors {

RuntimeError fileMissing(const QString &name, const QString &folder)
{
    return {
        3024,
        QStringLiteral("Не удаётся найти файл базы данных «%1» в папке «%2»").arg(name, folder)};
}

RuntimeError notADatabase(const QString &path, const QString &reason)
{
    return {3343, QStringLiteral("Нераспознаваемый формат базы данных «%1»: %2").arg(path, reason)};
}

RuntimeError fileInUse(const QString &path, const QString &reason)
{
    return {3045, QStringLiteral("Не удаётся использовать файл базы данных «%1»: он заблокирован "
                                 "другим процессом (%2)")
                      .arg(path, reason)};
}

RuntimeError readOnly(const QString &path, const QString &reason)
{
    return {3051, QStringLiteral("Не удаётся открыть базу данных «%1» для чтения и записи: %2")
                      .arg(path, reason)};
}

RuntimeError cannotOpen(const QString &path, const QString &reason)
{
    return {3051,
            QStringLiteral("Не удаётся открыть файл базы данных «%1» (%2)").arg(path, reason)};
}

RuntimeError openFailed(const QString &path, const QSqlError &error)
{
    switch (primaryCode(error)) {
    case Busy:
    case Locked:
        return fileInUse(path, engineMessage(error));
    case ReadOnly:
        return readOnly(path, engineMessage(error));
    case Corrupt:
    case NotADatabase:
        return notADatabase(path, engineMessage(error));
    default:
        return cannotOpen(path, engineMessage(error));
    }
}

RuntimeError statementFailed(const QString &path, const QString &statement, const QSqlError &error)
{
    const QString message = engineMessage(error);
    switch (primaryCode(error)) {
    case Busy:
    case Locked:
        return {3050, QStringLiteral("Не удаётся заблокировать файл базы данных «%1»: он занят "
                                     "другим процессом. Инструкция «%2» не выполнена (%3)")
                          .arg(path, statement, message)};
    case ReadOnly:
        return {3027, QStringLiteral("Не удаётся обновить: база данных «%1» доступна только для "
                                     "чтения. Инструкция «%2» не выполнена (%3)")
                          .arg(path, statement, message)};
    case Corrupt:
    case NotADatabase:
        return notADatabase(path, QStringLiteral("инструкция «%1» (%2)").arg(statement, message));
    case Full:
        return {3026, QStringLiteral("Недостаточно места на диске для базы данных «%1». "
                                     "Инструкция «%2» не выполнена (%3)")
                          .arg(path, statement, message)};
    case IoError:
    case CantOpen:
        return {3043, QStringLiteral("Ошибка диска при работе с базой данных «%1». Инструкция "
                                     "«%2» не выполнена (%3)")
                          .arg(path, statement, message)};
    case Constraint:
        return {3022, QStringLiteral("Изменения не внесены: они нарушают ограничение таблицы. "
                                     "Инструкция «%1» (%2)")
                          .arg(statement, message)};
    default:
        break;
    }
    const QString table = namedIn(error, QStringLiteral("no such table:"));
    if (!table.isEmpty())
        return {3078, QStringLiteral("Ядру базы данных не удаётся найти таблицу «%1». "
                                     "Инструкция «%2» (%3)")
                          .arg(table, statement, message)};
    const QString column = namedIn(error, QStringLiteral("no such column:"));
    if (!column.isEmpty())
        return {3061, QStringLiteral("Неизвестное имя столбца «%1» в инструкции «%2» (%3)")
                          .arg(column, statement, message)};
    return {
        3131,
        QStringLiteral("Ядро базы данных отвергло инструкцию «%1» (%2)").arg(statement, message)};
}

RuntimeError notASelect(const QString &statement)
{
    return {3219, QStringLiteral("Недопустимая операция: набор записей открывается только "
                                 "инструкцией select, а не «%1»")
                      .arg(statement)};
}

RuntimeError selectExecuted(const QString &statement)
{
    return {3065, QStringLiteral("Нельзя выполнить запрос на выборку: «%1»").arg(statement)};
}

RuntimeError noCurrentRecord(const QString &statement)
{
    return {3021, QStringLiteral("Нет текущей записи: результат инструкции «%1» не содержит "
                                 "ни одной строки")
                      .arg(statement)};
}

RuntimeError noSuchField(const QString &field, const QString &statement)
{
    return {3265, QStringLiteral("Элемент не найден в этой коллекции: в результате инструкции "
                                 "«%1» нет поля «%2»")
                      .arg(statement, field)};
}

} // namespace EngineErrors
