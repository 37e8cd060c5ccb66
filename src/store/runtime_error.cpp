#include "runtime_error.h"

RuntimeError::RuntimeError(int number, QString description, QString detail)
    : m_number(number), m_description(std::move(description)), m_detail(std::move(detail)),
      m_what(QStringLiteral("%1: %2").arg(number).arg(m_description).toUtf8())
{}

namespace Errors {

RuntimeError overflow(const QString &where)
{
    return {6, QStringLiteral("Переполнение: %1").arg(where)};
}

RuntimeError typeMismatch(const QString &what)
{
    return {13, QStringLiteral("Несоответствие типа: %1").arg(what)};
}

RuntimeError fileNotFound(const QString &path)
{
    return {53, QStringLiteral("Файл не найден: %1").arg(path)};
}

RuntimeError invalidPicture(const QString &path)
{
    return {481, QStringLiteral("Недопустимый рисунок (файл не читается как точечный рисунок): %1")
                     .arg(path)};
}

RuntimeError resourceNotFound(int id)
{
    return {326, QStringLiteral("Ресурс с идентификатором %1 не найден в программе").arg(id)};
}

RuntimeError noSuchElement(const QString &array, int index)
{
    return {340, QStringLiteral("Элемент %1(%2) массива элементов управления не существует")
                     .arg(array)
                     .arg(index)};
}

RuntimeError elementAlreadyLoaded(const QString &array, int index)
{
    return {360, QStringLiteral("Элемент %1(%2) уже загружен").arg(array).arg(index)};
}

RuntimeError cannotUnloadDesignElement(const QString &array)
{
    return {362,
            QStringLiteral("Нельзя выгрузить элемент %1(0), созданный в макете окна").arg(array)};
}

} // namespace Errors
