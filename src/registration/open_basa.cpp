#include "frm_user.h"

#include "screens/pictures.h"
#include "screens/runtime.h"
#include "shell/program.h"
#include "store/bank_check.h"
#include "store/runtime_error.h"
#include "store/statements.h"
#include "testrun/main_layout.h"

#include <QDir>
#include <QSysInfo>

namespace {

// The examinee already has a recorded attempt: they are told its result and the program ends.
[[noreturn]] void refuseRepeat(Runtime &runtime, const QString &name, bool passed)
{
    runtime.MsgBox(QStringLiteral("\r\nЗачет для: < ") + name +
                       QStringLiteral(" > уже засчитан\r\n\r\nРезультат: - ") +
                       (passed ? QStringLiteral("УСПЕШНО") : QStringLiteral("НЕ СДАН")),
                   vbInformation, QStringLiteral("Результат теста..."));
    runtime.DoEvents();
    runtime.End();
}

QString picturesFolder(const Runtime &runtime)
{
    return QDir(runtime.appPath()).filePath(QStringLiteral("pictures"));
}

} // namespace

void frmUser::OpenBasa()
{
    TestRunState &run = m_program.state;

    if (run.BankSealed()) {
        openThroughKeeper();
    } else {
        run.Basa = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
        run.QuestionsRs = run.Basa->OpenRecordset(Statements::SelectQuestions);
        run.QuestionsRs->MoveLast();
        // A bank the test cannot be taken from is refused now, before the attempt is recorded.
        const int lastId = checkBank(*run.Basa, run.QuestionsRs->Fields(QStringLiteral("id")),
                                     picturesFolder(m_runtime), isReadablePicture);
        run.DrawnIds.assign(static_cast<std::size_t>(lastId) + 2, 0);

        if (run.ExamMode) {
            run.UsersRs = run.Basa->OpenRecordset(Statements::SelectUsers);
            checkAttemptRecord(*run.Basa, run.UsersRs->Fields(QStringLiteral("id")));
            const QString name = fullName();
            if (equalsText(run.UsersRs->Fields(QStringLiteral("username")), name))
                refuseRepeat(m_runtime, name,
                             recordsPass(run.UsersRs->Fields(QStringLiteral("chek"))));
            // The attempt counts from here; a bank that keeps a journal gets its row in the same
            // transaction, after the record's change.
            std::optional<Database::Change> journal;
            if (run.Basa->HasTable(Journal::Table)) {
                run.JournalAttempt =
                    Journal::Attempt{name, m_runtime.now(), lastId, QSysInfo::machineHostName()};
                journal = Journal::start(*run.JournalAttempt);
            }
            run.Basa->ExecuteWithJournal({Statements::RecordExaminee, {name}}, journal);
        }
    }

    const auto upperBound = static_cast<int>(run.DrawnIds.size()) - 1;
    m_program.frmMain->ui().Label12->setText(QStringLiteral("Всего вопросов в базе: ") +
                                             QString::number(upperBound - 1));
    m_program.frmMain.Show();
}

void frmUser::openThroughKeeper()
{
    TestRunState &run = m_program.state;
    run.Keeper = std::make_unique<KeeperLink>(
        QDir(m_runtime.appPath()).filePath(QStringLiteral("quorvane-keeper")), run.StartKeeper);
    const KeeperLink::Opened opened = run.Keeper->open(run.ExamMode);
    // The keeper checked what it can see; the picture files are read here, where they are shown.
    for (const BankPicture &picture : opened.pictures) {
        const QString problem =
            pictureFileProblem(picture, picturesFolder(m_runtime), isReadablePicture);
        if (!problem.isEmpty())
            throw bankRefusal(QDir::current().absoluteFilePath(QStringLiteral("data.mdb")),
                              problem);
    }
    run.DrawnIds.assign(static_cast<std::size_t>(opened.lastId) + 2, 0);

    if (run.ExamMode) {
        const QString name = fullName();
        if (const std::optional<bool> passed = run.Keeper->registerExaminee(name))
            refuseRepeat(m_runtime, name, *passed);
    }
}
