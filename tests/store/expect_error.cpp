#include "expect_error.h"

::testing::AssertionResult isError(const RuntimeError &error, int number, const QStringList &parts)
{
    if (error.number() != number)
        return ::testing::AssertionFailure()
               << "number " << error.number() << ", expected " << number << ": " << error.what();
    for (const QString &part : parts) {
        if (!error.description().contains(part))
            return ::testing::AssertionFailure() << "description does not name \""
                                                 << part.toStdString() << "\": " << error.what();
    }
    return ::testing::AssertionSuccess();
}
