#include "expect_error.h"

::testing::AssertionResult isError(const RuntimeError &error, int number, const QStringList &parts)
{
    if (error.number() != number)
        return ::testing::AssertionFailure()
               << "number " << error.number() << ", expected " << number << ": " << error.what();
    // The box speaks Russian: the engine's own words are kept for standard error.
    for (const char *english : {"Unable to", "database is", "no such", "syntax error"})
        if (error.description().contains(QLatin1String(english)))
            return ::testing::AssertionFailure()
                   << "description carries the engine's words: " << error.what();
    for (const QString &part : parts) {
        if (!error.description().contains(part))
            return ::testing::AssertionFailure() << "description does not name \""
                                                 << part.toStdString() << "\": " << error.what();
    }
    return ::testing::AssertionSuccess();
}
