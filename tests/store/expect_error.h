#pragma once

#include "store/runtime_error.h"

#include <QStringList>

#include <gtest/gtest.h>

// The runtime error an action throws; a failure of the test when it throws none.
template <typename Action> RuntimeError errorFrom(Action action)
{
    try {
        action();
    } catch (const RuntimeError &error) {
        return error;
    }
    ADD_FAILURE() << "expected a runtime error";
    return {0, {}};
}

// Whether the error has the number and its description names every part.
::testing::AssertionResult isError(const RuntimeError &error, int number,
                                   const QStringList &parts = {});
