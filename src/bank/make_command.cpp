// make SOURCE BANK: a new bank from its text source, every problem of the source told at once.
#include "command_line.h"
#include "screens/pictures.h"
#include "store/bank_file.h"
#include "store/bank_source.h"
#include "store/safe_file.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr std::size_t ShownProblems = 50;
// Far above any bank's text; a larger file is not a source.
constexpr qint64 SourceLimit = 256 << 20;

// A picture that is named must be there and readable, as the exam will read it.
void checkPictures(BankSource &source, const QString &folder)
{
    for (std::size_t i = 0; i < source.tables.questions.size(); ++i) {
        const QVariant &picture = source.tables.questions[i].picture;
        if (picture.isNull() || picture.toString().isEmpty())
            continue;
        const QString path =
            QDir(folder).filePath(QString::number(picture.toString().trimmed().toInt()) + ".bmp");
        if (!QFileInfo(path).isFile())
            source.problems.push_back(
                {source.pictureLines[i], QStringLiteral("нет файла рисунка %1").arg(path)});
        else if (!isReadablePicture(path))
            source.problems.push_back(
                {source.pictureLines[i],
                 QStringLiteral("файл рисунка %1 не читается как точечный рисунок").arg(path)});
    }
    std::stable_sort(source.problems.begin(), source.problems.end(),
                     [](const SourceProblem &a, const SourceProblem &b) {
                         return (a.line == 0 ? INT_MAX : a.line) < (b.line == 0 ? INT_MAX : b.line);
                     });
}

void report(const QString &path, const std::vector<SourceProblem> &problems, Console &console)
{
    for (std::size_t i = 0; i < problems.size() && i < ShownProblems; ++i) {
        console.err << path << QStringLiteral(": ");
        if (problems[i].line > 0)
            console.err << QStringLiteral("строка %1: ").arg(problems[i].line);
        console.err << problems[i].message << Qt::endl;
    }
    if (problems.size() > ShownProblems)
        console.err << path
                    << QStringLiteral(": и ещё проблем: %1").arg(problems.size() - ShownProblems)
                    << Qt::endl;
}

} // namespace

int makeCommand(const QStringList &arguments, Console &console)
{
    CommandLine line(
        QStringLiteral("make"), {QStringLiteral("ИСТОЧНИК"), QStringLiteral("БАНК")},
        QStringLiteral("Собирает банк вопросов БАНК (data.mdb) из текстового "
                       "источника в UTF-8 (формат описан в его заголовке и в "
                       "README). Сообщает обо всех ошибках источника сразу, каждую "
                       "с номером строки; при ошибках банк не пишется. Рисунки "
                       "вопросов ищутся в ПАПКЕ. Запись о последнем экзаменуемом в "
                       "новом банке пуста."),
        {picturesOption(QStringLiteral("pictures/ рядом с источником")), replaceOption()});
    if (const auto status = line.parse(arguments, console))
        return *status;
    const QString sourcePath = line.argument(0);
    const QString bankPath = line.argument(1);
    const QString pictures = line.picturesBeside(sourcePath);

    if (line.keepsExistingBank(bankPath, console))
        return ExitCode::Refused;
    QByteArray text;
    try {
        text = readRegularFile(sourcePath, SourceLimit);
    } catch (const std::exception &error) {
        console.err << sourcePath << QStringLiteral(": ") << QString::fromUtf8(error.what())
                    << Qt::endl;
        return ExitCode::Refused;
    }
    BankSource source = parseBankSource(text);
    checkPictures(source, pictures);
    if (!source.problems.empty()) {
        report(sourcePath, source.problems, console);
        console.err << QStringLiteral("%1: банк не записан").arg(bankPath) << Qt::endl;
        return ExitCode::Refused;
    }
    try {
        writeBankTables(bankPath, source.tables, line.isSet(QStringLiteral("replace")));
    } catch (const std::exception &error) {
        console.err << bankPath << QStringLiteral(": ") << QString::fromUtf8(error.what())
                    << Qt::endl;
        return ExitCode::Refused;
    }
    console.out << QStringLiteral("%1: записан банк, вопросов: %2")
                       .arg(bankPath)
                       .arg(source.tables.questions.size())
                << Qt::endl;
    return ExitCode::Done;
}
