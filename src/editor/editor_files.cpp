#include "bank/jet_reader.h"
#include "bank_document.h"
#include "editor_prompts.h"
#include "editor_window.h"
#include "panel/question_warnings.h"
#include "store/bank_file.h"
#include "store/bank_image.h"
#include "store/bank_save.h"
#include "store/bank_source.h"
#include "store/rules.h"
#include "store/safe_file.h"
#include "store/sqlite.h"
#include "ui_editor_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

// Far above any bank's text; a larger file is not a source.
constexpr qint64 SourceLimit = 256 << 20;
// Enough of a file's start to tell its kind.
constexpr qint64 HeaderBytes = 32;
constexpr int ShownProblems = 20;

// Enter answers a question with its default button: the one that leaves the file as it is.
const QString NotSavedByDefault =
    QStringLiteral("\n\nEnter выбирает «Отмена»: банк не сохраняется.");

const QString BankFilter = QStringLiteral("Банк вопросов (*.mdb);;Все файлы (*)");

// The editor waits on the disk or on a running exam: the pointer says so.
class BusyCursor final
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

enum class FileKind { Bank, Access, Text };

// What a file holds, by its first bytes: the engine's own header, an Access/Jet one, or text.
FileKind kindOf(const QString &path)
{
    const QByteArray head = readFileStart(path, HeaderBytes);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3")))
        return FileKind::Bank;
    const QByteArray format = head.mid(4, 15);
    if (format == "Standard Jet DB" || format == "Standard ACE DB")
        return FileKind::Access;
    return FileKind::Text;
}

QString picturesBeside(const QString &file)
{
    return QFileInfo(file).absoluteDir().filePath(QStringLiteral("pictures"));
}

// The results journal of a bank's bytes; none when it has none the program wrote.
std::vector<Journal::Entry> journalOf(const QByteArray &image)
{
    std::vector<Journal::Entry> entries;
    try {
        SqliteConnection db(QStringLiteral(":memory:"), SqliteConnection::Access::Create, 0);
        db.deserialize(image);
        SqliteStatement rows(db, Journal::rowsSelect(false));
        while (rows.next())
            entries.push_back(Journal::entryFromRow(rows.row().values()));
    } catch (const std::exception &) {
        return {};
    } catch (const SqliteError &) {
        return {};
    }
    return entries;
}

// An exam that may be running on the bank: an attempt of its journal begun no longer ago than a
// whole test takes and not finished. Its window writes the result into the file it opened, which
// a save would replace.
QString runningAttempt(const QString &bankPath)
{
    std::vector<Journal::Entry> entries;
    try {
        entries = journalOf(readBankImage(bankPath));
    } catch (const std::exception &) {
        return {}; // no journal to tell
    }
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 longest = qint64(Rules::TestLength) * Rules::QuestionSeconds + 10 * 60;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (entry->started.damaged() || entry->finished.damaged() || entry->username.damaged() ||
            entry->finished.value().has_value())
            continue;
        const QDateTime started = entry->started.value();
        if (started <= now && started.secsTo(now) <= longest)
            return QStringLiteral("«%1» начал экзамен в %2 и ещё не закончил")
                .arg(entry->username.value(), started.toString(QStringLiteral("HH:mm")));
    }
    return {};
}

// Where a bank's pictures are, as check looks for them.
QString bankPictures(const QString &bank)
{
    return picturesOfBank(
        bank, QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("pictures")));
}

QString what(const std::exception &error)
{
    return QString::fromUtf8(error.what());
}

} // namespace

QSet<int> EditorWindow::usedPictures() const
{
    QSet<int> numbers;
    for (const QuestionRow &question : m_document->questions()) {
        const QString file = QuestionWarnings::pictureFile(readValue(question.picture));
        if (!file.isEmpty())
            numbers.insert(file.chopped(4).toInt());
    }
    return numbers;
}

void EditorWindow::refuse(const QString &title, const QString &path, const QString &reason)
{
    m_prompts->tell(this, QMessageBox::Warning, title, QStringLiteral("%1:\n%2").arg(path, reason));
}

bool EditorWindow::openFile(const QString &path)
{
    FileKind kind = FileKind::Text;
    try {
        kind = kindOf(path);
    } catch (const std::exception &error) {
        refuse(QStringLiteral("Файл не открыт"), path, what(error));
        return false;
    }
    if (kind == FileKind::Bank)
        return openBank(path);
    return openSource(path, kind == FileKind::Access);
}

