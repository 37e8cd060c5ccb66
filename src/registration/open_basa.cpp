#include "frm_user.h"

#include "exam/bank_session.h"
#include "exam/keeper_link.h"
#include "exam/keeper_protocol.h"
#include "screens/pictures.h"
#include "screens/runtime.h"
#include "shell/program.h"
#include "testrun/main_layout.h"
#include "testrun/question_draw.h"

#include <QDir>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace {

// This account as the journal records it, as the keeper records its peer: name and number.
QString ownAccount()
{
    const uid_t uid = getuid();
    const passwd *entry = getpwuid(uid);
    return QStringLiteral("%1 (uid %2)")
        .arg(entry ? QString::fromLocal8Bit(entry->pw_name) : QStringLiteral("?"))
        .arg(uid);
}

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

} // namespace

void frmUser::OpenBasa()
{
    TestRunState &run = m_program.state;
    run.Session = startSession();
    // Steps 1 to 5: the bank opened, its questions selected and checked.
    run.LastId = run.Session->open(run.ExamMode);

    // Step 6, the attempt rule.
    if (run.ExamMode) {
        const QString name = fullName();
        if (const std::optional<bool> passed = run.Session->registerExaminee(name))
            refuseRepeat(m_runtime, name, *passed);
    }

    m_program.frmMain->ui().Label12->setText(QStringLiteral("Всего вопросов в базе: ") +
                                             QString::number(run.LastId));
    m_program.frmMain.Show();
}

std::unique_ptr<ExamSession> frmUser::startSession()
{
    TestRunState &run = m_program.state;
    const QDir programFolder(m_runtime.appPath());
    PictureFiles pictures{programFolder.filePath(QStringLiteral("pictures")), isReadablePicture};
    // A bank this account cannot read is opened by its keeper's service, which runs the same
    // session.
    if (run.BankSealed())
        return std::make_unique<KeeperLink>(QString::fromLatin1(KeeperProtocol::SocketPath),
                                            run.StartKeeper, std::move(pictures));
    BankServices services{
        [] { return DBEngine::OpenDatabase(QStringLiteral("data.mdb")); },
        reseededRandom(m_runtime),
        [this] { return m_runtime.now(); },
        QSysInfo::machineHostName(),
        ownAccount(),
    };
    return std::make_unique<BankSession>(std::move(services), std::move(pictures));
}
