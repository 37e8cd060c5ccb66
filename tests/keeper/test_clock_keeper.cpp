// quorvane-keeper-test-clock: the keeper as installed, but on a clock the tests move. Its first
// argument names a file holding how many seconds the tests have moved the clock on; its waits
// pass at once, moving the clock by as much. Then, optionally, --login-root DIR: logind's state
// and the processes' cgroups are read under DIR, as the tests write them. The rest are the
// keeper's own. Built for the tests only, never installed.
#include "keeper/keeper_process.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "quorvane-keeper-test-clock: нужен файл часов теста\n");
        return 2;
    }
    const QString clockFile = QFile::decodeName(argv[1]);
    auto slept = std::make_shared<double>(0);
    const KeeperClock clock{
        [clockFile, slept] {
            QFile file(clockFile);
            const double moved = file.open(QIODevice::ReadOnly) ? file.readAll().toDouble() : 0;
            return 1000 + *slept + moved;
        },
        [slept](double seconds) { *slept += seconds; },
    };
    QString loginRoot;
    int skipped = 1;
    if (argc > 3 && QByteArray(argv[2]) == "--login-root") {
        loginRoot = QFile::decodeName(argv[3]);
        skipped = 3;
    }
    argv[skipped] = argv[0];
    return runKeeperWithArguments(clock, argc - skipped, argv + skipped, loginRoot);
}
