// quorvane-bank: the exam staff's tool for question banks. Each sub-command is one function
// (console.h); adding one is one line of the table below.
#include "console.h"

#include "screens/look.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

const Command Commands[] = {
    {"make", "собрать банк (data.mdb) из текстового источника", false, makeCommand},
    {"check", "проверить банк так, как его проверит программа, и предупредить о неудобном", true,
     checkCommand},
    {"export", "записать банк текстовым источником", false, exportCommand},
    {"import", "перевести банк из базы Access/Jet (.mdb, .accdb)", true, importCommand},
    {"prepare", "поставить проверенный банк и его рисунки на рабочее место", true, prepareCommand},
    {"results", "вывести журнал попыток экзамена одного или нескольких банков (таблицей или CSV)",
     false, resultsCommand},
    {"upgrade", "добавить в банк недостающие таблицы журнала (попытки и ответы), сохранив записи",
     false, upgradeCommand},
    // The protocol is laid out in its fonts, which need the graphical application object.
    {"protocol", "записать протокол экзамена для комиссии (PDF)", true, protocolCommand},
    {"stats",
     "вывести по вопросам лёгкость, дискриминацию и доли выбранных ответов из ответов экзаменов",
     false, statsCommand},
};

QString toolHelp()
{
    QString text = QStringLiteral(
        "Использование: quorvane-bank КОМАНДА [КЛЮЧИ] АРГУМЕНТЫ\n\n"
        "Банки вопросов программы Quorvane: сборка, проверка, выгрузка, перевод из Access, "
        "установка на рабочее место, журнал попыток экзамена, статистика вопросов и протокол для "
        "комиссии.\n\nКоманды:\n");
    for (const Command &command : Commands)
        text += QStringLiteral("  %1\n      %2\n")
                    .arg(QLatin1String(command.name), QString::fromUtf8(command.summary));
    text += QStringLiteral(
        "\nСправка по команде: quorvane-bank КОМАНДА --help\n"
        "  -h, --help     показать эту справку\n"
        "  -v, --version  показать версию\n\n"
        "Код завершения: 0 — сделано, 1 — входные данные отвергнуты, 2 — неверный вызов;\n"
        "import: 3 — банк записан, но программа его не примет;\n"
        "results, protocol: 1 — банк не прочитан или в журнале есть повреждённые ячейки;\n"
        "stats: 1 — банк не прочитан или ответы повреждены (остальное сведено).\n");
    return text;
}

const Command *find(const QString &name)
{
    for (const Command &command : Commands)
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    // The error stream carries only the tool's problems, one a line: Qt's own notes (a missing
    // runtime folder on a server) would be taken for one.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(QString::fromLocal8Bit(argv[i]));

    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, {});
    parser.addOptions({help, version});
    parser.addPositionalArgument(QStringLiteral("command"), {});
    // Everything from the command's name on is the command's own.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const bool parsed = parser.parse(arguments);
    const QStringList rest = parser.positionalArguments();
    if (parsed && parser.isSet(version)) {
        out << "quorvane-bank " QUORVANE_VERSION << Qt::endl;
        return ExitCode::Done;
    }
    if (parsed && parser.isSet(help)) {
        out << toolHelp() << Qt::flush;
        return ExitCode::Done;
    }
    const Command *command = !rest.isEmpty() ? find(rest.front()) : nullptr;
    if (!parsed) {
        err << QStringLiteral("quorvane-bank: неизвестный ключ; справка: quorvane-bank --help")
            << Qt::endl;
        return ExitCode::Usage;
    }
    if (!command) {
        err << (rest.isEmpty()
                    ? QStringLiteral("quorvane-bank: не указана команда")
                    : QStringLiteral("quorvane-bank: неизвестная команда «%1»").arg(rest.front()))
            << QStringLiteral("; справка: quorvane-bank --help") << Qt::endl;
        return ExitCode::Usage;
    }

    // Texts are measured in the exam's fonts without a display.
    std::unique_ptr<QCoreApplication> app;
    if (command->measuresText) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        auto gui = std::make_unique<QApplication>(argc, argv);
        applyProgramLook(*gui);
        app = std::move(gui);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    Console console{out, err, QCoreApplication::applicationDirPath()};
    const int status = command->run(rest.mid(1), console);
    out.flush();
    err.flush();
    return status;
}
