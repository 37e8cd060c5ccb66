#include "exam_session.h"

#include "store/rules.h"
#include "store/runtime_error.h"

void refuseLongFullName(const QString &fullName)
{
    if (Rules::fullNameLength(fullName) > Rules::LongestFullName)
        throw RuntimeError(5, Rules::fullNameTooLong());
}
