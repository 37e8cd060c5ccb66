#pragma once

#include <QString>

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

// The whole of the keeper's run as a socket-activated service, one per connection: it refuses
// an account whose real and effective ids differ and the superuser, takes its connection only as
// systemd hands one (LISTEN_FDS=1 for its own LISTEN_PID, a Unix stream socket on descriptor 3),
// trusts nothing else it inherited, and serves one run of the exam in `examFolder`, the one
// folder its unit names, to a window whose working folder is that folder. Returns the exit
// status: 0 for a run that went to its end or a window that went away, 1 when it stopped the
// run, 2 when it refused to start. Where logind runs, an examinee in the session active on seat
// 0 takes the workstation from a session outside it, which ends; logind's state and the
// processes' cgroups are read under `loginRoot` ("" for the system's own; a test's folder).
int runKeeper(const KeeperClock &clock, const QString &examFolder, const QString &loginRoot = {});

// The program's arguments: the exam folder, an absolute path, and nothing else. Returns the
// status runKeeper would, after saying why, when they are not that.
int runKeeperWithArguments(const KeeperClock &clock, int argc, char *argv[],
                           const QString &loginRoot = {});
