// prepare BANK EXAMDIR: a checked bank and its pictures put where the exam reads them.
#include "bank_report.h"
#include "command_line.h"
#include "exam_folder.h"
#include "store/safe_file.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Sealed: only root and the keeper's group, through which the exam reads the bank and writes the
// attempt record. An examinee never opens it.
constexpr mode_t BankMode = 0660;
// Everyone reads the pictures; only who prepares the workstation changes them.
constexpr mode_t PictureMode = 0644;
// The keeper's system account and group, the package's.
QString keeperAccount()
{
    return QStringLiteral(QUORVANE_KEEPER_ACCOUNT);
}
// Far above any bank or picture the exam shows.
constexpr qint64 CopyLimit = 1024 << 20;

// A whole copy or none: built in a folder of the target's own and renamed over its name, so a
// link another account planted there is replaced, not written through. Returns the problem.
QString copyWhole(const QString &from, const QString &to, mode_t mode, bool replace,
                  std::optional<gid_t> group = std::nullopt)
{
    try {
        FileReplacement target(to);
        target.write(readRegularFile(from, CopyLimit));
        target.commit(replace, mode, group);
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

// The keeper's group, or another one named for a try-out (the tests, the package's check, which
// run where the package never made the keeper's account).
QCommandLineOption groupOption()
{
    QCommandLineOption option(
        QStringLiteral("group"),
        QStringLiteral("группа, которой открыт банк (по умолчанию %1)").arg(keeperAccount()),
        QStringLiteral("ГРУППА"));
    // Any other group on a workstation opens the answers to whoever is in it.
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
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
            "заменяется, только если дан --replace. Банк запечатан: его открывают только root и "
            "группа %2 (права 0660), папка экзамена — root:%2 с правами 2771; папку, в которую "
            "могут писать другие, команда не трогает и отказывается.")
            .arg(console.programPictures(), keeperAccount()),
        {picturesOption(QStringLiteral("pictures/ рядом с банком")), replaceOption(),
         groupOption()});
    if (const auto status = line.parse(arguments, console))
        return *status;
    const QString bank = line.argument(0);
    const QDir examFolder(line.argument(1));
    const QString target = examFolder.filePath(QStringLiteral("data.mdb"));
    const QString pictures = line.picturesBeside(bank);
    const QString bankName = QFileInfo(target).fileName();

    const bool keepersGroup = !line.isSet(QStringLiteral("group"));
    const QString groupName = keepersGroup ? keeperAccount() : line.value(QStringLiteral("group"));
    const std::optional<gid_t> group = groupNamed(groupName);
    if (!group) {
        console.err << (keepersGroup
                            ? QStringLiteral("группы %1 нет, а банк запечатывается для неё; её "
                                             "создаёт пакет quorvane при установке: "
                                             "sudo apt install --reinstall quorvane")
                                  .arg(groupName)
                            : QStringLiteral("группы %1 нет").arg(groupName))
                    << Qt::endl;
        return ExitCode::Refused;
    }
    // The keeper serves one folder, the one its unit names: a bank sealed for it anywhere else
    // would never be opened. Another group is a try-out, anywhere.
    if (keepersGroup && !isExamFolder(examFolder.path())) {
        console.err << QStringLiteral("%1: это не папка экзамена. Хранитель банка открывает "
                                      "только %2 (её называет служба quorvane-keeper); "
                                      "готовьте экзамен туда: sudo quorvane-bank prepare БАНК %2")
                           .arg(examFolder.path(), examFolderPath())
                    << Qt::endl;
        return ExitCode::Refused;
    }
    if (line.keepsExistingBank(target, console))
        return ExitCode::Refused;
    try {
        requireSealableFolder(examFolder.path(), bankName, *group);
    } catch (const std::exception &error) {
        console.err << QString::fromUtf8(error.what()) << Qt::endl;
        return ExitCode::Refused;
    }
    const BankReport report = inspectBankFile(bank, pictures);
    printReport(bank, pictures, report, console);
    if (!report.accepted()) {
        console.err << QStringLiteral("%1: банк не поставлен").arg(bank) << Qt::endl;
        return ExitCode::Refused;
    }

    const QDir programPictures(console.programPictures());
    if (!QDir().mkpath(programPictures.path())) {
        console.err << QStringLiteral("не удалось создать папку %1").arg(programPictures.path())
                    << Qt::endl;
        return ExitCode::Refused;
    }
    try {
        sealFolder(examFolder.path(), bankName, *group);
    } catch (const std::exception &error) {
        console.err << QString::fromUtf8(error.what()) << Qt::endl;
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
            copyWhole(bank, target, BankMode, line.isSet(QStringLiteral("replace")), *group);
        !problem.isEmpty()) {
        console.err << problem << Qt::endl;
        return ExitCode::Refused;
    }
    console.out << QStringLiteral("рисунков скопировано в %1: %2")
                       .arg(programPictures.path())
                       .arg(report.pictures.size())
                << Qt::endl
                << QStringLiteral("банк скопирован и запечатан в %1 (открыт root и группе %2); "
                                  "запускайте программу из папки %3")
                       .arg(target, groupName, examFolder.absolutePath())
                << Qt::endl;
    return ExitCode::Done;
}
