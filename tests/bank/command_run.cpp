#include "command_run.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextStream>

#include <gtest/gtest.h>

CommandRun runCommand(CommandFunction command, const QStringList &arguments,
                      const QString &programFolder)
{
    CommandRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    Console console{out, err, programFolder};
    run.status = command(arguments, console);
    out.flush();
    err.flush();
    return run;
}

QByteArray sourceText(int questions)
{
    QByteArray text = "# Банк для проверки\n";
    for (int id = 1; id <= questions; ++id) {
        text += QStringLiteral("\n[%1]\ntype: %2\n").arg(id).arg(id % 2).toUtf8();
        if (id == 2)
            text += "picture: 1\n";
        text += QStringLiteral("question: Вопрос %1?\nanswer*: да\nanswer: нет\nanswer: не знаю\n"
                               "answer: может быть\n")
                    .arg(id)
                    .toUtf8();
    }
    return text;
}

void makePictures(const QString &folder, QList<int> numbers, QSize size)
{
    QDir().mkpath(folder);
    QImage picture(size, QImage::Format_RGB888);
    picture.fill(Qt::darkGreen);
    for (int number : numbers)
        ASSERT_TRUE(
            picture.save(QDir(folder).filePath(QStringLiteral("%1.bmp").arg(number)), "BMP"));
}
