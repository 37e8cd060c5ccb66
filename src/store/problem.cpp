#include "problem.h"

#include <stdexcept>

void throwProblem(const QString &problem)
{
    throw std::runtime_error(problem.toStdString());
}
