#pragma once

#include <QString>

// Throws std::runtime_error with `problem`, in Russian, as UTF-8: how the staff's file operations
// of the bank library report what they refused.
[[noreturn]] void throwProblem(const QString &problem);
