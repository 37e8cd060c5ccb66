// Builds data.mdb from the bank's text source: make_bank [--replace] questions.txt data.mdb
// An existing file holds an attempt record, so it is replaced only when asked to.
#include "store/bank_file.h"
#include "store/bank_source.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <stdexcept>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    const bool replace = args.removeAll(QStringLiteral("--replace")) > 0;
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: make_bank [--replace] questions.txt data.mdb\n");
        return 2;
    }
    if (!replace && QFileInfo::exists(args[2])) {
        std::fprintf(stderr,
                     "%s: файл уже есть, и в нём запись о последнем экзаменуемом; "
                     "чтобы заменить его, добавьте --replace\n",
                     qPrintable(args[2]));
        return 1;
    }
    QFile source(args[1]);
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(args[1]), qPrintable(source.errorString()));
        return 1;
    }
    try {
        const auto questions = parseBank(QString::fromUtf8(source.readAll()));
        // The program refuses a bank a whole test cannot be drawn from.
        if (questions.size() < 40)
            throw std::runtime_error(QStringLiteral("вопросов %1, а для теста нужно не меньше 40")
                                         .arg(questions.size())
                                         .toStdString());
        // Pictures are looked for beside the program; beside the source is where they are kept.
        const QDir pictures(QFileInfo(args[1]).dir().filePath(QStringLiteral("pictures")));
        for (const BankQuestion &question : questions)
            if (question.picture &&
                !QFileInfo::exists(pictures.filePath(QString::number(*question.picture) + ".bmp")))
                std::fprintf(
                    stderr, "предупреждение: у вопроса %d нет рисунка %s\n", question.id,
                    qPrintable(pictures.filePath(QString::number(*question.picture) + ".bmp")));
        writeBankFile(args[2], questions);
        std::printf("%s: %zu questions\n", qPrintable(args[2]), questions.size());
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(args[1]), error.what());
        return 1;
    }
    return 0;
}
