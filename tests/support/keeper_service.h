#pragma once

#include "exam/keeper_link.h"

#include <QString>
#include <QStringList>

// Starts a keeper as a socket-activated service is started: its connection on descriptor 3,
// LISTEN_FDS=1 and LISTEN_PID its own and nothing else in its environment, `examFolder` as its
// working folder, its standard error into `errorFile`. Run by the superuser, it starts the
// keeper as "nobody", whom the folder must then belong to (the keeper refuses the superuser).
// Returns the test's end of the connection and the keeper's process. With `ownPid` false,
// LISTEN_PID names the test's process instead, as variables meant for another process would.
KeeperChild startKeeperService(const QString &program, const QStringList &arguments,
                               const QString &examFolder, const QString &errorFile,
                               bool ownPid = true);

// A copy of `program` that the keeper's account can run. The build tree may lie in a folder only
// its owner may enter (a home of mode 0700, /root): "nobody" could not start the keeper there.
// The copy is made once per program, in a folder of the test's that everyone may enter.
QString reachableCopy(const QString &program);

// The account the keeper runs as under the tests: the test's own, or "nobody" for a superuser.
uid_t keeperUid();
gid_t keeperGid();
