#pragma once

#include <functional>

// The keeper's clock: seconds on a clock that only moves forward, and a wait of so many seconds
// on it. The installed keeper runs on the system's; a test-only build of the keeper is given one
// the tests move.
struct KeeperClock
{
    std::function<double()> monotonic;
    std::function<void(double seconds)> sleep;
};

// The system's monotonic clock and a sleep on it.
KeeperClock systemClock();

// The whole of the keeper's run: it takes on its own account, trusts nothing it inherited, takes
// its connection on descriptor 3 (a socket pair the exam window made, or a connection a
// socket-activated service is given, LISTEN_FDS=1 for its own LISTEN_PID) and serves one run of
// the exam over it in the working folder, the sealed exam folder. Returns the exit status: 0 for
// a run that went to its end or a window that went away, 1 when it stopped the run, 2 when it
// refused to start.
int runKeeper(const KeeperClock &clock);
