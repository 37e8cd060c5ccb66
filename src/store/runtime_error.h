#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A runtime error of the program: a number and a Russian description that names the object
// concerned. Raised anywhere, reported in one place (Runtime::run), after which the program ends.
class RuntimeError final : public std::exception
{
public:
    // `detail` is what a lower layer said in its own words (an engine's English message): kept
    // out of the box, written to standard error for the staff.
    RuntimeError(int number, QString description, QString detail = {});

    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    const QString &detail() const { return m_detail; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QString m_detail;
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
