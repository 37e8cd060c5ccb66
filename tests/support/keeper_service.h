#pragma once

#include "exam/keeper_link.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

#include <sys/types.h>

// The keeper's service as systemd runs it from its units, for the tests:
// systemd-socket-activate --accept listens on a socket everyone may connect to, and starts
// `program` with `arguments` and then `examFolder` for each connection, its connection on
// descriptor 3 (LISTEN_FDS=1, LISTEN_PID its own). Run by the superuser, each keeper runs as the
// keeper's account under setpriv, as the unit's User= and Group= would. Every keeper's standard
// error, the service's log, goes to one file. `environment` is added to the keepers' (VAR=VALUE).
class KeeperService final
{
public:
    KeeperService(const QString &program, const QStringList &arguments, const QString &examFolder,
                  const QStringList &environment = {});
    ~KeeperService();
    KeeperService(const KeeperService &) = delete;
    KeeperService &operator=(const KeeperService &) = delete;

    // Whether systemd-socket-activate (package systemd) listens.
    bool listening() const { return m_listening; }
    QString socket() const { return m_folder.filePath(QStringLiteral("keeper.socket")); }
    // A new connection, as the window makes one.
    KeeperChild connect() const { return connectKeeper(socket()); }
    // What the keepers said so far.
    QString log() const;
    // Waits up to `seconds` for the log to hold `text`.
    bool logGets(const QString &text, double seconds = 10) const;

private:
    QTemporaryDir m_folder;
    pid_t m_pid = -1;
    bool m_listening = false;
};

// Starts a keeper by hand, as someone without systemd would: its connection on descriptor 3 and
// `environment` its whole environment (LISTEN_PID=self stands for its own process id), in
// `examFolder`, its standard error into `errorFile`, as the keeper's account under the superuser.
// With `uid` given, a superuser starts it as that account instead. Returns the test's end of the
// connection and the keeper's process.
KeeperChild startKeeperByHand(const QString &program, const QStringList &arguments,
                              const QString &examFolder, const QString &errorFile,
                              const QStringList &environment, std::optional<uid_t> uid = {});

// A copy of `program` that the keeper's account can run. The build tree may lie in a folder only
// its owner may enter (a home of mode 0700, /root): "nobody" could not start the keeper there.
// The copy is made once per program, in a folder of the test's that everyone may enter; empty
// when it could not be.
QString reachableCopy(const QString &program);

// The account the keeper runs as under the tests: the test's own, or "nobody" for a superuser.
uid_t keeperUid();
gid_t keeperGid();
// A running process of `program` (its first argument that path), or -1.
pid_t runningProgram(const QString &program);
// Its name, as the keeper names its peer: "name (uid N)", for the test's own account.
QString testAccount();