bool EditorWindow::openBank(const QString &path)
{
    BankTables tables;
    QByteArray image;
    try {
        const BusyCursor busy;
        // Read once, under the engine's lock: the list and the checks start from the same bytes.
        image = readBankImage(path);
        tables = readBankTables(image, path);
    } catch (const std::exception &error) {
        refuse(QStringLiteral("Банк не открыт"), path, what(error));
        return false;
    }
    remember(QFileInfo(path).absolutePath());
    setPicturesFolder(bankPictures(path));
    m_sourceName.clear();
    takeBank(std::move(tables.questions), {}, std::move(image), QFileInfo(path).absoluteFilePath(),
             true);
    return true;
}

bool EditorWindow::openSource(const QString &path, bool access)
{
    BankTables tables;
    try {
        const BusyCursor busy;
        if (access) {
            tables = readJetBank(path);
        } else {
            const BankSource source = parseBankSource(readRegularFile(path, SourceLimit));
            if (!source.problems.empty()) {
                QStringList lines;
                for (std::size_t i = 0; i < source.problems.size() && i < ShownProblems; ++i)
                    lines.push_back(source.problems[i].line > 0
                                        ? QStringLiteral("строка %1: %2")
                                              .arg(source.problems[i].line)
                                              .arg(source.problems[i].message)
                                        : source.problems[i].message);
                if (source.problems.size() > ShownProblems)
                    lines.push_back(QStringLiteral("и ещё ошибок: %1")
                                        .arg(source.problems.size() - ShownProblems));
                refuse(QStringLiteral("Источник не прочитан"), path,
                       QStringLiteral("в источнике есть ошибки, банк из него не сделан:\n") +
                           lines.join(QLatin1Char('\n')));
                return false;
            }
            tables = source.tables;
        }
    } catch (const std::exception &error) {
        refuse(access ? QStringLiteral("База Access не прочитана")
                      : QStringLiteral("Источник не прочитан"),
               path, what(error));
        return false;
    }
    remember(QFileInfo(path).absolutePath());
    setPicturesFolder(picturesBeside(path));
    std::vector<UserRow> users = tables.users;
    QByteArray image;
    try {
        image = bankImage(BankTables{{}, users});
    } catch (const std::exception &error) {
        refuse(QStringLiteral("База Access не прочитана"), path, what(error));
        return false;
    }
    // A new bank, made from the file as make and import make one; saved where the staff say.
    m_sourceName = QFileInfo(path).fileName();
    takeBank(std::move(tables.questions), std::move(users), std::move(image), QString(), false);
    return true;
}

void EditorWindow::newBank()
{
    m_sourceName.clear();
    takeBank({}, {}, bankImage(BankTables{}), QString(), true);
    if (m_pictures.folder().isEmpty())
        setPicturesFolder(QDir(lastFolder()).filePath(QStringLiteral("pictures")));
}

void EditorWindow::takeBank(std::vector<QuestionRow> questions, std::vector<UserRow> users,
                            QByteArray baseImage, const QString &path, bool saved)
{
    m_path = path;
    m_picturesChosen = false;
    m_users = std::move(users);
    m_baseImage = std::move(baseImage);
    m_row = -1;
    m_document->load(std::move(questions));
    readFigures();
    // A bank read from a source is not in any file yet.
    if (!saved)
        m_document->undoStack()->resetClean();
    updateTitle();
    // Nothing of the bank before stays in the form; an empty bank leaves it empty and closed.
    m_ui->formPane->setEnabled(false);
    fillForm();
    updatePreview();
    selectRow(m_document->rowCount() > 0 ? 0 : -1);
    // The list is usable at once; the look at the whole bank follows.
    scheduleCheck();
}

void EditorWindow::openDialog()
{
    if (!maySetAside())
        return;
    const QString path = m_prompts->openFileName(this, QStringLiteral("Открыть банк вопросов"),
                                                 lastFolder(), BankFilter);
    if (!path.isEmpty())
        openFile(path);
}

void EditorWindow::importDialog()
{
    if (!maySetAside())
        return;
    const QString path = m_prompts->openFileName(
        this, QStringLiteral("Открыть текстовый источник или базу Access"), lastFolder(),
        QStringLiteral("Источник или база Access (*.txt *.mdb *.accdb);;Все файлы (*)"));
    if (!path.isEmpty())
        openFile(path);
}

