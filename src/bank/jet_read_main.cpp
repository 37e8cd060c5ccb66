// quorvane-jet-read OLD.mdb CODEPAGE: reads the bank tables of an Access/Jet file and answers
// on its standard output (jet_reply.h). The bank tool runs it as a child under limits, because
// libmdb can crash or loop on a damaged file; whatever else it prints goes to standard error.
#include "jet_file.h"
#include "jet_reply.h"

#include <QFile>

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fputs("использование: quorvane-jet-read СТАРЫЙ.mdb КОДИРОВКА\n", stderr);
        return 2;
    }
    // libmdb prints some of its notes on stdout: the reply keeps the descriptor to itself.
    const int replyHandle = dup(STDOUT_FILENO);
    if (replyHandle < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 1;
    JetReply reply;
    try {
        reply.tables =
            readJetFile(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    } catch (const std::exception &error) {
        reply.refusal = QString::fromUtf8(error.what());
    }
    QFile out;
    const QByteArray bytes = jetReplyBytes(reply);
    if (!out.open(replyHandle, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) ||
        out.write(bytes) != bytes.size() || !out.flush())
        return 1;
    return 0;
}
