// quorvane-editor [BANK]: the staff's editor of question banks.
#include "editor_window.h"
#include "screens/look.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
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

    EditorWindow window;
    window.show();
    if (!parser.positionalArguments().isEmpty())
        window.openFile(parser.positionalArguments().constFirst());
    return app.exec();
}