void EditorWindow::choosePicturesFolder()
{
    const QString folder =
        m_prompts->folderName(this, QStringLiteral("Папка рисунков"), m_pictures.folder());
    if (folder.isEmpty())
        return;
    m_picturesChosen = true;
    setPicturesFolder(folder);
}

void EditorWindow::setPicturesFolder(const QString &folder)
{
    m_pictures.setFolder(folder);
    m_warnings = std::make_unique<QuestionWarnings>(m_pictures.view());
    statusBar()->showMessage(QStringLiteral("Рисунки: %1").arg(folder), 5000);
    updatePreview();
    scheduleCheck();
}

bool EditorWindow::save()
{
    if (m_path.isEmpty())
        return saveAs();
    return saveTo(m_path, true);
}

bool EditorWindow::saveAs()
{
    const QString start =
        m_path.isEmpty() ? QDir(lastFolder()).filePath(QStringLiteral("data.mdb")) : m_path;
    const QString path =
        m_prompts->saveFileName(this, QStringLiteral("Сохранить банк как"), start, BankFilter);
    if (path.isEmpty())
        return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // Saved as itself, it keeps its attempt record and journal as a save does.
    return saveTo(absolute, absolute == m_path);
}

bool EditorWindow::saveTo(const QString &path, bool existing)
{
    checkNow();
    if (!m_report.accepted()) {
        const QString first = m_pictures.shown(m_report.problems.front());
        if (m_prompts->ask(this, QStringLiteral("Сохранить банк"),
                           QStringLiteral("Программа не примет этот банк: проблем — %1, первая: "
                                          "%2.\n\nСохранить его всё равно?")
                                   .arg(m_report.problems.size())
                                   .arg(first) +
                               NotSavedByDefault,
                           QMessageBox::Save | QMessageBox::Cancel,
                           QMessageBox::Cancel) != QMessageBox::Save)
            return false;
    }
    if (existing) {
        const QString attempt = runningAttempt(path);
        if (!attempt.isEmpty() &&
            m_prompts->ask(this, QStringLiteral("Сохранить банк"),
                           QStringLiteral("Возможно, сейчас идёт экзамен по этому банку: %1. "
                                          "Если сохранить банк сейчас, результат этого экзамена "
                                          "в него не запишется.\n\nСохранить всё равно?")
                                   .arg(attempt) +
                               NotSavedByDefault,
                           QMessageBox::Save | QMessageBox::Cancel,
                           QMessageBox::Cancel) != QMessageBox::Save)
            return false;
    }
    try {
        const BusyCursor busy;
        statusBar()->showMessage(QStringLiteral("Сохраняю %1…").arg(path));
        // The pictures first: a bank naming a picture that is not there would be refused.
        // A bank saved into a file of its own takes the pictures it uses along, into pictures/
        // beside it, unless the staff chose a folder: it then reads them where it did.
        if (!existing && !m_picturesChosen) {
            const QSet<int> used = usedPictures();
            if (!used.isEmpty())
                m_pictures.carryTo(picturesBeside(path), used);
        }
        m_pictures.save();
        // Saved, the pictures are read from the folder itself.
        m_warnings = std::make_unique<QuestionWarnings>(m_pictures.view());
        // The file as saved is what the checks start from next.
        m_baseImage =
            existing ? saveBankQuestions(path, m_document->questions())
                     // The file dialog has asked before a file there is replaced.
                     : writeBankTables(path, BankTables{m_document->questions(), m_users}, true);
    } catch (const std::exception &error) {
        statusBar()->clearMessage();
        refuse(QStringLiteral("Банк не сохранён"), path,
               what(error) + QStringLiteral("\n\nИзменения остались в редакторе."));
        return false;
    }
    m_path = path;
    m_sourceName.clear();
    m_users.clear();
    // The pictures where opening this file will look for them, so that the verdict stays.
    if (!existing && !m_picturesChosen)
        setPicturesFolder(bankPictures(path));
    m_document->markSaved();
    readFigures();
    // The chosen pictures are in the folder now.
    m_shownPicture.clear();
    updatePicture();
    remember(QFileInfo(path).absolutePath());
    updateTitle();
    statusBar()->showMessage(QStringLiteral("Банк сохранён: %1").arg(path), 5000);
    // Only the attempt record may have changed since the look before the save.
    scheduleCheck();
    return true;
}
