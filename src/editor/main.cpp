// quorvane-editor [BANK]: the staff's editor of question banks.
#include "editor_window.h"
#include "qt_translation.h"
#include "screens/look.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
bool signalled = false;

void noteSignal(int)
{
    const char byte = 1;
    // Nothing else is safe in a handler; the event loop reads it.
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP end the event loop, so that the window's temporary files go with
// it, as they do when it is closed.
void quitOnSignals(QApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        signalled = true;
        // Every loop ends, a message box's too; the main one is then not started.
        QCoreApplication::exit(0);
    });
    struct sigaction action{};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installQtTranslation(app);
    // The exam's own look, fonts and answer boxes: the preview must be the exam's panel to the
    // pixel.
    applyProgramLook(app);
    // Where the editor keeps the last folder and the window's place (~/.config/quorvane/).
    QApplication::setOrganizationName(QStringLiteral("quorvane"));
    QApplication::setApplicationName(QStringLiteral("quorvane-editor"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    QApplication::setApplicationDisplayName(QStringLiteral("Редактор банков вопросов"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Редактор банков вопросов Quorvane: открывает банк (data.mdb), текстовый "
                       "источник или базу Access и показывает каждый вопрос так, как его увидит "
                       "экзаменуемый."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("БАНК"),
                                 QStringLiteral("файл, который открыть (необязательно)"));
    // Wrong usage ends with status 2, as for the staff's other tool.
    if (!parser.parse(QApplication::arguments()) || parser.positionalArguments().size() > 1) {
        const QStringList unknown = parser.unknownOptionNames();
        std::fprintf(stderr, "quorvane-editor: %s\n",
                     qPrintable(!unknown.isEmpty()
                                    ? QStringLiteral("неизвестный параметр: ") + unknown.join(", ")
                                : parser.errorText().isEmpty()
                                    ? QStringLiteral("можно открыть только один файл")
                                    : parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    quitOnSignals(app);
    EditorWindow window;
    window.show();
    if (!parser.positionalArguments().isEmpty())
        window.openFile(parser.positionalArguments().constFirst());
    // A signal while the file's message box was open has ended the editor already.
    return signalled ? 0 : app.exec();
}
