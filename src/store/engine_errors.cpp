#include "engine_errors.h"

#include "sqlite.h"

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

// What the engine said, in its own words.
QString engineMessage(const SqliteError &error)
{
    return error.message;
}

// The name after "no such table: " or "no such column: ", empty when the message is another.
QString namedIn(const SqliteError &error, const QString &prefix)
{
    if (!error.message.startsWith(prefix))
        return {};
    return error.message.mid(prefix.size()).trimmed();
}

} // namespace

namespace EngineErrors {

RuntimeError fileMissing(const QString &name, const QString &folder)
{
    return {
        3024,
        QStringLiteral("Не удаётся найти файл базы данных «%1» в папке «%2»").arg(name, folder)};
}

RuntimeError notADatabase(const QString &path, const QString &reason, const QString &detail)
{
    return {3343, QStringLiteral("Нераспознаваемый формат базы данных «%1»: %2").arg(path, reason),
            detail};
}

RuntimeError fileInUse(const QString &path, const QString &detail)
{
    return {3045,
            QStringLiteral("Не удаётся открыть файл базы данных «%1»: он занят другой программой "
                           "(например, резервным копированием) дольше, чем можно ждать. Закройте "
                           "её и запустите тест снова")
                .arg(path),
            detail};
}

RuntimeError readOnly(const QString &path, const QString &reason, const QString &detail)
{
    return {3051,
            QStringLiteral("Не удаётся открыть базу данных «%1» для чтения и записи: %2")
                .arg(path, reason),
            detail};
}

RuntimeError foreignSideFile(const QString &path, const QString &side, const QString &why)
{
    return {3051, QStringLiteral(
                      "Не удаётся открыть файл базы данных «%1»: рядом с ним лежит «%2», а %3. "
                      "Сообщите администратору: этот файл нужно убрать")
                      .arg(path, side, why)};
}

RuntimeError cannotOpen(const QString &path, const QString &reason, const QString &detail)
{
    return {3051, QStringLiteral("Не удаётся открыть файл базы данных «%1»: %2").arg(path, reason),
            detail};
}

RuntimeError openFailed(const QString &path, const SqliteError &error)
{
    const QString detail = engineMessage(error);
    switch (error.primary()) {
    case Busy:
    case Locked:
        return fileInUse(path, detail);
    case ReadOnly:
        return readOnly(path, QStringLiteral("файл или папка доступны только для чтения"), detail);
    case Corrupt:
    case NotADatabase:
        return notADatabase(path, QStringLiteral("файл повреждён"), detail);
    default:
        return cannotOpen(path, QStringLiteral("ядро базы данных не смогло его прочитать"), detail);
    }
}

RuntimeError statementFailed(const QString &path, const QString &statement,
                             const SqliteError &error)
{
    const QString detail = engineMessage(error);
    switch (error.primary()) {
    case Busy:
    case Locked:
        return {3050,
                QStringLiteral("Не удаётся заблокировать файл базы данных «%1»: он занят другой "
                               "программой дольше, чем можно ждать. Инструкция «%2» не выполнена")
                    .arg(path, statement),
                detail};
    case ReadOnly:
        return {3027,
                QStringLiteral("Не удаётся обновить: база данных «%1» доступна только для чтения. "
                               "Инструкция «%2» не выполнена")
                    .arg(path, statement),
                detail};
    case Corrupt:
    case NotADatabase:
        return notADatabase(
            path, QStringLiteral("файл повреждён, инструкция «%1» не выполнена").arg(statement),
            detail);
    case Full:
        return {3026,
                QStringLiteral("Недостаточно места на диске для базы данных «%1». Инструкция «%2» "
                               "не выполнена")
                    .arg(path, statement),
                detail};
    case IoError:
    case CantOpen:
        return {3043,
                QStringLiteral("Ошибка диска при работе с базой данных «%1». Инструкция «%2» не "
                               "выполнена")
                    .arg(path, statement),
                detail};
    case Constraint:
        return {3022,
                QStringLiteral("Изменения в базе данных «%1» не внесены: они нарушают ограничение "
                               "таблицы. Инструкция «%2»")
                    .arg(path, statement),
                detail};
    default:
        break;
    }
    const QString table = namedIn(error, QStringLiteral("no such table:"));
    if (!table.isEmpty())
        return {3078,
                QStringLiteral("В базе данных «%1» нет таблицы «%2». Инструкция «%3» не выполнена")
                    .arg(path, table, statement),
                detail};
    const QString column = namedIn(error, QStringLiteral("no such column:"));
    if (!column.isEmpty())
        return {3061,
                QStringLiteral("В базе данных «%1» нет столбца «%2». Инструкция «%3» не выполнена")
                    .arg(path, column, statement),
                detail};
    return {3131,
            QStringLiteral("Ядро базы данных «%1» не может выполнить инструкцию «%2»")
                .arg(path, statement),
            detail};
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
