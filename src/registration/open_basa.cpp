#include "frm_user.h"

#include "screens/pictures.h"
#include "screens/runtime.h"
#include "shell/program.h"
#include "store/bank_check.h"
#include "store/statements.h"
#include "ui_frm_main.h"

#include <QDir>
#include <QSysInfo>

void frmUser::OpenBasa()
{
    TestRunState &run = m_program.state;

    run.Basa = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    run.QuestionsRs = run.Basa->OpenRecordset(Statements::SelectQuestions);
    run.QuestionsRs->MoveLast();
    // A bank the test cannot be taken from is refused now, before the attempt is recorded.
    const int lastId = checkBank(*run.Basa, run.QuestionsRs->Fields(QStringLiteral("id")),
                                 QDir(m_runtime.appPath()).filePath(QStringLiteral("pictures")),
                                 isReadablePicture);
    run.DrawnIds.assign(static_cast<std::size_t>(lastId) + 2, 0);

    if (run.ExamMode) {
        run.UsersRs = run.Basa->OpenRecordset(Statements::SelectUsers);
        checkAttemptRecord(*run.Basa, run.UsersRs->Fields(QStringLiteral("id")));
        const QString name = fullName();
        if (equalsText(run.UsersRs->Fields(QStringLiteral("username")), name)) {
            const FieldValue passed = run.UsersRs->Fields(QStringLiteral("chek"));
            // Any non-zero number is a pass, as a Boolean column stores it; a column declared
            // as a plain number keeps the 1 written for a pass.
            const bool success = !passed.isNull() && !equalsNumber(passed, 0);
            m_runtime.MsgBox(QStringLiteral("\r\nЗачет для: < ") + name +
                                 QStringLiteral(" > уже засчитан\r\n\r\nРезультат: - ") +
                                 (success ? QStringLiteral("УСПЕШНО") : QStringLiteral("НЕ СДАН")),
                             vbInformation, QStringLiteral("Результат теста..."));
            m_runtime.DoEvents();
            m_runtime.End();
        }
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

    const auto upperBound = static_cast<int>(run.DrawnIds.size()) - 1;
    m_program.frmMain->ui().Label12->setText(QStringLiteral("Всего вопросов в базе: ") +
                                             QString::number(upperBound - 1));
    m_program.frmMain.Show();
}
