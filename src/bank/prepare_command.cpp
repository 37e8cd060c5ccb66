// prepare BANK EXAMDIR: a checked bank and its pictures put where the exam reads them.
#include "bank_report.h"
#include "command_line.h"
#include "store/safe_file.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Every examinee's account writes the attempt record, whoever prepared the bank.
constexpr mode_t BankMode = 0666;
// Everyone reads the pictures; only who prepares the workstation changes them.
constexpr mode_t PictureMode = 0644;
// Far above any bank or picture the exam shows.
constexpr qint64 CopyLimit = 1024 << 20;

// A whole copy or none: built in a folder of the target's own and renamed over its name, so a
// link another account planted there is replaced, not written through. Returns the problem.
QString copyWhole(const QString &from, const QString &to, mode_t mode, bool replace)
{
    try {
        FileReplacement target(to);
        target.write(readRegularFile(from, CopyLimit));
        target.commit(replace, mode);
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

} // namespace

int prepareCommand(const QStringList &arguments, Console &console)
{
    CommandLine line(
        QStringLiteral("prepare"), {QStringLiteral("БАНК"), QStringLiteral("ПАПКА_ЭКЗАМЕНА")},
        QStringLiteral(
            "Готовит рабочее место: проверяет БАНК, как команда check (при проблемах ничего не "
            "делает), копирует рисунки его вопросов из ПАПКИ в папку pictures программы (%1) и "
            "копирует БАНК в ПАПКУ_ЭКЗАМЕНА/data.mdb (папка создаётся). Программу запускают из "
            "ПАПКИ_ЭКЗАМЕНА. Уже существующий data.mdb (в нём запись о последнем экзаменуемом) "
            "заменяется, только если дан --replace.")
            .arg(console.programPictures()),
        {picturesOption(QStringLiteral("pictures/ рядом с банком")), replaceOption()});
    if (const auto status = line.parse(arguments, console))
        return *status;
    const QString bank = line.argument(0);
    const QDir examFolder(line.argument(1));
    const QString target = examFolder.filePath(QStringLiteral("data.mdb"));
    const QString pictures = line.picturesBeside(bank);

    if (line.keepsExistingBank(target, console))
        return ExitCode::Refused;
    const BankReport report = inspectBankFile(bank, pictures);
    printReport(bank, pictures, report, console);
    if (!report.accepted()) {
        console.err << QStringLiteral("%1: банк не поставлен").arg(bank) << Qt::endl;
        return ExitCode::Refused;
    }

    const QDir programPictures(console.programPictures());
    if (!QDir().mkpath(programPictures.path()) || !QDir().mkpath(examFolder.path())) {
        console.err << QStringLiteral("не удалось создать папку %1 или %2")
                           .arg(programPictures.path(), examFolder.path())
                    << Qt::endl;
        return ExitCode::Refused;
    }
    // The pictures first: a bank whose pictures are not all there would be refused at opening.
    for (const QString &picture : report.pictures) {
        const QString problem = copyWhole(QDir(pictures).filePath(picture),
                                          programPictures.filePath(picture), PictureMode, true);
        if (!problem.isEmpty()) {
            console.err << problem << Qt::endl;
            return ExitCode::Refused;
        }
    }
    if (const QString problem =
            copyWhole(bank, target, BankMode, line.isSet(QStringLiteral("replace")));
        !problem.isEmpty()) {
        console.err << problem << Qt::endl;
        return ExitCode::Refused;
    }
    console.out << QStringLiteral("рисунков скопировано в %1: %2")
                       .arg(programPictures.path())
                       .arg(report.pictures.size())
                << Qt::endl
                << QStringLiteral("банк скопирован в %1; запускайте программу из папки %2")
                       .arg(target, examFolder.absolutePath())
                << Qt::endl;
    return ExitCode::Done;
}
