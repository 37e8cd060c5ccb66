#include "jet_reader.h"

#include "jet_reply.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>

#include <algorithm>
#include <csignal>
#include <stdexcept>
#include <sys/resource.h>

namespace {

// What the child may take. A bank is a few hundred kilobytes; the library reading it needs a
// few megabytes of memory, and its notes on a sound file are a line or two.
constexpr rlim_t MemoryLimit = rlim_t(512) << 20;
constexpr rlim_t MessagesLimit = rlim_t(64) << 10;
constexpr qint64 ReplyLimit = qint64(64) << 20;
constexpr int MessageLinesShown = 3;

JetReadHelper &helperSettings()
{
    static JetReadHelper helper;
    return helper;
}

QString helperProgram()
{
    const QString &program = helperSettings().program;
    return program.isEmpty() ? QDir(QCoreApplication::applicationDirPath())
                                   .filePath(QStringLiteral("quorvane-jet-read"))
                             : program;
}

[[noreturn]] void refuse(const QString &message)
{
    throw std::runtime_error(message.toStdString());
}

// Runs in the child between fork and exec, so it calls only what is safe there.
void limitChild(rlim_t cpuSeconds)
{
    const auto limit = [](int resource, rlim_t soft, rlim_t hard) {
        rlimit current{};
        if (getrlimit(resource, &current) != 0)
            return;
        const rlimit wanted{std::min(soft, current.rlim_max), std::min(hard, current.rlim_max)};
        setrlimit(resource, &wanted);
    };
    limit(RLIMIT_AS, MemoryLimit, MemoryLimit);
    // The soft limit sends SIGXCPU, the hard one a second later SIGKILL.
    limit(RLIMIT_CPU, cpuSeconds, cpuSeconds + 1);
    // The child's only file is its standard error: a flood of notes ends it with SIGXFSZ.
    limit(RLIMIT_FSIZE, MessagesLimit, MessagesLimit);
    limit(RLIMIT_CORE, 0, 0);
    std::signal(SIGXFSZ, SIG_DFL);
    std::signal(SIGXCPU, SIG_DFL);
}

// The first few lines the library printed, under a heading that says whose they are: they are
// in English and speak of pages and flags, but tell a technician where the file is damaged. A
// library that loops repeats itself: a repeated line is shown once.
QString libraryLines(QFile &messages)
{
    // The size limit cuts the last line of a flood short.
    const bool cut = messages.size() >= qint64(MessagesLimit);
    messages.seek(0);
    QStringList lines;
    while (lines.size() < MessageLinesShown && !messages.atEnd()) {
        const QByteArray bytes = messages.readLine();
        if (cut && !bytes.endsWith('\n'))
            break;
        QString line = QString::fromUtf8(bytes).trimmed().left(200);
        line.removeIf([](QChar c) { return !c.isPrint(); });
        if (!line.isEmpty() && !lines.contains(QStringLiteral("  ") + line))
            lines.push_back(QStringLiteral("  ") + line);
    }
    if (lines.isEmpty())
        return {};
    return QStringLiteral("\nсообщения библиотеки чтения Access:\n") + lines.join('\n');
}

struct ChildRun
{
    QByteArray reply;
    bool timedOut = false;
    bool replyTooLong = false;
};

// The child's reply, read until it ends, its time is up or the reply outgrows its limit; a child
// still running then is killed.
ChildRun collectReply(QProcess &child, std::chrono::seconds timeLimit)
{
    ChildRun run;
    const QDeadlineTimer deadline(timeLimit);
    while (child.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        // False once the child has ended or closed its output; then only its end is awaited.
        if (!child.waitForReadyRead(int(deadline.remainingTime())))
            child.waitForFinished(int(deadline.remainingTime()));
        run.reply += child.readAllStandardOutput();
        if (run.reply.size() > ReplyLimit) {
            run.replyTooLong = true;
            break;
        }
    }
    if (child.state() != QProcess::NotRunning) {
        run.timedOut = !run.replyTooLong;
        child.kill();
        child.waitForFinished();
    }
    run.reply += child.readAllStandardOutput();
    return run;
}

// What the child's end says about the file, when it did not answer.
QString howItEnded(const QProcess &child, const ChildRun &run, int cpuSeconds)
{
    const QString damaged = QStringLiteral(": файл, видимо, повреждён");
    if (run.timedOut)
        return QStringLiteral("чтение не кончилось за %1 с и остановлено")
                   .arg(helperSettings().timeLimit.count()) +
               damaged;
    if (run.replyTooLong)
        return QStringLiteral("программа чтения Access выдала больше %1 МБ и остановлена")
                   .arg(ReplyLimit >> 20) +
               damaged;
    if (child.exitStatus() == QProcess::NormalExit)
        return QStringLiteral("программа чтения Access завершилась с кодом %1, не ответив")
            .arg(child.exitCode());
    // On Unix, Qt gives the signal that ended a crashed child as its exit code.
    switch (child.exitCode()) {
    case SIGXFSZ:
        return QStringLiteral("программа чтения Access выдала больше %1 КБ сообщений и "
                              "остановлена")
                   .arg(MessagesLimit >> 10) +
               damaged;
    case SIGXCPU:
    case SIGKILL:
        return QStringLiteral("программа чтения Access заняла процессор дольше %1 с и "
                              "остановлена")
                   .arg(cpuSeconds) +
               damaged;
    default:
        return QStringLiteral("программа чтения Access завершилась аварийно (сигнал %1)")
                   .arg(child.exitCode()) +
               damaged;
    }
}

} // namespace

void setJetReadHelper(const JetReadHelper &helper)
{
    helperSettings() = helper;
}

BankTables readJetBank(const QString &path, const QString &codepage)
{
    const QString program = helperProgram();
    if (!QFileInfo(program).isExecutable())
        refuse(QStringLiteral("нет программы чтения Access «%1»: она ставится рядом с "
                              "quorvane-bank, переустановите программу")
                   .arg(program));
    // The child's notes go to a file, where the file size limit bounds them.
    QTemporaryFile messages(QDir(QDir::tempPath()).filePath(QStringLiteral("quorvane-jet-XXXXXX")));
    if (!messages.open())
        refuse(QStringLiteral("не создать временный файл в %1: %2")
                   .arg(QDir::tempPath(), messages.errorString()));

    const auto timeLimit = helperSettings().timeLimit;
    const int cpuSeconds = std::max(1, int(timeLimit.count()));
    QProcess child;
    child.setProgram(program);
    child.setArguments({path, codepage});
    child.setStandardInputFile(QProcess::nullDevice());
    child.setStandardErrorFile(messages.fileName());
    child.setChildProcessModifier([cpuSeconds] { limitChild(rlim_t(cpuSeconds)); });
    child.start(QIODevice::ReadOnly);
    if (!child.waitForStarted())
        refuse(QStringLiteral("программа чтения Access «%1» не запускается").arg(program));

    const ChildRun run = collectReply(child, timeLimit);
    if (run.timedOut || run.replyTooLong || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        refuse(QStringLiteral("база не прочитана: ") + howItEnded(child, run, cpuSeconds) +
               libraryLines(messages));
    const auto answer = parseJetReply(run.reply);
    if (!answer)
        refuse(QStringLiteral("база не прочитана: программа чтения Access дала ответ, который не "
                              "разобрать") +
               libraryLines(messages));
    if (!answer->refusal.isEmpty())
        refuse(answer->refusal);
    return answer->tables;
}
