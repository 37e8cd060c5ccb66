#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A runtime error of the program: a number and a Russian description that names the object
// concerned. Raised anywhere, reported in one place (Runtime::run), after which the program ends.
class RuntimeError final : public std::exception
{
public:
    RuntimeError(int number, QString description);

    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

// Unwinds the handler that called End(). Only ever seen where End() does not stop the process,
// which is under test; Runtime::run swallows it.
struct ProgramEnded final
{};

// The runtime's own errors, with the numbers a forms runtime gives them.
namespace Errors {
RuntimeError overflow(const QString &where);
RuntimeError typeMismatch(const QString &what);
RuntimeError fileNotFound(const QString &path);
RuntimeError invalidPicture(const QString &path);
RuntimeError resourceNotFound(int id);
RuntimeError noSuchElement(const QString &array, int index);
RuntimeError elementAlreadyLoaded(const QString &array, int index);
RuntimeError cannotUnloadDesignElement(const QString &array);
} // namespace Errors
