#pragma once

#include "exam/bank_session.h"
#include "testrun/test_run_state.h"

#include <stdexcept>

// The bank's side of a run whose session is in the test's process: what only a bank opened here
// shows (the drawn ids, the count so far).
inline const BankSession::Run &bankRun(const TestRunState &run)
{
    const auto *session = dynamic_cast<const BankSession *>(run.Session.get());
    if (!session)
        throw std::logic_error("the exam's session is not on a bank in this process");
    return session->run();
}
